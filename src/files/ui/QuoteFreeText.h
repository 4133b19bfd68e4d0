#pragma once

#include <QValidator>

class QLineEdit;
class QWidget;

namespace pyra {

// Refuses any text with a double quote: the configuration and device files write texts between
// double quotes without escaping, so a quote inside would end the field early. Wraps the box's
// own validator, if it had one, which still has its say.
class QuoteFreeValidator final : public QValidator {
  Q_OBJECT

 public:
  explicit QuoteFreeValidator(const QValidator* inner = nullptr, QObject* parent = nullptr);

  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  const QValidator* inner_;
};

// Typing or pasting a double quote into `box` is refused.
void RefuseDoubleQuote(QLineEdit* box);

// The boxes whose text goes into the files between quotes: the ID string, the pin and aspect
// descriptions and the device name.
inline constexpr const char* kQuoteFreeBoxes[] = {"TextGenIDString", "TextPAspDesc",
                                                  "TextPAspAspDesc", "TextDeviceDescription"};

// RefuseDoubleQuote for each of kQuoteFreeBoxes found under `root`; returns how many were found.
int RefuseDoubleQuoteIn(QWidget* root);

}  // namespace pyra

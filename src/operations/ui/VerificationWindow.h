#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace pyra {

// "PyraConfig - Verification Report": the log a verification wrote, shown modally over the main
// window at its end. Created on first use and kept.
class VerificationWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit VerificationWindow(QWidget* owner);

  // Replaces the report (lines end with CR LF) and shows it modally without blocking the caller,
  // so the window stays responsive and the busy state ends first.
  void ShowReport(const std::string& text);
  QString Text() const;

 private:
  QPlainTextEdit* text_;
};

}  // namespace pyra

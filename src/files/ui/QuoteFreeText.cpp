#include "files/ui/QuoteFreeText.h"

#include <QLineEdit>

namespace pyra {

QuoteFreeValidator::QuoteFreeValidator(const QValidator* inner, QObject* parent)
    : QValidator(parent), inner_(inner) {}

QValidator::State QuoteFreeValidator::validate(QString& input, int& pos) const {
  if (input.contains('"')) return Invalid;
  return inner_ ? inner_->validate(input, pos) : Acceptable;
}

void QuoteFreeValidator::fixup(QString& input) const {
  if (inner_) inner_->fixup(input);
}

void RefuseDoubleQuote(QLineEdit* box) {
  if (qobject_cast<const QuoteFreeValidator*>(box->validator())) return;
  box->setValidator(new QuoteFreeValidator(box->validator(), box));
}

int RefuseDoubleQuoteIn(QWidget* root) {
  int found = 0;
  for (const char* name : kQuoteFreeBoxes) {
    for (QLineEdit* box : root->findChildren<QLineEdit*>(name)) {
      RefuseDoubleQuote(box);
      ++found;
    }
  }
  return found;
}

}  // namespace pyra

#include "operations/ui/VerificationWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pyra {

VerificationWindow::VerificationWindow(QWidget* owner)
    : QDialog(owner), text_(new QPlainTextEdit(this)) {
  setObjectName("frmPyraVerification");
  setWindowTitle("PyraConfig - Verification Report");
  setWindowModality(Qt::ApplicationModal);
  text_->setObjectName("txtVerification");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmdVerificationClose");
  close->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  resize(560, 380);

  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void VerificationWindow::ShowReport(const std::string& text) {
  text_->setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
  show();
  raise();
  activateWindow();
}

QString VerificationWindow::Text() const { return text_->toPlainText(); }

}  // namespace pyra

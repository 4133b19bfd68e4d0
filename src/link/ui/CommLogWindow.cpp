#include "link/ui/CommLogWindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pyra {

CommLogWindow::CommLogWindow(QWidget* owner)
    : QDialog(owner), text_(new QPlainTextEdit(this)), clear_(new QPushButton("Clear", this)) {
  setObjectName("frmVeloraComm");
  setWindowTitle("Communication");
  setModal(false);
  text_->setObjectName("txtVeloraCommunication");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  clear_->setObjectName("cmdClear");
  clear_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(clear_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  resize(520, 360);

  connect(clear_, &QPushButton::clicked, text_, &QPlainTextEdit::clear);
}

void CommLogWindow::AppendLine(const QString& line) { text_->appendPlainText(line); }

QString CommLogWindow::Text() const { return text_->toPlainText(); }

}  // namespace pyra

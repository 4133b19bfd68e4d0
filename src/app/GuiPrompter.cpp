#include "app/GuiPrompter.h"

#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace pyra {

namespace {

constexpr char kTitle[] = "Pyra Config";

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::kWarning:
    case Icon::kExclamation:
      return QMessageBox::Warning;
    case Icon::kInformation:
      return QMessageBox::Information;
    case Icon::kError:
      return QMessageBox::Critical;
    case Icon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

Answer Refusal(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
      return Answer::kOk;
    case Buttons::kOkCancel:
      return Answer::kCancel;
    case Buttons::kYesNo:
      return Answer::kNo;
    case Buttons::kEraseOrKeep:
      return Answer::kOk;  // "Do not erase"
    case Buttons::kSaveDiscardCancel:
      return Answer::kCancel;
  }
  return Answer::kCancel;
}

}  // namespace

GuiPrompter::GuiPrompter(QWidget* owner) : QObject(owner), owner_(owner) {}

GuiPrompter::~GuiPrompter() { Detach(); }

void GuiPrompter::Detach() {
  detached_ = true;
  std::lock_guard lock(mutex_);
  if (request_ && !request_->answer) request_->answer = Refusal(request_->buttons);
  changed_.notify_all();
}

void GuiPrompter::Message(const std::string& text, Icon icon) { Ask(text, Buttons::kOk, icon); }

Answer GuiPrompter::Ask(const std::string& text, Buttons buttons, Icon icon) {
  if (detached_) return Refusal(buttons);
  if (QThread::currentThread() == thread()) return Show(text, buttons, icon);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !request_; });
  if (detached_) return Refusal(buttons);
  request_ = Request{text, buttons, icon, std::nullopt};
  QMetaObject::invokeMethod(this, "ShowRequested", Qt::QueuedConnection);
  changed_.wait(lock, [this] { return request_->answer.has_value(); });
  const Answer answer = *request_->answer;
  request_.reset();
  changed_.notify_all();
  return answer;
}

void GuiPrompter::ShowRequested() {
  Request asked;
  {
    std::lock_guard lock(mutex_);
    if (!request_ || request_->answer) return;
    asked = *request_;
  }
  Answered(Show(asked.text, asked.buttons, asked.icon));
}

void GuiPrompter::Answered(Answer answer) {
  std::lock_guard lock(mutex_);
  if (request_ && !request_->answer) request_->answer = answer;
  changed_.notify_all();
}

Answer GuiPrompter::Show(const std::string& text, Buttons buttons, Icon icon) {
  if (detached_) return Refusal(buttons);
  // The texts separate their lines with CR LF.
  QString shown = QString::fromStdString(text).replace("\r\n", "\n");
  QMessageBox box(ToQt(icon), kTitle, shown, QMessageBox::NoButton, owner_);
  box.setObjectName("PyraMessage");
  switch (buttons) {
    case Buttons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case Buttons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case Buttons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
    case Buttons::kEraseOrKeep: {
      QPushButton* erase = box.addButton("&Erase", QMessageBox::DestructiveRole);
      erase->setObjectName("ButtonErase");
      QPushButton* keep = box.addButton("Do &not erase", QMessageBox::RejectRole);
      keep->setObjectName("ButtonKeep");
      box.setDefaultButton(keep);
      box.setEscapeButton(keep);
      box.exec();
      return box.clickedButton() == erase ? Answer::kCancel : Answer::kOk;
    }
    case Buttons::kSaveDiscardCancel:
      box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Save);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return Answer::kOk;
    case QMessageBox::Cancel:
      return Answer::kCancel;
    case QMessageBox::Yes:
    case QMessageBox::Save:
      return Answer::kYes;
    case QMessageBox::No:
    case QMessageBox::Discard:
      return Answer::kNo;
    default:
      return Refusal(buttons);
  }
}

}  // namespace pyra

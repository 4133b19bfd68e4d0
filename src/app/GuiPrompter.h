#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>

#include "link/Prompter.h"

namespace pyra {

// Shows the operations' messages and questions as modal message boxes on the GUI thread. Called
// from the link thread, it hands the box to the GUI thread and blocks until it is answered.
class GuiPrompter final : public QObject, public Prompter {
  Q_OBJECT

 public:
  // `owner` is the window the boxes belong to; the prompter itself lives on the GUI thread.
  explicit GuiPrompter(QWidget* owner);

  void Message(const std::string& text, Icon icon = Icon::kNone) override;
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override;

  // From now on nothing is shown: questions get the answer that does not go on. Used while the
  // window closes, when nobody is left to answer.
  void Detach() { detached_ = true; }

 private:
  Answer Show(const std::string& text, Buttons buttons, Icon icon);

  QPointer<QWidget> owner_;
  std::atomic<bool> detached_{false};
};

}  // namespace pyra

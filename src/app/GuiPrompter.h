#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "link/Prompter.h"

namespace pyra {

// Shows the operations' messages and questions as modal message boxes on the GUI thread. Called
// from the link thread, it hands the box to the GUI thread and blocks until it is answered.
class GuiPrompter final : public QObject, public Prompter {
  Q_OBJECT

 public:
  // `owner` is the window the boxes belong to; the prompter itself lives on the GUI thread.
  explicit GuiPrompter(QWidget* owner);
  // A question still waiting gets the answer that does not go on.
  ~GuiPrompter() override;

  void Message(const std::string& text, Icon icon = Icon::kNone) override;
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override;

  // From now on nothing is shown: questions get the answer that does not go on. Used while the
  // window closes, when nobody is left to answer.
  void Detach();

 private slots:
  // GUI thread: shows the box another thread waits for.
  void ShowRequested();

 private:
  // A question from another thread. It travels under the mutex and the asking thread waits on
  // the condition: Qt's blocking queued call would do the same, but with locks that
  // ThreadSanitizer cannot see.
  struct Request {
    std::string text;
    Buttons buttons = Buttons::kOk;
    Icon icon = Icon::kNone;
    std::optional<Answer> answer;
  };

  Answer Show(const std::string& text, Buttons buttons, Icon icon);
  void Answered(Answer answer);

  QPointer<QWidget> owner_;
  std::atomic<bool> detached_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Request> request_;  // at most one: only the link thread asks from elsewhere
};

}  // namespace pyra

#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/Prompter.h"

namespace pyra::test {

// Records every message and question; answers questions from a script (then a default).
// Thread-safe: the window's operations ask from the link thread.
class ScriptedPrompter final : public Prompter {
 public:
  struct Shown {
    std::string text;
    Icon icon;
    bool question;
    Buttons buttons;
  };

  void Message(const std::string& text, Icon icon = Icon::kNone) override;
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override;

  void QueueAnswer(Answer a) {
    std::lock_guard lock(mutex_);
    answers_.push_back(a);
  }
  void SetDefaultAnswer(Answer a) {
    std::lock_guard lock(mutex_);
    default_answer_ = a;
  }
  std::vector<Shown> All() const {
    std::lock_guard lock(mutex_);
    return shown_;
  }
  std::vector<std::string> Texts() const;  // messages and questions, in order
  std::string Last() const;
  void Clear() {
    std::lock_guard lock(mutex_);
    shown_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Shown> shown_;
  std::deque<Answer> answers_;
  Answer default_answer_ = Answer::kOk;
};

}  // namespace pyra::test

#include "support/ScriptedPrompter.h"

namespace pyra::test {

void ScriptedPrompter::Message(const std::string& text, Icon icon) {
  std::lock_guard lock(mutex_);
  shown_.push_back({text, icon, false, Buttons::kOk});
}

Answer ScriptedPrompter::Ask(const std::string& text, Buttons buttons, Icon icon) {
  std::lock_guard lock(mutex_);
  shown_.push_back({text, icon, true, buttons});
  if (answers_.empty()) return default_answer_;
  Answer a = answers_.front();
  answers_.pop_front();
  return a;
}

void ScriptedPrompter::QueueAnswer(Answer a) {
  std::lock_guard lock(mutex_);
  answers_.push_back(a);
}

void ScriptedPrompter::SetDefaultAnswer(Answer a) {
  std::lock_guard lock(mutex_);
  default_answer_ = a;
}

std::vector<ScriptedPrompter::Shown> ScriptedPrompter::All() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

std::vector<std::string> ScriptedPrompter::Texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  for (const auto& s : shown_) texts.push_back(s.text);
  return texts;
}

std::string ScriptedPrompter::Last() const {
  std::lock_guard lock(mutex_);
  return shown_.empty() ? std::string() : shown_.back().text;
}

void ScriptedPrompter::Clear() {
  std::lock_guard lock(mutex_);
  shown_.clear();
}

}  // namespace pyra::test

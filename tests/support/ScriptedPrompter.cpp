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

std::vector<std::string> ScriptedPrompter::Texts() const {
  std::vector<std::string> texts;
  for (const auto& s : All()) texts.push_back(s.text);
  return texts;
}

std::string ScriptedPrompter::Last() const {
  const auto texts = Texts();
  return texts.empty() ? std::string() : texts.back();
}

}  // namespace pyra::test

#pragma once

#include <string>

namespace pyra {

enum class Icon { kNone, kWarning, kExclamation, kInformation, kError };
enum class Buttons { kOk, kOkCancel, kYesNo };
enum class Answer { kOk, kCancel, kYes, kNo };

// Messages and questions of the operations. The window shows them as message boxes on its own
// thread; pyractl prints them; tests script the answers and read the texts.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message with an OK button only. Lines are separated by "\r\n" as the texts are specified.
  virtual void Message(const std::string& text, Icon icon = Icon::kNone) = 0;
  virtual Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) = 0;
};

}  // namespace pyra

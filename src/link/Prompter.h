#pragma once

#include <string>

namespace pyra {

enum class Icon { kNone, kWarning, kExclamation, kInformation, kError };
// kEraseOrKeep names the buttons of the erase question for their effect: "Do not erase" answers
// kOk and "Erase" kCancel, as OK and Cancel answered "Do you want to cancel this operation?".
// kSaveDiscardCancel asks about unsaved changes: "Save" answers kYes, "Discard" kNo, "Cancel"
// kCancel.
enum class Buttons { kOk, kOkCancel, kYesNo, kEraseOrKeep, kSaveDiscardCancel };
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

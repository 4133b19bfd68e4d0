#pragma once

#include <QString>
#include <mutex>
#include <string>

#include "link/Prompter.h"

namespace pyra {

// The status bar's line about the last whole-module operation: "Read All finished in 7.4 s",
// "Verify All: Verification Stopped", "Write All stopped at pin 9: no response". `reached` is the
// last step the link reported ("Writing pin 9 of 32, aspect 2"), `last_message` the last message
// the operation showed (why it stopped).
QString OperationStatusText(const QString& name, bool ok, const QString& reached,
                            const std::string& last_message, double seconds);

// Passes every message and question on and keeps the text of the last message, so the status bar
// can say why an operation stopped. Safe from the link thread.
class NotingPrompter final : public Prompter {
 public:
  explicit NotingPrompter(Prompter& inner) : inner_(inner) {}

  void Message(const std::string& text, Icon icon = Icon::kNone) override;
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override;

  std::string LastMessage() const;
  void Forget();

 private:
  Prompter& inner_;
  mutable std::mutex mutex_;
  std::string last_;
};

}  // namespace pyra

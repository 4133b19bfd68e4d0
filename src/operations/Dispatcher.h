#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "model/Configuration.h"

namespace pyra {

// Names of the queued module operations; anything else queued does nothing.
inline constexpr std::string_view kCommandNames[] = {
    "ReadAll",       "WriteAll",    "VerifyAll", "ReadAllPins", "WriteAllPins",
    "VerifyAllPins", "ReadPin",     "WritePin",  "PAspReadPin", "PAspWritePin",
    "ReadDevice",    "WriteDevice", "ECReadAll", "ECWriteAll",  "ECVerify"};

bool IsCommandName(std::string_view name);

// What a queueing button checks before it queues: "" when the command may be queued, else the
// message to show (the verifications need an open port; a device write needs a device head).
std::string QueueRefusal(std::string_view name, bool port_open, const Configuration& c);

// The one pending command. A press within one timer period replaces the earlier one.
class CommandQueue {
 public:
  void Queue(std::string name) { pending_ = std::move(name); }
  // Takes the pending command and leaves the queue empty.
  std::string Take() { return std::exchange(pending_, std::string()); }
  const std::string& PendingCommand() const { return pending_; }

 private:
  std::string pending_;
};

}  // namespace pyra

#pragma once

#include "link/Link.h"
#include "link/VerificationLog.h"

namespace pyra {

inline constexpr char kCancelledText[] = "Cancelled by the user";

// Checked between exchanges: a cancel ends the sequence like a failed step and says so once,
// in the verification log when one is being written, else as a message.
inline bool StopForCancel(Link& link, VerificationLog* log = nullptr) {
  if (!link.CancelRequested()) return false;
  link.ClearCancel();
  if (log) {
    log->Append(kCancelledText);
  } else {
    link.GetPrompter().Message(kCancelledText);
  }
  return true;
}

}  // namespace pyra

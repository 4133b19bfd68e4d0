#pragma once

#include "link/Link.h"
#include "model/Configuration.h"
#include "operations/VerificationLog.h"

namespace pyra {

// The whole-module sequences. Each step runs only when every earlier one succeeded; what was
// read before a failure stays in the configuration. Refreshing the views afterwards is the
// caller's business.
bool ReadAll(Link& link, Configuration& c);
bool WriteAll(Link& link, const Configuration& c);
// Clears the log, verifies and appends "Verify OK" or "Verification Stopped" (no line break).
bool VerifyAll(Link& link, const Configuration& c, VerificationLog& log);
// Clears the log, verifies the event control and adds the line "Verify OK" on success.
bool ECVerify(Link& link, const Configuration& c, VerificationLog& log);

}  // namespace pyra

#pragma once

#include "link/Link.h"
#include "link/VerificationLog.h"
#include "model/Configuration.h"

namespace pyra {

// The whole-module sequences. Each step runs only when every earlier one succeeded; what was
// read before a failure stays in the configuration. Refreshing the views afterwards is the
// caller's business.
bool ReadAll(Link& link, Configuration& c);
// Writing may change the configuration as the module will hold it (the ID cut to 12
// characters, a servo's "initialised" bit cleared).
bool WriteAll(Link& link, Configuration& c);
// Writes a copy, for callers that keep their configuration as it is.
bool WriteAll(Link& link, const Configuration& c);
// Clears the log, verifies and appends "Verify OK" or "Verification Stopped" (no line break).
bool VerifyAll(Link& link, const Configuration& c, VerificationLog& log);
// Takes from the module what the configuration does not know (a file of the older tool carries
// neither): the enforced eXtended Address flag and the event-control enable map, so that writing
// or verifying keeps the module's own values rather than start-up defaults. The window does not
// call this: it writes what its boxes show. False when a needed reply was missing or rejected.
bool LearnUnknownSettings(Link& link, ModuleSettings& s);
// Clears the log, verifies the event control and adds the line "Verify OK" on success.
bool ECVerify(Link& link, const Configuration& c, VerificationLog& log);

}  // namespace pyra

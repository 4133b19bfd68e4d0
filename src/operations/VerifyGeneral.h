#pragma once

#include "link/Link.h"
#include "link/VerificationLog.h"
#include "model/ModuleSettings.h"

namespace pyra {

// Reads every general setting back and compares it with what the write operations would send,
// one log line per finding. Sends no write and changes no setting.
bool VerifyGeneralSettings(Link& link, const ModuleSettings& s, VerificationLog& log);

}  // namespace pyra

#pragma once

#include "link/Link.h"
#include "model/ModuleSettings.h"

namespace pyra {

// Reads the ID string into settings.IDString; false (settings unchanged) on any failure.
bool ReadIDString(Link& link, ModuleSettings& settings);
// Sends settings.IDString, first cut to 12 characters (the cut text is kept). Text outside
// 7-bit ASCII cannot travel in a frame and is refused with a message; nothing is sent then.
bool WriteIDString(Link& link, ModuleSettings& settings);
// Reads the firmware version; settings.FirmwareVersion becomes "Unknown" on every failure.
bool GetVersion(Link& link, ModuleSettings& settings);
// Asks the two erase warnings and, when the user goes on, sends the guarded erase command with
// bidirectional mode off. Returns true when the command was sent.
bool EraseFlash(Link& link);

}  // namespace pyra

#pragma once

#include "link/Link.h"
#include "model/ModuleSettings.h"

namespace pyra {

// One general setting's write message alone: sub-codes 1 to 8, 11 to 13 (10, the ID, is
// WriteIDString's; the module addressing is sent as Write Settings sends it).
bool WriteSettingSubCode(Link& link, const ModuleSettings& s, int sub_code);

// Module addressing: sub-codes 8, 2, 3. The read is false as soon as an exchange brought no
// valid reply; a rejected reply shows its message and the read goes on.
bool ReadAddressSettings(Link& link, ModuleSettings& s);
bool WriteAddressSettings(Link& link, const ModuleSettings& s);
// Only whether the module enforces its eXtended Address (sub-code 2); `ModuleXAddress` stays.
// False when the reply was missing or rejected (a rejection shows its message).
bool ReadEnforcedFlag(Link& link, ModuleSettings& s);

// DCC: options (5), address (4), eXtended DCC address (12).
bool ReadDCCSettings(Link& link, ModuleSettings& s);
bool WriteDCCSettings(Link& link, const ModuleSettings& s);

// Hardware drivers (1).
bool HWCRead(Link& link, ModuleSettings& s);
bool WriteHWConfig(Link& link, const ModuleSettings& s);

// LED functions: green (6), orange (7).
bool ReadLEDConfig(Link& link, ModuleSettings& s);
bool WriteLEDConfig(Link& link, const ModuleSettings& s);

// The module's own serial port (13).
bool ReadSerialPortConfig(Link& link, ModuleSettings& s);
bool WriteSerialPortConfig(Link& link, const ModuleSettings& s);

}  // namespace pyra

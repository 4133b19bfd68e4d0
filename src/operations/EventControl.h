#pragma once

#include <array>

#include "link/Link.h"
#include "link/VerificationLog.h"
#include "model/Configuration.h"

namespace pyra {

// Slot byte on the wire: 16 * slot + event, or 16 * slot + 15 for no event.
int EncodeSlot(int slot, int value);
// A received slot byte counts only when its bits 4..5 name the slot it arrived in.
int DecodeSlot(int slot, int byte);
// Enable-map masks as written: bit i set when slot i is disabled.
std::array<int, 2> EnableMasks(const ModuleSettings& s);
// Clamps a typed slot value to -1 .. 11.
int ClampEventValue(int typed);

bool ReadEnableMap(Link& link, ModuleSettings& s);
bool WriteEnableMap(Link& link, const ModuleSettings& s);
bool ReadAllEvents(Link& link, Configuration& c);
bool WriteAllEvents(Link& link, const Configuration& c);
// The shown pin only ("Read" / "Write" of the event control tab).
void ReadPinEvents(Link& link, Configuration& c, int pin);
void WritePinEvents(Link& link, const Configuration& c, int pin);
// One direction of one pin (Event-Off when `off`), the smallest event-control message. The read
// fails silently without a reply and with "Function not supported by Device" on a wrong one.
bool ReadPinEventSlots(Link& link, Configuration& c, int pin, bool off);
bool WritePinEventSlots(Link& link, const Configuration& c, int pin, bool off);
// "Copy to All": the shown slots become every pin's event control. Nothing is sent.
void CopyEventsToAll(Configuration& c, const EventControlRecord& shown);
// Compares the module's event control with the configuration, logging each difference.
bool VerifyEvents(Link& link, const Configuration& c, VerificationLog& log);

}  // namespace pyra

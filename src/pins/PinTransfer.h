#pragma once

#include <array>

#include "link/Link.h"
#include "link/VerificationLog.h"
#include "model/Configuration.h"

namespace pyra {

// Pin-level commands (first payload byte); each write command is its read command minus 16.
inline constexpr int kCmdReadAspectMode = 114;
inline constexpr int kCmdWriteAspectMode = 98;
inline constexpr int kCmdReadStep = 115;
inline constexpr int kCmdWriteStep = 99;
inline constexpr int kCmdReadInitialAspect = 116;
inline constexpr int kCmdWriteInitialAspect = 100;
inline constexpr int kCmdReadAddressConfig = 118;
inline constexpr int kCmdWriteAddressConfig = 102;

// ---- Encodings ----

// The initial-aspect byte written with 100: high nibble 7, low nibble the aspect or 15 for none.
int InitialAspectByte(int initial_aspect);
// InitialAspect from a received byte, or -1 when its high nibble is not 7.
int DecodeInitialAspect(int byte);
// The three address-configuration bytes in the order they are written: DCC, serial, device.
std::array<int, 3> AddressConfigBytes(const PinRecord& pin);

// ---- Single exchanges, for writing and checking single items ----
// The reads fail silently without a reply and show the messages of ReadPinAspects on a wrong
// one; a read of a step the pin's mode does not use fails.
bool ReadAspectMode(Link& link, Configuration& c, int pin);
bool ReadStep(Link& link, Configuration& c, int pin, int aspect, int step);
bool ReadInitialAspect(Link& link, Configuration& c, int pin);
bool ReadAddressConfig(Link& link, Configuration& c, int pin);
bool WriteAspectMode(Link& link, const Configuration& c, int pin);
bool WriteStep(Link& link, const Configuration& c, int pin, int aspect, int step);
bool WriteInitialAspect(Link& link, const Configuration& c, int pin);
bool WriteAddressConfig(Link& link, const Configuration& c, int pin);

// ---- One pin (every operation sets bidirectional mode for its reads) ----

// Aspect mode, every step, initial aspect and address configuration. Fails silently when the
// module does not answer, with a message when it answers something else.
bool ReadPinAspects(Link& link, Configuration& c, int pin);
// Aspect mode, initial aspect, address configuration, then every aspect.
bool WritePinAspects(Link& link, const Configuration& c, int pin);
// All steps of one aspect; fails when the pin has no aspects.
bool WriteAspect(Link& link, const Configuration& c, int pin, int aspect);
// The aspects, then the stored configuration block. A failing block read shows its message
// but does not fail the pin.
bool ReadWholePin(Link& link, Configuration& c, int pin);
// The aspects, then the stored configuration block (which loses "Servo Initialised").
bool WriteWholePin(Link& link, Configuration& c, int pin);

// ---- The queued pin and device operations ----

bool ReadAllPins(Link& link, Configuration& c);   // pins 0..31, stops at the first failure
bool WriteAllPins(Link& link, Configuration& c);  // pins 0..31, stops at the first failure
bool ReadPin(Link& link, Configuration& c);       // CurrentPin
bool WritePin(Link& link, Configuration& c);      // CurrentPin
// Every pin whose device pointer in the module names the head of CurrentPin's device.
bool ReadDevice(Link& link, Configuration& c);
// Every pin whose head (pin + DeviceLink) is that of CurrentPin, ascending, lower pins included.
bool WriteDevice(Link& link, Configuration& c);

// Compares all 32 pins with the module, one log line per finding. True when the module holds
// exactly the configuration; a missing or malformed reply ends the comparison at once.
bool VerifyPins(Link& link, const Configuration& c, VerificationLog& log);
// The queued "VerifyAllPins": clears the log, verifies, and appends "Verify OK" (no line
// break) when the pins compare.
bool VerifyAllPins(Link& link, const Configuration& c, VerificationLog& log);

}  // namespace pyra

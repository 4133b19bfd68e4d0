#pragma once

#include <optional>
#include <string>

#include "model/Configuration.h"

namespace pyra {

// What each field of a configuration can hold: the values its frame carries and a module keeps,
// not what an editor lets a user type. Loading refuses a value outside its limit, and Write All
// checks the same limits before its first frame, so that a module is never left half-written.
struct FieldLimit {
  const char* name;  // as the messages name the field
  int min;
  int max;

  bool Allows(long value) const { return value >= min && value <= max; }
  // "<name> <value> is out of range <min>..<max>"
  std::string Refusal(long value) const;
};

namespace limits {

// Module-wide settings. The DCC addresses travel as (address mod 64, address div 64), but the
// accessory address spaces end at 510 and 2046 and a read pulls a module's value there.
inline constexpr FieldLimit kDccAddress{"DCC address", 0, 510};
inline constexpr FieldLimit kXDccAddress{"extended DCC address", 0, 2046};
inline constexpr FieldLimit kDccFlags{"DCC flags", 0, 15};  // retention 0..3, invert, allow 0
// The value byte of the serial address setting; with flexible addressing the block's start / 4.
inline constexpr FieldLimit kLumoStartAddress{"Lumo start address", 0, 127};
// 127 is no address: it is how a module marks "Enforced eXtended Address" (kEnforcedXAddress).
inline constexpr FieldLimit kModuleXAddress{"eXtended Address", 0, 126};
inline constexpr FieldLimit kGroupMask{"group mask", 0, 15};                // bits 4..6 unused
inline constexpr FieldLimit kHardwareGroup{"hardware driver group", 0, 3};  // sink + 2 x source
inline constexpr FieldLimit kGreenLedMask{"green LED mask", 0, 127};
inline constexpr FieldLimit kOrangeLedMask{"orange LED mask", 0, 127};
inline constexpr FieldLimit kSerialBaudIndex{"serial port rate", 0, 7};  // bits 0..2 of its byte
inline constexpr FieldLimit kEnforcedFlag{"enforced flag", 0, 1};
// Bit i set = slot i disabled; the module keeps four slots per direction.
inline constexpr FieldLimit kEnableMask{"enable map mask", 0, 15};

// Event control: a slot byte is 16 x slot + event, with 15 for "no event", so an event number
// of 15 or more would name another slot or none. Files write the number plus one.
inline constexpr FieldLimit kEvent{"event", -1, 14};
inline constexpr int kEventFileOffset = 1;

// Pins. Every byte of a pin frame carries 7 bits.
inline constexpr FieldLimit kAspectMode{"aspect mode", 0, 127};
// A nibble: 15 means none, so aspects 0..14, kept as 0 (none) or aspect + 1.
inline constexpr FieldLimit kInitialAspect{"initial aspect", 0, 15};
// The device pointer names the head pin; the model keeps head - pin.
inline constexpr FieldLimit kDeviceHead{"device head pin", 0, kPinCount - 1};
inline constexpr FieldLimit kConfigByte{"configuration byte", 0, 127};
// The DCC address-configuration byte: bits 0..2 the DCC count, bit 3 the extended count; the
// serial one: bits 0..2.
inline constexpr FieldLimit kDccCount{"DCC count", 0, 7};
inline constexpr FieldLimit kXDccCount{"extended DCC count", 0, 1};
inline constexpr FieldLimit kLumoCount{"serial address count", 0, 7};

// Steps: the opcode byte is Opcode + 16 x Fade. Byte-sending instructions (4, 5, 20) fold bit 7
// of Par1 and Par2 into data 1 and have no room for Par 0.
inline constexpr FieldLimit kInstructionCode{"instruction code", 0, 127};
inline constexpr FieldLimit kStepByte{"", 0, 127};
inline constexpr FieldLimit kWideStepByte{"", 0, 255};
inline constexpr FieldLimit kUncarriedStepByte{"", 0, 0};

}  // namespace limits

// Which steps carry 8-bit Par1 and Par2 (and no Par 0).
bool IsByteSendingCode(int opcode);
// The limit of step byte `index` (0 Par 0, 1 Par 1, 2 Par 2, 3 Base) under `opcode`, named.
FieldLimit StepByteLimit(int opcode, int index);

// Values the read rules change, so that they cannot come back from a module as they were
// written; they are accepted, not refused:
// - a servo's P2 loses bit 6 ("Servo Initialised"), and a P2 of 16 or more with bit 3 clear is
//   an old range kept in the high nibble;
// - the "Lumo flex flag" is on for 1 only, the serial enable for 1 only, data bits 8 or 7, stop
//   bits 2 or 1; parity 2 and 3 are kept, any other (a module's 1 among them) saves as none;
// - an aspect mode other than 2 and 3 has no aspects, so its steps are neither sent nor saved;
// - a configuration type other than 1..5 loads and writes as none;
// - a DCC address of 0 without "Allow Address 0" reads back as 1, and one above 510 (extended:
//   2046) as that end of the accessory address space;
// - an ID of more than 12 characters reaches the module cut to 12.

// The first value of `c` that Write All could not send as it stands, as "<where>: <refusal>"
// (pins counted from the configuration's NumberBase, aspects and steps from 0); nothing when
// every value can be written.
std::optional<std::string> UnwritableValue(const Configuration& c);

}  // namespace pyra

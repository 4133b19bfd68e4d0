#pragma once

#include <array>

#include "model/ModuleSettings.h"

namespace pyra {

// The bytes the module keeps for each general setting, computed from the settings exactly as the
// write operations send them and the verification compares them.

int DccOptionsByte(const ModuleSettings& s);  // retention code + 4 * invert + 8 * allow 0
int RetentionCode(const ModuleSettings& s);   // 2 ("250ms") when no option is selected
std::array<int, 4> HardwareGroupBytes(const ModuleSettings& s);  // sink + 2 * source
int LedFunctionByte(const std::array<int, 8>& boxes);            // boxes 0..6 as bits
int SerialPortByte(const ModuleSettings& s);                     // S of the serial port setting
std::array<int, 4> GroupMaskBytes(const ModuleSettings& s);
// Serial address settings: flag byte and value byte as written.
std::array<int, 2> SerialAddressBytes(const ModuleSettings& s);

// What the module stores as its eXtended Address while "Enforced eXtended Address" is on.
inline constexpr int kEnforcedXAddress = 127;

// The module addressing exactly as Write Settings sends it. With "Enforced eXtended Address" the
// boxes do not count: the module gets serial address 0, 0, an empty group mask and 127.
struct AddressingBytes {
  std::array<int, 2> serial;  // sub-code 8: F, V
  std::array<int, 4> mask;    // sub-code 3: M0..M3
  int x_address;              // sub-code 2
};
AddressingBytes AddressingAsWritten(const ModuleSettings& s);

// Decoders that fill the settings from a module's bytes.
void ApplyDccOptionsByte(ModuleSettings& s, int o);
void ApplyLedFunctionByte(std::array<int, 8>& boxes, int b);
void ApplySerialPortBytes(ModuleSettings& s, int enable, int b);
void ApplyGroupMaskBytes(ModuleSettings& s, const std::array<int, 4>& masks);

// The LED box rule after box `index` was clicked to `value` (0 or 1): box 7 is grey (2) exactly
// when no function is chosen, and choosing it clears the functions.
void ClickLedBox(std::array<int, 8>& boxes, int index, int value);

// Address boxes: typed values are never refused, they are pulled to the nearest limit.
int ClampDccAddress(int typed, bool allow0);   // (0 or 1) .. 510
int ClampXDccAddress(int typed, bool allow0);  // (0 or 1) .. 2046
// "Start" box of Lumo flexible addressing: returns LumoModeAddress for a typed start address.
int LumoModeAddressFromText(int typed, int number_base);
int ClampModuleXAddress(int typed, int number_base);  // shown value NumberBase .. NumberBase+95

inline constexpr const char* kBaudRates[] = {"9600",  "14400", "19200", "28800",
                                             "38400", "57600", "76800", "115200"};

}  // namespace pyra

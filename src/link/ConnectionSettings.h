#pragma once

#include <string>

namespace pyra {

// Result of correcting a typed address: what the box shows and the 0-based value stored.
struct AddressEntry {
  int shown = 0;
  int stored = 0;
};

// "Module Address" box: NumberBase .. NumberBase + 15 (+ 16 more while tunnelling).
int MaxModuleAddressShown(int number_base, bool velora);
AddressEntry ClampModuleAddress(int typed, int number_base, bool velora);
// "eXtended address" box: NumberBase .. NumberBase + 95.
AddressEntry ClampExtendedAddress(int typed, int number_base);

inline constexpr int kBitRates[] = {9600, 19200, 38400};
inline constexpr int kDefaultBitRate = 19200;
// Port settings: odd parity, 8 data bits, 1 stop bit ("19200,o,8,1").
std::string SettingsString(int bit_rate);

// The entry of the port list that connects the built-in simulated module.
inline constexpr char kSimulatorPortName[] = "Simulator";

}  // namespace pyra

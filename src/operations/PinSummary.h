#pragma once

#include <array>
#include <string>

#include "model/Configuration.h"

namespace pyra {

// The link addresses a pin's serial address follows (the pin address names the module).
struct LinkAddresses {
  int module_address = 0;
  int extended_address = 0;
  bool use_extended_address = false;
};

// One pin in a line, as the pin editor and the address labels show it.
struct PinSummary {
  std::string pin;  // the number the window shows
  std::string description;
  std::string role;     // "lamp", "servo", "PWM", "input", ...
  std::string device;   // "" when the pin belongs to no device
  std::string aspects;  // the aspect layout
  std::string dcc;      // first DCC output, "-" for none
  std::string xdcc;     // first extended DCC address
  std::string serial;   // first serial address
  std::string initial_aspect;
};

// What a pin drives, in a word: its configuration type.
std::string RoleName(const PinRecord& pin);
// "device \"Signal\" (head)", "member of the device at Pin 3 \"Signal\"" or "".
std::string DeviceText(const Configuration& c, int pin, int number_base);
// All 32 pins; the address sums and module ranges are computed on a copy, so stale ones in `c`
// do not matter.
std::array<PinSummary, kPinCount> SummarizePins(const Configuration& c, const LinkAddresses& link);

}  // namespace pyra

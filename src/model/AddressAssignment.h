#pragma once

#include <string>

#include "model/Configuration.h"

namespace pyra {

void ComputeDccStarts(Configuration& c);
void ComputeXDccStarts(Configuration& c);
void ComputeLumoStarts(Configuration& c);

// A caption with its colour: red when the range overflows the address space.
struct RangeCaption {
  std::string text;
  bool overflow = false;
};

// Module DCC output range; sets c.DccBase. Uses the settings' DCC address and "Allow Address 0".
RangeCaption ShowModuleDccRange(Configuration& c);
// Module extended-DCC range; sets c.XDccBase.
RangeCaption ShowModuleXDccRange(Configuration& c);

// Labels of the current pin (DccBase and XDccBase as last computed).
std::string ShowPinDccAddress(const Configuration& c);
std::string ShowPinXDccAddress(const Configuration& c);
struct LumoLabels {
  std::string serial_address;  // lblSerialAddress
  std::string pin_address;     // lblPinAddress
};
// Needs the link's module address and eXtended Address and whether the link uses it.
LumoLabels ShowPinLumoAddress(const Configuration& c, int module_address, int extended_address,
                              bool use_xaddress);

// Caption of the pin-group heading of the hardware configuration.
std::string HardwareGroupsCaption(int number_base);

// Count editors: the clamped value for a typed text (0 .. limit).
inline constexpr int kMaxDccCount = 6;
inline constexpr int kMaxXDccCount = 1;
inline constexpr int kMaxLumoCount = 6;

}  // namespace pyra

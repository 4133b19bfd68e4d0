#include "link/ConnectionSettings.h"

#include <algorithm>

namespace pyra {

int MaxModuleAddressShown(int number_base, bool velora) {
  return number_base + 15 + (velora ? 16 : 0);
}

AddressEntry ClampModuleAddress(int typed, int number_base, bool velora) {
  int shown = std::clamp(typed, number_base, MaxModuleAddressShown(number_base, velora));
  return {shown, shown - number_base};
}

AddressEntry ClampExtendedAddress(int typed, int number_base) {
  int shown = std::clamp(typed, number_base, number_base + 95);
  return {shown, shown - number_base};
}

std::string SettingsString(int bit_rate) { return std::to_string(bit_rate) + ",o,8,1"; }

}  // namespace pyra

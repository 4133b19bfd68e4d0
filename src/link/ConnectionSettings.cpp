#include "link/ConnectionSettings.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace pyra {

int NumericValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
  }
  return static_cast<int>(negative ? -value : value);
}

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

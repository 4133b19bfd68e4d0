#include "model/TypedNumber.h"

namespace pyra {

int TypedNumber(std::string_view text) {
  constexpr long long kSaturation = 1'000'000'000;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kSaturation) value = kSaturation;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace pyra

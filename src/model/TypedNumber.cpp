#include "model/TypedNumber.h"

#include <charconv>

namespace pyra {

TypedStart ReadTypedStart(std::string_view text) {
  TypedStart start;
  std::size_t& i = start.digits;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) start.negative = text[i++] == '-';
  return start;
}

int TypedNumber(std::string_view text) {
  constexpr long long kSaturation = 1'000'000'000;
  auto [i, negative] = ReadTypedStart(text);
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kSaturation) value = kSaturation;
  }
  return static_cast<int>(negative ? -value : value);
}

std::optional<int> ExactNumber(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace pyra

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pyra {

// The number a user typed into a box. Boxes never refuse input: leading blanks and a sign are
// read, reading stops at the first character that is not a digit, and text without a leading
// number reads 0 ("12abc" is 12, "abc" is 0, "-3.7" is -3). Very long digit strings saturate
// rather than overflow, so the clamping of the box still yields its nearest limit.
int TypedNumber(std::string_view text);

// The start every typed number shares: where its digits begin, after leading blanks and a sign.
struct TypedStart {
  std::size_t digits = 0;
  bool negative = false;
};
TypedStart ReadTypedStart(std::string_view text);

// A number given on a command line: the whole text is an integer, or there is none.
std::optional<int> ExactNumber(std::string_view text);

inline std::string NumberText(int value) { return std::to_string(value); }

}  // namespace pyra

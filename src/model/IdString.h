#pragma once

#include <string>
#include <string_view>

namespace pyra {

// The module keeps at most this many characters of its ID string.
inline constexpr std::size_t kModuleIDLength = 12;

// The part of an ID that reaches the module: its first twelve characters. Writing and verifying
// both use it, so that a longer text in a file writes and verifies alike.
inline std::string_view ModuleIDString(std::string_view id) {
  return id.substr(0, kModuleIDLength);
}

// Why an ID cannot be kept in a configuration file, or "" when it can: a field of the file is
// quoted without escapes and ends with its line, so a double quote, CR or LF cannot be carried.
inline std::string IDStringRefusal(std::string_view id) {
  for (char c : id) {
    if (c == '"') return "The ID String cannot hold a double quote (\").";
    if (c == '\r' || c == '\n') return "The ID String cannot hold a line break.";
  }
  return {};
}

}  // namespace pyra

#pragma once

#include <string>
#include <vector>

namespace pyra::test {

// The parts of `text` between the separators (an empty part where two meet).
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(separator, at)) != std::string::npos;
       at = next + separator.size()) {
    parts.push_back(text.substr(at, next - at));
  }
  parts.push_back(text.substr(at));
  return parts;
}

}  // namespace pyra::test

#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace pyra::test {

// One frame as it went onto the line: a direct frame's payload, or the three data bytes of an
// older-format frame. Tests skip the link reset (no sync burst) before reading frames.
struct WireFrame {
  bool older_format = false;
  int address_byte = 0;  // without the alternation bit
  std::vector<int> bytes;
  bool operator==(const WireFrame&) const = default;
};

inline void PrintTo(const WireFrame& f, std::ostream* os) {
  *os << (f.older_format ? "older " : "pyra ") << f.address_byte << ":";
  for (int b : f.bytes) *os << " " << b;
}

inline WireFrame Pyra(int module_address, std::vector<int> payload) {
  return {false, module_address * 4 + 3, std::move(payload)};
}
inline WireFrame Older(int address_byte, int b1, int b2, int b3) {
  return {true, address_byte, {b1, b2, b3}};
}

// A frame starts at every byte below 128. A direct frame's header has bits 7 and 6 set; the
// older format's first data byte never does in these tests (its commands are below 64).
inline std::vector<WireFrame> WireFrames(const std::vector<uint8_t>& w) {
  std::vector<WireFrame> frames;
  for (std::size_t i = 0; i < w.size();) {
    if (w[i] >= 128) {
      ++i;
      continue;
    }
    WireFrame f;
    f.address_byte = w[i] & 63;
    if (i + 1 < w.size() && w[i + 1] >= 192) {
      const int size = w[i + 1] & 15;
      const std::size_t first = i + 2 + ((w[i + 1] & 16) ? 1 : 0);
      for (std::size_t k = first; k < first + size && k < w.size(); ++k)
        f.bytes.push_back(w[k] & 127);
      i = first + size + 1;
    } else {
      f.older_format = true;
      for (std::size_t k = i + 1; k < i + 4 && k < w.size(); ++k) f.bytes.push_back(w[k] & 127);
      i += 5;
    }
    frames.push_back(std::move(f));
  }
  return frames;
}

}  // namespace pyra::test

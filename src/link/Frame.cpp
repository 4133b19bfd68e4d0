#include "link/Frame.h"

#include <cstdio>

namespace pyra {

uint8_t ChecksumFor(std::span<const uint8_t> bytes) {
  int sum = 0;
  for (uint8_t b : bytes) {
    sum += b;
    // Kept within 1..256 exactly as the module's firmware does it.
    while (sum > 256) sum -= 256;
  }
  int c = 256 - sum;
  if (c < 128) c += 128;
  return static_cast<uint8_t>(c);
}

bool ChecksumOk(std::span<const uint8_t> frame_with_checksum) {
  unsigned sum = 0;
  for (uint8_t b : frame_with_checksum) sum += b & 127u;
  return sum % 128 == 0;
}

std::string FormatHexByte(uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, " [%02X]", static_cast<unsigned>(value & 0xFF));
  return text;
}

std::vector<uint8_t> EncodeFrame(uint8_t address_byte, bool bidirectional,
                                 const int* extended_address, std::span<const int> payload) {
  std::vector<uint8_t> frame;
  frame.push_back(address_byte);
  frame.push_back(static_cast<uint8_t>(128 + 64 + (bidirectional ? 32 : 0) +
                                       (extended_address ? 16 : 0) + payload.size()));
  if (extended_address) frame.push_back(static_cast<uint8_t>(128 + (*extended_address & 127)));
  for (int p : payload) frame.push_back(static_cast<uint8_t>(128 + (p & 127)));
  frame.push_back(ChecksumFor(frame));
  return frame;
}

uint8_t VeloraLeadByte(int n, int toggle) {
  int t = 64 * (toggle & 1);
  if (n < 8) return static_cast<uint8_t>(40 + n + t);
  if (n < 16) return static_cast<uint8_t>(n - 8 + t);
  return static_cast<uint8_t>(n + t);
}

int VeloraLengthFromLead(uint8_t lead) {
  if (lead & 8) return lead & 7;
  return 8 + 8 * ((lead >> 4) & 1) + (lead & 7);
}

std::vector<uint8_t> EncodeVeloraFrame(std::span<const int> payload, int toggle) {
  std::vector<uint8_t> frame;
  frame.push_back(VeloraLeadByte(static_cast<int>(payload.size()), toggle));
  for (int p : payload) frame.push_back(static_cast<uint8_t>(128 + (p & 127)));
  frame.push_back(ChecksumFor(frame));
  return frame;
}

int VeloraVersion(int hi, int lo) {
  return (hi / 8) * 1000 + (hi % 8) * 100 + (lo / 8) * 10 + (lo % 8);
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char text[4];
  for (uint8_t b : bytes) {
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(b));
    if (!out.empty()) out += ' ';
    out += text;
  }
  return out;
}

}  // namespace pyra

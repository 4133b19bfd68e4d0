#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pyra {

// Checksum byte (bit 7 set) that makes the sum of all bytes of a frame, itself included, a
// multiple of 128. `bytes` is the frame from its lead/address byte on, without the checksum.
uint8_t ChecksumFor(std::span<const uint8_t> bytes);

// True when the 7-bit values of the whole frame, checksum included, add up to a multiple of 128.
bool ChecksumOk(std::span<const uint8_t> frame_with_checksum);

// " [0B]": the byte's 7-bit value in two upper-case hex digits, as in the communication log.
std::string FormatHexByte(uint8_t value);

// A complete direct-link frame: address byte, header, optional eXtended Address, payload and
// checksum. Payload values must be 7-bit.
std::vector<uint8_t> EncodeFrame(uint8_t address_byte, bool bidirectional,
                                 const int* extended_address, std::span<const int> payload);

// Lead byte of a Velora frame carrying n payload bytes with the given alternation bit (0 or 1).
uint8_t VeloraLeadByte(int n, int toggle);
// Payload length encoded in a received Velora lead byte.
int VeloraLengthFromLead(uint8_t lead);
// A complete Velora frame: lead, 128 + each payload byte, checksum.
std::vector<uint8_t> EncodeVeloraFrame(std::span<const int> payload, int toggle);

// Version number as the Velora system reports it: (hi \ 8) * 1000 + (hi And 7) * 100 + ...
int VeloraVersion(int hi, int lo);

// Test and log helper: "03 C0 BD".
std::string Hex(std::span<const uint8_t> bytes);

}  // namespace pyra

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/Clock.h"

namespace pyra {

// The only seam between the protocol and a transport: it moves single bytes and reports whether
// the line is usable. Serial port, simulated module and scripted test fake implement it.
class ByteChannel {
 public:
  virtual ~ByteChannel() = default;

  virtual bool IsOpen() const = 0;
  // Writes one byte; the protocol writes every byte on its own.
  virtual void Write(uint8_t byte) = 0;
  // Number of received bytes waiting to be read.
  virtual std::size_t Available() = 0;
  // Returns the next received byte, blocking (without spinning) until one arrives or the
  // deadline passes. Returns nothing at the deadline or when the line has failed.
  virtual std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) = 0;
  // Why the channel closed itself (for example a USB adapter pulled); empty while healthy.
  virtual std::string Failure() const { return {}; }
};

}  // namespace pyra

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/Clock.h"

namespace pyra {

// The only seam between the protocol and a transport: it moves single bytes and reports whether
// the line is usable. Serial port, simulated module and scripted test fake implement it.
class ByteChannel {
 public:
  virtual ~ByteChannel() = default;

  virtual bool IsOpen() const = 0;
  // Writes one byte.
  virtual void Write(uint8_t byte) = 0;
  // Writes a whole frame. The bytes follow each other on the line exactly as if written one by
  // one; a channel with a costly write (a system call per byte) hands them over together.
  virtual void WriteFrame(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) Write(b);
  }
  // Number of received bytes waiting to be read.
  virtual std::size_t Available() = 0;
  // Returns the next received byte, blocking (without spinning) until one arrives or the
  // deadline passes. Returns nothing at the deadline or when the line has failed.
  virtual std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) = 0;
  // The caller is about to read at least `count` bytes that follow each other on the line (the
  // rest of a frame whose length it knows). A channel whose every wake-up is costly may wait for
  // them together; the hint changes when bytes are handed over, never which, and never beyond
  // the deadline of the read. Writing ends it.
  virtual void Expect(std::size_t count) { (void)count; }
  // Why the channel closed itself (for example a USB adapter pulled); empty while healthy.
  virtual std::string Failure() const { return {}; }
};

}  // namespace pyra

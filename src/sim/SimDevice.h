#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/Clock.h"

namespace pyra::sim {

// Bytes a simulated device sends in answer to what it received, after `delay` of its own
// (module latency, or a scripted slow reply). The wire time of each byte is the channel's.
struct Emission {
  std::vector<uint8_t> bytes;
  Clock::Duration delay{};
};

// A device on the simulated serial line: fed the tool's bytes one at a time.
class SimDevice {
 public:
  virtual ~SimDevice() = default;
  virtual std::optional<Emission> Receive(uint8_t byte) = 0;
};

// Scripted faults, each applied to one reply of the module (see SimModule::InjectFault).
enum class Fault {
  kNoReply,        // the request is handled but not answered
  kBadChecksum,    // the reply's checksum byte is off by one
  kWrongAddress,   // the reply's address byte names another module
  kStaleToggle,    // the reply carries the other alternation bit
  kNoiseBefore,    // bytes with bit 7 set come before the reply's address byte
  kWrongXAddress,  // the reply carries an eXtended Address other than the module's
  kSlowReply,      // the reply comes 3 seconds late
  kShortReply,     // the reply's last payload byte is missing (header says one less)
};

}  // namespace pyra::sim

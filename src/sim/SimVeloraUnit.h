#pragma once

#include <optional>
#include <vector>

#include "link/Protocol.h"
#include "sim/SimBus.h"

namespace pyra::sim {

// A simulated Velora interface unit in front of the modules of a bus: it speaks the Velora PC
// protocol (lead byte with length and alternation bit), answers every frame with one frame, tunnels
// controller messages to the module they address and hands its reply out on a following poll.
// After the transparent-mode request it passes all bytes straight through to the bus.
class SimVeloraUnit final : public SimDevice {
 public:
  struct Config {
    int protocol_hi = 26;  // protocol version 3200 = (26, 0)
    int protocol_lo = 0;
    int unit_type = kInterfaceHBA;
    int unit_hi = 8;  // unit version 1023 = (8, 19)
    int unit_lo = 19;
    bool answers = true;  // false: a silent unit (nothing connected)
  };

  SimVeloraUnit(SimBus& bus, Config config);

  std::optional<Emission> Receive(uint8_t byte) override;

  Config& GetConfig() { return config_; }
  // As after power-up: tunnelling again, nothing half received or waiting for a poll.
  void Restart();
  bool Transparent() const { return transparent_; }
  // Observations: the payloads of every frame received from the PC, polls included.
  const std::vector<std::vector<int>>& Frames() const { return frames_; }
  // Makes the next answer carry a bad checksum.
  void CorruptNextAnswer() { corrupt_next_ = true; }

 private:
  std::optional<Emission> Answer(const std::vector<int>& payload);

  SimBus& bus_;
  Config config_;
  bool transparent_ = false;
  std::vector<uint8_t> frame_;
  int remaining_ = -1;
  int toggle_ = 0;
  std::optional<std::vector<int>> pending_reply_;  // module reply waiting for the next poll
  std::vector<std::vector<int>> frames_;
  bool corrupt_next_ = false;
};

}  // namespace pyra::sim

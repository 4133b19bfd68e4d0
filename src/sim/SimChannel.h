#pragma once

#include <deque>
#include <memory>

#include "link/ByteChannel.h"
#include "sim/SimDevice.h"
#include "sim/SimVeloraUnit.h"

namespace pyra::sim {

// Connects the tool to a simulated device in-process. Bytes take their wire time (11 bits per
// byte at the bit rate) plus the device's own delay; reads block on the clock, never spin.
class SimChannel final : public ByteChannel {
 public:
  SimChannel(Clock& clock, SimDevice& device, int bit_rate);

  bool IsOpen() const override { return open_; }
  void Write(uint8_t byte) override;
  std::size_t Available() override;
  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override;
  std::string Failure() const override { return failure_; }

  // Simulates the line going away (an adapter pulled): every later read fails.
  void Unplug() {
    open_ = false;
    failure_ = "the simulated line was disconnected";
  }
  Clock::Duration ByteTime() const { return byte_time_; }

 private:
  struct Timed {
    uint8_t byte;
    Clock::TimePoint ready;
  };
  Clock& clock_;
  SimDevice& device_;
  Clock::Duration byte_time_;
  std::deque<Timed> rx_;
  bool open_ = true;
  std::string failure_;
};

// What the "Simulator" port connects: one module whose memory outlives each connection, with a
// Velora unit that can be put in front of it.
class Simulator {
 public:
  // Input 0 of the module toggles every 500 ms, so that the feedback monitor shows a live input.
  Simulator() : velora_(module_, SimVeloraUnit::Config{}) {
    module_.SetTogglingInput(SimModule::TogglingInput{});
  }
  SimModule& Module() { return module_; }
  SimVeloraUnit& Velora() { return velora_; }
  // true: the line reaches the Velora unit, which tunnels to the module.
  void SetVeloraInFront(bool on) { velora_in_front_ = on; }
  // The module's toggling input follows `clock` from now on.
  std::unique_ptr<SimChannel> Connect(Clock& clock, int bit_rate);

 private:
  SimModule module_;
  SimVeloraUnit velora_;
  bool velora_in_front_ = false;
};

}  // namespace pyra::sim

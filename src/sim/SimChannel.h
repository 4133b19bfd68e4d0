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

// What the "Simulator" port connects: a bus of modules whose memories outlive each connection
// (one module at address 0 to begin with), with a Velora unit that can be put in front of it.
class Simulator {
 public:
  // Input 0 of the first module toggles every 500 ms, so that the feedback monitor shows a live
  // input.
  Simulator() : velora_(bus_, SimVeloraUnit::Config{}) {
    bus_.Add({}).SetTogglingInput(SimModule::TogglingInput{});
  }
  // The first module on the line. The line always keeps one: RemoveModule refuses the last.
  SimModule& Module() { return *bus_.Modules().front(); }
  SimBus& Bus() { return bus_; }
  // Another module on the same line; every module hears every frame, the addressed one answers.
  SimModule& AddModule(int address, int extended_address = 0);
  // Unplugs a module, also in the middle of a transfer; false when none answers there or it is
  // the last one.
  bool RemoveModule(int address, int extended_address = 0);
  SimVeloraUnit& Velora() { return velora_; }
  // true: the line reaches the Velora unit, which tunnels to the modules.
  void SetVeloraInFront(bool on) { velora_in_front_ = on; }
  // What the line reaches: the Velora unit when it is in front, else the bus.
  SimDevice& Line();
  // The modules' toggling inputs follow `clock` from now on.
  std::unique_ptr<SimChannel> Connect(Clock& clock, int bit_rate);

 private:
  SimBus bus_;
  SimVeloraUnit velora_;
  bool velora_in_front_ = false;
};

}  // namespace pyra::sim

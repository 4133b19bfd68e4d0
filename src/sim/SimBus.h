#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sim/SimModule.h"

namespace pyra::sim {

// Several simulated modules on one line, as a layout's bus has them: every module hears every
// byte, and only the one a frame addresses answers. Modules may be added and removed between
// bytes (a module unplugged in the middle of a transfer); like the modules themselves, the bus is
// used from one thread at a time.
class SimBus final : public SimDevice {
 public:
  std::optional<Emission> Receive(uint8_t byte) override;

  // The new module starts with a factory memory and follows the bus's clock.
  SimModule& Add(SimModule::Config config);
  // Takes the module at that address (and eXtended Address) off the line; false when none is.
  bool Remove(int address, int extended_address);
  // The module that answers a frame to `address` with that eXtended Address (or without one).
  SimModule* Find(int address, const std::optional<int>& extended_address);
  std::vector<SimModule*> Modules() const;
  bool Empty() const { return modules_.empty(); }

  void SetClock(Clock* clock);
  // Called after each byte the bus has passed on: a test changes the bus at an exact point of a
  // transfer from here.
  void SetAfterEachByte(std::function<void()> hook) { after_each_byte_ = std::move(hook); }

 private:
  std::vector<std::unique_ptr<SimModule>> modules_;
  Clock* clock_ = nullptr;
  std::function<void()> after_each_byte_;
};

}  // namespace pyra::sim

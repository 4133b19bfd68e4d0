#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Link.h"
#include "model/Configuration.h"
#include "operations/VerificationLog.h"
#include "sim/SimChannel.h"
#include "sim/SimModule.h"
#include "support/ScriptedPrompter.h"

namespace pyra::faults {

// Sits between the line and the module and watches the tool from the module's side: when each
// byte came (on the manual clock) and which request each accepted frame was. `on_request` runs
// the moment the module has accepted a request, before it answers: whatever the tool holds then
// is what it made of every earlier exchange.
class WatchingDevice final : public sim::SimDevice {
 public:
  // `line_end` is what the line reaches: the module itself or a Velora unit in front of it.
  WatchingDevice(Clock& clock, sim::SimDevice& line_end, sim::SimModule& module)
      : clock_(clock), line_end_(line_end), module_(module) {}

  std::optional<sim::Emission> Receive(uint8_t byte) override;

  // 1-based number of the request that was accepted, before the module answers it.
  std::function<void(int request)> on_request;
  // Times the tool's bytes arrived, in order.
  const std::vector<Clock::TimePoint>& ByteTimes() const { return byte_times_; }

 private:
  Clock& clock_;
  sim::SimDevice& line_end_;
  sim::SimModule& module_;
  std::vector<Clock::TimePoint> byte_times_;
};

// One simulated module on a manual clock with the tool's link, as a fresh program run finds it.
struct Rig {
  // With `through_velora` the line reaches the Velora unit and the link tunnels through it.
  explicit Rig(const sim::ModuleMemory& memory, int extended_address = 0,
               bool through_velora = false);

  sim::SimModule& Module() { return simulator.Module(); }
  sim::SimChannel& Channel() { return *static_cast<sim::SimChannel*>(link.Channel()); }
  // Opens a new line to the same module, as picking the port again does.
  void Reconnect();
  // The longest time the tool let pass without writing, counting up to now: a wait for a reply
  // (at most the 2-second time-out) plus what follows it before the next frame.
  Clock::Duration LongestSilence();

  ManualClock clock;
  test::ScriptedPrompter prompter;
  sim::Simulator simulator;
  bool tunnelled;
  WatchingDevice watch;
  Link link{clock, prompter};
};

// 1-based number of the first request whose payload starts with `prefix`; 0 if none.
int FindRequest(const sim::SimModule& module, const std::vector<int>& prefix);

// A module memory that holds the rich test configuration, as Write All leaves it.
const sim::ModuleMemory& RichMemory();
// The eXtended Address the module answers to after that write.
int RichExtendedAddress();

// The whole-module operations under test. Read All and Verify All meet a module holding the rich
// configuration; Write All writes it to a new module.
enum class Op { kReadAll, kWriteAll, kVerifyAll };
const char* OpName(Op op);
const sim::ModuleMemory& StartMemory(Op op);
int StartExtendedAddress(Op op);
// Runs the operation on `model` (Write All and Verify All first set it to the rich configuration).
bool RunOperation(Op op, Rig& rig, Configuration& model, VerificationLog& log);

// Field-by-field comparisons that name the field and pin that differ.
void ExpectSameConfiguration(const Configuration& got, const Configuration& want);
void ExpectSameMemory(const sim::ModuleMemory& got, const sim::ModuleMemory& want);

}  // namespace pyra::faults

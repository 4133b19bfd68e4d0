#include "ChangesBench.h"

#include <chrono>
#include <thread>

#include "cli/PtyServer.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/serial/SerialPort.h"
#include "operations/Batch.h"
#include "operations/Compare.h"
#include "sim/SimChannel.h"

namespace pyra::bench {

namespace {

constexpr int kPin = 5;
constexpr int kAspect = 2;

class Quiet final : public Prompter {
  void Message(const std::string&, Icon) override {}
  Answer Ask(const std::string&, Buttons, Icon) override { return Answer::kNo; }
};

}  // namespace

ChangesResult RunChangesBench(const Configuration& full, int bit_rate) {
  ChangesResult r;
  r.bit_rate = bit_rate;
  sim::Simulator simulator;
  cli::PtyServer server(simulator.Module(), bit_rate);
  std::string error;
  if (!server.Open(error)) {
    r.failure = error;
    return r;
  }
  std::thread serving([&] { server.Run(error); });
  {
    SteadyClock clock;
    Quiet quiet;
    Link link(clock, quiet);
    SerialOpenResult opened = OpenSerialPort(server.SlavePath(), bit_rate);
    if (!opened.channel) {
      r.failure = opened.error;
    } else {
      link.Open(std::move(opened.channel));
      auto start = std::chrono::steady_clock::now();
      const bool written = WriteAll(link, full);
      r.write_all = std::chrono::steady_clock::now() - start;
      Configuration window = full;
      if (!written || !ReadAll(link, window)) {
        r.failure = "Write All or Read All failed";
      } else {
        const ModuleIdentity here = IdentityOf(server.SlavePath(), link.State());
        const ModuleBaseline baseline{here, window};
        auto& steps = window.Pins[kPin].Aspects[kAspect].Steps;
        for (auto& step : steps) step = window.Pins[kPin].Aspects[0].Steps[0];
        start = std::chrono::steady_clock::now();
        const WriteChangesResult changed = WriteChanges(link, window, baseline, here);
        r.write_changes = std::chrono::steady_clock::now() - start;
        r.messages = static_cast<int>(changed.rows.size());
        if (changed.outcome != WriteOutcome::kWritten) r.failure = "Write Changes did not verify";
      }
      link.Close();
    }
  }
  server.Stop();
  serving.join();
  if (r.failure.empty() && !error.empty()) r.failure = error;
  return r;
}

}  // namespace pyra::bench

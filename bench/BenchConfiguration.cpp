#include "BenchConfiguration.h"

#include <array>

#include "link/Clock.h"
#include "link/Link.h"
#include "link/VerificationLog.h"
#include "model/AddressAssignment.h"
#include "operations/Batch.h"
#include "pins/InstructionSet.h"
#include "sim/SimChannel.h"

namespace pyra::bench {

namespace {

// Drops everything: the benchmark looks at the result of the verification instead.
class SilentPrompter final : public Prompter {
 public:
  void Message(const std::string&, Icon) override {}
  Answer Ask(const std::string&, Buttons, Icon) override { return Answer::kNo; }
};

StepRecord Step(int code, int offset, int par1, int par2, int par3, int fade) {
  StepRecord s;
  s.Opcode = static_cast<uint8_t>(code);
  s.Fade = static_cast<uint8_t>(fade);
  s.Offset = static_cast<uint8_t>(offset);
  s.Par1 = static_cast<uint8_t>(par1);
  s.Par2 = static_cast<uint8_t>(par2);
  s.Par3 = static_cast<uint8_t>(par3);
  return CleanStep(s);
}

// Instructions of every kind (levels, servo moves, flicker, byte senders, device links).
const std::array<StepRecord, 12> kSteps = {
    Step(38, 0, 0, 0, 0, 1),     Step(39, 0, 20, 0, 0, 1),   Step(9, 1, 0, 0, 0, 0),
    Step(8, 1, 0, 0, 0, 1),      Step(3, 2, 1, 0, 0, 1),     Step(6, 0, 30, 0, 0, 1),
    Step(96, 127, 31, 10, 1, 0), Step(98, 4, 12, 63, 3, 0),  Step(102, 0, 0, 5, 2, 0),
    Step(1, 0, 2, 1, 0, 0),      Step(5, 0, 200, 130, 0, 0), Step(20, 0, 255, 128, 0, 0),
};

// Output, servo and input drivers with their parameter blocks as a module keeps them.
const std::array<std::array<uint8_t, 13>, 3> kPinConfigs = {{
    {3, 5, 1 + 2, 12, 2, 29, 0, 0, 0, 0, 0, 0, 0},
    {1, 70, 2 + 8 + 16, 60, 100, 50, 90, 80, 70, 5, 60, 30, 0},
    {5, 0, 0, 7, 9, 0, 0, 0, 0, 0, 0, 0, 0},
}};

}  // namespace

Configuration FullConfiguration() {
  Configuration c = DefaultConfiguration();
  ModuleSettings& s = c.Settings;
  s.IDString = "Bench Module";
  s.DccAddress = 17;
  s.XDccAddress = 300;
  s.PacketRetention = 1;
  s.HwcSink = {true, false, false, true};
  s.HwcSource = {false, true, false, true};
  s.LedGreen = {1, 0, 1, 0, 0, 0, 1, 0};
  s.SerialEnable = true;
  s.SerialBaudIndex = 4;
  s.SerialDataBits8 = true;
  s.SerialParity = 3;
  s.InitEE = {true, true, false, true, false, false, true, false};
  for (int p = 0; p < 32; ++p) {
    // A slot holds an action 0..14; the fifth of each kind is not kept by a module.
    c.EventControl[p].EventOn = {p % 15, (p + 1) % 15, (p + 2) % 15, (p + 3) % 15, -1};
    c.EventControl[p].EventOff = {(p + 4) % 15, (p + 5) % 15, (p + 6) % 15, (p + 7) % 15, -1};

    PinRecord& pin = c.Pins[p];
    pin.Description = "Pin " + std::to_string(p + 1);
    pin.PinConfig = kPinConfigs[p % kPinConfigs.size()];
    pin.LiveLevel = static_cast<uint8_t>(p);
    pin.AspectMode = kAspectMode4x9;
    pin.InitialAspect = static_cast<uint8_t>(p % 4);
    pin.DccCount = 1;
    pin.LumoCount = 1;
    for (int a = 0; a < 4; ++a) {
      pin.Aspects[a].Description = "Aspect " + std::to_string(a + 1);
      for (int step = 0; step < 9; ++step) {
        pin.Aspects[a].Steps[step] = kSteps[(p + a * 9 + step) % kSteps.size()];
      }
    }
  }
  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ComputeLumoStarts(c);
  return c;
}

std::string CheckRoundTrip(const Configuration& c) {
  sim::Simulator simulator;
  ManualClock clock;
  SilentPrompter prompter;
  Link link(clock, prompter);
  link.Open(simulator.Connect(clock, 19200));
  VerificationLog log;
  if (!WriteAll(link, c)) return "Write All failed";
  if (VerifyAll(link, c, log)) return {};
  return log.Text();
}

}  // namespace pyra::bench

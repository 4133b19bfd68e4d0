// The limits of what a configuration can hold: each boundary value is written, the next one
// outside is named, and Write All refuses such a value before its first frame. That the values
// inside are carried by the wire is shown by the golden files (ConfigFileTest), which hold every
// field at its top and bottom and come back through a simulated module.
#include "files/FieldLimits.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link/Link.h"
#include "model/AddressAssignment.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

struct BoundaryCase {
  const char* name;
  FieldLimit limit;
  std::string where;
  // Stores the value; false when the model's field cannot even hold it.
  std::function<bool(Configuration&, int)> set;
};

bool Byte(uint8_t& field, int v) {
  if (v < 0 || v > 255) return false;
  field = static_cast<uint8_t>(v);
  return true;
}

bool Int(int& field, int v) {
  field = v;
  return true;
}

StepRecord& StepOf(Configuration& c, int opcode) {
  c.Pins[0].AspectMode = kAspectMode4x9;
  StepRecord& s = c.Pins[0].Aspects[3].Steps[8];
  s.Opcode = static_cast<uint8_t>(opcode);
  return s;
}

const char kStep[] = "Pin 1, aspect 3, step 8";

class FieldLimitBoundaryTest : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(FieldLimitBoundaryTest, EndsAreWritableAndTheValuesBeyondAreNamed) {
  const BoundaryCase& b = GetParam();
  for (const int v : {b.limit.min - 1, b.limit.min, b.limit.max, b.limit.max + 1}) {
    Configuration c = DefaultConfiguration();
    if (!b.set(c, v)) continue;
    const std::optional<std::string> refusal = UnwritableValue(c);
    if (b.limit.Allows(v)) {
      EXPECT_EQ(refusal, std::nullopt) << v;
    } else {
      EXPECT_EQ(refusal, b.where + ": " + b.limit.Refusal(v));
    }
  }
}

using C = Configuration;
INSTANTIATE_TEST_SUITE_P(
    Fields, FieldLimitBoundaryTest,
    ::testing::Values(BoundaryCase{"DccAddress", limits::kDccAddress, "General settings",
                                   [](C& c, int v) { return Int(c.Settings.DccAddress, v); }},
                      BoundaryCase{"XDccAddress", limits::kXDccAddress, "General settings",
                                   [](C& c, int v) { return Int(c.Settings.XDccAddress, v); }},
                      BoundaryCase{"LumoStart", limits::kLumoStartAddress, "General settings",
                                   [](C& c, int v) {
                                     c.Settings.LumoFlex = true;
                                     return Int(c.Settings.LumoModeAddress, v);
                                   }},
                      BoundaryCase{"ModuleXAddress", limits::kModuleXAddress, "General settings",
                                   [](C& c, int v) { return Int(c.Settings.ModuleXAddress, v); }},
                      BoundaryCase{"BaudIndex", limits::kSerialBaudIndex, "General settings",
                                   [](C& c, int v) { return Int(c.Settings.SerialBaudIndex, v); }},
                      BoundaryCase{
                          "Event", limits::kEvent, "Pin 1 Event-Off(2)",
                          [](C& c, int v) { return Int(c.EventControl[0].EventOff[2], v); }},
                      BoundaryCase{"AspectMode", limits::kAspectMode, "Pin 1",
                                   [](C& c, int v) { return Byte(c.Pins[0].AspectMode, v); }},
                      BoundaryCase{"InitialAspect", limits::kInitialAspect, "Pin 1",
                                   [](C& c, int v) { return Byte(c.Pins[0].InitialAspect, v); }},
                      BoundaryCase{"DccCount", limits::kDccCount, "Pin 1",
                                   [](C& c, int v) { return Byte(c.Pins[0].DccCount, v); }},
                      BoundaryCase{"XDccCount", limits::kXDccCount, "Pin 1",
                                   [](C& c, int v) { return Byte(c.Pins[0].XDccCount, v); }},
                      BoundaryCase{"LumoCount", limits::kLumoCount, "Pin 1",
                                   [](C& c, int v) { return Byte(c.Pins[0].LumoCount, v); }},
                      BoundaryCase{"DeviceHead", limits::kDeviceHead, "Pin 1",
                                   [](C& c, int v) { return Int(c.Pins[0].DeviceLink, v); }},
                      BoundaryCase{"ConfigByte", limits::kConfigByte, "Pin 1",
                                   [](C& c, int v) {
                                     c.Pins[0].PinConfig[0] = 4;
                                     return Byte(c.Pins[0].PinConfig[4], v);
                                   }},
                      BoundaryCase{"InstructionCode", limits::kInstructionCode, kStep,
                                   [](C& c, int v) { return Byte(StepOf(c, 0).Opcode, v); }},
                      BoundaryCase{"StepByte", StepByteLimit(102, 3), kStep,
                                   [](C& c, int v) { return Byte(StepOf(c, 102).Par3, v); }},
                      BoundaryCase{"WideStepByte", StepByteLimit(5, 2), kStep,
                                   [](C& c, int v) { return Byte(StepOf(c, 5).Par2, v); }},
                      BoundaryCase{"UncarriedStepByte", StepByteLimit(20, 0), kStep,
                                   [](C& c, int v) { return Byte(StepOf(c, 20).Offset, v); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteAllLimitsTest, ValueNoFrameCanCarryIsRefusedBeforeTheFirstFrame) {
  ManualClock clock;
  test::ScriptedPrompter prompter;
  sim::Simulator simulator;
  Link link(clock, prompter);
  link.Open(simulator.Connect(clock, 19200));
  link.State().Bidirectional = true;
  Configuration c = DefaultConfiguration();
  c.Pins[2].AspectMode = kAspectMode12x3;
  c.Pins[2].Aspects[1].Steps[0] = StepRecord{9, 0, 0, 200, 0, 0};

  EXPECT_FALSE(WriteAll(link, c));
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"Pin 3, aspect 1, step 0: Par 1 200 is out of range 0..127, "
                                     "which no frame can carry.\r\nNothing was sent."});
  EXPECT_TRUE(simulator.Module().Requests().empty());
  EXPECT_EQ(simulator.Module().ResetFrames(), 0);
}

}  // namespace
}  // namespace pyra

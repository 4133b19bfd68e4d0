// The shipped device library: every device applies cleanly with sensible content, and a
// configuration built from them survives the simulated module.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "devices/Devices.h"
#include "files/AtomicFile.h"
#include "files/Cp1252.h"
#include "files/DeviceFile.h"
#include "link/Link.h"
#include "model/AddressAssignment.h"
#include "operations/Batch.h"
#include "pins/InstructionSet.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using test::ScriptedPrompter;

class StandardLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadStandardDefinitions(library_, {PYRA_DEVICE_LIBRARY}, {}, prompter_));
    ASSERT_NE(library_.VersionCaption, "None");
    ASSERT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
    ASSERT_EQ(ReadWholeFile(PYRA_DEVICE_LIBRARY, bytes_), "");
  }

  DeviceLibrary library_;
  ScriptedPrompter prompter_;
  std::string bytes_;
};

TEST_F(StandardLibraryTest, EveryDeviceAppliesWithCleanDescribedSteps) {
  std::set<int> types;
  std::set<int> modes;
  for (const std::string& name : library_.Names) {
    SCOPED_TRACE(name);
    Configuration c = DefaultConfiguration();
    c.CurrentPin = 4;
    const ApplyResult r = ApplyDeviceText(Cp1252ToUtf8(bytes_), name, c);
    ASSERT_EQ(r.outcome, ApplyOutcome::kApplied) << r.error.line << ": " << r.error.reason;
    int pins = 0;
    for (int p = 0; p < kPinCount; ++p) {
      const PinRecord& pin = c.Pins[p];
      if (pin.Description.empty()) continue;
      ++pins;
      types.insert(pin.PinConfig[0]);
      modes.insert(pin.AspectMode);
      EXPECT_EQ(HeadPin(c, p), 4) << "pin " << p;
      for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
        for (int s = 0; s < StepCount(pin.AspectMode); ++s) {
          const StepRecord& step = pin.Aspects[a].Steps[s];
          if (step.Opcode == 0) continue;
          EXPECT_FALSE(pin.Aspects[a].Description.empty()) << "aspect " << a;
          EXPECT_FALSE(Instruction(step.Opcode).Name.empty()) << int(step.Opcode);
          EXPECT_EQ(CleanStep(step), step) << "aspect " << a << " step " << s;
          if (Instruction(step.Opcode).UsesOffset && step.Opcode < 96) {
            EXPECT_LT(p + (step.Offset >= 16 ? step.Offset - 32 : step.Offset), kPinCount);
          }
        }
      }
    }
    EXPECT_GE(pins, 1);
  }
  EXPECT_GE(library_.Names.size(), 8u);
  EXPECT_EQ(types, (std::set<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(modes, (std::set<int>{0, 2, 3}));
  EXPECT_NE(bytes_.find("\"Pab\""), std::string::npos);
  EXPECT_NE(bytes_.find("\"Pin\""), std::string::npos);
}

TEST_F(StandardLibraryTest, ConfigurationOfShippedDevicesSurvivesTheSimulatedModule) {
  Configuration c = DefaultConfiguration();
  int pin = 0;
  for (std::size_t i = 0; i < library_.Names.size(); ++i) {
    int width = 0;
    Configuration probe = DefaultConfiguration();
    probe.CurrentPin = 0;
    ASSERT_EQ(ApplyDeviceText(Cp1252ToUtf8(bytes_), library_.Names[i], probe).outcome,
              ApplyOutcome::kApplied);
    for (int p = 0; p < kPinCount; ++p) width += probe.Pins[p].Description.empty() ? 0 : 1;
    if (pin + width > 30) break;
    c.CurrentPin = pin;
    ASSERT_TRUE(ApplyDevice(c, library_, static_cast<int>(i), library_.Names[i], prompter_));
    pin += width;
  }
  EXPECT_GE(pin, 20);

  ManualClock clock;
  sim::Simulator simulator;
  Link link(clock, prompter_);
  link.Open(simulator.Connect(clock, 19200));
  link.State().Bidirectional = true;
  ASSERT_TRUE(WriteAll(link, static_cast<const Configuration&>(c)));
  Configuration read_back = DefaultConfiguration();
  ASSERT_TRUE(ReadAll(link, read_back));
  for (int p = 0; p < kPinCount; ++p) {
    SCOPED_TRACE("pin " + std::to_string(p));
    EXPECT_EQ(read_back.Pins[p].AspectMode, c.Pins[p].AspectMode);
    EXPECT_EQ(read_back.Pins[p].DeviceLink, c.Pins[p].DeviceLink);
    EXPECT_EQ(read_back.Pins[p].DccCount, c.Pins[p].DccCount);
    for (int a = 0; a < AspectCount(c.Pins[p].AspectMode); ++a) {
      for (int s = 0; s < StepCount(c.Pins[p].AspectMode); ++s) {
        EXPECT_EQ(read_back.Pins[p].Aspects[a].Steps[s], c.Pins[p].Aspects[a].Steps[s]);
      }
    }
  }
  VerificationLog log;
  EXPECT_TRUE(VerifyAll(link, c, log)) << log.Text();
  EXPECT_TRUE(log.Text().ends_with("\r\nVerify OK")) << log.Text();
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

}  // namespace
}  // namespace pyra

// What the simulated module does on the layout: set-aspect and live-output commands, frames of
// the older format, and the feedback a poll reports as time goes by; all through the real link.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/Link.h"
#include "link/VeloraSetup.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::sim {
namespace {

using std::chrono::milliseconds;
using test::ScriptedPrompter;
using Texts = std::vector<std::string>;

class SimLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.Open(sim_.Connect(clock_, 19200));
    Module().SetActivitySink([this](const std::string& line) { activity_.push_back(line); });
  }
  SimModule& Module() { return sim_.Module(); }
  Texts Recorded() {
    Texts texts;
    for (const LayoutCommand& c : sim_.Module().LayoutCommands()) texts.push_back(c.text);
    return texts;
  }
  // The four feedback bytes of one poll, or nothing when no valid reply of size 4 came.
  std::optional<std::array<int, 4>> Poll() {
    link_.SendPRMessage(false, {});
    if (!link_.State().ReplyValid || link_.ReplySize() != 4) return std::nullopt;
    const auto& rx = link_.State().RxMessage;
    return std::array<int, 4>{rx[2], rx[3], rx[4], rx[5]};
  }
  void AdvanceTo(Clock::Duration since_start) {
    clock_.Advance(Clock::TimePoint(since_start) - clock_.Now());
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Simulator sim_;
  Link link_{clock_, prompter_};
  Texts activity_;
};

// What the tool sends, the lines the module records, and the aspect a pin then shows.
struct LayoutCase {
  const char* name;
  std::function<void(Link&)> send;
  Texts recorded;
  int pin;
  int aspect;
};

class SimLayoutCommandTest : public SimLayoutTest,
                             public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(SimLayoutCommandTest, ModuleRecordsWhatItWasToldToDo) {
  const auto& c = GetParam();
  c.send(link_);
  EXPECT_EQ(Recorded(), c.recorded);
  EXPECT_EQ(activity_, c.recorded) << "the activity log gets the same lines";
  EXPECT_EQ(Module().PinAspect(c.pin), c.aspect);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

void Pyra(Link& link, std::initializer_list<int> payload) { link.SendPRMessage(false, payload); }

INSTANTIATE_TEST_SUITE_P(
    Commands, SimLayoutCommandTest,
    ::testing::Values(LayoutCase{"SetAspectOnPin",
                                 [](Link& l) {
                                   Pyra(l, {0, 0, 5, 3});
                                 },
                                 {"Set aspect 3 on pin 5"},
                                 5,
                                 3},
                      LayoutCase{"SetAspectOnMapEntry",
                                 [](Link& l) {
                                   Pyra(l, {0, 1, 7, 2});
                                 },
                                 {"Set aspect 2 on address-map entry 7"},
                                 7,
                                 -1},
                      LayoutCase{"ToggleTwice",
                                 [](Link& l) {
                                   Pyra(l, {0, 1, 0, 0});
                                   Pyra(l, {0, 1, 0, 1});
                                 },
                                 {"Set aspect 0 on address-map entry 0",
                                  "Set aspect 1 on address-map entry 0"},
                                 0,
                                 -1},
                      LayoutCase{"SlowPwm",
                                 [](Link& l) {
                                   Pyra(l, {0, 54, 4, 20});
                                 },
                                 {"PWM level 20 on pin 4, slow"},
                                 4,
                                 -1},
                      LayoutCase{"ServoLowest",
                                 [](Link& l) {
                                   Pyra(l, {0, 39, 0, 0});
                                 },
                                 {"Servo position -64 on pin 0"},
                                 0,
                                 -1},
                      LayoutCase{"DynamicServoHighest",
                                 [](Link& l) {
                                   Pyra(l, {0, 55, 0, 127});
                                 },
                                 {"Servo position 63 on pin 0, dynamic"},
                                 0,
                                 -1},
                      LayoutCase{"OlderSetAspectOnPin",
                                 [](Link& l) { l.SendLumoMessage(3, 0, 5, 2); },
                                 {"Older format to module 0: set aspect 2 on pin 5"},
                                 5,
                                 2},
                      LayoutCase{"OlderSetAspectOnMapEntry",
                                 [](Link& l) { l.SendLumoMessage(3, 1, 9, 4); },
                                 {"Older format to module 0: set aspect 4 on address-map entry 9"},
                                 9,
                                 -1},
                      LayoutCase{"OlderClearPin",
                                 [](Link& l) {
                                   l.SendLumoMessage(3, 0, 6, 1);
                                   l.SendLumoMessage(3, 8, 6, 0);
                                 },
                                 {"Older format to module 0: set aspect 1 on pin 6",
                                  "Older format to module 0: clear pin 6"},
                                 6,
                                 -1},
                      LayoutCase{"OlderResetClearsEveryAspect",
                                 [](Link& l) {
                                   Pyra(l, {0, 0, 31, 11});
                                   l.SendLumoMessage(3, 2, 0, 0);
                                 },
                                 {"Set aspect 11 on pin 31", "Older format to module 0: reset"},
                                 31,
                                 -1},
                      // Another module's frame is on the line too; this module only records it.
                      LayoutCase{"OlderSetAspectForModule15",
                                 [](Link& l) { l.SendLumoMessage(63, 0, 5, 2); },
                                 {"Older format to module 15: set aspect 2 on pin 5"},
                                 5,
                                 -1},
                      LayoutCase{"OlderLampTest15",
                                 [](Link& l) { l.SendLumoMessage(63, 10, 4, 30); },
                                 {"Older format to module 15: lamp test of pin 4, value 30"},
                                 4,
                                 -1},
                      LayoutCase{"OlderFreeCommand",
                                 [](Link& l) { l.SendLumoMessage(3, 9, 1, 2); },
                                 {"Older format to module 0: command 9, 1, 2"},
                                 1,
                                 -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLayoutTest, OlderFrameKeepsItsAddressAndBytes) {
  link_.SendLumoMessage(63, 10, 31, 30);
  ASSERT_EQ(Module().LayoutCommands().size(), 1u);
  const LayoutCommand& c = Module().LayoutCommands()[0];
  EXPECT_TRUE(c.older_format);
  EXPECT_EQ(c.address_byte, 63);
  EXPECT_EQ(c.bytes, (std::vector<int>{10, 31, 30}));
  EXPECT_TRUE(Module().Requests().empty()) << "older frames are no requests";
}

TEST_F(SimLayoutTest, SetAspectsArriveWithoutBidirectionalModeToo) {
  link_.State().Bidirectional = false;
  for (int n = 0; n < 8; ++n) link_.SendPRMessage(false, {0, 1, n, 1});
  EXPECT_EQ(Module().LayoutCommands().size(), 8u);
  EXPECT_EQ(Module().LayoutCommands().back().text, "Set aspect 1 on address-map entry 7");
}

// The older format's link reset must restart the alternation as the direct one does: otherwise
// the first direct frame after it would carry the alternation bit of the module's last frame and
// be taken for a repeat.
TEST_F(SimLayoutTest, OlderFormatResetRestartsTheAlternation) {
  Module().Memory().id_string = "First";
  ModuleSettings s;
  ASSERT_TRUE(ReadIDString(link_, s));
  ASSERT_EQ(s.IDString, "First");

  Module().Memory().id_string = "Second";
  link_.Open(sim_.Connect(clock_, 19200));
  link_.SendLumoMessage(3, 0, 1, 1);
  ASSERT_TRUE(ReadIDString(link_, s));
  EXPECT_EQ(s.IDString, "Second");
  EXPECT_EQ(Module().ResetFrames(), 2);
  EXPECT_EQ(Recorded(), (Texts{"Older format to module 0: set aspect 1 on pin 1"}))
      << "the reset frame itself is no command";
}

TEST_F(SimLayoutTest, OlderFormatReachesTheModuleThroughTheVeloraTunnel) {
  sim_.SetVeloraInFront(true);
  link_.Open(sim_.Connect(clock_, 19200));
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  link_.SendLumoMessage(3, 0, 12, 3);
  link_.SendPRMessage(false, {0, 0, 13, 4});
  EXPECT_EQ(Recorded(),
            (Texts{"Older format to module 0: set aspect 3 on pin 12", "Set aspect 4 on pin 13"}));
  EXPECT_EQ(Module().PinAspect(12), 3);
}

// The feedback a poll reports at a time well inside a half period of the toggling input.
struct ToggleCase {
  const char* name;
  std::optional<SimModule::TogglingInput> input;
  std::vector<std::pair<int, std::array<int, 4>>> at_ms;
};

class SimFeedbackTest : public SimLayoutTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(SimFeedbackTest, PollFollowsTheTogglingInput) {
  Module().SetFeedback({12, 0, 127, 3});
  Module().SetTogglingInput(GetParam().input);
  for (const auto& [ms, bytes] : GetParam().at_ms) {
    AdvanceTo(milliseconds(ms));
    EXPECT_EQ(Poll(), bytes) << "at " << ms << " ms";
  }
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SimFeedbackTest,
    ::testing::Values(
        ToggleCase{"SimulatorDefaultInput0Every500ms",
                   SimModule::TogglingInput{},
                   {{250, {12, 0, 127, 3}},
                    {750, {13, 0, 127, 3}},
                    {1250, {12, 0, 127, 3}},
                    {1750, {13, 0, 127, 3}}}},
        ToggleCase{"Bit6OfByte2Every200ms",
                   SimModule::TogglingInput{.byte = 2, .bit = 6, .period = milliseconds(200)},
                   {{100, {12, 0, 127, 3}}, {300, {12, 0, 63, 3}}, {500, {12, 0, 127, 3}}}},
        ToggleCase{
            "NoTogglingInput", std::nullopt, {{250, {12, 0, 127, 3}}, {750, {12, 0, 127, 3}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLayoutTest, MonitorPollingTenTimesASecondSeesTheInputChange) {
  // As the feedback monitor polls: every 100 ms for two seconds.
  std::vector<int> input0;
  for (int tick = 0; tick < 20; ++tick) {
    AdvanceTo(milliseconds(100 * tick + 50));
    const auto bytes = Poll();
    ASSERT_TRUE(bytes) << "tick " << tick;
    input0.push_back((*bytes)[0] & 1);
  }
  EXPECT_EQ(input0, (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace pyra::sim

// What the simulated module does on the layout: set-aspect and live-output commands, frames of
// the older format, and the feedback a poll reports as time goes by; all through the real link.
#include <gtest/gtest.h>

#include <chrono>
#include <span>
#include <string>

#include "SimLinkFixture.h"

namespace pyra::sim {
namespace {

using std::chrono::milliseconds;

class SimLayoutTest : public SimLinkFixture {
 protected:
  void SetUp() override {
    Connect();
    Module().SetActivitySink([this](const std::string& line) { activity_.push_back(line); });
  }
  Texts Recorded() {
    Texts texts;
    for (const LayoutCommand& c : Module().LayoutCommands()) texts.push_back(c.text);
    return texts;
  }
  Texts activity_;
};

// One message the tool sends: a command-0 payload, or an older-format frame to `older_address`.
struct Sent {
  int older_address;  // -1: a direct frame
  std::vector<int> bytes;
};
Sent Direct(std::vector<int> payload) { return {-1, std::move(payload)}; }
Sent Older(int address_byte, int b1, int b2, int b3) { return {address_byte, {b1, b2, b3}}; }

// The aspect a pin shows after the tool sent `sent`, and the lines the module recorded.
struct LayoutCase {
  const char* name;
  int pin;
  int aspect;
  std::vector<Sent> sent;
  Texts recorded;
};

class SimLayoutCommandTest : public SimLayoutTest,
                             public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(SimLayoutCommandTest, ModuleRecordsWhatItWasToldToDo) {
  const auto& c = GetParam();
  std::size_t direct = 0;
  for (const Sent& s : c.sent) {
    if (s.older_address < 0) {
      link_.SendPRMessage(false, std::span<const int>(s.bytes));
      ++direct;
    } else {
      link_.SendLumoMessage(s.older_address, s.bytes[0], s.bytes[1], s.bytes[2]);
    }
  }
  EXPECT_EQ(Recorded(), c.recorded);
  EXPECT_EQ(activity_, c.recorded) << "the activity log gets the same lines";
  EXPECT_EQ(Module().PinAspect(c.pin), c.aspect);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(Module().Requests().size(), direct) << "older frames are no requests";

  // Each command is kept with the bytes it came with.
  ASSERT_EQ(Module().LayoutCommands().size(), c.sent.size());
  for (std::size_t i = 0; i < c.sent.size(); ++i) {
    const LayoutCommand& got = Module().LayoutCommands()[i];
    EXPECT_EQ(got.older_format, c.sent[i].older_address >= 0);
    EXPECT_EQ(got.older_format ? got.address_byte : -1, c.sent[i].older_address);
    EXPECT_EQ(got.bytes, c.sent[i].bytes);
  }
}

// A line the module records for a frame of the older format.
std::string Old(const std::string& what, int module = 0) {
  return "Older format to module " + std::to_string(module) + ": " + what;
}

const LayoutCase kLayoutCases[] = {
    {"SetAspectOnPin", 5, 3, {Direct({0, 0, 5, 3})}, {"Set aspect 3 on pin 5"}},
    {"SetAspectOnMapEntry", 7, -1, {Direct({0, 1, 7, 2})}, {"Set aspect 2 on address-map entry 7"}},
    {"ToggleTwice",
     0,
     -1,
     {Direct({0, 1, 0, 0}), Direct({0, 1, 0, 1})},
     {"Set aspect 0 on address-map entry 0", "Set aspect 1 on address-map entry 0"}},
    {"SlowPwm", 4, -1, {Direct({0, 54, 4, 20})}, {"PWM level 20 on pin 4, slow"}},
    {"ServoLowest", 0, -1, {Direct({0, 39, 0, 0})}, {"Servo position -64 on pin 0"}},
    {"DynamicServo", 0, -1, {Direct({0, 55, 0, 127})}, {"Servo position 63 on pin 0, dynamic"}},
    {"OlderSetAspectOnPin", 5, 2, {Older(3, 0, 5, 2)}, {Old("set aspect 2 on pin 5")}},
    {"OlderOnMapEntry", 9, -1, {Older(3, 1, 9, 4)}, {Old("set aspect 4 on address-map entry 9")}},
    {"OlderClearPin",
     6,
     -1,
     {Older(3, 0, 6, 1), Older(3, 8, 6, 0)},
     {Old("set aspect 1 on pin 6"), Old("clear pin 6")}},
    {"OlderResetClearsEveryAspect",
     31,
     -1,
     {Direct({0, 0, 31, 11}), Older(3, 2, 0, 0)},
     {"Set aspect 11 on pin 31", Old("reset")}},
    // Another module's frame is on the line too; this module only records it.
    {"OlderSetAspectForModule15", 5, -1, {Older(63, 0, 5, 2)}, {Old("set aspect 2 on pin 5", 15)}},
    {"OlderLampTest15",
     31,
     -1,
     {Older(63, 10, 31, 30)},
     {Old("lamp test of pin 31, value 30", 15)}},
    {"OlderFreeCommand", 1, -1, {Older(3, 9, 1, 2)}, {Old("command 9, 1, 2")}},
};
INSTANTIATE_TEST_SUITE_P(Commands, SimLayoutCommandTest, ::testing::ValuesIn(kLayoutCases),
                         kCaseName);

TEST_F(SimLayoutTest, SetAspectsArriveWithoutBidirectionalModeToo) {
  State().Bidirectional = false;
  for (int n = 0; n < 8; ++n) link_.SendPRMessage(false, {0, 1, n, 1});
  EXPECT_EQ(Module().LayoutCommands().size(), 8u);
  EXPECT_EQ(Module().LayoutCommands().back().text, "Set aspect 1 on address-map entry 7");
}

// The older format's link reset must restart the alternation as the direct one does: otherwise
// the first direct frame after it would carry the alternation bit of the module's last frame and
// be taken for a repeat.
TEST_F(SimLayoutTest, OlderFormatResetRestartsTheAlternation) {
  Memory().id_string = "First";
  ModuleSettings s;
  ASSERT_TRUE(ReadIDString(link_, s));
  ASSERT_EQ(s.IDString, "First");

  Memory().id_string = "Second";
  Connect();
  link_.SendLumoMessage(3, 0, 1, 1);
  ASSERT_TRUE(ReadIDString(link_, s));
  EXPECT_EQ(s.IDString, "Second");
  EXPECT_EQ(Module().ResetFrames(), 2);
  EXPECT_EQ(Recorded(), (Texts{"Older format to module 0: set aspect 1 on pin 1"}))
      << "the reset frame itself is no command";
}

// The feedback a poll reports at given times, as the feedback monitor polls.
struct ToggleCase {
  const char* name;
  bool set_input;  // false: the input the simulator starts with
  std::optional<SimModule::TogglingInput> input;
  std::vector<std::pair<int, std::array<int, 4>>> at_ms;
};

class SimFeedbackTest : public SimLayoutTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(SimFeedbackTest, PollFollowsTheTogglingInput) {
  Module().SetFeedback({12, 0, 127, 3});
  if (GetParam().set_input) Module().SetTogglingInput(GetParam().input);
  for (const auto& [ms, bytes] : GetParam().at_ms) {
    clock_.Advance(Clock::TimePoint(milliseconds(ms)) - clock_.Now());
    ASSERT_TRUE(link_.SendPRMessage(false, {}));
    ASSERT_TRUE(State().ReplyValid);
    ASSERT_EQ(link_.ReplySize(), 4) << "at " << ms << " ms";
    const auto& rx = State().RxMessage;
    EXPECT_EQ((std::array<int, 4>{rx[2], rx[3], rx[4], rx[5]}), bytes) << "at " << ms << " ms";
  }
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

const std::array<int, 4> kLow = {12, 0, 127, 3};
const std::array<int, 4> kHigh = {13, 0, 127, 3};
const ToggleCase kToggleCases[] = {
    {"SimulatorDefaultInput0Every500ms",
     false,
     {},
     {{50, kLow}, {450, kLow}, {550, kHigh}, {950, kHigh}, {1050, kLow}, {1550, kHigh}}},
    {"Bit6OfByte2Every200ms",
     true,
     SimModule::TogglingInput{.byte = 2, .bit = 6, .period = milliseconds(200)},
     {{100, kLow}, {300, {12, 0, 63, 3}}, {500, kLow}}},
    {"NoTogglingInput", true, std::nullopt, {{250, kLow}, {750, kLow}}},
};
INSTANTIATE_TEST_SUITE_P(Inputs, SimFeedbackTest, ::testing::ValuesIn(kToggleCases), kCaseName);

}  // namespace
}  // namespace pyra::sim

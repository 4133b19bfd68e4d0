#include "monitor/TestCommands.h"

#include <gtest/gtest.h>

#include <functional>

#include "monitor/WireFrames.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<WireFrame>;

// The buttons never wait for a reply: with bidirectional mode off nothing is awaited, so every
// frame the test provokes is on the line at once.
class TestTabTest : public LinkFixture {
 protected:
  TestTabTest() {
    SkipReset();
    link_.State().Bidirectional = false;
  }
  Frames Sent() const { return WireFrames(channel_->Written()); }

  TestTabState state_;
};

// ---- Set-aspect buttons ----

struct SetAspectCase {
  const char* name;
  int index;
  const char* output;
  Frames frames;
};

void PrintTo(const SetAspectCase& c, std::ostream* os) { *os << c.name; }

class PyraSetAspectTest : public TestTabTest,
                          public ::testing::WithParamInterface<SetAspectCase> {};

TEST_P(PyraSetAspectTest, SendsTheButtonsFrames) {
  const SetAspectCase& k = GetParam();
  EXPECT_TRUE(PyraSetAspect(link_, state_, k.index, k.output));
  EXPECT_EQ(Sent(), k.frames);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

Frames EightOutputs(int aspect) {
  Frames f;
  for (int n = 0; n < 8; ++n) f.push_back(Pyra(0, {0, 1, n, aspect}));
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PyraSetAspectTest,
    ::testing::Values(SetAspectCase{"SA0", 0, "5", {Pyra(0, {0, 1, 5, 0})}},
                      SetAspectCase{"SA3", 3, "5", {Pyra(0, {0, 1, 5, 3})}},
                      SetAspectCase{
                          "OutputSentAsTypedWithoutNumberBase", 2, "0", {Pyra(0, {0, 1, 0, 2})}},
                      SetAspectCase{"HighestOutput", 1, "127", {Pyra(0, {0, 1, 127, 1})}},
                      SetAspectCase{"DecimalOutputIsRounded", 1, "6.7", {Pyra(0, {0, 1, 7, 1})}},
                      SetAspectCase{"EightTimesSA0", 5, "5", EightOutputs(0)},
                      // The eight-output buttons do not read the box, so its text cannot stop them.
                      SetAspectCase{"EightTimesSA1IgnoresTheBox", 6, "900", EightOutputs(1)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TestTabTest, ToggleAlternatesTheAspectOnTheSameOutput) {
  for (int i = 0; i < 3; ++i) PyraSetAspect(link_, state_, 4, "9");
  EXPECT_EQ(Sent(), (Frames{Pyra(0, {0, 1, 9, 0}), Pyra(0, {0, 1, 9, 1}), Pyra(0, {0, 1, 9, 0})}));
  EXPECT_EQ(state_.ToggleAspect, 1);
}

TEST_F(TestTabTest, FramesGoToTheLinksModuleAddress) {
  link_.State().ModuleAddress = 6;
  PyraSetAspect(link_, state_, 1, "3");
  EXPECT_EQ(Sent(), (Frames{Pyra(6, {0, 1, 3, 1})}));
}

// ---- Out-of-range typed values: refused with the box named, nothing sent ----

struct RefusalCase {
  const char* name;
  int index;
  const char* output;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class OutputRefusalTest : public TestTabTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(OutputRefusalTest, NothingIsSentAndTheToggleStays) {
  const RefusalCase& k = GetParam();
  EXPECT_FALSE(PyraSetAspect(link_, state_, k.index, k.output));
  EXPECT_TRUE(channel_->Written().empty()) << Written();
  EXPECT_EQ(state_.ToggleAspect, 0);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.Last(), k.message);
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kWarning);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, OutputRefusalTest,
    ::testing::Values(
        RefusalCase{"JustAboveTheRange", 0, "128",
                    "The Output box of the Pyra set-aspect buttons takes a number from 0 to 127; "
                    "128 cannot be carried by a frame. Nothing was sent."},
        RefusalCase{"RoundsAboveTheRange", 0, "127.5",
                    "The Output box of the Pyra set-aspect buttons takes a number from 0 to 127; "
                    "128 cannot be carried by a frame. Nothing was sent."},
        RefusalCase{"Negative", 4, "-1",
                    "The Output box of the Pyra set-aspect buttons takes a number from 0 to 127; "
                    "-1 cannot be carried by a frame. Nothing was sent."}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Matrix buttons ----

TEST_F(TestTabTest, MatrixButtonSendsOneFramePerTickedBox) {
  std::array<bool, kMatrixBoxes> ticked{};
  ticked[0] = ticked[3] = true;
  SetMatrix(link_, 5, ticked);
  EXPECT_EQ(Sent(), (Frames{Pyra(0, {0, 1, 0, 5}), Pyra(0, {0, 1, 3, 5})}));

  channel_->ClearWritten();
  SetMatrix(link_, 31, {});
  EXPECT_TRUE(channel_->Written().empty()) << "no box ticked, nothing sent";
}

// ---- Older-format buttons ----

TEST_F(TestTabTest, LampTest15SendsThirtyTwoFramesToModule15) {
  link_.State().ModuleAddress = 4;
  EXPECT_TRUE(LampTest(link_, 2));
  Frames expected;
  for (int pin = 0; pin < 32; ++pin) expected.push_back(Older(63, 10, pin, 30));
  EXPECT_EQ(Sent(), expected);
  EXPECT_EQ(Hex(std::vector<uint8_t>(channel_->Written().begin(), channel_->Written().begin() + 5)),
            "3F 8A 80 9E 99");
}

struct BulkCase {
  const char* name;
  std::function<bool(Link&)> press;
  int address_byte;
  int command;
  int value;
};

void PrintTo(const BulkCase& c, std::ostream* os) { *os << c.name; }

class BulkTest : public TestTabTest, public ::testing::WithParamInterface<BulkCase> {};

TEST_P(BulkTest, EveryPinOfTheChosenModule) {
  const BulkCase& k = GetParam();
  link_.State().ModuleAddress = 2;
  EXPECT_TRUE(k.press(link_));
  const Frames sent = Sent();
  ASSERT_EQ(sent.size(), 32u);
  for (int pin = 0; pin < 32; ++pin) {
    EXPECT_EQ(sent[pin], Older(k.address_byte, k.command, pin, k.value)) << "pin " << pin;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, BulkTest,
    ::testing::Values(BulkCase{"ClearAll", [](Link& l) { return ClearAll(l, 0); }, 11, 8, 0},
                      BulkCase{"ClearAll0", [](Link& l) { return ClearAll(l, 1); }, 3, 8, 0},
                      BulkCase{"LampTest", [](Link& l) { return LampTest(l, 0); }, 11, 10, 30},
                      BulkCase{"LampTest0", [](Link& l) { return LampTest(l, 1); }, 3, 10, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TestTabClosedPortTest, BulkButtonsCheckThePortOnceAndSendNothing) {
  ManualClock clock;
  ScriptedPrompter prompter;
  Link link(clock, prompter);
  EXPECT_FALSE(ClearAll(link, 0));
  EXPECT_FALSE(LampTest(link, 2));
  EXPECT_EQ(prompter.Texts(),
            (std::vector<std::string>{"Select communications port", "Select communications port"}));
}

TEST(TestTabClosedPortTest, MultiFrameButtonsLeaveTheCheckToEachSend) {
  ManualClock clock;
  ScriptedPrompter prompter;
  Link link(clock, prompter);
  TestTabState state;
  PyraSetAspect(link, state, 6, "0");
  EXPECT_EQ(prompter.Texts().size(), 8u);
}

TEST_F(TestTabTest, ResetGoesToTheModuleOrToModule15) {
  link_.State().ModuleAddress = 1;
  LumoReset(link_, 0);
  LumoReset(link_, 1);
  EXPECT_EQ(Sent(), (Frames{Older(7, 2, 0, 0), Older(63, 2, 0, 0)}));
}

struct LumoSendCase {
  const char* name;
  std::array<std::string, 3> texts;
  Frames frames;
  const char* message;  // "" when sent
};

void PrintTo(const LumoSendCase& c, std::ostream* os) { *os << c.name; }

class LumoSendTest : public TestTabTest, public ::testing::WithParamInterface<LumoSendCase> {};

TEST_P(LumoSendTest, SendsTheThreeBoxesOrRefusesTheWrongOne) {
  const LumoSendCase& k = GetParam();
  link_.State().ModuleAddress = 3;
  EXPECT_EQ(SendLumo(link_, k.texts), k.frames.size() == 1);
  EXPECT_EQ(Sent(), k.frames);
  EXPECT_EQ(prompter_.Last(), k.message);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, LumoSendTest,
    ::testing::Values(
        LumoSendCase{"Plain", {"9", "1", "2"}, {Older(15, 9, 1, 2)}, ""},
        LumoSendCase{"RoundedHalvesToEven", {"0.5", "2.5", "3.5"}, {Older(15, 0, 2, 4)}, ""},
        LumoSendCase{"TextReadsZero", {"x", " 12abc", "127"}, {Older(15, 0, 12, 127)}, ""},
        LumoSendCase{"CommandTooLarge",
                     {"200", "1", "2"},
                     {},
                     "The Command box of LumoSend takes a number from 0 to 127; 200 cannot be "
                     "carried by a frame. Nothing was sent."},
        LumoSendCase{"ParameterNegative",
                     {"1", "2", "-3"},
                     {},
                     "The Parameter box of LumoSend takes a number from 0 to 127; -3 cannot be "
                     "carried by a frame. Nothing was sent."}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The aspect editor's "Test" button ----

struct TestAspectCase {
  const char* name;
  int modifiers;
  bool flex;
  int lumo_count;
  TestAspectResult result;
  Frames frames;
};

void PrintTo(const TestAspectCase& c, std::ostream* os) { *os << c.name; }

class TestAspectTest : public TestTabTest, public ::testing::WithParamInterface<TestAspectCase> {
 protected:
  // Pin 5 (shown as 6), aspect 2, first Lumo address 40, flexible block from Lumo address 36:
  // a = 36 + 40 = 76 is entry 12 of older-format module 2.
  Configuration Model(bool flex, int lumo_count) {
    Configuration c = DefaultConfiguration();
    c.CurrentPin = 5;
    c.CurrentAspect = 2;
    c.Pins[5].LumoCount = static_cast<uint8_t>(lumo_count);
    c.LumoStart[5] = 40;
    c.Settings.LumoFlex = flex;
    c.Settings.LumoModeAddress = 9;
    return c;
  }
};

TEST_P(TestAspectTest, ModifierKeysChooseTheMessage) {
  const TestAspectCase& k = GetParam();
  link_.State().ModuleAddress = 1;
  EXPECT_EQ(TestAspect(link_, Model(k.flex, k.lumo_count), k.modifiers), k.result);
  EXPECT_EQ(Sent(), k.frames);
  if (k.result == TestAspectResult::kSent) {
    EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  }
}

constexpr int kShift = kShiftKey;
constexpr int kCtrl = kCtrlKey;
constexpr auto kSent = TestAspectResult::kSent;

INSTANTIATE_TEST_SUITE_P(
    Keys, TestAspectTest,
    ::testing::Values(
        TestAspectCase{"NoKeyPyraOnPin", 0, false, 1, kSent, {Pyra(1, {0, 0, 5, 2})}},
        TestAspectCase{"NoKeyNeedsNoLumoAddress", 0, true, 0, kSent, {Pyra(1, {0, 0, 5, 2})}},
        TestAspectCase{"ShiftOlderOnPin", kShift, false, 0, kSent, {Older(7, 0, 5, 2)}},
        TestAspectCase{"ShiftFlexible", kShift, true, 1, kSent, {Older(11, 1, 12, 2)}},
        TestAspectCase{"ShiftCtrlFlexible", kShift + kCtrl, true, 2, kSent, {Older(11, 1, 12, 2)}},
        TestAspectCase{
            "ShiftCtrlOlderOnMap", kShift + kCtrl, false, 1, kSent, {Older(7, 1, 40, 2)}},
        TestAspectCase{"CtrlPyraOnMap", kCtrl, false, 1, kSent, {Pyra(1, {0, 1, 40, 2})}},
        TestAspectCase{
            "CtrlPyraOnMapAlsoWithFlex", kCtrl, true, 1, kSent, {Pyra(1, {0, 1, 40, 2})}},
        TestAspectCase{
            "CtrlWithoutLumoAddress", kCtrl, false, 0, TestAspectResult::kNoLumoAddress, {}},
        TestAspectCase{
            "ShiftFlexWithoutLumoAddress", kShift, true, 0, TestAspectResult::kNoLumoAddress, {}},
        TestAspectCase{"ShiftCtrlWithoutLumoAddress",
                       kShift + kCtrl,
                       false,
                       0,
                       TestAspectResult::kNoLumoAddress,
                       {}},
        TestAspectCase{
            "AltShiftOnlyHelps", kAltKey + kShift, false, 1, TestAspectResult::kHelpShown, {}},
        TestAspectCase{
            "AltCtrlOnlyHelps", kAltKey + kCtrl, false, 0, TestAspectResult::kHelpShown, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TestAspectTest, MissingLumoAddressNamesTheShownPin) {
  EXPECT_EQ(TestAspect(link_, Model(false, 0), kCtrlKey), TestAspectResult::kNoLumoAddress);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 6");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kWarning);
  Configuration zero_based = Model(false, 0);
  zero_based.NumberBase = 0;
  TestAspect(link_, zero_based, kCtrlKey);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 5");
  EXPECT_TRUE(channel_->Written().empty());
}

TEST_F(TestAspectTest, AltShowsTheFiveLineHelp) {
  TestAspect(link_, Model(false, 1), kAltKey + kShiftKey);
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{
                "Test = Send Pyra Set Aspect\r\nShift + Test = Send Legacy Lumo Set Aspect\r\n"
                "Control + Test = Send Pyra Set Aspect, use Address Map\r\n"
                "Shift + Control + Test = Send Legacy Lumo Set Aspect, use Address Map\r\n"
                "Alt + Test = Show this message"}));
  EXPECT_FALSE(prompter_.All()[0].question);
}

TEST_F(TestAspectTest, OnlyTheLeftButtonActs) {
  EXPECT_EQ(TestAspect(link_, Model(false, 1), kAltKey, false), TestAspectResult::kIgnored);
  EXPECT_EQ(TestAspect(link_, Model(false, 1), 0, false), TestAspectResult::kIgnored);
  EXPECT_TRUE(channel_->Written().empty());
  EXPECT_TRUE(prompter_.Texts().empty());
}

// ---- Typed numbers ----

TEST(TypedRoundedTest, ReadsLikeTheBoxes) {
  const std::vector<std::pair<const char*, long>> cases = {
      {"7", 7},    {" 12abc", 12}, {"abc", 0}, {"", 0},    {"2.5", 2}, {"3.5", 4},
      {"-0.4", 0}, {"-2.6", -3},   {"+8", 8},  {"1e3", 1}, {".6", 1},  {"99999999999", 1000000000}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(TypedRounded(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace pyra::test

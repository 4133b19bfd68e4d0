#include "pinconfig/PinConfig.h"

#include <gtest/gtest.h>

#include <map>

#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Block = std::array<uint8_t, 13>;
using Frames = std::vector<std::vector<int>>;

// ---- Servo P2 ----

TEST(ServoP2Test, RangeAndFlagsMakeTheByte) {
  EXPECT_EQ(ServoP2(2, true, false), 26) << "M, auto suspend";
  EXPECT_EQ(ServoP2(0, false, false), 8);
  EXPECT_EQ(ServoP2(4, true, true), 60);
}

struct P2Case {
  int byte;
  ServoModes modes;
};

class ServoP2DecodeTest : public ::testing::TestWithParam<P2Case> {};

TEST_P(ServoP2DecodeTest, ShowsRangeAndFlags) {
  const ServoModes m = DecodeServoP2(GetParam().byte);
  EXPECT_EQ(m.range, GetParam().modes.range);
  EXPECT_EQ(m.auto_suspend, GetParam().modes.auto_suspend);
  EXPECT_EQ(m.suspended, GetParam().modes.suspended);
  EXPECT_EQ(m.initialised, GetParam().modes.initialised);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, ServoP2DecodeTest,
                         ::testing::Values(P2Case{26, {2, true, false, false}},
                                           P2Case{90, {2, true, false, true}},
                                           P2Case{43, {3, false, true, false}},
                                           P2Case{15, {0, false, false, false}},  // range 7
                                           P2Case{12, {4, false, false, false}}));

TEST(ServoP2Test, OlderModulesByteIsNormalised) {
  EXPECT_EQ(NormaliseServoP2(48), 43);
  EXPECT_EQ(NormaliseServoP2(26), 26) << "bit 3 set: unchanged";
  EXPECT_EQ(NormaliseServoP2(90), 90);
  EXPECT_EQ(NormaliseServoP2(7), 7) << "below 16: unchanged";
  EXPECT_EQ(NormaliseServoP2(16), 41);
}

TEST(PwmModesTest, DriveAndAccelerationMakeP2) {
  PinRecord pin;
  LoadDefaults(pin, kTabPwm);
  SetPwmModes(pin, 1, 1);
  EXPECT_EQ(pin.PinConfig[2], 3);
  SetPwmModes(pin, 0, 1);
  EXPECT_EQ(pin.PinConfig[2], 2);
  SetPwmInverted(pin, true);
  EXPECT_EQ(pin.PinConfig[0], 3);
  SetInputLowActive(pin, false);
  EXPECT_EQ(pin.PinConfig[0], 4);
}

// ---- Parameter boxes ----

struct ParamCase {
  const char* control;
  const char* typed;
  const char* text;
  int byte_index;
  int stored;
};

void PrintTo(const ParamCase& c, std::ostream* os) { *os << c.control << " <- " << c.typed; }

class ParamBoxTest : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamBoxTest, ClampsAndStoresWithItsBias) {
  const ParamCase& k = GetParam();
  const ConfigParam* param = FindConfigParam(k.control);
  ASSERT_NE(param, nullptr);
  PinRecord pin;
  const ParamEdit e = CommitParamText(pin, *param, k.typed);
  EXPECT_EQ(e.text, k.text);
  EXPECT_EQ(pin.PinConfig[k.byte_index], k.stored);
  EXPECT_EQ(ShownParam(pin, *param), e.value);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, ParamBoxTest,
                         ::testing::Values(ParamCase{"TextSrvMaxSpd", "200", "127", 6, 127},
                                           ParamCase{"TextSrvMaxSpd", "0", "1", 6, 1},
                                           ParamCase{"TextSrvMaxAccel", "50", "50", 7, 50},
                                           ParamCase{"TextSrvInitPos", "-64", "-64", 1, 0},
                                           ParamCase{"TextSrvInitPos", "63", "63", 1, 127},
                                           ParamCase{"TextSrvInitPos", "100", "63", 1, 127},
                                           ParamCase{"TextMidpoint", "-10", "-10", 3, 54},
                                           ParamCase{"TextSrvAntiMass", "-1", "0", 4, 0},
                                           ParamCase{"TextSrvFriction", "128", "127", 5, 127},
                                           ParamCase{"TextBounceDown", "64", "63", 8, 127},
                                           ParamCase{"TextBounceDownFactor", "9", "9", 9, 9},
                                           ParamCase{"TextBounceUp", "5", "0", 10, 64},
                                           ParamCase{"TextBounceUp", "-70", "-63", 10, 1},
                                           ParamCase{"TextBounceUpFactor", "x", "x", 11, 0},
                                           ParamCase{"TextPWMInitLevel", "32", "31", 1, 31},
                                           ParamCase{"TextPWMAccel", "12", "12", 3, 12},
                                           ParamCase{"TextPWMOffLevel", "-3", "0", 4, 0},
                                           ParamCase{"TextPWMOnLevel", "40", "31", 5, 31},
                                           ParamCase{"TextInputDelay_0", "7", "7", 3, 7},
                                           ParamCase{"TextInputDelay_1", "99", "31", 4, 31}));

TEST(ParamBoxTest, ChangeTakesOnlyAnInRangeValue) {
  PinRecord pin;
  const ConfigParam& init = *FindConfigParam("TextPWMInitLevel");
  EXPECT_TRUE(TakeTypedIfInRange(pin, init, "20"));
  EXPECT_EQ(pin.PinConfig[1], 20);
  EXPECT_FALSE(TakeTypedIfInRange(pin, init, "40"));
  EXPECT_EQ(pin.PinConfig[1], 20) << "waits for the box to be confirmed";
  EXPECT_TRUE(TakeTypedIfInRange(pin, *FindConfigParam("TextSrvInitPos"), "-10"));
  EXPECT_EQ(pin.PinConfig[1], 54);
}

TEST(ParamBoxTest, SpinButtonsStoreTheirBuddysValue) {
  PinRecord pin;
  SetParamFromSpin(pin, *FindConfigParam("UpDownBU"), -10);
  EXPECT_EQ(pin.PinConfig[10], 54);
  SetParamFromSpin(pin, *FindConfigParam("UpDownInputDelay_1"), 5);
  EXPECT_EQ(pin.PinConfig[4], 5);
  SetParamFromSpin(pin, *FindConfigParam("UpDownMaxSpeed"), 0);
  EXPECT_EQ(pin.PinConfig[6], 1);
  EXPECT_EQ(FindConfigParam("TextNoSuchBox"), nullptr);
}

// ---- Tabs and defaults ----

struct DefaultsCase {
  int tab;
  int live_level;
  Block block;
};

class TabDefaultsTest : public ::testing::TestWithParam<DefaultsCase> {};

TEST_P(TabDefaultsTest, ChoosingTheTabForAnotherKindLoadsTheDefaults) {
  PinRecord pin;
  pin.PinConfig = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};  // no kind at all
  pin.LiveLevel = 9;
  ChooseTab(pin, GetParam().tab);
  EXPECT_EQ(pin.PinConfig, GetParam().block);
  EXPECT_EQ(pin.LiveLevel, GetParam().live_level);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, TabDefaultsTest,
                         ::testing::Values(
                             DefaultsCase{
                                 kTabServo, 64, {1, 64, 0, 64, 127, 58, 127, 127, 64, 0, 64, 0, 9}},
                             DefaultsCase{kTabPwm, 0, {2, 0, 0, 28, 0, 31, 0, 0, 0, 0, 0, 0, 9}},
                             DefaultsCase{kTabInput, 0, {5, 0, 0, 4, 4, 0, 0, 0, 0, 0, 0, 0, 9}},
                             DefaultsCase{kTabClear, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}}));

TEST(TabDefaultsTest, APinOfTheTabsKindKeepsItsValues) {
  PinRecord pin;
  pin.PinConfig = {3, 10, 1, 5, 2, 30};
  pin.LiveLevel = 12;
  ChooseTab(pin, kTabPwm);
  EXPECT_EQ(pin.PinConfig, (Block{3, 10, 1, 5, 2, 30})) << "an inverted output stays inverted";
  EXPECT_EQ(pin.LiveLevel, 12);
  ChooseTab(pin, kTabServo);
  EXPECT_EQ(pin.PinConfig, (Block{1, 64, 0, 64, 127, 58, 127, 127, 64, 0, 64, 0}));
  EXPECT_EQ(pin.LiveLevel, 64);
}

TEST(TabDefaultsTest, InputTabMakesAnUnconfiguredPinALowActiveInput) {
  PinRecord pin;
  ChooseTab(pin, kTabInput);
  const PinConfigView v = [&] {
    Configuration c = DefaultConfiguration();
    c.Pins[0] = pin;
    return ShowPinConfig(c);
  }();
  EXPECT_EQ(v.tab, kTabInput);
  EXPECT_TRUE(v.input.low_active);
  EXPECT_EQ(v.input.off_delay, 4);
  EXPECT_EQ(v.input.on_delay, 4);
}

// ---- The panel ----

class ShowPinConfigTest : public ::testing::Test {
 protected:
  Configuration c_ = DefaultConfiguration();
  PinRecord& pin_ = c_.Pins[9];
  void SetUp() override { c_.CurrentPin = 9; }
};

TEST_F(ShowPinConfigTest, ServoPanelShowsSignedValuesAndTheInitialisedStatus) {
  pin_.PinConfig = {1, 54, 90, 70, 100, 58, 20, 30, 80, 5, 40, 6};
  pin_.LiveLevel = 70;
  const PinConfigView v = ShowPinConfig(c_);
  EXPECT_EQ(v.tab, kTabServo);
  EXPECT_EQ(v.servo.init_pos, -10);
  EXPECT_EQ(v.servo.range, 2);
  EXPECT_TRUE(v.servo.auto_suspend);
  EXPECT_FALSE(v.servo.suspended);
  EXPECT_TRUE(v.servo.initialised);
  EXPECT_EQ(v.servo.midpoint, 6);
  EXPECT_EQ(v.servo.anti_mass, 100);
  EXPECT_EQ(v.servo.friction, 58);
  EXPECT_EQ(v.servo.max_spd, 20);
  EXPECT_EQ(v.servo.max_accel, 30);
  EXPECT_EQ(v.servo.bounce_down, 16);
  EXPECT_EQ(v.servo.bounce_down_factor, 5);
  EXPECT_EQ(v.servo.bounce_up, -24);
  EXPECT_EQ(v.servo.bounce_up_factor, 6);
  EXPECT_EQ(v.servo.position, 6);
  EXPECT_FALSE(v.hwc_warning);
  EXPECT_EQ(v.message, "");
}

TEST_F(ShowPinConfigTest, ServoOrInputInAGroupWithDriversIsWarnedAbout) {
  LoadDefaults(pin_, kTabServo);
  c_.Settings.HwcSource[1] = true;  // pins 8..15
  EXPECT_TRUE(ShowPinConfig(c_).hwc_warning);
  LoadDefaults(pin_, kTabInput);
  EXPECT_TRUE(ShowPinConfig(c_).hwc_warning);
  LoadDefaults(pin_, kTabPwm);
  EXPECT_FALSE(ShowPinConfig(c_).hwc_warning) << "a PWM output needs its drivers";
  c_.CurrentPin = 16;
  LoadDefaults(c_.Pins[16], kTabServo);
  EXPECT_FALSE(ShowPinConfig(c_).hwc_warning);
}

TEST_F(ShowPinConfigTest, PwmPanelShowsModesAndLevels) {
  pin_.PinConfig = {3, 10, 3, 5, 2, 30};
  pin_.LiveLevel = 17;
  const PinConfigView v = ShowPinConfig(c_);
  EXPECT_EQ(v.tab, kTabPwm);
  EXPECT_TRUE(v.pwm.inverted);
  EXPECT_EQ(v.pwm.drive_mode, 1);
  EXPECT_EQ(v.pwm.accel_mode, 1);
  EXPECT_EQ(v.pwm.init_level, 10);
  EXPECT_EQ(v.pwm.accel, 5);
  EXPECT_EQ(v.pwm.off_level, 2);
  EXPECT_EQ(v.pwm.on_level, 30);
  EXPECT_EQ(v.pwm.level, 17);
}

TEST_F(ShowPinConfigTest, UnknownTypeLeavesTheTabAndSaysSo) {
  pin_.PinConfig[0] = 7;
  const PinConfigView v = ShowPinConfig(c_);
  EXPECT_EQ(v.tab, -1);
  EXPECT_EQ(v.message, "Unknown configuration: 7");
  pin_.PinConfig[0] = 0;
  EXPECT_EQ(ShowPinConfig(c_).tab, kTabClear);
}

TEST(CommitPinConfigEditsTest, ValidatesTheShownTabsBoxesOnly) {
  PinRecord pin;
  LoadDefaults(pin, kTabServo);
  std::map<std::string, std::string, std::less<>> texts = {
      {"TextMidpoint", "-5"},   {"TextSrvMaxSpd", "200"},    {"TextSrvMaxAccel", "0"},
      {"TextSrvAntiMass", "3"}, {"TextSrvFriction", "4"},    {"TextBounceUp", "9"},
      {"TextBounceDown", "-9"}, {"TextBounceUpFactor", "7"}, {"TextBounceDownFactor", "8"},
      {"TextSrvInitPos", "20"}};
  const auto out = CommitPinConfigEdits(
      pin, kTabServo, [&](std::string_view name) { return texts.find(name)->second; });
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(out[0].control, "TextMidpoint");
  EXPECT_EQ(out[1].text, "127");
  EXPECT_EQ(out[2].text, "1");
  EXPECT_EQ(out[5].text, "0");
  EXPECT_EQ(out[6].text, "0");
  EXPECT_EQ(pin.PinConfig, (Block{1, 64, 0, 59, 3, 4, 127, 1, 64, 8, 64, 7}))
      << "the initial position is not among them";
  EXPECT_EQ(CommittedControls(kTabPwm), (std::vector<std::string>{"TextPWMAccel"}));
  EXPECT_EQ(CommittedControls(kTabInput),
            (std::vector<std::string>{"TextInputDelay_0", "TextInputDelay_1"}));
  EXPECT_TRUE(CommittedControls(kTabClear).empty());
}

// ---- Exchanges ----

class PinConfigExchangeTest : public LinkFixture {
 protected:
  void SetUp() override { SkipReset(); }
  Configuration c_ = DefaultConfiguration();
};

TEST_F(PinConfigExchangeTest, InitialisedServoShowsTheStatusAndWritesItBack) {
  QueueReplies({{113, 6, 1, 64, 90, 64, 127, 58, 127, 127, 64, 0, 64, 0}});
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 6));
  EXPECT_EQ(SentPayloads(), (Frames{{113, 6}}));
  EXPECT_EQ(c_.Pins[6].PinConfig[2], 90);
  c_.CurrentPin = 6;
  EXPECT_TRUE(ShowPinConfig(c_).servo.initialised);

  link_.State().Bidirectional = false;
  channel_->ClearWritten();
  EXPECT_TRUE(WritePinConfig(link_, c_, kStoredCopy, 6));
  EXPECT_EQ(SentPayloads(), (Frames{{97, 6, 1, 64, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0}}));
  EXPECT_EQ(c_.Pins[6].PinConfig[2], 26);
}

TEST_F(PinConfigExchangeTest, ServoReplyWithoutBit3IsNormalised) {
  QueueReplies({{113, 0, 1, 64, 48}});
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 0));
  EXPECT_EQ(c_.Pins[0].PinConfig[2], 43);
}

TEST_F(PinConfigExchangeTest, GetTakesTheCurrentPositionReadTakesTheInitialOne) {
  LoadDefaults(c_.Pins[3], kTabServo);
  c_.Pins[3].PinConfig[1] = 50;
  QueueReplies({{81, 3, 1, 70, 26}, {113, 3, 1, 70, 26}});
  ASSERT_TRUE(ReadPinConfig(link_, c_, kWorkingCopy, 3));
  EXPECT_EQ(c_.Pins[3].LiveLevel, 70) << "position 6";
  EXPECT_EQ(c_.Pins[3].PinConfig[1], 50) << "P1 as it was";
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 3));
  EXPECT_EQ(c_.Pins[3].PinConfig[1], 70);
  EXPECT_EQ(SentPayloads(), (Frames{{81, 3}, {113, 3}}));
}

TEST_F(PinConfigExchangeTest, PwmReplyOfFourDataBytesGivesLevels0And31) {
  c_.Pins[2].PinConfig = {2, 1, 1, 1, 9, 9};
  QueueReplies({{113, 2, 2, 12, 1, 20}});
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 2));
  EXPECT_EQ(c_.Pins[2].PinConfig, (Block{2, 12, 1, 20, 0, 31}));
}

TEST_F(PinConfigExchangeTest, ANewTypeClearsWhatTheReplyDoesNotCarry) {
  LoadDefaults(c_.Pins[1], kTabServo);
  c_.Pins[1].PinConfig[12] = 5;
  QueueReplies({{113, 1, 5, 0, 0, 6, 7}, {113, 1, 1}});
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 1));
  EXPECT_EQ(c_.Pins[1].PinConfig, (Block{5, 0, 0, 6, 7}));
  ASSERT_TRUE(ReadPinConfig(link_, c_, kStoredCopy, 1));
  EXPECT_EQ(c_.Pins[1].PinConfig, (Block{1, 64})) << "a new servo starts centred";
  EXPECT_EQ(c_.Pins[1].LiveLevel, 64);
}

struct BadConfigReply {
  const char* name;
  std::vector<int> reply;
};

void PrintTo(const BadConfigReply& c, std::ostream* os) { *os << c.name; }

class PinConfigBadReplyTest : public PinConfigExchangeTest,
                              public ::testing::WithParamInterface<BadConfigReply> {};

TEST_P(PinConfigBadReplyTest, LeavesTheBlockAndSaysNoValidResponse) {
  LoadDefaults(c_.Pins[4], kTabPwm);
  const PinRecord before = c_.Pins[4];
  QueueReplies({GetParam().reply});
  EXPECT_FALSE(ReadPinConfig(link_, c_, kStoredCopy, 4));
  EXPECT_EQ(c_.Pins[4], before);
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"No valid response"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, PinConfigBadReplyTest,
                         ::testing::Values(BadConfigReply{"AnotherPin", {113, 5, 2, 0, 0, 0}},
                                           BadConfigReply{"AnotherCommand", {114, 4, 2}},
                                           BadConfigReply{"NoDataBytes", {113, 4}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PinConfigExchangeTest, NoReplyFailsWithTheLinksMessageOnly) {
  EXPECT_FALSE(ReadPinConfig(link_, c_, kWorkingCopy, 0));
  EXPECT_EQ(
      prompter_.Texts(),
      (std::vector<std::string>{"No response received, resetting bidirectional communication"}));
}

struct PayloadCase {
  const char* name;
  Block block;
  int live_level;
  int index;
  std::vector<int> payload;
};

void PrintTo(const PayloadCase& c, std::ostream* os) { *os << c.name; }

class PinConfigPayloadTest : public ::testing::TestWithParam<PayloadCase> {};

TEST_P(PinConfigPayloadTest, SendsTheTypesBytes) {
  PinRecord pin;
  pin.PinConfig = GetParam().block;
  pin.LiveLevel = static_cast<uint8_t>(GetParam().live_level);
  EXPECT_EQ(PinConfigPayload(pin, GetParam().index, 7), GetParam().payload);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, PinConfigPayloadTest,
    ::testing::Values(
        PayloadCase{"ServoWorkingCopyCarriesThePosition",
                    {1, 64, 90, 64, 127, 58, 127, 127, 64, 0, 64, 0, 9},
                    70,
                    kWorkingCopy,
                    {65, 7, 1, 70, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0}},
        PayloadCase{"InvertedPwmStored",
                    {3, 10, 1, 5, 2, 30, 9, 9},
                    17,
                    kStoredCopy,
                    {97, 7, 3, 10, 1, 5, 2, 30}},
        PayloadCase{"PwmWorkingCopyCarriesTheLevel",
                    {2, 10, 1, 5, 2, 30},
                    17,
                    kWorkingCopy,
                    {65, 7, 2, 17, 1, 5, 2, 30}},
        PayloadCase{"Input", {5, 0, 3, 4, 4, 9}, 0, kStoredCopy, {97, 7, 5, 0, 3, 4, 4}},
        PayloadCase{"Unconfigured", {0, 9, 9}, 0, kStoredCopy, {97, 7, 0}},
        PayloadCase{"UnknownTypeIsSentAsUnconfigured", {8, 9, 9}, 0, kWorkingCopy, {65, 7, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::test

#include "pins/InstructionSet.h"

#include <gtest/gtest.h>

#include <set>


namespace pyra::test {
namespace {

// ---- The table ----

struct EntryCase {
  int code;
  int group;
  const char* name;
  bool fade;
  std::array<const char*, 4> captions;  // "" = the box does not apply
  int par1_max;
  int help_tool;
  int display_offset;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.code << " " << c.name; }

class InstructionEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(InstructionEntryTest, MatchesTheInstructionTable) {
  const EntryCase& e = GetParam();
  const InstructionDef& d = InstructionTable()[e.code];
  EXPECT_EQ(d.Group, e.group);
  EXPECT_EQ(d.Name, e.name);
  EXPECT_EQ(d.HasFade, e.fade);
  EXPECT_EQ(d.Caption0, e.captions[0]);
  EXPECT_EQ(d.Caption1, e.captions[1]);
  EXPECT_EQ(d.Caption2, e.captions[2]);
  EXPECT_EQ(d.Caption3, e.captions[3]);
  EXPECT_EQ(d.UsesOffset, *e.captions[0] != 0);
  EXPECT_EQ(d.UsesPar1, *e.captions[1] != 0);
  EXPECT_EQ(d.UsesPar2, *e.captions[2] != 0);
  EXPECT_EQ(d.UsesPar3, *e.captions[3] != 0);
  EXPECT_EQ(d.Par1Min, 0);
  EXPECT_EQ(d.Par1Max, e.par1_max);
  EXPECT_EQ(d.HelpTool, e.help_tool);
  EXPECT_EQ(d.Par1DisplayOffset, e.display_offset);
}

constexpr std::array<const char*, 4> kPO60 = {"P.O.", "T(/60)", "", ""};
constexpr std::array<const char*, 4> kPOPatt = {"P.O.", "Patt.", "", ""};
constexpr std::array<const char*, 4> kTimed = {"Accel", "Level", "Time", "Base"};
constexpr std::array<const char*, 4> kChance = {"Accel", "Chance", "Time", "Base"};
constexpr std::array<const char*, 4> kServoTimed = {"", "Pos", "Time", "Base"};
constexpr std::array<const char*, 4> kWait = {"", "", "Time", "Base"};
constexpr std::array<const char*, 4> kSetAspect = {"P.O.", "", "Time", "Base"};

std::vector<EntryCase> Entries() {
  std::vector<EntryCase> v = {
      {0, 0, "-", false, {"", "", "", ""}, 0, 0, 0},
      {1, 3, "Jump", false, {"P.O.", "Asp#", "Ins#", ""}, 11, 0, 0},
      {2, 5, "SNxx Feedback", false, {"FB#", "Mod#", "State", ""}, 15, 0, 0},
      {3, 4, "NS G->Y->R", true, {"P.O.", "Type", "", ""}, 1, 0, 0},
      {4, 5, "SendSerial 1", false, {"", "Byte", "", ""}, 255, 0, 0},
      {5, 5, "SendSerial 2", false, {"", "Byte1", "Byte2", ""}, 255, 0, 0},
      {6, 0, "Blink alt", true, kPO60, 127, 0, 0},
      {7, 4, "Clone", true, {"P.O.", "Source", "", ""}, 31, 0, 0},
      {8, 0, "Off", true, kPO60, 127, 0, 0},
      {9, 0, "On", true, kPO60, 127, 0, 0},
      {10, 0, "Invert", true, kPO60, 127, 0, 0},
      {11, 0, "Random", true, kPO60, 127, 0, 0},
      {12, 0, "Multibit 2", true, kPOPatt, 127, 2, 0},
      {13, 0, "Multibit 3", true, kPOPatt, 127, 3, 0},
      {14, 0, "Multibit 4", true, kPOPatt, 127, 4, 0},
      {15, 0, "Multibit 5", true, kPOPatt, 127, 5, 0},
      {16, 3, "Event Input", false, {"", "ETImap", "", ""}, 127, 16, 0},
      {17, 5, "Feedback", false, {"P.O.", "Aspect", "", ""}, 11, 0, 0},
      {18, 5, "MXpulse", false, {"MXpin", "T(/60)", "Level", ""}, 127, 0, 0},
      {20, 5, "SendSPI", false, {"", "Byte1", "Byte2", ""}, 255, 0, 0},
      {21, 5, "NSA", false, {"Pin", "Mod#", "Aspect", ""}, 95, 0, 0},
      {32, 0, "Multibit 6", true, kPOPatt, 127, 6, 0},
      {33, 0, "Multibit 7", true, kPOPatt, 127, 7, 0},
      {34, 0, "Multibit 6 AD", true, kPOPatt, 127, 6, 0},
      {35, 0, "Multibit 7 AD", true, kPOPatt, 127, 7, 0},
      {36, 0, "Multibit 6 ND", true, kPOPatt, 127, 6, 0},
      {37, 0, "Multibit 7 ND", true, kPOPatt, 127, 7, 0},
      {38, 1, "Set Level", true, {"P.O.", "Level", "", ""}, 31, 0, 0},
      {39, 2, "Set Servo", true, {"P.O.", "Pos.", "", ""}, 127, 0, -64},
      {42, 0, "Multiblink 2", true, kPO60, 127, 0, 0},
      {43, 0, "Multiblink 3", true, kPO60, 127, 0, 0},
      {44, 0, "Multiblink 4", true, kPO60, 127, 0, 0},
      {45, 0, "Multiblink 5", true, kPO60, 127, 0, 0},
      {46, 0, "Multiblink 6", true, kPO60, 127, 0, 0},
      {47, 0, "Multiblink 7", true, kPO60, 127, 0, 0},
      {96, 1, "SetLevel & Wait", false, kTimed, 31, 9, 0},
      {97, 1, "SetLevel & WtRnd", false, kTimed, 31, 9, 0},
      {98, 1, "SetRnd & Wait", false, kChance, 31, 9, 0},
      {99, 1, "SetRnd & WtRnd", false, kChance, 31, 9, 0},
      {100, 2, "SetServo & Wait", false, kServoTimed, 127, 9, -64},
      {101, 2, "SetServo & WtRnd", false, kServoTimed, 127, 9, -64},
      {102, 3, "Wait", false, kWait, 0, 9, 0},
      {103, 3, "Wait Random", false, kWait, 0, 9, 0},
      {127, 2, "Suspend Servo", false, kSetAspect, 0, 9, 0},
  };
  static const char* const kAspectNames[] = {
      "SetAspect 0", "SetAspect 1", "SetAspect 2", "SetAspect 3", "SetAspect 4",  "SetAspect 5",
      "SetAspect 6", "SetAspect 7", "SetAspect 8", "SetAspect 9", "SetAspect 10", "SetAspect 11"};
  for (int a = 0; a < 12; ++a)
    v.push_back({112 + a, 3, kAspectNames[a], false, kSetAspect, 0, 9, 0});
  return v;
}

INSTANTIATE_TEST_SUITE_P(AllDefinedCodes, InstructionEntryTest, ::testing::ValuesIn(Entries()));

TEST(InstructionTableTest, HoldsExactlyTheDefinedCodesAndLeavesTheRestEmpty) {
  std::set<int> defined;
  for (const EntryCase& e : Entries()) defined.insert(e.code);
  ASSERT_EQ(InstructionTable().size(), 129u);
  for (int code = 0; code < kInstructionCount; ++code) {
    const InstructionDef& d = InstructionTable()[code];
    EXPECT_EQ(!d.Name.empty(), defined.count(code) == 1) << "code " << code;
    if (d.Name.empty()) {
      EXPECT_FALSE(d.HasFade || d.UsesOffset || d.UsesPar1 || d.UsesPar2 || d.UsesPar3) << code;
    }
  }
  EXPECT_EQ(defined.size(), 56u);
  EXPECT_TRUE(Instruction(200).Name.empty()) << "codes outside the table read as undefined";
}

TEST(InstructionTableTest, EveryInstructionWithFadeHasBitFourClear) {
  for (int code = 0; code < kInstructionCount; ++code) {
    if (InstructionTable()[code].HasFade) {
      EXPECT_EQ(code & 16, 0) << code;
    }
  }
}

TEST(InstructionTableTest, ListShowsTheGroupsInOrder) {
  std::vector<std::string> names;
  for (int code : InstructionListOrder()) names.push_back(InstructionTable()[code].Name);
  const std::vector<std::string> expected = {
      "-", "Blink alt", "Off", "On", "Invert", "Random", "Multibit 2", "Multibit 3", "Multibit 4",
      "Multibit 5", "Multibit 6", "Multibit 7", "Multibit 6 AD", "Multibit 7 AD", "Multibit 6 ND",
      "Multibit 7 ND", "Multiblink 2", "Multiblink 3", "Multiblink 4", "Multiblink 5",
      "Multiblink 6", "Multiblink 7",
      // group 1
      "Set Level", "SetLevel & Wait", "SetLevel & WtRnd", "SetRnd & Wait", "SetRnd & WtRnd",
      // group 2
      "Set Servo", "SetServo & Wait", "SetServo & WtRnd", "Suspend Servo",
      // group 3
      "Jump", "Event Input", "Wait", "Wait Random", "SetAspect 0", "SetAspect 1", "SetAspect 2",
      "SetAspect 3", "SetAspect 4", "SetAspect 5", "SetAspect 6", "SetAspect 7", "SetAspect 8",
      "SetAspect 9", "SetAspect 10", "SetAspect 11",
      // group 4
      "NS G->Y->R", "Clone",
      // group 5
      "SNxx Feedback", "SendSerial 1", "SendSerial 2", "Feedback", "MXpulse", "SendSPI", "NSA"};
  EXPECT_EQ(names, expected);
}

TEST(InstructionTableTest, AspectGeometryFollowsTheMode) {
  EXPECT_EQ(AspectCount(3), 4);
  EXPECT_EQ(StepCount(3), 9);
  EXPECT_EQ(AspectCount(2), 12);
  EXPECT_EQ(StepCount(2), 3);
  for (int mode : {0, 1, 4, 127}) {
    EXPECT_EQ(AspectCount(mode), 0) << mode;
    EXPECT_EQ(StepCount(mode), 0) << mode;
  }
}

TEST(InstructionTableTest, AspectModeOptionsMapBothWays) {
  EXPECT_EQ(AspectModeOfOption(0), 0);
  EXPECT_EQ(AspectModeOfOption(1), 3);
  EXPECT_EQ(AspectModeOfOption(2), 2);
  EXPECT_EQ(OptionOfAspectMode(3), 1);
  EXPECT_EQ(OptionOfAspectMode(2), 2);
  EXPECT_EQ(OptionOfAspectMode(0), 0);
  EXPECT_EQ(OptionOfAspectMode(5), 0) << "an unknown mode shows as no aspects";
}

// ---- RefreshStep ----

TEST(RefreshStepTest, UnusedBytesAndFadeWithoutHasFadeAreForcedToZero) {
  const StepRowView v = ViewStep({102, 1, 5, 7, 10, 2});  // "Wait" uses Par2/Par3 only
  EXPECT_EQ(v.step, (StepRecord{102, 0, 0, 0, 10, 2}));
  EXPECT_EQ(v.applies, (std::array<bool, 4>{false, false, true, true}));
  EXPECT_FALSE(v.fade_shown);
  EXPECT_EQ(v.fade_heading, "");
  EXPECT_EQ(v.captions, (std::array<std::string, 4>{"", "", "Time", "Base"}));
  EXPECT_EQ(v.time_label, "00:12.80");
}

TEST(RefreshStepTest, FadeStaysOnAnInstructionWithFade) {
  const StepRowView v = ViewStep({9, 1, 3, 20, 9, 9});  // "On"
  EXPECT_EQ(v.step, (StepRecord{9, 1, 3, 20, 0, 0}));
  EXPECT_TRUE(v.fade_shown);
  EXPECT_EQ(v.fade_heading, "Fade");
  EXPECT_EQ(v.time_label, "00:00.00");
}

TEST(RefreshStepTest, ChoosingAnotherInstructionKeepsTheBytesThatStillApply) {
  Configuration c = DefaultConfiguration();
  c.CurrentPin = 4;
  c.CurrentAspect = 2;
  auto& step = c.Pins[4].Aspects[2].Steps[1];
  step = {38, 1, 3, 20, 0, 0};  // "Set Level" with fade
  StepRowView v = ChooseInstruction(c, 1, 96);
  EXPECT_EQ(step, (StepRecord{96, 0, 3, 20, 0, 0})) << "fade dropped, offset and level kept";
  EXPECT_EQ(v.captions[0], "Accel");
  v = ChooseInstruction(c, 1, 102);
  EXPECT_EQ(step, (StepRecord{102, 0, 0, 0, 0, 0}));
  v = SetStepFade(c, 1, true);
  EXPECT_EQ(step.Fade, 0) << "Wait has no fade";
  ChooseInstruction(c, 1, 8);
  SetStepFade(c, 1, true);
  EXPECT_EQ(step.Fade, 1);
}

// ---- Box validators ----

struct BoxCase {
  const char* name;
  StepBox box;
  int opcode;
  const char* typed;
  int number_base;
  int pin;
  const char* text;  // what the box shows afterwards
  int stored;
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class StepBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(StepBoxTest, ClampsTheTextAndStoresTheByte) {
  const BoxCase& k = GetParam();
  BoxEdit e;
  switch (k.box) {
    case StepBox::kOffset:
      e = ValidateOffset(k.opcode, k.typed, k.number_base, k.pin);
      break;
    case StepBox::kPar1:
      e = ValidatePar1(k.opcode, k.typed, k.number_base);
      break;
    case StepBox::kPar2:
      e = ValidatePar2(k.opcode, k.typed);
      break;
    case StepBox::kPar3:
      e = ValidatePar3(k.typed);
      break;
  }
  EXPECT_EQ(e.text, k.text);
  EXPECT_EQ(e.stored, k.stored);
}

constexpr StepBox kOff = StepBox::kOffset;
constexpr StepBox kP1 = StepBox::kPar1;
constexpr StepBox kP2 = StepBox::kPar2;
constexpr StepBox kP3 = StepBox::kPar3;

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, StepBoxTest,
    ::testing::Values(
        // Pin offsets name a pin 0..31 from the current pin.
        BoxCase{"OffsetPlusOneOnPin31IsCorrectedTo0", kOff, 9, "1", 1, 31, "0", 0},
        BoxCase{"OffsetMinusOneOnPin0IsCorrectedTo0", kOff, 9, "-1", 1, 0, "0", 0},
        BoxCase{"OffsetMinusOneOnPin5IsStoredAs31", kOff, 9, "-1", 1, 5, "-1", 31},
        BoxCase{"OffsetPlusThreeOnPin5IsStoredAs3", kOff, 9, "3", 1, 5, "3", 3},
        BoxCase{"OffsetBelowPin5GoesToMinus5", kOff, 38, "-9", 0, 5, "-5", 27},
        BoxCase{"OffsetAbovePin5GoesTo26", kOff, 38, "40", 0, 5, "26", 26},
        BoxCase{"NonNumericOffsetReadsZeroAndKeepsItsText", kOff, 9, "abc", 1, 5, "abc", 0},
        // Accel
        BoxCase{"AccelMinusOneIsStoredAs127", kOff, 96, "-1", 1, 3, "-1", 127},
        BoxCase{"AccelMinusFiveGivesMinusOne", kOff, 99, "-5", 1, 3, "-1", 127},
        BoxCase{"AccelAbove31Gives31", kOff, 97, "40", 1, 3, "31", 31},
        BoxCase{"AccelZeroIsZero", kOff, 98, "0", 1, 3, "0", 0},
        // Numbered offsets
        BoxCase{"FeedbackNumberBelowBaseGoesToBase", kOff, 2, "0", 1, 3, "1", 0},
        BoxCase{"FeedbackNumberAboveTopGoesToTop", kOff, 2, "200", 1, 3, "128", 127},
        BoxCase{"FeedbackNumberZeroBased", kOff, 2, "127", 0, 3, "127", 127},
        BoxCase{"NsaPinOneBased", kOff, 21, "5", 1, 3, "5", 4},
        BoxCase{"MatrixPinTopIsBasePlus31", kOff, 18, "33", 1, 3, "32", 31},
        // Par1
        BoxCase{"ServoPosMinus64IsStoredAs0", kP1, 39, "-64", 1, 0, "-64", 0},
        BoxCase{"ServoPos63IsStoredAs127", kP1, 39, "63", 1, 0, "63", 127},
        BoxCase{"ServoPosAboveRangeGoesTo63", kP1, 39, "70", 1, 0, "63", 127},
        BoxCase{"ServoPosBelowRangeGoesToMinus64", kP1, 100, "-100", 1, 0, "-64", 0},
        BoxCase{"ServoWaitPosZeroIsStoredAs64", kP1, 101, "0", 1, 0, "0", 64},
        BoxCase{"CloneSourceOneIsStoredAs0WithOneBasedNumbering", kP1, 7, "1", 1, 0, "1", 0},
        BoxCase{"CloneSourceZeroIsCorrectedToOne", kP1, 7, "0", 1, 0, "1", 0},
        BoxCase{"CloneSourceAboveTopGoesTo32", kP1, 7, "40", 1, 0, "32", 31},
        BoxCase{"CloneSourceZeroBased", kP1, 7, "0", 0, 0, "0", 0},
        BoxCase{"NsaModuleTopIs96OneBased", kP1, 21, "97", 1, 0, "96", 95},
        BoxCase{"FeedbackModuleTopIs16OneBased", kP1, 2, "16", 1, 0, "16", 15},
        BoxCase{"SendSerialByteUpTo255", kP1, 5, "200", 1, 0, "200", 200},
        BoxCase{"SendSerialByteAbove255", kP1, 4, "300", 1, 0, "255", 255},
        BoxCase{"LevelAbove31", kP1, 38, "32", 1, 0, "31", 31},
        BoxCase{"NegativeLevel", kP1, 96, "-2", 1, 0, "0", 0},
        BoxCase{"JumpAspectAbove11", kP1, 1, "12", 1, 0, "11", 11},
        // Par2
        BoxCase{"JumpInstructionTopIs8", kP2, 1, "9", 1, 0, "8", 8},
        BoxCase{"SendSerialSecondByteTopIs255", kP2, 5, "300", 1, 0, "255", 255},
        BoxCase{"SpiSecondByte", kP2, 20, "130", 1, 0, "130", 130},
        BoxCase{"FeedbackStateTopIs1", kP2, 2, "2", 1, 0, "1", 1},
        BoxCase{"MatrixLevelTopIs31", kP2, 18, "40", 1, 0, "31", 31},
        BoxCase{"NsaAspectTopIs11", kP2, 21, "12", 1, 0, "11", 11},
        BoxCase{"TimeTopIs63", kP2, 102, "64", 1, 0, "63", 63},
        BoxCase{"NegativeTimeIsZero", kP2, 102, "-3", 1, 0, "0", 0},
        BoxCase{"TrailingGarbageIsIgnored", kP2, 102, "12abc", 1, 0, "12abc", 12},
        // Par3
        BoxCase{"BaseAbove3", kP3, 102, "4", 1, 0, "3", 3},
        BoxCase{"NegativeBase", kP3, 102, "-1", 1, 0, "0", 0},
        BoxCase{"BaseTwo", kP3, 112, "2", 1, 0, "2", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StepBoxTest, CommitStoresIntoTheCurrentAspectAndRefreshes) {
  Configuration c = DefaultConfiguration();
  c.CurrentPin = 5;
  c.CurrentAspect = 1;
  auto& step = c.Pins[5].Aspects[1].Steps[2];
  step.Opcode = 9;
  StepBoxEdit e = CommitStepBox(c, 2, StepBox::kOffset, "-1");
  EXPECT_EQ(e.text, "-1");
  EXPECT_EQ(step.Offset, 31);
  EXPECT_EQ(ShownStepTexts(step, c.NumberBase, c.CurrentPin)[0], "-1");

  step.Opcode = 102;
  e = CommitStepBox(c, 2, StepBox::kPar1, "17");
  EXPECT_EQ(e.text, "0") << "a box that does not apply shows 0";
  EXPECT_EQ(step.Par1, 0);
  EXPECT_EQ(step.Offset, 0) << "the refresh zeroes every unused byte";
  e = CommitStepBox(c, 2, StepBox::kPar2, "63");
  e = CommitStepBox(c, 2, StepBox::kPar3, "3");
  EXPECT_EQ(e.view.time_label, "10:45.12");
}

// ---- Shown values ----

struct ShownCase {
  const char* name;
  StepRecord step;
  int number_base;
  int pin;
  std::array<std::string, 4> texts;
};

void PrintTo(const ShownCase& c, std::ostream* os) { *os << c.name; }

class ShownStepTest : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ShownStepTest, ShowsTheStoredBytes) {
  const ShownCase& k = GetParam();
  EXPECT_EQ(ShownStepTexts(k.step, k.number_base, k.pin), k.texts);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, ShownStepTest,
    ::testing::Values(
        ShownCase{
            "OffsetNamingAPinAboveShowsPositive", {9, 0, 3, 0, 0, 0}, 1, 5, {"3", "0", "0", "0"}},
        ShownCase{"OffsetWrappingShowsNegative", {9, 0, 31, 0, 0, 0}, 1, 5, {"-1", "0", "0", "0"}},
        ShownCase{"OffsetOnPin0NeverNegative", {9, 0, 31, 0, 0, 0}, 1, 0, {"31", "0", "0", "0"}},
        ShownCase{
            "AccelStored127ShowsMinusOne", {96, 0, 127, 10, 20, 1}, 1, 0, {"-1", "10", "20", "1"}},
        ShownCase{"AccelShowsItsNumber", {98, 0, 12, 10, 20, 1}, 1, 0, {"12", "10", "20", "1"}},
        ShownCase{"FeedbackNumbersOneBased", {2, 0, 0, 15, 1, 0}, 1, 0, {"1", "16", "1", "0"}},
        ShownCase{"NsaZeroBased", {21, 0, 4, 95, 11, 0}, 0, 0, {"4", "95", "11", "0"}},
        ShownCase{"MatrixPinOneBased", {18, 0, 31, 127, 31, 0}, 1, 9, {"32", "127", "31", "0"}},
        ShownCase{"ServoPositionIsSigned", {39, 1, 0, 0, 0, 0}, 1, 0, {"0", "-64", "0", "0"}},
        ShownCase{"ServoWaitPosition", {100, 0, 0, 127, 5, 2}, 1, 0, {"0", "63", "5", "2"}},
        ShownCase{"CloneSourceOneBased", {7, 0, 0, 0, 0, 0}, 1, 0, {"0", "1", "0", "0"}},
        ShownCase{"BytesUpTo255", {5, 0, 0, 200, 130, 0}, 1, 0, {"0", "200", "130", "0"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Time label ----

TEST(TimeLabelTest, FormatsMinutesSecondsAndHundredths) {
  EXPECT_EQ(FormatTicks(63L * 8 * 8 * 8), "10:45.12");
  EXPECT_EQ(FormatTicks(1), "00:00.02");
  EXPECT_EQ(FormatTicks(0), "00:00.00");
  EXPECT_EQ(FormatTicks(50), "00:01.00");
  EXPECT_EQ(FormatTicks(3000 + 49), "01:00.98");
}

TEST(TimeLabelTest, OnlyTimedInstructionsShowATime) {
  EXPECT_EQ(TimeLabel({102, 0, 0, 0, 63, 3}), "10:45.12");
  EXPECT_EQ(TimeLabel({112, 0, 0, 0, 1, 0}), "00:00.02");
  EXPECT_EQ(TimeLabel({63, 0, 0, 0, 63, 3}), "00:00.00");
  EXPECT_EQ(TimeLabel({9, 0, 0, 0, 63, 3}), "00:00.00");
  EXPECT_EQ(TimeLabel({64, 0, 0, 0, 1, 1}), "00:00.16");
}

// ---- Wire encoding ----

struct WireCase {
  const char* name;
  StepRecord step;
  StepWire wire;
};

void PrintTo(const WireCase& c, std::ostream* os) { *os << c.name; }

class StepWireTest : public ::testing::TestWithParam<WireCase> {};

TEST_P(StepWireTest, EncodesAndDecodesExactly) {
  const WireCase& k = GetParam();
  EXPECT_EQ(EncodeStep(k.step), k.wire);
  EXPECT_EQ(DecodeStep(k.wire), k.step);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, StepWireTest,
    ::testing::Values(
        WireCase{"SendSerial2TopBitsTravelInData1", {5, 0, 0, 200, 130, 0}, {5, 3, 72, 2, 0}},
        WireCase{"SendSerial1HighByte", {4, 0, 0, 255, 0, 0}, {4, 1, 127, 0, 0}},
        WireCase{"SendSpiSecondByteHigh", {20, 0, 0, 5, 128, 0}, {20, 2, 5, 0, 0}},
        WireCase{"SendSpiSmallBytes", {20, 0, 0, 127, 127, 0}, {20, 0, 127, 127, 0}},
        WireCase{"SetLevelWithFade", {38, 1, 2, 31, 0, 0}, {54, 2, 31, 0, 0}},
        WireCase{"SetLevelWithoutFade", {38, 0, 2, 31, 0, 0}, {38, 2, 31, 0, 0}},
        WireCase{"NsWithFade", {3, 1, 1, 1, 0, 0}, {19, 1, 1, 0, 0}},
        WireCase{"MultiblinkWithFade", {47, 1, 31, 60, 0, 0}, {63, 31, 60, 0, 0}},
        WireCase{"NsaIsNotAFadedSendSerial2", {21, 0, 4, 95, 11, 0}, {21, 4, 95, 11, 0}},
        WireCase{"TimedStep", {96, 0, 127, 20, 63, 3}, {96, 127, 20, 63, 3}},
        WireCase{"EventInputIsNotAFadedEmptyStep", {16, 0, 0, 100, 0, 0}, {16, 0, 100, 0, 0}},
        WireCase{"SuspendServo", {127, 0, 4, 0, 10, 1}, {127, 4, 0, 10, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StepWireTest, ByteSendingStepNeverSendsItsOffset) {
  EXPECT_EQ(EncodeStep({5, 0, 9, 1, 2, 0}), (StepWire{5, 0, 1, 2, 0}));
}

}  // namespace
}  // namespace pyra::test

#include "pins/InstructionSet.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(InstructionTableTest, EveryDefinedCodeMatchesItsEntry) {
  for (const EntryCase& e : Entries()) {
    SCOPED_TRACE(e.name);
    const InstructionDef& d = InstructionTable()[e.code];
    EXPECT_EQ(d.Group, e.group);
    EXPECT_EQ(d.Name, e.name);
    EXPECT_EQ(d.HasFade, e.fade);
    const auto& c = e.captions;
    EXPECT_EQ((std::array<std::string, 4>{d.Caption0, d.Caption1, d.Caption2, d.Caption3}),
              (std::array<std::string, 4>{c[0], c[1], c[2], c[3]}));
    EXPECT_EQ((std::array<bool, 4>{d.UsesOffset, d.UsesPar1, d.UsesPar2, d.UsesPar3}),
              (std::array<bool, 4>{*c[0] != 0, *c[1] != 0, *c[2] != 0, *c[3] != 0}));
    EXPECT_EQ(d.Par1Min, 0);
    EXPECT_EQ(d.Par1Max, e.par1_max);
    EXPECT_EQ(d.HelpTool, e.help_tool);
    EXPECT_EQ(d.Par1DisplayOffset, e.display_offset);
  }
}

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

TEST(InstructionTableTest, ListShowsTheGroupsInOrderAndEachGroupByCode) {
  std::vector<EntryCase> expected = Entries();
  std::stable_sort(expected.begin(), expected.end(),
                   [](const EntryCase& a, const EntryCase& b) { return a.group < b.group; });
  std::vector<int> codes;
  for (const EntryCase& e : expected) codes.push_back(e.code);
  EXPECT_EQ(InstructionListOrder(), codes);
}

TEST(InstructionTableTest, AspectModesGiveTheGeometryAndTheOptionButton) {
  struct {
    int mode, aspects, steps, option;
  } const kModes[] = {{3, 4, 9, 1}, {2, 12, 3, 2}, {0, 0, 0, 0},
                      {1, 0, 0, 0}, {4, 0, 0, 0},  {127, 0, 0, 0}};
  for (const auto& m : kModes) {
    SCOPED_TRACE(m.mode);
    EXPECT_EQ(AspectCount(m.mode), m.aspects);
    EXPECT_EQ(StepCount(m.mode), m.steps);
    EXPECT_EQ(OptionOfAspectMode(m.mode), m.option) << "an unknown mode shows as no aspects";
  }
  EXPECT_EQ(AspectModeOfOption(0), 0);
  EXPECT_EQ(AspectModeOfOption(1), 3);
  EXPECT_EQ(AspectModeOfOption(2), 2);
}

// ---- RefreshStep ----

TEST(RefreshStepTest, UnusedBytesAndFadeWithoutHasFadeAreForcedToZero) {
  StepRowView v = ViewStep({102, 1, 5, 7, 10, 2});  // "Wait" uses Par2/Par3 only
  EXPECT_EQ(v.step, (StepRecord{102, 0, 0, 0, 10, 2}));
  EXPECT_EQ(v.applies, (std::array<bool, 4>{false, false, true, true}));
  EXPECT_FALSE(v.fade_shown);
  EXPECT_EQ(v.fade_heading, "");
  EXPECT_EQ(v.captions, (std::array<std::string, 4>{"", "", "Time", "Base"}));
  EXPECT_EQ(v.time_label, "00:12.80");

  v = ViewStep({9, 1, 3, 20, 9, 9});  // "On" keeps its fade
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

constexpr StepBox kOff = StepBox::kOffset;
constexpr StepBox kP1 = StepBox::kPar1;
constexpr StepBox kP2 = StepBox::kPar2;
constexpr StepBox kP3 = StepBox::kPar3;

const BoxCase kBoxCases[] = {
    // Pin offsets name a pin 0..31 from the current pin.
    {"OffsetPlusOneOnPin31IsCorrectedTo0", kOff, 9, "1", 1, 31, "0", 0},
    {"OffsetMinusOneOnPin0IsCorrectedTo0", kOff, 9, "-1", 1, 0, "0", 0},
    {"OffsetMinusOneOnPin5IsStoredAs31", kOff, 9, "-1", 1, 5, "-1", 31},
    {"OffsetPlusThreeOnPin5IsStoredAs3", kOff, 9, "3", 1, 5, "3", 3},
    {"OffsetBelowPin5GoesToMinus5", kOff, 38, "-9", 0, 5, "-5", 27},
    {"OffsetAbovePin5GoesTo26", kOff, 38, "40", 0, 5, "26", 26},
    {"NonNumericOffsetReadsZeroAndKeepsItsText", kOff, 9, "abc", 1, 5, "abc", 0},
    // Accel
    {"AccelMinusOneIsStoredAs127", kOff, 96, "-1", 1, 3, "-1", 127},
    {"AccelMinusFiveGivesMinusOne", kOff, 99, "-5", 1, 3, "-1", 127},
    {"AccelAbove31Gives31", kOff, 97, "40", 1, 3, "31", 31},
    {"AccelZeroIsZero", kOff, 98, "0", 1, 3, "0", 0},
    // Numbered offsets
    {"FeedbackNumberBelowBaseGoesToBase", kOff, 2, "0", 1, 3, "1", 0},
    {"FeedbackNumberAboveTopGoesToTop", kOff, 2, "200", 1, 3, "128", 127},
    {"FeedbackNumberZeroBased", kOff, 2, "127", 0, 3, "127", 127},
    {"NsaPinOneBased", kOff, 21, "5", 1, 3, "5", 4},
    {"MatrixPinTopIsBasePlus31", kOff, 18, "33", 1, 3, "32", 31},
    // Par1
    {"ServoPosMinus64IsStoredAs0", kP1, 39, "-64", 1, 0, "-64", 0},
    {"ServoPos63IsStoredAs127", kP1, 39, "63", 1, 0, "63", 127},
    {"ServoPosAboveRangeGoesTo63", kP1, 39, "70", 1, 0, "63", 127},
    {"ServoPosBelowRangeGoesToMinus64", kP1, 100, "-100", 1, 0, "-64", 0},
    {"ServoWaitPosZeroIsStoredAs64", kP1, 101, "0", 1, 0, "0", 64},
    {"CloneSourceOneIsStoredAs0WithOneBasedNumbering", kP1, 7, "1", 1, 0, "1", 0},
    {"CloneSourceZeroIsCorrectedToOne", kP1, 7, "0", 1, 0, "1", 0},
    {"CloneSourceAboveTopGoesTo32", kP1, 7, "40", 1, 0, "32", 31},
    {"CloneSourceZeroBased", kP1, 7, "0", 0, 0, "0", 0},
    {"NsaModuleTopIs96OneBased", kP1, 21, "97", 1, 0, "96", 95},
    {"FeedbackModuleTopIs16OneBased", kP1, 2, "16", 1, 0, "16", 15},
    {"SendSerialByteUpTo255", kP1, 5, "200", 1, 0, "200", 200},
    {"SendSerialByteAbove255", kP1, 4, "300", 1, 0, "255", 255},
    {"LevelAbove31", kP1, 38, "32", 1, 0, "31", 31},
    {"NegativeLevel", kP1, 96, "-2", 1, 0, "0", 0},
    {"JumpAspectAbove11", kP1, 1, "12", 1, 0, "11", 11},
    // Par2
    {"JumpInstructionTopIs8", kP2, 1, "9", 1, 0, "8", 8},
    {"SendSerialSecondByteTopIs255", kP2, 5, "300", 1, 0, "255", 255},
    {"SpiSecondByte", kP2, 20, "130", 1, 0, "130", 130},
    {"FeedbackStateTopIs1", kP2, 2, "2", 1, 0, "1", 1},
    {"MatrixLevelTopIs31", kP2, 18, "40", 1, 0, "31", 31},
    {"NsaAspectTopIs11", kP2, 21, "12", 1, 0, "11", 11},
    {"TimeTopIs63", kP2, 102, "64", 1, 0, "63", 63},
    {"NegativeTimeIsZero", kP2, 102, "-3", 1, 0, "0", 0},
    {"TrailingGarbageIsIgnored", kP2, 102, "12abc", 1, 0, "12abc", 12},
    // Par3
    {"BaseAbove3", kP3, 102, "4", 1, 0, "3", 3},
    {"NegativeBase", kP3, 102, "-1", 1, 0, "0", 0},
    {"BaseTwo", kP3, 112, "2", 1, 0, "2", 2}};

TEST(StepBoxTest, ClampsTheTextAndStoresTheByte) {
  for (const BoxCase& k : kBoxCases) {
    SCOPED_TRACE(k.name);
    const BoxEdit e = k.box == kOff  ? ValidateOffset(k.opcode, k.typed, k.number_base, k.pin)
                      : k.box == kP1 ? ValidatePar1(k.opcode, k.typed, k.number_base)
                      : k.box == kP2 ? ValidatePar2(k.opcode, k.typed)
                                     : ValidatePar3(k.typed);
    EXPECT_EQ(e.text, k.text);
    EXPECT_EQ(e.stored, k.stored);
  }
}

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

const ShownCase kShownCases[] = {
    {"OffsetNamingAPinAboveShowsPositive", {9, 0, 3, 0, 0, 0}, 1, 5, {"3", "0", "0", "0"}},
    {"OffsetWrappingShowsNegative", {9, 0, 31, 0, 0, 0}, 1, 5, {"-1", "0", "0", "0"}},
    {"OffsetOnPin0NeverNegative", {9, 0, 31, 0, 0, 0}, 1, 0, {"31", "0", "0", "0"}},
    {"AccelStored127ShowsMinusOne", {96, 0, 127, 10, 20, 1}, 1, 0, {"-1", "10", "20", "1"}},
    {"AccelShowsItsNumber", {98, 0, 12, 10, 20, 1}, 1, 0, {"12", "10", "20", "1"}},
    {"FeedbackNumbersOneBased", {2, 0, 0, 15, 1, 0}, 1, 0, {"1", "16", "1", "0"}},
    {"NsaZeroBased", {21, 0, 4, 95, 11, 0}, 0, 0, {"4", "95", "11", "0"}},
    {"MatrixPinOneBased", {18, 0, 31, 127, 31, 0}, 1, 9, {"32", "127", "31", "0"}},
    {"ServoPositionIsSigned", {39, 1, 0, 0, 0, 0}, 1, 0, {"0", "-64", "0", "0"}},
    {"ServoWaitPosition", {100, 0, 0, 127, 5, 2}, 1, 0, {"0", "63", "5", "2"}},
    {"CloneSourceOneBased", {7, 0, 0, 0, 0, 0}, 1, 0, {"0", "1", "0", "0"}},
    {"BytesUpTo255", {5, 0, 0, 200, 130, 0}, 1, 0, {"0", "200", "130", "0"}}};

TEST(ShownStepTest, ShowsTheStoredBytes) {
  for (const ShownCase& k : kShownCases) {
    EXPECT_EQ(ShownStepTexts(k.step, k.number_base, k.pin), k.texts) << k.name;
  }
}

// ---- Time label ----

TEST(TimeLabelTest, FormatsMinutesSecondsAndHundredthsOfTimedSteps) {
  EXPECT_EQ(FormatTicks(63L * 8 * 8 * 8), "10:45.12");
  EXPECT_EQ(FormatTicks(1), "00:00.02");
  EXPECT_EQ(FormatTicks(0), "00:00.00");
  EXPECT_EQ(FormatTicks(50), "00:01.00");
  EXPECT_EQ(FormatTicks(3000 + 49), "01:00.98");
  // Only timed instructions show a time.
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

const WireCase kWireCases[] = {
    {"SendSerial2TopBitsTravelInData1", {5, 0, 0, 200, 130, 0}, {5, 3, 72, 2, 0}},
    {"SendSerial1HighByte", {4, 0, 0, 255, 0, 0}, {4, 1, 127, 0, 0}},
    {"SendSpiSecondByteHigh", {20, 0, 0, 5, 128, 0}, {20, 2, 5, 0, 0}},
    {"SendSpiSmallBytes", {20, 0, 0, 127, 127, 0}, {20, 0, 127, 127, 0}},
    {"SetLevelWithFade", {38, 1, 2, 31, 0, 0}, {54, 2, 31, 0, 0}},
    {"SetLevelWithoutFade", {38, 0, 2, 31, 0, 0}, {38, 2, 31, 0, 0}},
    {"NsWithFade", {3, 1, 1, 1, 0, 0}, {19, 1, 1, 0, 0}},
    {"MultiblinkWithFade", {47, 1, 31, 60, 0, 0}, {63, 31, 60, 0, 0}},
    {"NsaIsNotAFadedSendSerial2", {21, 0, 4, 95, 11, 0}, {21, 4, 95, 11, 0}},
    {"TimedStep", {96, 0, 127, 20, 63, 3}, {96, 127, 20, 63, 3}},
    {"EventInputIsNotAFadedEmptyStep", {16, 0, 0, 100, 0, 0}, {16, 0, 100, 0, 0}},
    {"SuspendServo", {127, 0, 4, 0, 10, 1}, {127, 4, 0, 10, 1}}};

TEST(StepWireTest, EncodesAndDecodesExactly) {
  for (const WireCase& k : kWireCases) {
    SCOPED_TRACE(k.name);
    EXPECT_EQ(EncodeStep(k.step), k.wire);
    EXPECT_EQ(DecodeStep(k.wire), k.step);
  }
  EXPECT_EQ(EncodeStep({5, 0, 9, 1, 2, 0}), (StepWire{5, 0, 1, 2, 0}))
      << "a byte-sending step never sends its offset";
}

}  // namespace
}  // namespace pyra::test

#include "helptools/HelpTools.h"

#include <gtest/gtest.h>

#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

constexpr int kSetLevel = 38;
constexpr int kMultibit3 = 13;
constexpr int kMultibit4 = 14;
constexpr int kMultibit7 = 33;
constexpr int kEventInput = 16;
constexpr int kWait = 102;
constexpr int kSetServoAndWait = 100;
constexpr int kSetServo = 39;

// ---- Dispatch ----

struct DispatchCase {
  const char* name;
  int opcode;
  HelpBox box;
  HelpToolChoice choice;
};

void PrintTo(const DispatchCase& c, std::ostream* os) { *os << c.name; }

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatchTest, InstructionAndBoxChooseTheTool) {
  const DispatchCase& k = GetParam();
  Configuration c = DefaultConfiguration();
  c.CurrentPin = 3;
  c.CurrentAspect = 1;
  c.Pins[3].Aspects[1].Steps[4].Opcode = static_cast<uint8_t>(k.opcode);
  ScriptedPrompter prompter;
  EXPECT_EQ(DispatchHelpTool(prompter, c, 4, k.box), k.choice);
  if (k.choice.kind == HelpToolKind::kNone) {
    EXPECT_EQ(prompter.Texts(),
              (std::vector<std::string>{
                  "Help tool not available for this box with the selected command"}));
  } else {
    EXPECT_TRUE(prompter.Texts().empty());
  }
}

constexpr HelpToolChoice kNone{};
constexpr HelpToolChoice kCycle{HelpToolKind::kCycleTime, 0};

INSTANTIATE_TEST_SUITE_P(
    Table, DispatchTest,
    ::testing::Values(
        DispatchCase{"SetLevelPar2HasNone", kSetLevel, HelpBox::kPar2, kNone},
        DispatchCase{"SetLevelPar1HasNone", kSetLevel, HelpBox::kPar1, kNone},
        DispatchCase{"Multibit4Par1", kMultibit4, HelpBox::kPar1, {HelpToolKind::kPattern, 4}},
        DispatchCase{"Multibit3Par1", kMultibit3, HelpBox::kPar1, {HelpToolKind::kPattern, 3}},
        DispatchCase{"Multibit7Par1", kMultibit7, HelpBox::kPar1, {HelpToolKind::kPattern, 7}},
        DispatchCase{"Multibit4Par2HasNone", kMultibit4, HelpBox::kPar2, kNone},
        DispatchCase{
            "EventInputPar1", kEventInput, HelpBox::kPar1, {HelpToolKind::kEventPattern, 0}},
        DispatchCase{"WaitPar2", kWait, HelpBox::kPar2, kCycle},
        DispatchCase{"WaitPar3", kWait, HelpBox::kPar3, kCycle},
        DispatchCase{"WaitTimeLabel", kWait, HelpBox::kTimeLabel, kCycle},
        DispatchCase{"WaitPar1HasNone", kWait, HelpBox::kPar1, kNone},
        DispatchCase{"SetServoAndWaitTimeLabel", kSetServoAndWait, HelpBox::kTimeLabel, kCycle},
        DispatchCase{"EmptyStepHasNone", 0, HelpBox::kTimeLabel, kNone}),
    [](const auto& info) { return std::string(info.param.name); });

// No instruction carries the level tool; the dispatch still knows it.
TEST(HelpToolChoiceTest, LevelToolOpensFromPar1Only) {
  EXPECT_EQ(ChooseHelpTool(kHelpToolLevel, HelpBox::kPar1),
            (HelpToolChoice{HelpToolKind::kLevel, 0}));
  EXPECT_EQ(ChooseHelpTool(kHelpToolLevel, HelpBox::kPar3), kNone);
  EXPECT_EQ(ChooseHelpTool(8, HelpBox::kPar1), kNone);
  EXPECT_EQ(ChooseHelpTool(kHelpToolCycleTime, HelpBox::kPar1), kNone);
}

// ---- Returning to the row ----

class HelpToolReturnTest : public ::testing::Test {
 protected:
  HelpToolReturnTest() {
    c_.CurrentPin = 2;
    c_.CurrentAspect = 0;
    c_.Pins[2].AspectMode = kAspectMode4x9;
  }
  StepRecord& Step(int row) { return c_.Pins[2].Aspects[0].Steps[row]; }

  Configuration c_ = DefaultConfiguration();
};

TEST_F(HelpToolReturnTest, CycleTimeOkStoresTimeAndBase) {
  Step(1) = StepRecord{kWait, 0, 0, 0, 10, 1};
  CycleTimeCalculator tool;
  tool.Open("1", "10");
  tool.MoveSlider(63);
  tool.CommitBase("3");
  const CycleTimeReturn r = ReturnCycleTime(c_, 1, tool);
  EXPECT_EQ(r.par2_text, "63");
  EXPECT_EQ(r.par3_text, "3");
  EXPECT_EQ(Step(1), (StepRecord{kWait, 0, 0, 0, 63, 3}));
  EXPECT_EQ(r.view.time_label, "10:45.12");
}

TEST_F(HelpToolReturnTest, CycleTimeCancelWritesBackWhatTheRowHad) {
  Step(1) = StepRecord{kWait, 0, 0, 0, 10, 1};
  CycleTimeCalculator tool;
  tool.Open("1", "10");
  tool.MoveSlider(2);
  tool.CommitBase("0");
  tool.Cancel();
  const CycleTimeReturn r = ReturnCycleTime(c_, 1, tool);
  EXPECT_EQ(r.par2_text, "10");
  EXPECT_EQ(r.par3_text, "1");
  EXPECT_EQ(Step(1), (StepRecord{kWait, 0, 0, 0, 10, 1}));
  EXPECT_EQ(r.view.time_label, "00:01.60");
}

// An unchecked Base text from the row never reaches the step out of range.
TEST_F(HelpToolReturnTest, CycleTimeUncheckedBaseIsStoredInRange) {
  Step(0) = StepRecord{kWait, 0, 0, 0, 5, 0};
  CycleTimeCalculator tool;
  tool.Open("9", "5");
  const CycleTimeReturn r = ReturnCycleTime(c_, 0, tool);
  EXPECT_EQ(r.par3_text, "3");
  EXPECT_EQ(Step(0).Par3, 3);
}

TEST_F(HelpToolReturnTest, PatternOkStoresPar1AndRefreshesTheRow) {
  Step(2) = StepRecord{kMultibit3, 1, 0, 37, 9, 9};
  PatternCalculator tool;
  tool.Open("37", 3);
  tool.SetOutput(1, true);
  const StepBoxEdit r = ReturnParameter(c_, 2, tool.ParameterText());
  EXPECT_EQ(r.text, "39");
  EXPECT_EQ(Step(2), (StepRecord{kMultibit3, 1, 0, 39, 0, 0})) << "unused bytes cleaned";
  EXPECT_TRUE(r.view.fade_shown);
}

TEST_F(HelpToolReturnTest, EventPatternCancelKeepsTheOpeningValue) {
  Step(0) = StepRecord{kEventInput, 0, 0, 20, 0, 0};
  EventPatternCalculator tool;
  tool.Open("20");
  tool.SelectOption(7);
  tool.Cancel();
  const StepBoxEdit r = ReturnParameter(c_, 0, tool.ParameterText());
  EXPECT_EQ(r.text, "20");
  EXPECT_EQ(Step(0).Par1, 20);
}

// The level tool's value goes through the display offset of the row's instruction.
TEST_F(HelpToolReturnTest, ParameterIsStoredWithoutTheDisplayOffset) {
  Step(0) = StepRecord{kSetServo, 0, 0, 64, 0, 0};
  const StepBoxEdit r = ReturnParameter(c_, 0, "-10");
  EXPECT_EQ(r.text, "-10");
  EXPECT_EQ(Step(0).Par1, 54);
}

}  // namespace
}  // namespace pyra::test

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

constexpr HelpToolChoice kNone{};

TEST(HelpToolDispatchTest, InstructionAndBoxChooseTheTool) {
  constexpr HelpToolChoice kCycle{HelpToolKind::kCycleTime, 0};
  const struct {
    int opcode;
    HelpBox box;
    HelpToolChoice choice;
  } cases[] = {
      {kSetLevel, HelpBox::kPar2, kNone},
      {kSetLevel, HelpBox::kPar1, kNone},
      {kMultibit4, HelpBox::kPar1, {HelpToolKind::kPattern, 4}},
      {kMultibit3, HelpBox::kPar1, {HelpToolKind::kPattern, 3}},
      {kMultibit7, HelpBox::kPar1, {HelpToolKind::kPattern, 7}},
      {kMultibit4, HelpBox::kPar2, kNone},
      {kEventInput, HelpBox::kPar1, {HelpToolKind::kEventPattern, 0}},
      {kWait, HelpBox::kPar2, kCycle},
      {kWait, HelpBox::kPar3, kCycle},
      {kWait, HelpBox::kTimeLabel, kCycle},
      {kWait, HelpBox::kPar1, kNone},
      {kSetServoAndWait, HelpBox::kTimeLabel, kCycle},
      {0, HelpBox::kTimeLabel, kNone},  // empty step
  };
  for (const auto& k : cases) {
    SCOPED_TRACE("opcode " + std::to_string(k.opcode) + " box " +
                 std::to_string(static_cast<int>(k.box)));
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
}

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

// Cancel writes back what the row had; an unchecked Base text from the row never reaches the
// step out of range.
TEST_F(HelpToolReturnTest, CycleTimeStoresTimeAndBase) {
  const struct {
    const char* name;
    StepRecord step;
    const char* open_base;
    int slider;        // -1: not moved
    const char* base;  // nullptr: not changed
    bool cancel;
    int par2;
    int par3;
    const char* time_label;
  } cases[] = {
      {"Ok", {kWait, 0, 0, 0, 10, 1}, "1", 63, "3", false, 63, 3, "10:45.12"},
      {"Cancel", {kWait, 0, 0, 0, 10, 1}, "1", 2, "0", true, 10, 1, "00:01.60"},
      {"UncheckedBase", {kWait, 0, 0, 0, 5, 0}, "9", -1, nullptr, false, 5, 3, "00:51.20"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Step(1) = k.step;
    CycleTimeCalculator tool;
    tool.Open(k.open_base, std::to_string(k.step.Par2));
    if (k.slider >= 0) tool.MoveSlider(k.slider);
    if (k.base) tool.CommitBase(k.base);
    if (k.cancel) tool.Cancel();
    const CycleTimeReturn r = ReturnCycleTime(c_, 1, tool);
    EXPECT_EQ(r.par2_text, std::to_string(k.par2));
    EXPECT_EQ(r.par3_text, std::to_string(k.par3));
    EXPECT_EQ(Step(1), (StepRecord{kWait, 0, 0, 0, static_cast<uint8_t>(k.par2),
                                   static_cast<uint8_t>(k.par3)}));
    EXPECT_EQ(r.view.time_label, k.time_label);
  }
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

// The level tool's value goes through the display offset of the row's instruction.
TEST_F(HelpToolReturnTest, ParameterIsStoredWithoutTheDisplayOffset) {
  Step(0) = StepRecord{kSetServo, 0, 0, 64, 0, 0};
  const StepBoxEdit r = ReturnParameter(c_, 0, "-10");
  EXPECT_EQ(r.text, "-10");
  EXPECT_EQ(Step(0).Par1, 54);
}

}  // namespace
}  // namespace pyra::test

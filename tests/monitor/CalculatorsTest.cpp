#include "helptools/Calculators.h"

#include <gtest/gtest.h>

namespace pyra {
namespace {

TEST(CycleTimeToolTest, LabelsShowTheDurations) {
  const struct {
    int time;
    int base;
    const char* time_value;
    const char* max_value;
  } cases[] = {
      {63, 3, "10:45.12", "10:45.12"}, {63, 0, "00:01.26", "00:01.26"},
      {0, 0, "00:00.00", "00:01.26"},  {1, 0, "00:00.02", "00:01.26"},
      {50, 1, "00:08.00", "00:10.08"}, {10, 2, "00:12.80", "01:20.64"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::to_string(k.time) + " base " + std::to_string(k.base));
    CycleTimeCalculator tool;
    tool.Open(std::to_string(k.base), std::to_string(k.time));
    EXPECT_EQ(tool.TimeValue(), k.time_value);
    EXPECT_EQ(tool.MaxTimeValue(), k.max_value);
  }
}

TEST(CycleTimeToolTest, BaseBoxIsPulledIntoRangeAndCancelPutsBackTheOpeningValues) {
  CycleTimeCalculator tool;
  tool.Open("1", "63");
  tool.CommitBase("7");
  EXPECT_EQ(tool.BaseText(), "3");
  EXPECT_EQ(tool.MaxTimeValue(), "10:45.12");
  tool.CommitBase("-2");
  EXPECT_EQ(tool.BaseText(), "0");
  EXPECT_EQ(tool.TimeValue(), "00:01.26");
  tool.CommitBase("2");
  EXPECT_EQ(tool.BaseText(), "2");
  EXPECT_EQ(tool.Base(), 2);
  tool.MoveSlider(40);
  tool.Cancel();
  EXPECT_EQ(tool.BaseText(), "1");
  EXPECT_EQ(tool.Time(), 63);
  EXPECT_EQ(tool.TimeValue(), "00:10.08");
}

TEST(CycleTimeToolTest, SliderKeepsItsRange) {
  CycleTimeCalculator tool;
  tool.Open("0", "99");
  EXPECT_EQ(tool.Time(), 63);
  tool.MoveSlider(-4);
  EXPECT_EQ(tool.Time(), 0);
  tool.MoveSlider(17);
  EXPECT_EQ(tool.TimeValue(), "00:00.34");
}

TEST(LevelToolTest, ParameterSplitsIntoLevelAndTimeIndex) {
  const struct {
    const char* par1;
    int parameter;
    int level;
    int time_index;
    const char* delay;
  } cases[] = {
      {"37", 37, 5, 2, "0.7"},    {"0", 0, 0, 0, "0"},      {"16", 16, 0, 1, "0.5"},
      {"63", 63, 15, 3, "1"},     {"64", 64, 0, 4, "1.4"},  {"90", 90, 10, 5, "2"},
      {"111", 111, 15, 6, "2.8"}, {"200", 127, 15, 7, "4"}, {"-5", 0, 0, 0, "0"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.par1);
    LevelCalculator tool;
    tool.Open(k.par1);
    EXPECT_EQ(tool.Parameter(), k.parameter);
    EXPECT_EQ(tool.LevelText(), std::to_string(k.level));
    EXPECT_EQ(tool.TimeIndexText(), std::to_string(k.time_index));
    EXPECT_EQ(tool.Delay(), k.delay);
  }
}

TEST(LevelToolTest, BoxInsideItsRangeAppliesAtOnce) {
  LevelCalculator tool;
  tool.Open("37");
  EXPECT_TRUE(tool.EditLevel("9", false));
  EXPECT_EQ(tool.ParameterText(), "41");
  EXPECT_TRUE(tool.EditTimeIndex("6", false));
  EXPECT_EQ(tool.ParameterText(), "105");
  EXPECT_EQ(tool.Delay(), "2.8");
}

TEST(LevelToolTest, BoxOutsideItsRangeAppliesCorrectedOnLeavingAndCancelUndoes) {
  LevelCalculator tool;
  tool.Open("37");
  EXPECT_FALSE(tool.EditLevel("20", false));
  EXPECT_EQ(tool.LevelText(), "20");
  EXPECT_EQ(tool.ParameterText(), "37") << "not yet applied";
  EXPECT_TRUE(tool.EditLevel("20", true));
  EXPECT_EQ(tool.LevelText(), "15");
  EXPECT_EQ(tool.ParameterText(), "47");
  EXPECT_TRUE(tool.EditTimeIndex("9", true));
  EXPECT_EQ(tool.TimeIndexText(), "7");
  EXPECT_EQ(tool.ParameterText(), "127");
  EXPECT_TRUE(tool.EditTimeIndex("-1", true));
  EXPECT_EQ(tool.TimeIndexText(), "0");
  EXPECT_EQ(tool.ParameterText(), "15");
  EXPECT_EQ(tool.Delay(), "0");
  tool.Cancel();
  EXPECT_EQ(tool.ParameterText(), "37");
}

TEST(PatternToolTest, BoxesFollowTheValueAndTheOutputCount) {
  const struct {
    int outputs;
    const char* value;
    const char* ticked;  // output +0..+6, '1' ticked
    bool all_dark;
    bool no_dark;
    const char* parameter;
  } cases[] = {
      {3, "37", "1010000", true, false, "37"},
      {7, "127", "1111111", false, false, "127"},
      {6, "127", "1111110", false, false, "63"},  // output +6 drops out
      {2, "70", "0100000", false, true, "66"},
      // Both dark bits come in as stored; the tool only makes them exclusive on a click.
      {5, "127", "1111100", true, true, "127"},
      {4, "0", "0000000", false, false, "0"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.value) + " on " + std::to_string(k.outputs) + " outputs");
    PatternCalculator tool;
    tool.Open(k.value, k.outputs);
    for (int i = 0; i < kPatternOutputs; ++i) {
      EXPECT_EQ(tool.Output(i), k.ticked[i] == '1') << "output +" << i;
      EXPECT_EQ(tool.OutputEnabled(i), i < k.outputs) << "output +" << i;
    }
    EXPECT_EQ(tool.AllDark(), k.all_dark);
    EXPECT_EQ(tool.NoDark(), k.no_dark);
    EXPECT_EQ(tool.DarkEnabled(), k.outputs < 6);
    EXPECT_EQ(tool.ParameterText(), k.parameter);
    EXPECT_EQ(tool.OriginalText(), k.value);
  }
}

TEST(PatternToolTest, DarkOptionsExcludeEachOther) {
  PatternCalculator tool;
  tool.Open("1", 4);
  tool.SetAllDark(true);
  EXPECT_EQ(tool.ParameterText(), "33");
  tool.SetNoDark(true);
  EXPECT_FALSE(tool.AllDark());
  EXPECT_EQ(tool.ParameterText(), "65");
  tool.SetNoDark(false);
  EXPECT_EQ(tool.ParameterText(), "1");
}

TEST(PatternToolTest, DisabledBoxesCannotBeTicked) {
  PatternCalculator tool;
  tool.Open("0", 3);
  tool.SetOutput(3, true);
  tool.SetOutput(2, true);
  EXPECT_EQ(tool.ParameterText(), "4");
  tool.Cancel();
  EXPECT_EQ(tool.ParameterText(), "0");
  PatternCalculator wide;
  wide.Open("0", 7);
  wide.SetAllDark(true);
  wide.SetOutput(6, true);
  EXPECT_EQ(wide.ParameterText(), "64") << "bit 6 is output +6 here, not No Dark-phase";
}

TEST(EventPatternToolTest, ZeroShowsNothingAndInputsWithAnOptionCompose117) {
  EventPatternCalculator tool;
  tool.Open("0");
  for (int i = 0; i < kEventInputs; ++i) EXPECT_FALSE(tool.Input(i));
  EXPECT_EQ(tool.SelectedOption(), kNoEventOption);
  tool.SetInput(0, true);
  tool.SetInput(2, true);
  tool.SelectOption(7);
  EXPECT_EQ(tool.ParameterText(), "117");
  tool.Cancel();
  EXPECT_EQ(tool.ParameterText(), "0");
}

TEST(EventPatternToolTest, OptionsFormOneGroup) {
  EventPatternCalculator tool;
  tool.Open("0");
  tool.SelectOption(2);
  EXPECT_EQ(tool.ParameterText(), "32");
  tool.SelectOption(5);
  EXPECT_EQ(tool.SelectedOption(), 5);
  EXPECT_EQ(tool.ParameterText(), "80");
  tool.SelectOption(4);  // there is no optEvent(4)
  EXPECT_EQ(tool.SelectedOption(), 5);
}

// Every value with an action comes back unchanged through the boxes; without an action the Off
// bit has no option to show and is lost.
TEST(EventPatternToolTest, OpeningIsTheInverseOfTheRecompute) {
  for (int v = 0; v <= 127; ++v) {
    EventPatternCalculator tool;
    tool.Open(std::to_string(v));
    const bool has_action = (v & 48) != 0;
    EXPECT_EQ(tool.ParameterText(), std::to_string(has_action ? v : v & 15)) << v;
    EXPECT_EQ(tool.OriginalText(), std::to_string(v));
  }
}

TEST(EventPatternToolTest, EachOptionAddsItsActionAndEvent) {
  const std::vector<std::pair<int, std::string>> options = {
      {1, "Execute On-Event"},  {2, "Disable On-Event"},  {3, "Enable On-Event"},
      {5, "Execute Off-Event"}, {6, "Disable Off-Event"}, {7, "Enable Off-Event"}};
  const std::array<int, 8> values = {0, 16, 32, 48, 0, 80, 96, 112};
  for (const auto& [j, caption] : options) {
    EXPECT_EQ(EventOptionCaption(j), caption);
    EXPECT_EQ(EventPatternValue({}, j), values[j]) << caption;
  }
  EXPECT_EQ(EventOptionCaption(4), "");
  EXPECT_EQ(EventInputCaption(3), "Event Input 3");
}

}  // namespace
}  // namespace pyra

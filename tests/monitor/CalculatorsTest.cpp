// The help tools as rows of tests/data/helptools/calculators.txt: opened with a row's texts,
// driven, and what they show afterwards; and which tool a double-click opens.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "helptools/HelpTools.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

std::string Bits(int n, const std::function<bool(int)>& bit) {
  std::string s;
  for (int i = 0; i < n; ++i) s += bit(i) ? '1' : '0';
  return s;
}

HelpBox Box(const std::string& name) {
  return name == "par1"   ? HelpBox::kPar1
         : name == "par2" ? HelpBox::kPar2
         : name == "par3" ? HelpBox::kPar3
                          : HelpBox::kTimeLabel;
}

// Runs one row's tool with its actions; returns what the tool shows.
std::string Shown(const std::string& row) {
  struct Words {
    std::string verb, a, b;
  };
  std::vector<Words> parts;  // the opening, then each action
  std::istringstream all(row);
  for (std::string part; std::getline(all, part, ';');) {
    std::istringstream words(part);
    Words& w = parts.emplace_back();
    words >> w.verb >> w.a >> w.b;
  }
  const Words open = parts.front();
  parts.erase(parts.begin());
  auto on = [](const std::string& word) { return word == "1" || word == "leave"; };
  std::ostringstream out;
  if (open.verb == "ct") {
    CycleTimeCalculator t;
    t.Open(open.a, open.b);
    for (const auto& [verb, v, unused] : parts) {
      if (verb == "slider") t.MoveSlider(std::stoi(v));
      if (verb == "base") t.CommitBase(v);
      if (verb == "cancel") t.Cancel();
    }
    out << t.BaseText() << " " << t.Time() << " " << t.TimeValue() << " " << t.MaxTimeValue();
  } else if (open.verb == "level") {
    LevelCalculator t;
    t.Open(open.a);
    for (const auto& [verb, v, how] : parts) {
      if (verb == "level") t.EditLevel(v, on(how));
      if (verb == "index") t.EditTimeIndex(v, on(how));
      if (verb == "cancel") t.Cancel();
    }
    out << t.ParameterText() << " " << t.LevelText() << " " << t.TimeIndexText() << " "
        << t.Delay();
  } else if (open.verb == "pattern") {
    PatternCalculator t;
    t.Open(open.a, std::stoi(open.b));
    for (const auto& [verb, a, b] : parts) {
      if (verb == "out") t.SetOutput(std::stoi(a), on(b));
      if (verb == "alldark") t.SetAllDark(on(a));
      if (verb == "nodark") t.SetNoDark(on(a));
      if (verb == "cancel") t.Cancel();
    }
    out << t.ParameterText() << " " << t.OriginalText() << " "
        << Bits(kPatternOutputs, [&t](int i) { return t.Output(i); }) << " "
        << Bits(kPatternOutputs, [&t](int i) { return t.OutputEnabled(i); }) << " " << t.AllDark()
        << " " << t.NoDark() << " " << t.DarkEnabled();
  } else if (open.verb == "event") {
    EventPatternCalculator t;
    t.Open(open.a);
    for (const auto& [verb, a, b] : parts) {
      if (verb == "in") t.SetInput(std::stoi(a), on(b));
      if (verb == "opt") t.SelectOption(std::stoi(a));
      if (verb == "cancel") t.Cancel();
    }
    out << t.ParameterText() << " " << t.OriginalText() << " "
        << Bits(kEventInputs, [&t](int i) { return t.Input(i); }) << " " << t.SelectedOption();
  } else {
    Configuration c = DefaultConfiguration();
    c.Pins[0].Aspects[0].Steps[4].Opcode = static_cast<uint8_t>(std::stoi(open.a));
    ScriptedPrompter prompter;
    const HelpToolChoice choice = open.verb == "dispatch"
                                      ? DispatchHelpTool(prompter, c, 4, Box(open.b))
                                      : ChooseHelpTool(std::stoi(open.a), Box(open.b));
    constexpr const char* kKinds[] = {"none", "level", "pattern", "event", "cycle"};
    out << kKinds[static_cast<int>(choice.kind)] << " " << choice.outputs;
    for (const std::string& text : prompter.Texts()) out << " / " << text;
  }
  return out.str();
}

TEST(CalculatorsTest, EveryRowShowsWhatItsToolShows) {
  std::ifstream file(std::string(PYRA_TEST_DATA) + "/helptools/calculators.txt");
  ASSERT_TRUE(file);
  int rows = 0;
  for (std::string line; std::getline(file, line);) {
    const std::size_t arrow = line.find(" => ");
    if (line.empty() || line[0] == '#') continue;
    ASSERT_NE(arrow, line.npos) << line;
    EXPECT_EQ(Shown(line.substr(0, arrow)), line.substr(arrow + 4)) << line;
    ++rows;
  }
  EXPECT_GT(rows, 50);
}

// Opening the event-pattern tool is the inverse of its recompute: every value with an action
// comes back unchanged; without an action the Off bit has no option to show and is lost.
TEST(CalculatorsTest, EventPatternOpensEveryValueAsItIsComposed) {
  for (int v = 0; v <= 127; ++v) {
    EventPatternCalculator tool;
    tool.Open(std::to_string(v));
    EXPECT_EQ(tool.ParameterText(), std::to_string((v & 48) != 0 ? v : v & 15)) << v;
  }
}

}  // namespace
}  // namespace pyra::test

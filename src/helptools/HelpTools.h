#pragma once

#include <string>
#include <string_view>

#include "helptools/Calculators.h"
#include "link/Prompter.h"
#include "model/Configuration.h"
#include "pins/InstructionSet.h"

namespace pyra {

// The HelpTool numbers of the instruction table.
inline constexpr int kHelpToolLevel = 1;
inline constexpr int kHelpToolPatternFirst = 2;
inline constexpr int kHelpToolPatternLast = 7;
inline constexpr int kHelpToolEventPattern = 16;

inline constexpr char kNoHelpTool[] =
    "Help tool not available for this box with the selected command";

// Dialog captions.
inline constexpr char kCycleTimeCaption[] = "PyraConfig CalcTime";
inline constexpr char kLevelCaption[] = "LumoConfig Calculate Level";
inline constexpr char kPatternCaption[] = "LumoConfig Calculate Pattern";
inline constexpr char kEventPatternCaption[] = "PyraConfig CalcETImap";

// What of a step row was double-clicked.
enum class HelpBox { kPar1, kPar2, kPar3, kTimeLabel };

enum class HelpToolKind { kNone, kLevel, kPattern, kEventPattern, kCycleTime };

struct HelpToolChoice {
  HelpToolKind kind = HelpToolKind::kNone;
  int outputs = 0;  // the pattern tool's number of outputs
  bool operator==(const HelpToolChoice&) const = default;
};

// The tool a HelpTool value opens from a box: the Par1 box opens the level, pattern and
// event-pattern tools, the Par2 and Par3 boxes and the time label the cycle-time tool.
HelpToolChoice ChooseHelpTool(int help_tool, HelpBox box);

// TextPAspPar1_DblClick, TextPAspPar2_DblClick, TextPAspPar3_DblClick, LabelPAspTime_DblClick of
// row `row`: the tool of the row's instruction in the current aspect, or kNone after the message
// kNoHelpTool.
HelpToolChoice DispatchHelpTool(Prompter& prompter, const Configuration& c, int row, HelpBox box);

// ---- After a tool closes (OK or Cancel) ----

// The Par1 tools: the row's Par1 box takes txtParameter, Par1 the value it stands for, and the
// row is refreshed. `text` is what the Par1 box then shows.
StepBoxEdit ReturnParameter(Configuration& c, int row, std::string_view parameter_text);

// The cycle-time tool: Par3 takes the Base box, Par2 the slider, and the row is refreshed.
struct CycleTimeReturn {
  std::string par2_text;
  std::string par3_text;
  StepRowView view;
};
CycleTimeReturn ReturnCycleTime(Configuration& c, int row, const CycleTimeCalculator& tool);

}  // namespace pyra

#include "helptools/HelpTools.h"

namespace pyra {

HelpToolChoice ChooseHelpTool(int help_tool, HelpBox box) {
  if (box != HelpBox::kPar1) {
    if (help_tool == kHelpToolCycleTime) return {HelpToolKind::kCycleTime, 0};
    return {};
  }
  if (help_tool == kHelpToolLevel) return {HelpToolKind::kLevel, 0};
  if (help_tool >= kHelpToolPatternFirst && help_tool <= kHelpToolPatternLast) {
    return {HelpToolKind::kPattern, help_tool};
  }
  if (help_tool == kHelpToolEventPattern) return {HelpToolKind::kEventPattern, 0};
  return {};
}

HelpToolChoice DispatchHelpTool(Prompter& prompter, const Configuration& c, int row, HelpBox box) {
  const StepRecord& step = c.Pins[c.CurrentPin].Aspects[c.CurrentAspect].Steps[row];
  const HelpToolChoice choice = ChooseHelpTool(Instruction(step.Opcode).HelpTool, box);
  if (choice.kind == HelpToolKind::kNone) prompter.Message(kNoHelpTool);
  return choice;
}

// Both returns go through the boxes' own validation, so a value the tool composed from an
// unchecked opening text is stored within the instruction's range, exactly as if typed.
StepBoxEdit ReturnParameter(Configuration& c, int row, std::string_view parameter_text) {
  return CommitStepBox(c, row, StepBox::kPar1, parameter_text);
}

CycleTimeReturn ReturnCycleTime(Configuration& c, int row, const CycleTimeCalculator& tool) {
  CycleTimeReturn r;
  r.par3_text = CommitStepBox(c, row, StepBox::kPar3, tool.BaseText()).text;
  const StepBoxEdit par2 = CommitStepBox(c, row, StepBox::kPar2, std::to_string(tool.Time()));
  r.par2_text = par2.text;
  r.view = par2.view;
  return r;
}

}  // namespace pyra

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Configuration.h"

namespace pyra {

// One instruction of the aspect language. Codes without a name are not offered and mean nothing.
struct InstructionDef {
  int Group = 0;  // 0..5, orders the instruction list
  std::string Name;
  bool HasFade = false;
  bool UsesOffset = false;
  bool UsesPar1 = false;
  bool UsesPar2 = false;
  bool UsesPar3 = false;
  std::string Caption0;  // headings of the Offset ("Par 0"), Par1, Par2 and Par3 columns
  std::string Caption1;
  std::string Caption2;
  std::string Caption3;
  int Par1Min = 0;
  int Par1Max = 0;  // highest stored Par1
  // Help tool of a double-click: 0 none, 2..7 pattern tool with that many bits, 9 cycle-time
  // tool on Par2/Par3 and the time label, 16 event-pattern tool.
  int HelpTool = 0;
  int Par1DisplayOffset = 0;  // -64 for servo positions
};

inline constexpr int kInstructionCount = 129;
inline constexpr int kHelpToolCycleTime = 9;

// Built once on first use and never changed afterwards.
const std::array<InstructionDef, kInstructionCount>& InstructionTable();
// The entry of a code; any code outside the table reads as an undefined entry.
const InstructionDef& Instruction(int code);

// The codes of the instruction list in the order the list shows them: by group, then by code.
// Lists keep the code as item data; a stored code is found by it, never by its position.
const std::vector<int>& InstructionListOrder();

// Aspect geometry of a pin's aspect mode: 4 x 9 (mode 3), 12 x 3 (mode 2), none otherwise.
int AspectCount(int aspect_mode);
int StepCount(int aspect_mode);
inline constexpr int kStepRows = 9;
// The aspect-mode option buttons "0", "4", "12" (index 0, 1, 2) and the modes they stand for;
// a mode other than 2 or 3 shows as option 0.
int AspectModeOfOption(int option);
int OptionOfAspectMode(int aspect_mode);

// ---- One step row of the aspect editor ----

enum class StepBox { kOffset = 0, kPar1 = 1, kPar2 = 2, kPar3 = 3 };

// What a row shows after RefreshStep. The bytes are the cleaned step: unused parameter bytes
// and the Fade of an instruction without fade are 0.
struct StepRowView {
  StepRecord step;
  // Per box (Offset, Par1, Par2, Par3): true gives the window background. A box that does not
  // apply shows "0" on a button-face background but stays enabled; a box that applies keeps
  // whatever text it has (it is neither re-clamped nor re-shown until edited or re-displayed).
  std::array<bool, 4> applies{};
  bool fade_shown = false;   // the Fade box is shown with the row's list; else hidden, unticked
  std::string fade_heading;  // "Fade" or ""
  std::array<std::string, 4> captions;  // shared column headings: the last refreshed row wins
  std::string time_label;
};

StepRecord CleanStep(const StepRecord& step);
StepRowView ViewStep(const StepRecord& step);
// Cleans step `row` of aspect CurrentAspect of pin CurrentPin in place and returns its view.
StepRowView RefreshStep(Configuration& c, int row);

// The texts a stored step shows in its four boxes (aspect editor, showing a pin or an aspect).
std::array<std::string, 4> ShownStepTexts(const StepRecord& step, int number_base, int current_pin);

// A typed box value after validation: the text the box then shows (the nearest limit when the
// typed value was out of range, else the text as typed) and the byte stored from it.
struct BoxEdit {
  std::string text;
  uint8_t stored = 0;
};
// Pin offsets are relative to `current_pin` and must name a pin 0..31.
BoxEdit ValidateOffset(int opcode, std::string_view typed, int number_base, int current_pin);
BoxEdit ValidatePar1(int opcode, std::string_view typed, int number_base);
BoxEdit ValidatePar2(int opcode, std::string_view typed);
BoxEdit ValidatePar3(std::string_view typed);

// A box handler (Click or LostFocus): validates the typed text into the step of `row` in the
// current aspect, then refreshes the row. `text` is what the box shows afterwards.
struct StepBoxEdit {
  std::string text;
  StepRowView view;
};
StepBoxEdit CommitStepBox(Configuration& c, int row, StepBox box, std::string_view typed);
// The instruction list or the Fade box of a row changed.
StepRowView ChooseInstruction(Configuration& c, int row, int code);
StepRowView SetStepFade(Configuration& c, int row, bool fade);

// ---- Time label ----

// 1 tick = 20 ms, shown as minutes:seconds.hundredths, each two digits.
std::string FormatTicks(long ticks);
// Timed instructions (codes above 63) last Par2 x 8^Par3 ticks; the others show "00:00.00".
std::string TimeLabel(const StepRecord& step);

// ---- Wire encoding (commands 99 and 115) ----

// Opcode byte (Opcode + 16 x Fade), then data 1..4.
using StepWire = std::array<int, 5>;
StepWire EncodeStep(const StepRecord& step);
StepRecord DecodeStep(const StepWire& wire);

}  // namespace pyra

#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pyra {

// The help tools compose one parameter value from its meaning. Each calculator holds what its
// dialog shows; the dialog binds controls to it and holds no arithmetic of its own. Opening a
// calculator is the dialog's activation: it takes the row's box texts and remembers them for
// Cancel.

// ---- Cycle-time tool (dlgCT, "PyraConfig CalcTime") ----

inline constexpr int kMaxCycleBase = 3;
inline constexpr int kMaxCycleTime = 63;

// Time x 8 ^ Base ticks of 20 ms.
long CycleTicks(int time, int base);

class CycleTimeCalculator {
 public:
  // TextCTBase := the row's Par3 text; SliderCTTime := the value of its Par2 text.
  void Open(std::string_view par3_text, std::string_view par2_text);
  // SliderCTTime moved; the slider itself keeps 0..63.
  void MoveSlider(int time);
  // TextCTBase clicked or left, or its up-down pressed: below 0 becomes "0", above 3 "3".
  void CommitBase(std::string_view typed);
  // Puts back the Base text and the Time the dialog was opened with.
  void Cancel();

  const std::string& BaseText() const { return base_text_; }
  int Base() const;
  int Time() const { return time_; }
  std::string TimeValue() const;     // LabelCTTimeValue
  std::string MaxTimeValue() const;  // LabelCTMaxTimeValue: Time 63 at the chosen Base

 private:
  std::string base_text_ = "0";
  int time_ = 0;
  std::string opening_base_text_ = "0";
  int opening_time_ = 0;
};

// ---- Level tool (dlgPyraCalcLevel, "LumoConfig Calculate Level") ----

inline constexpr int kMaxLevel = 15;
inline constexpr int kMaxTimeIndex = 7;
inline constexpr int kMaxParameter = 127;

// Delay in seconds of a time index 0..7, as txtDelay shows it ("0", "0.5", "0.7", "1", ...).
std::string DelayText(int time_index);

class LevelCalculator {
 public:
  // txtParameter := the row's Par1 text, pulled into 0..127; the level, time index and delay
  // follow from it.
  void Open(std::string_view par1_text);
  // txtLevel (0..15) or txtTimeIndex (0..7) changed; `leaving` when the box loses the focus.
  // A value inside the range applies at once; one outside applies, pulled to the nearest
  // limit, only when the box is left. Returns whether it applied.
  bool EditLevel(std::string_view typed, bool leaving);
  bool EditTimeIndex(std::string_view typed, bool leaving);
  // txtParameter gets its value from the opening back.
  void Cancel();

  int Parameter() const { return parameter_; }
  std::string ParameterText() const { return std::to_string(parameter_); }
  const std::string& LevelText() const { return level_text_; }
  const std::string& TimeIndexText() const { return time_index_text_; }
  int Level() const { return level_; }
  int TimeIndex() const { return time_index_; }
  std::string Delay() const { return DelayText(time_index_); }

 private:
  void Show(int parameter);
  bool Edit(std::string_view typed, bool leaving, int top, int& value, std::string& text);

  int parameter_ = 0;
  int opening_parameter_ = 0;
  int level_ = 0;
  int time_index_ = 0;
  std::string level_text_ = "0";
  std::string time_index_text_ = "0";
};

// ---- Pattern tool (dlgPyraCalcPattern, "LumoConfig Calculate Pattern") ----

inline constexpr int kPatternOutputs = 7;   // chkUitgang(0..6)
inline constexpr int kPatternAllDark = 32;  // chkAllDark
inline constexpr int kPatternNoDark = 64;   // chkNoDark
// Instructions with six or seven outputs use bits 5 and 6 for those outputs.
inline constexpr int kPatternDarkBitsFrom = 6;

std::string PatternOutputCaption(int i);  // "Output +3"

class PatternCalculator {
 public:
  // Opens with the row's Par1 text and the instruction's number of outputs (HelpTool 2..7).
  void Open(std::string_view par1_text, int outputs);
  // Clicks on enabled boxes; a click on a disabled box changes nothing.
  void SetOutput(int i, bool ticked);
  // "All Dark" and "No Dark-phase" exclude each other.
  void SetAllDark(bool ticked);
  void SetNoDark(bool ticked);
  void Cancel();

  bool Output(int i) const { return outputs_[i]; }
  bool OutputEnabled(int i) const { return i < count_; }
  bool AllDark() const { return all_dark_; }
  bool NoDark() const { return no_dark_; }
  bool DarkEnabled() const { return count_ < kPatternDarkBitsFrom; }
  const std::string& ParameterText() const { return parameter_text_; }
  const std::string& OriginalText() const { return original_text_; }

 private:
  void Recompute();

  int count_ = kPatternOutputs;
  std::array<bool, kPatternOutputs> outputs_{};
  bool all_dark_ = false;
  bool no_dark_ = false;
  std::string parameter_text_ = "0";
  std::string original_text_ = "0";
};

// ---- Event-pattern tool (dlgPyraCalcEventPattern, "PyraConfig CalcETImap") ----

inline constexpr int kEventInputs = 4;  // chkEvent(0..3)
inline constexpr int kNoEventOption = 0;
// optEvent(1..3): the On-event actions execute, disable, enable; optEvent(5..7) the same for
// the Off-event. There is no optEvent(4).
inline constexpr int kOffEventOptions = 4;
inline constexpr int kOffEventBit = 64;

std::string EventInputCaption(int i);   // "Event Input 2"
std::string EventOptionCaption(int j);  // "Execute On-Event" .. "Enable Off-Event"; "" for 0, 4
bool IsEventOption(int j);              // 1..3 and 5..7

// The ETImap value of ticked inputs and one selected option (0 = none).
int EventPatternValue(const std::array<bool, kEventInputs>& inputs, int option);

class EventPatternCalculator {
 public:
  void Open(std::string_view par1_text);
  void SetInput(int i, bool ticked);
  // Selects one option button of the group; the others clear.
  void SelectOption(int j);
  void Cancel();

  bool Input(int i) const { return inputs_[i]; }
  int SelectedOption() const { return option_; }
  const std::string& ParameterText() const { return parameter_text_; }
  const std::string& OriginalText() const { return original_text_; }

 private:
  void Recompute();

  std::array<bool, kEventInputs> inputs_{};
  int option_ = kNoEventOption;
  std::string parameter_text_ = "0";
  std::string original_text_ = "0";
};

}  // namespace pyra

#include "helptools/Calculators.h"

#include <algorithm>

#include "model/TypedNumber.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

int ClampTo(int value, int low, int high) { return std::clamp(value, low, high); }

bool Bit(int value, int bit) { return (value >> bit) & 1; }

}  // namespace

// ---- Cycle-time tool ----

long CycleTicks(int time, int base) {
  long ticks = time;
  for (int i = 0; i < base; ++i) ticks *= 8;
  return ticks;
}

void CycleTimeCalculator::Open(std::string_view par3_text, std::string_view par2_text) {
  base_text_ = std::string(par3_text);
  time_ = ClampTo(TypedNumber(par2_text), 0, kMaxCycleTime);
  opening_base_text_ = base_text_;
  opening_time_ = time_;
}

void CycleTimeCalculator::MoveSlider(int time) { time_ = ClampTo(time, 0, kMaxCycleTime); }

void CycleTimeCalculator::CommitBase(std::string_view typed) {
  const int v = TypedNumber(typed);
  if (v < 0) {
    base_text_ = "0";
  } else if (v > kMaxCycleBase) {
    base_text_ = std::to_string(kMaxCycleBase);
  } else {
    base_text_ = std::string(typed);
  }
}

void CycleTimeCalculator::Cancel() {
  base_text_ = opening_base_text_;
  time_ = opening_time_;
}

// The Base box may still hold an unchecked text from the row; the labels never show a time for
// a Base the tool would not store.
int CycleTimeCalculator::Base() const { return ClampTo(TypedNumber(base_text_), 0, kMaxCycleBase); }

std::string CycleTimeCalculator::TimeValue() const {
  return FormatTicks(CycleTicks(time_, Base()));
}

std::string CycleTimeCalculator::MaxTimeValue() const {
  return FormatTicks(CycleTicks(kMaxCycleTime, Base()));
}

// ---- Level tool ----

std::string DelayText(int time_index) {
  static const std::array<const char*, kMaxTimeIndex + 1> delays = {"0",   "0.5", "0.7", "1",
                                                                    "1.4", "2",   "2.8", "4"};
  return delays[ClampTo(time_index, 0, kMaxTimeIndex)];
}

void LevelCalculator::Open(std::string_view par1_text) {
  opening_parameter_ = ClampTo(TypedNumber(par1_text), 0, kMaxParameter);
  Show(opening_parameter_);
}

void LevelCalculator::Show(int parameter) {
  parameter_ = parameter;
  level_ = parameter & kMaxLevel;
  time_index_ = parameter / (kMaxLevel + 1);
  level_text_ = std::to_string(level_);
  time_index_text_ = std::to_string(time_index_);
}

bool LevelCalculator::Edit(std::string_view typed, bool leaving, int top, int& value,
                           std::string& text) {
  const int v = TypedNumber(typed);
  const bool inside = v >= 0 && v <= top;
  // While the user is still typing, an out-of-range value may be the start of a valid one.
  if (!inside && !leaving) {
    text = std::string(typed);
    return false;
  }
  value = ClampTo(v, 0, top);
  text = inside ? std::string(typed) : std::to_string(value);
  parameter_ = (kMaxLevel + 1) * time_index_ + level_;
  return true;
}

bool LevelCalculator::EditLevel(std::string_view typed, bool leaving) {
  return Edit(typed, leaving, kMaxLevel, level_, level_text_);
}

bool LevelCalculator::EditTimeIndex(std::string_view typed, bool leaving) {
  return Edit(typed, leaving, kMaxTimeIndex, time_index_, time_index_text_);
}

void LevelCalculator::Cancel() { Show(opening_parameter_); }

// ---- Pattern tool ----

std::string PatternOutputCaption(int i) { return "Output +" + std::to_string(i); }

void PatternCalculator::Open(std::string_view par1_text, int outputs) {
  count_ = ClampTo(outputs, 0, kPatternOutputs);
  const int v = TypedNumber(par1_text);
  original_text_ = std::string(par1_text);
  parameter_text_ = original_text_;
  for (int i = 0; i < kPatternOutputs; ++i) outputs_[i] = i < count_ && Bit(v, i);
  if (DarkEnabled()) {
    all_dark_ = Bit(v, 5);
    no_dark_ = Bit(v, 6);
  } else {
    all_dark_ = false;
    no_dark_ = false;
  }
  Recompute();
}

void PatternCalculator::SetOutput(int i, bool ticked) {
  if (i < 0 || i >= count_) return;
  outputs_[i] = ticked;
  Recompute();
}

void PatternCalculator::SetAllDark(bool ticked) {
  if (!DarkEnabled()) return;
  all_dark_ = ticked;
  if (ticked) no_dark_ = false;
  Recompute();
}

void PatternCalculator::SetNoDark(bool ticked) {
  if (!DarkEnabled()) return;
  no_dark_ = ticked;
  if (ticked) all_dark_ = false;
  Recompute();
}

void PatternCalculator::Cancel() { parameter_text_ = original_text_; }

void PatternCalculator::Recompute() {
  int value = 0;
  for (int i = 0; i < kPatternOutputs; ++i) {
    if (outputs_[i]) value += 1 << i;
  }
  if (all_dark_) value += kPatternAllDark;
  if (no_dark_) value += kPatternNoDark;
  parameter_text_ = std::to_string(value);
}

// ---- Event-pattern tool ----

std::string EventInputCaption(int i) { return "Event Input " + std::to_string(i); }

bool IsEventOption(int j) { return (j >= 1 && j <= 3) || (j >= 5 && j <= 7); }

std::string EventOptionCaption(int j) {
  if (!IsEventOption(j)) return "";
  static const std::array<const char*, 3> actions = {"Execute", "Disable", "Enable"};
  const bool off = j > kOffEventOptions;
  return std::string(actions[(off ? j - kOffEventOptions : j) - 1]) +
         (off ? " Off-Event" : " On-Event");
}

int EventPatternValue(const std::array<bool, kEventInputs>& inputs, int option) {
  int value = 0;
  for (int i = 0; i < kEventInputs; ++i) {
    if (inputs[i]) value += 1 << i;
  }
  if (option >= 1 && option <= 3) {
    value += 16 * option;
  } else if (option >= 5 && option <= 7) {
    value += kOffEventBit + 16 * (option - kOffEventOptions);
  }
  return value;
}

void EventPatternCalculator::Open(std::string_view par1_text) {
  const int v = TypedNumber(par1_text);
  original_text_ = std::string(par1_text);
  parameter_text_ = original_text_;
  for (int i = 0; i < kEventInputs; ++i) inputs_[i] = Bit(v, i);
  const int action = (v >> 4) & 3;
  // Without an action there is no option to select, so bit 6 alone does not survive.
  option_ = action == 0 ? kNoEventOption : action + (Bit(v, 6) ? kOffEventOptions : 0);
  Recompute();
}

void EventPatternCalculator::SetInput(int i, bool ticked) {
  if (i < 0 || i >= kEventInputs) return;
  inputs_[i] = ticked;
  Recompute();
}

void EventPatternCalculator::SelectOption(int j) {
  if (!IsEventOption(j)) return;
  option_ = j;
  Recompute();
}

void EventPatternCalculator::Cancel() { parameter_text_ = original_text_; }

void EventPatternCalculator::Recompute() {
  parameter_text_ = std::to_string(EventPatternValue(inputs_, option_));
}

}  // namespace pyra

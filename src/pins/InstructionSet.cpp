#include "pins/InstructionSet.h"

#include <algorithm>

#include "model/TypedNumber.h"

namespace pyra {

namespace {

// One parameter column of an entry: a null caption means the box does not apply.
struct Column {
  const char* caption;
  int max;
};
constexpr Column kUnused{nullptr, 0};
constexpr Column kPinOffset{"P.O.", 31};
constexpr Column kTicks60{"T(/60)", 127};
constexpr Column kPattern{"Patt.", 127};
constexpr Column kTime{"Time", 63};
constexpr Column kBase{"Base", 3};
constexpr Column kAccel{"Accel", 31};

constexpr int kServoDisplayOffset = -64;

InstructionDef Def(int group, const std::string& name, bool fade, Column offset, Column par1,
                   Column par2, Column par3, int help_tool, int display_offset = 0) {
  InstructionDef d;
  d.Group = group;
  d.Name = name;
  d.HasFade = fade;
  d.UsesOffset = offset.caption != nullptr;
  d.UsesPar1 = par1.caption != nullptr;
  d.UsesPar2 = par2.caption != nullptr;
  d.UsesPar3 = par3.caption != nullptr;
  d.Caption0 = offset.caption ? offset.caption : "";
  d.Caption1 = par1.caption ? par1.caption : "";
  d.Caption2 = par2.caption ? par2.caption : "";
  d.Caption3 = par3.caption ? par3.caption : "";
  d.Par1Min = 0;
  d.Par1Max = par1.max;
  d.HelpTool = help_tool;
  d.Par1DisplayOffset = display_offset;
  return d;
}

std::array<InstructionDef, kInstructionCount> BuildInstructionTable() {
  std::array<InstructionDef, kInstructionCount> t{};
  t[0] = Def(0, "-", false, kUnused, kUnused, kUnused, kUnused, 0);
  t[1] = Def(3, "Jump", false, kPinOffset, {"Asp#", 11}, {"Ins#", 8}, kUnused, 0);
  t[2] = Def(5, "SNxx Feedback", false, {"FB#", 127}, {"Mod#", 15}, {"State", 1}, kUnused, 0);
  t[3] = Def(4, "NS G->Y->R", true, kPinOffset, {"Type", 1}, kUnused, kUnused, 0);
  t[4] = Def(5, "SendSerial 1", false, kUnused, {"Byte", 255}, kUnused, kUnused, 0);
  t[5] = Def(5, "SendSerial 2", false, kUnused, {"Byte1", 255}, {"Byte2", 255}, kUnused, 0);
  t[6] = Def(0, "Blink alt", true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  t[7] = Def(4, "Clone", true, kPinOffset, {"Source", 31}, kUnused, kUnused, 0);
  t[8] = Def(0, "Off", true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  t[9] = Def(0, "On", true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  t[10] = Def(0, "Invert", true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  t[11] = Def(0, "Random", true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  for (int bits = 2; bits <= 5; ++bits) {
    t[10 + bits] = Def(0, "Multibit " + std::to_string(bits), true, kPinOffset, kPattern, kUnused,
                       kUnused, bits);
  }
  t[16] = Def(3, "Event Input", false, kUnused, {"ETImap", 127}, kUnused, kUnused, 16);
  t[17] = Def(5, "Feedback", false, kPinOffset, {"Aspect", 11}, kUnused, kUnused, 0);
  t[18] = Def(5, "MXpulse", false, {"MXpin", 31}, kTicks60, {"Level", 31}, kUnused, 0);
  t[20] = Def(5, "SendSPI", false, kUnused, {"Byte1", 255}, {"Byte2", 255}, kUnused, 0);
  t[21] = Def(5, "NSA", false, {"Pin", 127}, {"Mod#", 95}, {"Aspect", 11}, kUnused, 0);
  for (int bits = 6; bits <= 7; ++bits) {
    const std::string n = std::to_string(bits);
    t[26 + bits] = Def(0, "Multibit " + n, true, kPinOffset, kPattern, kUnused, kUnused, bits);
    t[28 + bits] =
        Def(0, "Multibit " + n + " AD", true, kPinOffset, kPattern, kUnused, kUnused, bits);
    t[30 + bits] =
        Def(0, "Multibit " + n + " ND", true, kPinOffset, kPattern, kUnused, kUnused, bits);
  }
  t[38] = Def(1, "Set Level", true, kPinOffset, {"Level", 31}, kUnused, kUnused, 0);
  t[39] = Def(2, "Set Servo", true, kPinOffset, {"Pos.", 127}, kUnused, kUnused, 0,
              kServoDisplayOffset);
  for (int n = 2; n <= 7; ++n) {
    t[40 + n] =
        Def(0, "Multiblink " + std::to_string(n), true, kPinOffset, kTicks60, kUnused, kUnused, 0);
  }
  t[96] = Def(1, "SetLevel & Wait", false, kAccel, {"Level", 31}, kTime, kBase, kHelpToolCycleTime);
  t[97] =
      Def(1, "SetLevel & WtRnd", false, kAccel, {"Level", 31}, kTime, kBase, kHelpToolCycleTime);
  t[98] = Def(1, "SetRnd & Wait", false, kAccel, {"Chance", 31}, kTime, kBase, kHelpToolCycleTime);
  t[99] = Def(1, "SetRnd & WtRnd", false, kAccel, {"Chance", 31}, kTime, kBase, kHelpToolCycleTime);
  t[100] = Def(2, "SetServo & Wait", false, kUnused, {"Pos", 127}, kTime, kBase, kHelpToolCycleTime,
               kServoDisplayOffset);
  t[101] = Def(2, "SetServo & WtRnd", false, kUnused, {"Pos", 127}, kTime, kBase,
               kHelpToolCycleTime, kServoDisplayOffset);
  t[102] = Def(3, "Wait", false, kUnused, kUnused, kTime, kBase, kHelpToolCycleTime);
  t[103] = Def(3, "Wait Random", false, kUnused, kUnused, kTime, kBase, kHelpToolCycleTime);
  for (int a = 0; a <= 11; ++a) {
    t[112 + a] = Def(3, "SetAspect " + std::to_string(a), false, kPinOffset, kUnused, kTime, kBase,
                     kHelpToolCycleTime);
  }
  t[127] = Def(2, "Suspend Servo", false, kPinOffset, kUnused, kTime, kBase, kHelpToolCycleTime);
  return t;
}

std::vector<int> BuildListOrder() {
  const auto& table = InstructionTable();
  std::vector<int> order;
  for (int group = 0; group <= 5; ++group) {
    for (int code = 0; code <= 127; ++code) {
      if (table[code].Group == group && !table[code].Name.empty()) order.push_back(code);
    }
  }
  return order;
}

bool IsByteSending(int code) { return code == 4 || code == 5 || code == 20; }
bool IsAccelCode(int code) { return code >= 96 && code <= 99; }
// Instructions whose Par1 is a pin or module number, shown from NumberBase.
bool Par1IsNumbered(int code) { return code == 2 || code == 7 || code == 21; }

// The value typed into a box, pulled to [lo, hi]; the text changes only when the value did.
struct Clamped {
  std::string text;
  int value;
};
Clamped ClampTyped(std::string_view typed, int lo, int hi) {
  const int v = TypedNumber(typed);
  if (v < lo) return {NumberText(lo), lo};
  if (v > hi) return {NumberText(hi), hi};
  return {std::string(typed), v};
}

StepRecord& StepOf(Configuration& c, int row) {
  return c.Pins[c.CurrentPin].Aspects[c.CurrentAspect].Steps[row];
}

}  // namespace

const std::array<InstructionDef, kInstructionCount>& InstructionTable() {
  static const std::array<InstructionDef, kInstructionCount> table = BuildInstructionTable();
  return table;
}

const InstructionDef& Instruction(int code) {
  const auto& table = InstructionTable();
  // Entry 128 is never defined: it stands in for any code outside the table.
  if (code < 0 || code >= kInstructionCount) return table[kInstructionCount - 1];
  return table[code];
}

const std::vector<int>& InstructionListOrder() {
  static const std::vector<int> order = BuildListOrder();
  return order;
}

int AspectCount(int aspect_mode) {
  if (aspect_mode == kAspectMode4x9) return 4;
  if (aspect_mode == kAspectMode12x3) return 12;
  return 0;
}

int StepCount(int aspect_mode) {
  if (aspect_mode == kAspectMode4x9) return 9;
  if (aspect_mode == kAspectMode12x3) return 3;
  return 0;
}

int AspectModeOfOption(int option) {
  if (option == 1) return kAspectMode4x9;
  if (option == 2) return kAspectMode12x3;
  return kAspectModeNone;
}

int OptionOfAspectMode(int aspect_mode) {
  if (aspect_mode == kAspectMode4x9) return 1;
  if (aspect_mode == kAspectMode12x3) return 2;
  return 0;
}

StepRecord CleanStep(const StepRecord& step) {
  const InstructionDef& d = Instruction(step.Opcode);
  StepRecord s = step;
  if (!d.UsesOffset) s.Offset = 0;
  if (!d.UsesPar1) s.Par1 = 0;
  if (!d.UsesPar2) s.Par2 = 0;
  if (!d.UsesPar3) s.Par3 = 0;
  if (!d.HasFade) s.Fade = 0;
  return s;
}

StepRowView ViewStep(const StepRecord& step) {
  const InstructionDef& d = Instruction(step.Opcode);
  StepRowView v;
  v.step = CleanStep(step);
  v.applies = {d.UsesOffset, d.UsesPar1, d.UsesPar2, d.UsesPar3};
  v.fade_shown = d.HasFade;
  v.fade_heading = d.HasFade ? "Fade" : "";
  v.captions = {d.Caption0, d.Caption1, d.Caption2, d.Caption3};
  v.time_label = TimeLabel(v.step);
  return v;
}

StepRowView RefreshStep(Configuration& c, int row) {
  StepRecord& s = StepOf(c, row);
  StepRowView v = ViewStep(s);
  s = v.step;
  return v;
}

std::array<std::string, 4> ShownStepTexts(const StepRecord& step, int number_base,
                                          int current_pin) {
  const int code = step.Opcode;
  std::string offset;
  if (IsAccelCode(code)) {
    offset = step.Offset == 127 ? "-1" : NumberText(step.Offset);
  } else if (code == 2 || code == 18 || code == 21) {
    offset = NumberText(step.Offset + number_base);
  } else {
    // A pin offset is shown so that it names a pin 0..31 from the current pin.
    offset = NumberText(current_pin + step.Offset <= 31 ? step.Offset : step.Offset - 32);
  }
  const int par1 =
      step.Par1 + Instruction(code).Par1DisplayOffset + (Par1IsNumbered(code) ? number_base : 0);
  return {offset, NumberText(par1), NumberText(step.Par2), NumberText(step.Par3)};
}

BoxEdit ValidateOffset(int opcode, std::string_view typed, int number_base, int current_pin) {
  if (opcode == 2 || opcode == 21 || opcode == 18) {
    const int top = opcode == 18 ? 31 : 127;
    Clamped c = ClampTyped(typed, number_base, number_base + top);
    return {c.text, static_cast<uint8_t>(c.value - number_base)};
  }
  if (IsAccelCode(opcode)) {
    // -1 (keep the present acceleration) travels as 127.
    Clamped c = ClampTyped(typed, -1, 31);
    return {c.text, static_cast<uint8_t>((c.value + 128) % 128)};
  }
  Clamped c = ClampTyped(typed, -current_pin, 31 - current_pin);
  return {c.text, static_cast<uint8_t>((c.value + 32) % 32)};
}

BoxEdit ValidatePar1(int opcode, std::string_view typed, int number_base) {
  const InstructionDef& d = Instruction(opcode);
  const int shift = d.Par1DisplayOffset + (Par1IsNumbered(opcode) ? number_base : 0);
  Clamped c = ClampTyped(typed, d.Par1Min + shift, d.Par1Max + shift);
  return {c.text, static_cast<uint8_t>(c.value - shift)};
}

BoxEdit ValidatePar2(int opcode, std::string_view typed) {
  int top = 63;
  switch (opcode) {
    case 1:
      top = 8;
      break;
    case 2:
      top = 1;
      break;
    case 4:
    case 5:
    case 20:
      top = 255;
      break;
    case 18:
      top = 31;
      break;
    case 21:
      top = 11;
      break;
    default:
      break;
  }
  Clamped c = ClampTyped(typed, 0, top);
  return {c.text, static_cast<uint8_t>(c.value)};
}

BoxEdit ValidatePar3(std::string_view typed) {
  Clamped c = ClampTyped(typed, 0, 3);
  return {c.text, static_cast<uint8_t>(c.value)};
}

StepBoxEdit CommitStepBox(Configuration& c, int row, StepBox box, std::string_view typed) {
  StepRecord& s = StepOf(c, row);
  BoxEdit e;
  switch (box) {
    case StepBox::kOffset:
      e = ValidateOffset(s.Opcode, typed, c.NumberBase, c.CurrentPin);
      s.Offset = e.stored;
      break;
    case StepBox::kPar1:
      e = ValidatePar1(s.Opcode, typed, c.NumberBase);
      s.Par1 = e.stored;
      break;
    case StepBox::kPar2:
      e = ValidatePar2(s.Opcode, typed);
      s.Par2 = e.stored;
      break;
    case StepBox::kPar3:
      e = ValidatePar3(typed);
      s.Par3 = e.stored;
      break;
  }
  StepRowView v = RefreshStep(c, row);
  if (!v.applies[static_cast<int>(box)]) e.text = "0";
  return {e.text, v};
}

StepRowView ChooseInstruction(Configuration& c, int row, int code) {
  StepOf(c, row).Opcode = static_cast<uint8_t>(code);
  return RefreshStep(c, row);
}

StepRowView SetStepFade(Configuration& c, int row, bool fade) {
  StepOf(c, row).Fade = fade ? 1 : 0;
  return RefreshStep(c, row);
}

std::string FormatTicks(long ticks) {
  auto two = [](long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  const long hundredths = (ticks % 50) * 2;
  const long seconds = (ticks / 50) % 60;
  const long minutes = ticks / 3000;
  return two(minutes) + ":" + two(seconds) + "." + two(hundredths);
}

std::string TimeLabel(const StepRecord& step) {
  if (step.Opcode <= 63) return "00:00.00";
  // Par3 is 0..3 once validated; a wilder byte from elsewhere must not overflow the shift.
  const int exponent = std::min<int>(step.Par3, 9);
  return FormatTicks(static_cast<long>(step.Par2) << (3 * exponent));
}

StepWire EncodeStep(const StepRecord& step) {
  const int opcode_byte = step.Opcode + 16 * step.Fade;
  if (IsByteSending(step.Opcode)) {
    // The two bytes may exceed 7 bits; their top bits travel together in data 1.
    return {opcode_byte, 2 * (step.Par2 / 128) + step.Par1 / 128, step.Par1 % 128, step.Par2 % 128,
            step.Par3};
  }
  return {opcode_byte, step.Offset, step.Par1, step.Par2, step.Par3};
}

StepRecord DecodeStep(const StepWire& wire) {
  StepRecord s;
  const int b = wire[0];
  // Every instruction with fade has bit 4 clear, so there bit 4 is the fade flag.
  const int without_fade = b & ~16;
  if (Instruction(without_fade).HasFade) {
    s.Fade = (b >> 4) & 1;
    s.Opcode = static_cast<uint8_t>(without_fade);
  } else {
    s.Fade = 0;
    s.Opcode = static_cast<uint8_t>(b);
  }
  if (IsByteSending(s.Opcode)) {
    s.Offset = 0;
    s.Par1 = static_cast<uint8_t>(128 * (wire[1] & 1) + wire[2]);
    s.Par2 = static_cast<uint8_t>(128 * ((wire[1] >> 1) & 1) + wire[3]);
    s.Par3 = static_cast<uint8_t>(wire[4]);
  } else {
    s.Offset = static_cast<uint8_t>(wire[1]);
    s.Par1 = static_cast<uint8_t>(wire[2]);
    s.Par2 = static_cast<uint8_t>(wire[3]);
    s.Par3 = static_cast<uint8_t>(wire[4]);
  }
  return s;
}

}  // namespace pyra

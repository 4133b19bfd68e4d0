#include "operations/ConfigTexts.h"

#include <algorithm>

#include "operations/SettingsCodec.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

const char* const kServoRanges[] = {"Off", "S", "M", "L", "XL"};

std::string Signed(int stored) { return std::to_string(stored - 64); }

std::string Slots(const ModuleSettings& s, int first) {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    if (s.InitEE[first + i]) out += (out.empty() ? "" : ", ") + std::to_string(i + 1);
  }
  return out.empty() ? "none" : out;
}

}  // namespace

std::string OnOffText(bool b) { return b ? "on" : "off"; }

std::string QuotedText(const std::string& s) { return "\"" + s + "\""; }

std::string PinText(int pin, int number_base) { return "Pin " + std::to_string(pin + number_base); }

std::string LedText(const std::array<int, 8>& boxes) {
  std::string out;
  for (int i = 0; i < 7; ++i) {
    if (boxes[i] == 1) out += (out.empty() ? "" : ", ") + std::to_string(i);
  }
  return out.empty() ? "none" : "functions " + out;
}

std::string HardwareDriversText(const ModuleSettings& s, int number_base) {
  std::string out;
  for (int g = 0; g < 4; ++g) {
    const int first = 8 * g + number_base;
    std::string drivers = s.HwcSink[g] && s.HwcSource[g] ? "sink and source"
                          : s.HwcSink[g]                 ? "sink"
                          : s.HwcSource[g]               ? "source"
                                                         : "none";
    out += (g ? ", pins " : "pins ") + std::to_string(first) + ".." + std::to_string(first + 7) +
           " " + drivers;
  }
  return out;
}

std::string SerialAddressingText(const ModuleSettings& s, int number_base) {
  if (s.LumoFlex) {
    return "Lumo flex addressing from " + std::to_string(4 * s.LumoModeAddress + number_base);
  }
  return s.PRNative ? "native Pyra addressing" : "standard Lumo addressing";
}

std::string GroupMaskText(const ModuleSettings& s) {
  std::string out;
  for (int j = 0; j < 16; ++j) {
    if (s.GroupMask[j]) out += (out.empty() ? "" : ", ") + std::to_string(j);
  }
  return out.empty() ? "none" : "boxes " + out;
}

std::string SerialPortText(const ModuleSettings& s) {
  const int baud = std::clamp(s.SerialBaudIndex, 0, 7);
  const char* parity = s.SerialParity == 3 ? "odd" : s.SerialParity == 2 ? "even" : "none";
  return OnOffText(s.SerialEnable) + ", " + kBaudRates[baud] + " bit/s, " +
         (s.SerialDataBits8 ? "8" : "7") + " data bits, parity " + parity + ", " +
         (s.SerialStop2 ? "2" : "1") + " stop bits";
}

std::string EnableMapText(const ModuleSettings& s) {
  return "Event-On " + Slots(s, 0) + "; Event-Off " + Slots(s, 4);
}

std::string EventText(int e) { return e < 0 ? "-" : std::to_string(e); }

std::string EventsText(const std::array<int, 5>& events) {
  std::string out;
  for (int k = 0; k < 4; ++k) out += (k ? ", " : "") + EventText(events[k]);
  return out;
}

std::string RoleText(const PinRecord& pin) {
  const auto& p = pin.PinConfig;
  switch (p[0]) {
    case 0:
      return "not configured";
    case 1: {
      const int range = (p[2] & 7) > 4 ? 0 : p[2] & 7;
      std::string modes = std::string(", range ") + kServoRanges[range];
      if (p[2] & 16) modes += ", auto suspend";
      if (p[2] & 32) modes += ", suspended";
      return "servo: initial position " + Signed(p[1]) + modes + ", midpoint " + Signed(p[3]) +
             ", 1/Mass " + std::to_string(p[4]) + ", damping " + std::to_string(p[5]) +
             ", MaxSpd " + std::to_string(p[6]) + ", MaxAcc " + std::to_string(p[7]) +
             ", BounceDown " + Signed(p[8]) + ", BounceDownFactor " + std::to_string(p[9]) +
             ", BounceUp " + Signed(p[10]) + ", BounceUpFactor " + std::to_string(p[11]);
    }
    case 2:
    case 3:
      return std::string(p[0] == 3 ? "PWM output, inverted" : "PWM output") + ": initial level " +
             std::to_string(p[1]) + ", drive " + ((p[2] & 1) ? "linear" : "logarithmic") +
             ", acceleration " + ((p[2] & 2) ? "linear" : "logarithmic") + " " +
             std::to_string(p[3]) + ", off level " + std::to_string(p[4]) + ", on level " +
             std::to_string(p[5]);
    case 4:
    case 5:
      return std::string(p[0] == 5 ? "input, low active" : "input") + ": OFF-delay " +
             std::to_string(p[3]) + ", ON-delay " + std::to_string(p[4]);
    default:
      return "unknown configuration " + std::to_string(p[0]);
  }
}

// The stored value counts from 1, with 0 for none.
std::string InitialAspectText(int stored) {
  return stored == 0 ? "-1 (none)" : std::to_string(stored - 1);
}

std::string AspectLayoutText(int mode) {
  if (mode == kAspectMode12x3) return "12 aspects of 3 steps";
  if (mode == kAspectMode4x9) return "4 aspects of 9 steps";
  return "no aspects";
}

std::string StepText(const StepRecord& step, int pin, int number_base) {
  const InstructionDef& d = Instruction(step.Opcode);
  std::string out = d.Name.empty() ? "code " + std::to_string(step.Opcode) : d.Name;
  if (step.Opcode == 0) return out;
  const std::array<std::string, 4> texts = ShownStepTexts(step, number_base, pin);
  const std::array<bool, 4> uses = {d.UsesOffset, d.UsesPar1, d.UsesPar2, d.UsesPar3};
  const std::array<std::string, 4> captions = {d.Caption0, d.Caption1, d.Caption2, d.Caption3};
  std::string params;
  for (int i = 0; i < 4; ++i) {
    if (uses[i]) params += (params.empty() ? "" : ", ") + captions[i] + " " + texts[i];
  }
  if (d.HasFade && step.Fade) params += (params.empty() ? "" : ", ") + std::string("fade");
  if (step.Opcode > 63) params += (params.empty() ? "" : ", ") + TimeLabel(step);
  return params.empty() ? out : out + " (" + params + ")";
}

const AspectRecord& UsedAspect(const PinRecord& pin, int a) {
  static const AspectRecord kEmpty;
  return a < AspectCount(pin.AspectMode) ? pin.Aspects[a] : kEmpty;
}

StepRecord UsedStep(const PinRecord& pin, int a, int s) {
  return s < StepCount(pin.AspectMode) ? UsedAspect(pin, a).Steps[s] : StepRecord{};
}

}  // namespace pyra

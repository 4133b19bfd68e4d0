#include "cli/ConfigReport.h"

#include <algorithm>
#include <sstream>

#include "files/ConfigFile.h"
#include "files/PinRecords.h"
#include "model/AddressAssignment.h"
#include "operations/SettingsCodec.h"
#include "pins/InstructionSet.h"

namespace pyra::cli {

namespace {

const char* const kRetention[] = {"62.5ms", "125ms", "250ms", "500ms"};
const char* const kServoRanges[] = {"Off", "S", "M", "L", "XL"};
const char* const kLedFunctions = "functions";

std::string OnOff(bool b) { return b ? "on" : "off"; }
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Signed(int stored) { return std::to_string(stored - 64); }

std::string PinName(int pin, const ReportView& v) {
  return "Pin " + std::to_string(pin + v.number_base);
}

std::string Bits(const std::array<int, 8>& boxes) {
  std::string out;
  for (int i = 0; i < 7; ++i) {
    if (boxes[i] == 1) out += (out.empty() ? "" : ", ") + std::to_string(i);
  }
  return out.empty() ? "none" : std::string(kLedFunctions) + " " + out;
}

std::string Groups(const ModuleSettings& s, const ReportView& v) {
  std::string out;
  for (int g = 0; g < 4; ++g) {
    const int first = 8 * g + v.number_base;
    std::string drivers = s.HwcSink[g] && s.HwcSource[g] ? "sink and source"
                          : s.HwcSink[g]                 ? "sink"
                          : s.HwcSource[g]               ? "source"
                                                         : "none";
    out += (g ? ", pins " : "pins ") + std::to_string(first) + ".." + std::to_string(first + 7) +
           " " + drivers;
  }
  return out;
}

std::string Addressing(const ModuleSettings& s, const ReportView& v) {
  if (s.LumoFlex) {
    return "Lumo flex addressing from " + std::to_string(4 * s.LumoModeAddress + v.number_base);
  }
  return s.PRNative ? "native Pyra addressing" : "standard Lumo addressing";
}

std::string GroupMask(const ModuleSettings& s) {
  std::string out;
  for (int j = 0; j < 16; ++j) {
    if (s.GroupMask[j]) out += (out.empty() ? "" : ", ") + std::to_string(j);
  }
  return out.empty() ? "none" : "boxes " + out;
}

std::string SerialPort(const ModuleSettings& s) {
  const int baud = std::clamp(s.SerialBaudIndex, 0, 7);
  const char* parity = s.SerialParity == 3 ? "odd" : s.SerialParity == 2 ? "even" : "none";
  return OnOff(s.SerialEnable) + ", " + kBaudRates[baud] + " bit/s, " +
         (s.SerialDataBits8 ? "8" : "7") + " data bits, parity " + parity + ", " +
         (s.SerialStop2 ? "2" : "1") + " stop bits";
}

std::string Event(int e) { return e < 0 ? "-" : std::to_string(e); }

std::string Events(const std::array<int, 5>& events) {
  std::string out;
  for (int k = 0; k < 4; ++k) out += (k ? ", " : "") + Event(events[k]);
  return out;
}

std::string Role(const PinRecord& pin) {
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

// As the editor's "Init" box shows it: the stored value counts from 1, with 0 for none.
std::string InitialAspectText(int stored) {
  return stored == 0 ? "-1 (none)" : std::to_string(stored - 1);
}

std::string AspectLayout(int mode) {
  if (mode == kAspectMode12x3) return "12 aspects of 3 steps";
  if (mode == kAspectMode4x9) return "4 aspects of 9 steps";
  return "no aspects";
}

// A step as the aspect editor shows it: the instruction, then the boxes that apply with their
// headings, the fade flag and, for timed instructions, the duration.
std::string StepText(const StepRecord& step, int pin, const ReportView& v) {
  const InstructionDef& d = Instruction(step.Opcode);
  std::string out = d.Name.empty() ? "code " + std::to_string(step.Opcode) : d.Name;
  if (step.Opcode == 0) return out;
  const std::array<std::string, 4> texts = ShownStepTexts(step, v.number_base, pin);
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

std::string Addresses(const Configuration& c, int p, const ReportView& v) {
  Configuration shown = c;
  shown.CurrentPin = p;
  const PinRecord& pin = c.Pins[p];
  std::ostringstream out;
  out << int(pin.DccCount) << " DCC output(s)";
  if (pin.DccCount > 0) out << " from " << ShowPinDccAddress(shown);
  out << ", " << int(pin.XDccCount) << " extended DCC";
  if (pin.XDccCount > 0) out << " at " << ShowPinXDccAddress(shown);
  out << ", " << int(pin.LumoCount) << " serial address(es)";
  if (pin.LumoCount > 0) {
    const LumoLabels lumo =
        ShowPinLumoAddress(shown, v.module_address, v.extended_address, v.use_extended_address);
    out << " from " << lumo.serial_address << " (pin address " << lumo.pin_address << ")";
  }
  return out.str();
}

std::string Device(const Configuration& c, int p, const ReportView& v) {
  const PinRecord& pin = c.Pins[p];
  if (pin.DeviceLink == 0) {
    return pin.DeviceName.empty() ? "" : "device " + Quoted(pin.DeviceName) + " (head)";
  }
  const int head = p + pin.DeviceLink;
  std::string name = head >= 0 && head < kPinCount ? c.Pins[head].DeviceName : "";
  return "member of the device at " + PinName(head, v) + (name.empty() ? "" : " " + Quoted(name));
}

// Aspects and steps a pin's mode uses; outside them everything counts as empty.
const AspectRecord& AspectOf(const PinRecord& pin, int a) {
  static const AspectRecord kEmpty;
  return a < AspectCount(pin.AspectMode) ? pin.Aspects[a] : kEmpty;
}
StepRecord StepOf(const PinRecord& pin, int a, int s) {
  return s < StepCount(pin.AspectMode) ? AspectOf(pin, a).Steps[s] : StepRecord{};
}

}  // namespace

std::string ShowConfiguration(const Configuration& in, int version, const ReportView& v) {
  Configuration c = in;
  c.NumberBase = v.number_base;
  const ModuleSettings& s = c.Settings;
  const RangeCaption dcc = ShowModuleDccRange(c);
  const RangeCaption xdcc = ShowModuleXDccRange(c);
  std::ostringstream out;
  out << "Configuration data version " << version << "\n";
  out << "Settings\n";
  out << "  ID string: " << Quoted(s.IDString) << "\n";
  out << "  DCC: basic decoder address " << s.DccAddress << ", extended decoder address "
      << s.XDccAddress << ", packet retention " << kRetention[RetentionCode(s)]
      << ", basic packet state invert " << OnOff(s.BasicPacketStateInvert) << ", allow address 0 "
      << OnOff(s.AllowAddress0) << "\n";
  out << "  DCC outputs: " << dcc.text << "; extended DCC: " << xdcc.text << "\n";
  out << "  Serial addressing: " << Addressing(s, v) << "\n";
  out << "  eXtended Address " << s.ModuleXAddress + v.number_base << ", group mask "
      << GroupMask(s) << "\n";
  out << "  Hardware drivers: " << Groups(s, v) << "\n";
  out << "  LED green: " << Bits(s.LedGreen) << "; orange: " << Bits(s.LedOrange) << "\n";
  out << "  Serial port: " << SerialPort(s) << "\n";
  out << "Event control\n";
  bool any_events = false;
  for (int p = 0; p < kPinCount; ++p) {
    const EventControlRecord& e = c.EventControl[p];
    if (e == EventControlRecord{}) continue;
    any_events = true;
    out << "  " << PinName(p, v) << ": on " << Events(e.EventOn) << "; off " << Events(e.EventOff)
        << "\n";
  }
  if (!any_events) out << "  none\n";

  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& pin = c.Pins[p];
    if (pin.Description.empty()) continue;
    out << PinName(p, v) << " " << Quoted(pin.Description);
    if (const std::string device = Device(c, p, v); !device.empty()) out << ", " << device;
    out << "\n";
    out << "  Role: " << Role(pin) << "\n";
    out << "  Addresses: " << Addresses(c, p, v) << "\n";
    out << "  " << AspectLayout(pin.AspectMode) << ", initial aspect "
        << InitialAspectText(pin.InitialAspect) << "\n";
    for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
      const AspectRecord& aspect = pin.Aspects[a];
      bool used = !aspect.Description.empty();
      for (int st = 0; st < StepCount(pin.AspectMode); ++st) used |= aspect.Steps[st].Opcode != 0;
      if (!used) continue;
      out << "  Aspect " << a << " " << Quoted(aspect.Description) << "\n";
      for (int st = 0; st < StepCount(pin.AspectMode); ++st) {
        if (aspect.Steps[st].Opcode == 0) continue;
        out << "    Step " << st << ": " << StepText(aspect.Steps[st], p, v) << "\n";
      }
    }
  }
  return out.str();
}

std::vector<std::string> DiffConfigurations(const Configuration& a, const Configuration& b,
                                            const ReportView& v, bool module_only) {
  std::vector<std::string> lines;
  auto differ = [&](const std::string& name, const std::string& x, const std::string& y) {
    if (x != y) lines.push_back(name + ": " + x + " -> " + y);
  };
  auto num = [](int n) { return std::to_string(n); };
  const ModuleSettings& x = a.Settings;
  const ModuleSettings& y = b.Settings;
  differ("ID string", Quoted(x.IDString), Quoted(y.IDString));
  differ("Basic Decoder Addr", num(x.DccAddress), num(y.DccAddress));
  differ("Extended Dec. Addr", num(x.XDccAddress), num(y.XDccAddress));
  differ("Packet retention", kRetention[RetentionCode(x)], kRetention[RetentionCode(y)]);
  differ("Basic Packet State Invert", OnOff(x.BasicPacketStateInvert),
         OnOff(y.BasicPacketStateInvert));
  differ("Allow Address 0", OnOff(x.AllowAddress0), OnOff(y.AllowAddress0));
  differ("Serial addressing", Addressing(x, v), Addressing(y, v));
  differ("eXtended Address", num(x.ModuleXAddress + v.number_base),
         num(y.ModuleXAddress + v.number_base));
  differ("eXt Group Mask", GroupMask(x), GroupMask(y));
  differ("Hardware drivers", Groups(x, v), Groups(y, v));
  differ("LED green", Bits(x.LedGreen), Bits(y.LedGreen));
  differ("LED orange", Bits(x.LedOrange), Bits(y.LedOrange));
  differ("Serial port", SerialPort(x), SerialPort(y));
  for (int p = 0; p < kPinCount; ++p) {
    for (int k = 0; k < 4; ++k) {
      differ(PinName(p, v) + " Event-On " + num(k + 1), Event(a.EventControl[p].EventOn[k]),
             Event(b.EventControl[p].EventOn[k]));
      differ(PinName(p, v) + " Event-Off " + num(k + 1), Event(a.EventControl[p].EventOff[k]),
             Event(b.EventControl[p].EventOff[k]));
    }
  }
  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& x_pin = a.Pins[p];
    const PinRecord& y_pin = b.Pins[p];
    const std::string pin = PinName(p, v);
    if (!module_only) {
      differ(pin + " description", Quoted(x_pin.Description), Quoted(y_pin.Description));
      differ(pin + " device name", Quoted(x_pin.DeviceName), Quoted(y_pin.DeviceName));
    }
    differ(pin + " device head", PinName(p + x_pin.DeviceLink, v),
           PinName(p + y_pin.DeviceLink, v));
    // Only the bytes a file keeps count.
    std::array<uint8_t, 13> cx = x_pin.PinConfig, cy = y_pin.PinConfig;
    if (cx[0] == 1) cx[2] &= 63;
    if (cy[0] == 1) cy[2] &= 63;
    const bool config_differs =
        SavedConfigBytes(cx[0]) != SavedConfigBytes(cy[0]) ||
        !std::equal(cx.begin(), cx.begin() + SavedConfigBytes(cx[0]), cy.begin());
    if (config_differs) {
      PinRecord rx = x_pin, ry = y_pin;
      rx.PinConfig = cx;
      ry.PinConfig = cy;
      lines.push_back(pin + " configuration: " + Role(rx) + " -> " + Role(ry));
    }
    differ(pin + " DCC outputs", num(x_pin.DccCount), num(y_pin.DccCount));
    differ(pin + " extended DCC addresses", num(x_pin.XDccCount), num(y_pin.XDccCount));
    differ(pin + " serial addresses", num(x_pin.LumoCount), num(y_pin.LumoCount));
    differ(pin + " aspects", AspectLayout(x_pin.AspectMode), AspectLayout(y_pin.AspectMode));
    differ(pin + " initial aspect", InitialAspectText(x_pin.InitialAspect),
           InitialAspectText(y_pin.InitialAspect));
    const int aspects = std::max(AspectCount(x_pin.AspectMode), AspectCount(y_pin.AspectMode));
    const int steps = std::max(StepCount(x_pin.AspectMode), StepCount(y_pin.AspectMode));
    for (int asp = 0; asp < aspects; ++asp) {
      const std::string aspect = pin + " aspect " + num(asp);
      if (!module_only) {
        differ(aspect + " description", Quoted(AspectOf(x_pin, asp).Description),
               Quoted(AspectOf(y_pin, asp).Description));
      }
      for (int st = 0; st < steps; ++st) {
        const StepRecord sx = StepOf(x_pin, asp, st);
        const StepRecord sy = StepOf(y_pin, asp, st);
        if (sx != sy) {
          lines.push_back(aspect + " step " + num(st) + ": " + StepText(sx, p, v) + " -> " +
                          StepText(sy, p, v));
        }
      }
    }
  }
  return lines;
}

std::vector<std::string> CompactOmissions(const Configuration& c, const ReportView& view) {
  // Both forms go through the file itself, so what counts is exactly what the forms carry.
  auto reloaded = [&c](SaveForm form, Configuration& into) {
    Configuration saved = c;
    into = DefaultConfiguration();
    into.NumberBase = c.NumberBase;
    return LoadConfigurationText(ConfigurationText(saved, form), into).ok;
  };
  Configuration full, compact;
  std::vector<std::string> omitted;
  if (!reloaded(SaveForm::kFull, full) || !reloaded(SaveForm::kCompact, compact)) return omitted;
  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& kept = full.Pins[p];
    const PinRecord& left = compact.Pins[p];
    if (kept == left) continue;
    const std::size_t before = omitted.size();
    if (!c.Pins[p].Description.empty()) {
      for (int a = 0; a < static_cast<int>(kept.Aspects.size()); ++a) {
        if (kept.Aspects[a] != left.Aspects[a]) {
          omitted.push_back(PinName(p, view) + " aspect " + std::to_string(a));
        }
      }
    }
    if (omitted.size() == before) omitted.push_back(PinName(p, view));
  }
  return omitted;
}

}  // namespace pyra::cli

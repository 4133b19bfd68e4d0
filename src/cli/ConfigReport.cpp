#include "cli/ConfigReport.h"

#include <algorithm>
#include <sstream>

#include "files/ConfigFile.h"
#include "files/PinRecords.h"
#include "model/AddressAssignment.h"
#include "operations/ConfigTexts.h"
#include "operations/Differences.h"
#include "operations/PinSummary.h"
#include "operations/SettingsCodec.h"
#include "pins/InstructionSet.h"

namespace pyra::cli {

namespace {

std::string PinName(int pin, const ReportView& v) { return PinText(pin, v.number_base); }

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
  out << "  ID string: " << QuotedText(s.IDString) << "\n";
  out << "  DCC: basic decoder address " << s.DccAddress << ", extended decoder address "
      << s.XDccAddress << ", packet retention " << kRetentionTexts[RetentionCode(s)]
      << ", basic packet state invert " << OnOffText(s.BasicPacketStateInvert)
      << ", allow address 0 " << OnOffText(s.AllowAddress0) << "\n";
  out << "  DCC outputs: " << dcc.text << "; extended DCC: " << xdcc.text << "\n";
  out << "  Serial addressing: " << SerialAddressingText(s, v.number_base) << "\n";
  out << "  eXtended Address " << s.ModuleXAddress + v.number_base << ", group mask "
      << GroupMaskText(s) << "\n";
  out << "  Hardware drivers: " << HardwareDriversText(s, v.number_base) << "\n";
  out << "  LED green: " << LedText(s.LedGreen) << "; orange: " << LedText(s.LedOrange) << "\n";
  out << "  Serial port: " << SerialPortText(s) << "\n";
  out << "Event control\n";
  bool any_events = false;
  for (int p = 0; p < kPinCount; ++p) {
    const EventControlRecord& e = c.EventControl[p];
    if (e == EventControlRecord{}) continue;
    any_events = true;
    out << "  " << PinName(p, v) << ": on " << EventsText(e.EventOn) << "; off "
        << EventsText(e.EventOff) << "\n";
  }
  if (!any_events) out << "  none\n";

  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& pin = c.Pins[p];
    if (pin.Description.empty()) continue;
    out << PinName(p, v) << " " << QuotedText(pin.Description);
    if (const std::string device = DeviceText(c, p, v.number_base); !device.empty())
      out << ", " << device;
    out << "\n";
    out << "  Role: " << RoleText(pin) << "\n";
    out << "  Addresses: " << Addresses(c, p, v) << "\n";
    out << "  " << AspectLayoutText(pin.AspectMode) << ", initial aspect "
        << InitialAspectText(pin.InitialAspect) << "\n";
    for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
      const AspectRecord& aspect = pin.Aspects[a];
      bool used = !aspect.Description.empty();
      for (int st = 0; st < StepCount(pin.AspectMode); ++st) used |= aspect.Steps[st].Opcode != 0;
      if (!used) continue;
      out << "  Aspect " << a << " " << QuotedText(aspect.Description) << "\n";
      for (int st = 0; st < StepCount(pin.AspectMode); ++st) {
        if (aspect.Steps[st].Opcode == 0) continue;
        out << "    Step " << st << ": " << StepText(aspect.Steps[st], p, v.number_base) << "\n";
      }
    }
  }
  return out.str();
}

std::vector<std::string> DiffConfigurations(const Configuration& a, const Configuration& b,
                                            const ReportView& v, bool module_only) {
  std::vector<std::string> lines;
  for (const Difference& d : Differences(a, b, {v.number_base, module_only})) {
    lines.push_back(DiffLine(d));
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

#include "operations/Compare.h"

#include <array>
#include <set>

#include "link/Cancel.h"
#include "model/IdString.h"
#include "operations/Batch.h"
#include "operations/EventControl.h"
#include "operations/FieldLimits.h"
#include "operations/GeneralSettings.h"
#include "operations/Identity.h"
#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"
#include "pins/PinTransfer.h"

namespace pyra {

namespace {

// One message, ordered as Write All orders them: the ID, the other general settings, the pins,
// the event control, the enable map and the module addressing last.
enum Phase { kIdPhase, kSettingsPhase, kPinsPhase, kEventsPhase, kMapPhase, kAddressingPhase };
enum PinMessage { kMode, kInitial, kAddress, kStep, kBlock };

struct Unit {
  int phase = 0;
  int pin = 0;
  int kind = 0;  // a PinMessage, or 0 / 1 for Event-On / Event-Off
  int aspect = 0;
  int step = 0;
  int sub = 0;  // general settings: the sub-code, ranked by `rank`
  int rank = 0;
  auto operator<=>(const Unit&) const = default;
};

constexpr std::array<int, 7> kSettingsOrder = {5, 4, 12, 6, 7, 1, 13};
constexpr std::array<int, 3> kAddressingOrder = {8, 3, 2};

Unit SettingUnit(int sub) {
  for (int i = 0; i < static_cast<int>(kAddressingOrder.size()); ++i) {
    if (kAddressingOrder[i] == sub) return {kAddressingPhase, 0, 0, 0, 0, sub, i};
  }
  if (sub == 11) return {kMapPhase, 0, 0, 0, 0, sub, 0};
  for (int i = 0; i < static_cast<int>(kSettingsOrder.size()); ++i) {
    if (kSettingsOrder[i] == sub) return {kSettingsPhase, 0, 0, 0, 0, sub, i};
  }
  return {kIdPhase};
}

Unit PinUnit(int pin, PinMessage kind, int aspect = 0, int step = 0) {
  return {kPinsPhase, pin, kind, aspect, step, 0, 0};
}

std::vector<int> SubCodes(SettingItem item) {
  switch (item) {
    case SettingItem::kIdString:
      return {10};
    case SettingItem::kDccAddress:
      return {4};
    case SettingItem::kXDccAddress:
      return {12};
    case SettingItem::kPacketRetention:
    case SettingItem::kPacketStateInvert:
    case SettingItem::kAllowAddress0:
      return {5};
    case SettingItem::kSerialAddressing:
      return {8};
    case SettingItem::kEnforcedXAddress:  // enforcing clears the serial address and the mask
      return {8, 3, 2};
    case SettingItem::kXAddress:
      return {2};
    case SettingItem::kGroupMask:
      return {3};
    case SettingItem::kHardwareDrivers:
      return {1};
    case SettingItem::kLedGreen:
      return {6};
    case SettingItem::kLedOrange:
      return {7};
    case SettingItem::kSerialPort:
      return {13};
    case SettingItem::kEnableMap:
      return {11};
  }
  return {};
}

// The messages that carry `rows` as `target` holds them.
std::set<Unit> Plan(const Configuration& target, std::span<const Difference> rows) {
  std::set<Unit> units;
  for (const Difference& d : rows) {
    if (d.group == DiffGroup::kEventControl && d.slot >= 0) {
      units.insert({kEventsPhase, d.pin, d.event_off ? 1 : 0});
      continue;
    }
    if (d.group != DiffGroup::kPin) {
      for (int sub : SubCodes(d.setting)) units.insert(SettingUnit(sub));
      continue;
    }
    const int mode = target.Pins[d.pin].AspectMode;
    switch (d.item) {
      case PinItem::kDeviceHead:
      case PinItem::kDccCount:
      case PinItem::kXDccCount:
      case PinItem::kLumoCount:
        units.insert(PinUnit(d.pin, kAddress));
        break;
      case PinItem::kConfiguration:
        units.insert(PinUnit(d.pin, kBlock));
        break;
      case PinItem::kAspectMode:
        units.insert(PinUnit(d.pin, kMode));
        for (int a = 0; a < AspectCount(mode); ++a) {
          for (int s = 0; s < StepCount(mode); ++s) units.insert(PinUnit(d.pin, kStep, a, s));
        }
        break;
      case PinItem::kInitialAspect:
        units.insert(PinUnit(d.pin, kInitial));
        break;
      case PinItem::kStep:
        // A step the module's layout has no room for is not sent.
        if (d.aspect < AspectCount(mode) && d.step < StepCount(mode)) {
          units.insert(PinUnit(d.pin, kStep, d.aspect, d.step));
        }
        break;
      case PinItem::kDescription:
      case PinItem::kDeviceName:
      case PinItem::kAspectDescription:
        break;  // a module keeps none of them
    }
  }
  return units;
}

bool Send(Link& link, Configuration& target, const Unit& u) {
  switch (u.phase) {
    case kIdPhase:
      return WriteIDString(link, target.Settings);
    case kEventsPhase:
      return WritePinEventSlots(link, target, u.pin, u.kind == 1);
    case kPinsPhase:
      switch (u.kind) {
        case kMode:
          return WriteAspectMode(link, target, u.pin);
        case kInitial:
          return WriteInitialAspect(link, target, u.pin);
        case kAddress:
          return WriteAddressConfig(link, target, u.pin);
        case kStep:
          return WriteStep(link, target, u.pin, u.aspect, u.step);
        default:
          if (!WritePinConfig(link, target, kStoredCopy, u.pin)) return false;
          link.PaceWrite();
          return true;
      }
    default:
      break;
  }
  LinkState& state = link.State();
  const ModuleSettings& s = target.Settings;
  if (u.sub != 2 || !state.UseXAddress || s.ForceXA || s.ModuleXAddress == state.ExtendedAddress) {
    return WriteSettingSubCode(link, s, u.sub);
  }
  // The module acknowledges from its new eXtended Address, which the link would refuse: this
  // one write goes unacknowledged, paced instead, and the link follows the module.
  const bool bidirectional = state.Bidirectional;
  state.Bidirectional = false;
  const bool sent = WriteSettingSubCode(link, s, u.sub);
  if (sent) link.PaceWrite();
  state.Bidirectional = bidirectional;
  if (sent) state.ExtendedAddress = static_cast<uint8_t>(s.ModuleXAddress);
  return sent;
}

// Reads back what `u` wrote into `c`. The settings come back in the groups their reads take.
bool ReadBack(Link& link, Configuration& c, const Unit& u, std::set<int>& groups_read) {
  ModuleSettings& s = c.Settings;
  switch (u.phase) {
    case kIdPhase:
      return ReadIDString(link, s);
    case kEventsPhase:
      return ReadPinEventSlots(link, c, u.pin, u.kind == 1);
    case kPinsPhase:
      switch (u.kind) {
        case kMode:
          return ReadAspectMode(link, c, u.pin);
        case kInitial:
          return ReadInitialAspect(link, c, u.pin);
        case kAddress:
          return ReadAddressConfig(link, c, u.pin);
        case kStep:
          return ReadStep(link, c, u.pin, u.aspect, u.step);
        default:
          return ReadPinConfig(link, c, kStoredCopy, u.pin);
      }
    default:
      break;
  }
  const int group = u.sub == 4 || u.sub == 12  ? 5
                    : u.sub == 7               ? 6
                    : u.sub == 3 || u.sub == 2 ? 8
                                               : u.sub;
  if (!groups_read.insert(group).second) return true;
  switch (group) {
    case 1:
      return HWCRead(link, s);
    case 5:
      return ReadDCCSettings(link, s);
    case 6:
      return ReadLEDConfig(link, s);
    case 8:
      return ReadAddressSettings(link, s);
    case 11:
      return ReadEnableMap(link, s);
    default:
      return ReadSerialPortConfig(link, s);
  }
}

bool IsAscii(const std::string& text) {
  for (char ch : text) {
    if (static_cast<unsigned char>(ch) > 127) return false;
  }
  return true;
}

}  // namespace

CompareResult CompareWithModule(Link& link, const Configuration& window) {
  CompareResult r;
  r.module = window;
  r.ok = ReadAll(link, r.module);
  if (r.ok) r.rows = Differences(window, r.module, {window.NumberBase, true});
  return r;
}

RowWriteResult WriteRows(Link& link, const Configuration& window, const Configuration& module,
                         std::span<const Difference> rows) {
  RowWriteResult r;
  r.module = module;
  Configuration target = module;
  TakeRows(target, window, rows);
  const std::set<Unit> units = Plan(target, rows);
  if (units.empty()) {
    r.outcome = WriteOutcome::kNothing;
    return r;
  }
  // A value no frame can carry would stop the write halfway: refuse it before the first frame.
  if (const std::optional<std::string> refusal = UnwritableValue(target)) {
    link.GetPrompter().Message(*refusal + ", which no frame can carry.\r\nNothing was sent.",
                               Icon::kExclamation);
    r.outcome = WriteOutcome::kRefused;
    return r;
  }
  if (units.begin()->phase == kIdPhase && !IsAscii(target.Settings.IDString)) {
    WriteIDString(link, target.Settings);  // refuses with its own message, sending nothing
    r.outcome = WriteOutcome::kRefused;
    return r;
  }
  const int total = 2 * static_cast<int>(units.size());
  int done = 0;
  for (const Unit& u : units) {
    if (StopForCancel(link)) {
      r.outcome = WriteOutcome::kCancelled;
      return r;
    }
    link.ReportProgress("Writing the changes", done++, total);
    if (!Send(link, target, u)) return r;
    ++r.messages;
  }
  Configuration read = target;
  std::set<int> groups_read;
  for (const Unit& u : units) {
    if (StopForCancel(link)) {
      r.outcome = WriteOutcome::kCancelled;
      return r;
    }
    link.ReportProgress("Verifying the changes", done++, total);
    if (!ReadBack(link, read, u, groups_read)) return r;
  }
  link.ReportProgress("Done", total, total);
  r.mismatches = Differences(target, read, {window.NumberBase, true});
  r.module = read;
  r.outcome = r.mismatches.empty() ? WriteOutcome::kWritten : WriteOutcome::kNotVerified;
  return r;
}

ModuleIdentity IdentityOf(const std::string& port, const LinkState& state) {
  return {port, state.ModuleAddress, state.UseXAddress, state.ExtendedAddress};
}

bool BaselineApplies(const std::optional<ModuleBaseline>& baseline, const ModuleIdentity& now) {
  return baseline && baseline->identity == now;
}

WriteChangesResult WriteChanges(Link& link, const Configuration& window,
                                const ModuleBaseline& baseline, const ModuleIdentity& now) {
  WriteChangesResult r;
  if (!(baseline.identity == now)) {
    r.outcome = WriteOutcome::kStale;
    return r;
  }
  ModuleSettings asked;
  if (!ReadIDString(link, asked)) return r;
  if (ModuleIDString(asked.IDString) != ModuleIDString(baseline.module.Settings.IDString)) {
    r.outcome = WriteOutcome::kStale;
    return r;
  }
  r.rows = Differences(window, baseline.module, {window.NumberBase, true});
  const RowWriteResult written = WriteRows(link, window, baseline.module, r.rows);
  r.outcome = written.outcome;
  r.mismatches = written.mismatches;
  if (written.outcome == WriteOutcome::kWritten || written.outcome == WriteOutcome::kNothing) {
    r.baseline = ModuleBaseline{IdentityOf(now.port, link.State()), written.module};
  } else if (written.outcome == WriteOutcome::kRefused) {
    r.baseline = baseline;  // nothing was sent
  }
  return r;
}

}  // namespace pyra

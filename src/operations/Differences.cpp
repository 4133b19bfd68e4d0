#include "operations/Differences.h"

#include <algorithm>

#include "files/PinRecords.h"
#include "model/IdString.h"
#include "operations/ConfigTexts.h"
#include "operations/SettingsCodec.h"
#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

// Only the bytes a file keeps count, without a servo's status bits.
std::array<uint8_t, 13> KeptConfigBytes(const PinRecord& pin) {
  std::array<uint8_t, 13> kept{};
  const auto& p = pin.PinConfig;
  std::copy(p.begin(), p.begin() + SavedConfigBytes(p[0]), kept.begin());
  if (kept[0] == kConfigServo) kept[2] &= 63;
  return kept;
}

// What writing would keep of a value the configuration does not know: the other side's.
void AdoptUnknown(ModuleSettings& s, const ModuleSettings& other) {
  if (!s.ForceXAKnown && other.ForceXAKnown) {
    s.ForceXA = other.ForceXA;
    s.ForceXAKnown = true;
  }
  if (!s.InitEEKnown && other.InitEEKnown) {
    s.InitEE = other.InitEE;
    s.InitEEKnown = true;
  }
}

class Collector {
 public:
  Collector(std::vector<Difference>& rows, int number_base) : rows_(rows), base_(number_base) {}

  void Setting(SettingItem item, const char* name, const std::string& x, const std::string& y) {
    if (x == y) return;
    Difference d;
    d.setting = item;
    Add(d, name, x, y);
  }
  void Event(int pin, bool off, int slot, const std::string& x, const std::string& y) {
    if (x == y) return;
    Difference d;
    d.group = DiffGroup::kEventControl;
    d.pin = pin;
    d.event_off = off;
    d.slot = slot;
    Add(d, PinText(pin, base_) + (off ? " Event-Off " : " Event-On ") + std::to_string(slot + 1), x,
        y);
  }
  void Pin(int pin, PinItem item, const std::string& name, const std::string& x,
           const std::string& y, int aspect = -1, int step = -1) {
    if (x == y) return;
    Difference d;
    d.group = DiffGroup::kPin;
    d.pin = pin;
    d.item = item;
    d.aspect = aspect;
    d.step = step;
    Add(d, name, x, y);
  }
  // Unlike the rest, a block or a step may differ where its text does not.
  void PinAlways(int pin, PinItem item, const std::string& name, const std::string& x,
                 const std::string& y, int aspect = -1, int step = -1) {
    Difference d;
    d.group = DiffGroup::kPin;
    d.pin = pin;
    d.item = item;
    d.aspect = aspect;
    d.step = step;
    Add(d, name, x, y);
  }

 private:
  void Add(Difference& d, const std::string& name, const std::string& x, const std::string& y) {
    d.name = name;
    d.ours = x;
    d.theirs = y;
    rows_.push_back(std::move(d));
  }
  std::vector<Difference>& rows_;
  int base_;
};

}  // namespace

Configuration ModuleView(const Configuration& in) {
  Configuration c = in;
  ModuleSettings& s = c.Settings;
  s.IDString = std::string(ModuleIDString(s.IDString));
  if (s.ForceXA) {
    s.LumoFlex = false;
    s.PRNative = false;
    s.GroupMask = {};
    s.ModuleXAddress = 0;
  }
  if (s.LumoFlex) {
    s.PRNative = false;
  } else {
    s.LumoModeAddress = 0;
  }
  s.DccAddress = ClampDccAddress(s.DccAddress, s.AllowAddress0);
  s.XDccAddress = ClampXDccAddress(s.XDccAddress, s.AllowAddress0);
  if (s.SerialParity != 2 && s.SerialParity != 3) s.SerialParity = 0;
  for (int p = 0; p < kPinCount; ++p) {
    PinRecord& pin = c.Pins[p];
    pin.Description.clear();
    pin.DeviceName.clear();
    pin.LiveLevel = 0;
    pin.DeviceLink = ((pin.DeviceLink & 31) + p) % kPinCount - p;
    if (pin.PinConfig[0] > kConfigInputLowActive) pin.PinConfig = {};
    pin.PinConfig = KeptConfigBytes(pin);
    if (pin.PinConfig[0] == kConfigServo) {
      pin.PinConfig[2] = static_cast<uint8_t>(NormaliseServoP2(pin.PinConfig[2]));
    }
    for (int a = 0; a < static_cast<int>(pin.Aspects.size()); ++a) {
      AspectRecord& aspect = pin.Aspects[a];
      aspect.Description.clear();
      for (int st = 0; st < static_cast<int>(aspect.Steps.size()); ++st) {
        aspect.Steps[st] = st < StepCount(pin.AspectMode) && a < AspectCount(pin.AspectMode)
                               ? DecodeStep(EncodeStep(aspect.Steps[st]))
                               : StepRecord{};
      }
    }
  }
  return c;
}

std::vector<Difference> Differences(const Configuration& ours, const Configuration& theirs,
                                    const DiffOptions& o) {
  Configuration a = ours;
  Configuration b = theirs;
  if (o.module_only) {
    AdoptUnknown(a.Settings, theirs.Settings);
    AdoptUnknown(b.Settings, ours.Settings);
    a = ModuleView(a);
    b = ModuleView(b);
  }
  const int base = o.number_base;
  std::vector<Difference> rows;
  Collector add(rows, base);
  auto num = [](int n) { return std::to_string(n); };
  const ModuleSettings& x = a.Settings;
  const ModuleSettings& y = b.Settings;
  using S = SettingItem;
  add.Setting(S::kIdString, "ID string", QuotedText(x.IDString), QuotedText(y.IDString));
  add.Setting(S::kDccAddress, "Basic Decoder Addr", num(x.DccAddress), num(y.DccAddress));
  add.Setting(S::kXDccAddress, "Extended Dec. Addr", num(x.XDccAddress), num(y.XDccAddress));
  add.Setting(S::kPacketRetention, "Packet retention", kRetentionTexts[RetentionCode(x)],
              kRetentionTexts[RetentionCode(y)]);
  add.Setting(S::kPacketStateInvert, "Basic Packet State Invert",
              OnOffText(x.BasicPacketStateInvert), OnOffText(y.BasicPacketStateInvert));
  add.Setting(S::kAllowAddress0, "Allow Address 0", OnOffText(x.AllowAddress0),
              OnOffText(y.AllowAddress0));
  add.Setting(S::kSerialAddressing, "Serial addressing", SerialAddressingText(x, base),
              SerialAddressingText(y, base));
  // The flag and the enable map are the module's: a plain diff of two files keeps to what it has
  // always listed.
  if (o.module_only) {
    add.Setting(S::kEnforcedXAddress, "Enforced eXtended Address", OnOffText(x.ForceXA),
                OnOffText(y.ForceXA));
  }
  add.Setting(S::kXAddress, "eXtended Address", num(x.ModuleXAddress + base),
              num(y.ModuleXAddress + base));
  add.Setting(S::kGroupMask, "eXt Group Mask", GroupMaskText(x), GroupMaskText(y));
  add.Setting(S::kHardwareDrivers, "Hardware drivers", HardwareDriversText(x, base),
              HardwareDriversText(y, base));
  add.Setting(S::kLedGreen, "LED green", LedText(x.LedGreen), LedText(y.LedGreen));
  add.Setting(S::kLedOrange, "LED orange", LedText(x.LedOrange), LedText(y.LedOrange));
  add.Setting(S::kSerialPort, "Serial port", SerialPortText(x), SerialPortText(y));
  for (int p = 0; p < kPinCount; ++p) {
    for (int k = 0; k < 4; ++k) {
      add.Event(p, false, k, EventText(a.EventControl[p].EventOn[k]),
                EventText(b.EventControl[p].EventOn[k]));
      add.Event(p, true, k, EventText(a.EventControl[p].EventOff[k]),
                EventText(b.EventControl[p].EventOff[k]));
    }
  }
  if (o.module_only) {
    const std::size_t before = rows.size();
    add.Setting(S::kEnableMap, "Enable Map", EnableMapText(x), EnableMapText(y));
    if (rows.size() > before) rows.back().group = DiffGroup::kEventControl;
  }
  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& xp = a.Pins[p];
    const PinRecord& yp = b.Pins[p];
    const std::string pin = PinText(p, base);
    using P = PinItem;
    if (!o.module_only) {
      add.Pin(p, P::kDescription, pin + " description", QuotedText(xp.Description),
              QuotedText(yp.Description));
      add.Pin(p, P::kDeviceName, pin + " device name", QuotedText(xp.DeviceName),
              QuotedText(yp.DeviceName));
    }
    add.Pin(p, P::kDeviceHead, pin + " device head", PinText(p + xp.DeviceLink, base),
            PinText(p + yp.DeviceLink, base));
    const std::array<uint8_t, 13> cx = KeptConfigBytes(xp), cy = KeptConfigBytes(yp);
    if (cx != cy) {
      PinRecord rx = xp, ry = yp;
      rx.PinConfig = cx;
      ry.PinConfig = cy;
      add.PinAlways(p, P::kConfiguration, pin + " configuration", RoleText(rx), RoleText(ry));
    }
    add.Pin(p, P::kDccCount, pin + " DCC outputs", num(xp.DccCount), num(yp.DccCount));
    add.Pin(p, P::kXDccCount, pin + " extended DCC addresses", num(xp.XDccCount),
            num(yp.XDccCount));
    add.Pin(p, P::kLumoCount, pin + " serial addresses", num(xp.LumoCount), num(yp.LumoCount));
    add.Pin(p, P::kAspectMode, pin + " aspects", AspectLayoutText(xp.AspectMode),
            AspectLayoutText(yp.AspectMode));
    add.Pin(p, P::kInitialAspect, pin + " initial aspect", InitialAspectText(xp.InitialAspect),
            InitialAspectText(yp.InitialAspect));
    const int aspects = std::max(AspectCount(xp.AspectMode), AspectCount(yp.AspectMode));
    const int steps = std::max(StepCount(xp.AspectMode), StepCount(yp.AspectMode));
    for (int asp = 0; asp < aspects; ++asp) {
      const std::string aspect = pin + " aspect " + num(asp);
      if (!o.module_only) {
        add.Pin(p, P::kAspectDescription, aspect + " description",
                QuotedText(UsedAspect(xp, asp).Description),
                QuotedText(UsedAspect(yp, asp).Description), asp);
      }
      for (int st = 0; st < steps; ++st) {
        const StepRecord sx = UsedStep(xp, asp, st);
        const StepRecord sy = UsedStep(yp, asp, st);
        if (sx != sy) {
          add.PinAlways(p, P::kStep, aspect + " step " + num(st), StepText(sx, p, base),
                        StepText(sy, p, base), asp, st);
        }
      }
    }
  }
  return rows;
}

std::string DiffLine(const Difference& d) { return d.name + ": " + d.ours + " -> " + d.theirs; }

std::string GroupText(const Difference& d, int number_base) {
  switch (d.group) {
    case DiffGroup::kGeneral:
      return "General";
    case DiffGroup::kEventControl:
      return "Event Control";
    case DiffGroup::kPin:
      break;
  }
  return PinText(d.pin, number_base);
}

void TakeRows(Configuration& into, const Configuration& from, std::span<const Difference> rows) {
  ModuleSettings& s = into.Settings;
  const ModuleSettings& f = from.Settings;
  for (const Difference& d : rows) {
    if (d.group == DiffGroup::kEventControl && d.slot >= 0) {
      auto& slots =
          d.event_off ? into.EventControl[d.pin].EventOff : into.EventControl[d.pin].EventOn;
      const auto& given =
          d.event_off ? from.EventControl[d.pin].EventOff : from.EventControl[d.pin].EventOn;
      slots[d.slot] = given[d.slot];
      continue;
    }
    if (d.group != DiffGroup::kPin) {
      switch (d.setting) {
        case SettingItem::kIdString:
          s.IDString = f.IDString;
          break;
        case SettingItem::kDccAddress:
          s.DccAddress = f.DccAddress;
          break;
        case SettingItem::kXDccAddress:
          s.XDccAddress = f.XDccAddress;
          break;
        case SettingItem::kPacketRetention:
          s.PacketRetention = f.PacketRetention;
          break;
        case SettingItem::kPacketStateInvert:
          s.BasicPacketStateInvert = f.BasicPacketStateInvert;
          break;
        case SettingItem::kAllowAddress0:
          s.AllowAddress0 = f.AllowAddress0;
          break;
        case SettingItem::kSerialAddressing:
          s.PRNative = f.PRNative;
          s.LumoFlex = f.LumoFlex;
          s.LumoModeAddress = f.LumoModeAddress;
          break;
        case SettingItem::kEnforcedXAddress:
          s.ForceXA = f.ForceXA;
          s.ForceXAKnown = true;
          break;
        case SettingItem::kXAddress:
          s.ModuleXAddress = f.ModuleXAddress;
          break;
        case SettingItem::kGroupMask:
          s.GroupMask = f.GroupMask;
          break;
        case SettingItem::kHardwareDrivers:
          s.HwcSink = f.HwcSink;
          s.HwcSource = f.HwcSource;
          break;
        case SettingItem::kLedGreen:
          s.LedGreen = f.LedGreen;
          break;
        case SettingItem::kLedOrange:
          s.LedOrange = f.LedOrange;
          break;
        case SettingItem::kSerialPort:
          s.SerialEnable = f.SerialEnable;
          s.SerialBaudIndex = f.SerialBaudIndex;
          s.SerialDataBits8 = f.SerialDataBits8;
          s.SerialParity = f.SerialParity;
          s.SerialStop2 = f.SerialStop2;
          break;
        case SettingItem::kEnableMap:
          s.InitEE = f.InitEE;
          s.InitEEKnown = true;
          break;
      }
      continue;
    }
    PinRecord& pin = into.Pins[d.pin];
    const PinRecord& given = from.Pins[d.pin];
    switch (d.item) {
      case PinItem::kDescription:
        pin.Description = given.Description;
        break;
      case PinItem::kDeviceName:
        pin.DeviceName = given.DeviceName;
        break;
      case PinItem::kDeviceHead:
        pin.DeviceLink = given.DeviceLink;
        break;
      case PinItem::kConfiguration:
        pin.PinConfig = given.PinConfig;
        break;
      case PinItem::kDccCount:
        pin.DccCount = given.DccCount;
        break;
      case PinItem::kXDccCount:
        pin.XDccCount = given.XDccCount;
        break;
      case PinItem::kLumoCount:
        pin.LumoCount = given.LumoCount;
        break;
      case PinItem::kAspectMode:
        // Steps of another layout mean nothing in this one.
        pin.AspectMode = given.AspectMode;
        for (int a = 0; a < static_cast<int>(pin.Aspects.size()); ++a) {
          pin.Aspects[a].Steps = given.Aspects[a].Steps;
        }
        break;
      case PinItem::kInitialAspect:
        pin.InitialAspect = given.InitialAspect;
        break;
      case PinItem::kAspectDescription:
        pin.Aspects[d.aspect].Description = given.Aspects[d.aspect].Description;
        break;
      case PinItem::kStep:
        pin.Aspects[d.aspect].Steps[d.step] = given.Aspects[d.aspect].Steps[d.step];
        break;
    }
  }
}

}  // namespace pyra

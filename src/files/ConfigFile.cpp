#include "files/ConfigFile.h"

#include <cmath>

#include "files/AtomicFile.h"
#include "files/Cp1252.h"
#include "files/PinRecords.h"
#include "model/AddressAssignment.h"
#include "operations/EventControl.h"
#include "operations/FieldLimits.h"
#include "operations/SettingsCodec.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

constexpr int kHeaderLength = 22;  // keyword, one blank, four digits
constexpr int kVersionDigits = 4;
constexpr int kFirstCurrentVersion = 3100;  // older files know no native addressing flag
constexpr int kXDccSince = 32;              // DCC record and PAM record carry extended DCC
constexpr int kDccFlagsSince = 23;
constexpr int kPwmLevelsSince = 20;  // older PWM blocks end before the off and on levels

constexpr int kLastSettingBit = 7;  // LED boxes 0..6 are bits, box 7 the "nothing" box

int Bit(bool b) { return b ? 1 : 0; }

// Reads a whole number within a field's limit, refused with the limit's own words.
template <typename T>
bool Limited(RecordParser& p, T& out, const FieldLimit& limit, const std::string& name = {}) {
  return p.Whole(out, limit.min, limit.max, name.empty() ? limit.name : name);
}

// The numeric value of a version text: leading digits, as the old reader's Val() took them.
int VersionValue(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<int> ConfigHeaderVersion(std::string_view text) {
  FieldReader reader(text);
  const std::optional<Field> header = reader.Next();
  if (!header || header->text.size() != kHeaderLength ||
      header->text.compare(0, std::string_view(kConfigHeaderKeyword).size(),
                           kConfigHeaderKeyword) != 0) {
    return std::nullopt;
  }
  return VersionValue(std::string_view(header->text).substr(kHeaderLength - kVersionDigits));
}

namespace {

std::string SettingsLines(const ModuleSettings& s) {
  std::string out;
  out += RecordLine("ID$").Text(s.IDString).Done();
  out +=
      RecordLine("DCC")
          .Number(s.DccAddress)
          .Number(s.XDccAddress)
          // With no retention option chosen yet the module is sent 250 ms; the file says so.
          .Number(RetentionCode(s) + 4 * Bit(s.BasicPacketStateInvert) + 8 * Bit(s.AllowAddress0))
          .Done();
  RecordLine xad("XAD");
  xad.Number(s.LumoFlex ? s.LumoModeAddress : 64 * Bit(s.PRNative))
      .Number(Bit(s.LumoFlex))
      .Number(s.ModuleXAddress);
  for (int mask : GroupMaskBytes(s)) xad.Number(mask);
  out += xad.Done();
  RecordLine hwc("HWC");
  for (int i = 0; i < 4; ++i) hwc.Number(2 * Bit(s.HwcSource[i]) + Bit(s.HwcSink[i]));
  out += hwc.Done();
  out += RecordLine("LED")
             .Number(LedFunctionByte(s.LedGreen))
             .Number(LedFunctionByte(s.LedOrange))
             .Done();
  const int baud = s.SerialBaudIndex >= 0 && s.SerialBaudIndex < 8 ? s.SerialBaudIndex : 0;
  out += RecordLine("SPC")
             .Number(Bit(s.SerialEnable))
             .Text(kBaudRates[baud])
             .Number(s.SerialDataBits8 ? 8 : 7)
             .Number(s.SerialParity == 2 || s.SerialParity == 3 ? s.SerialParity : 0)
             .Number(s.SerialStop2 ? 2 : 1)
             .Done();
  // What the older tool's files do not carry; a configuration that never learnt it says nothing,
  // so that loading the file elsewhere keeps what the window or the module holds.
  if (s.ForceXAKnown) out += RecordLine("XAE").Number(Bit(s.ForceXA)).Done();
  if (s.InitEEKnown) {
    const auto masks = EnableMasks(s);
    out += RecordLine("EEM").Number(masks[0]).Number(masks[1]).Done();
  }
  return out;
}

std::string EventLines(const Configuration& c) {
  std::string out;
  for (const char* tag : {"Eon", "Eof"}) {
    const bool on = tag[2] == 'n';
    for (int p = 0; p < kPinCount; ++p) {
      RecordLine line(tag);
      line.Number(p);
      const auto& events = on ? c.EventControl[p].EventOn : c.EventControl[p].EventOff;
      for (int k = 0; k < 4; ++k) line.Number(events[k] + 1);
      out += line.Done();
    }
  }
  return out;
}

std::string PinLines(PinRecord& pin, int index, SaveForm form) {
  const bool compact = form == SaveForm::kCompact;
  std::string out;
  out += RecordLine("Pin")
             .Number(index)
             .Number(pin.AspectMode)
             .Number(pin.InitialAspect)
             .Text(pin.Description)
             .Done();
  out += RecordLine("Dev", 2).Number(pin.DeviceLink).Text(pin.DeviceName).Done();
  out += CfgLine(pin, 2);
  out += PamLine(pin, 2);
  if (pin.AspectMode != kAspectMode12x3 && pin.AspectMode != kAspectMode4x9) return out;
  for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
    const AspectRecord& aspect = pin.Aspects[a];
    if (compact && aspect.Description.empty()) continue;
    out += RecordLine("Asp", 2).Number(a).Text(aspect.Description).Done();
    for (int s = 0; s < StepCount(pin.AspectMode); ++s) {
      if (compact && aspect.Steps[s].Opcode == 0) continue;
      out += InsLine(s, aspect.Steps[s], 4);
    }
  }
  return out;
}

// Reads a body over a configuration; `c` is a scratch copy that the caller keeps only when the
// whole body was read.
class ConfigLoader {
 public:
  ConfigLoader(std::string_view text, int version, Configuration& c, const HasFadeFn& has_fade)
      : p_(text), v_(version), c_(c), has_fade_(has_fade) {}

  bool ReadHeader() { return p_.Next().has_value(); }

  bool ReadBody(bool& dcc_record) {
    for (;;) {
      const std::optional<Field> tag = p_.Next();
      if (!tag) return p_.failed() ? false : p_.FailAtEnd();
      const std::string& t = tag->text;
      bool ok = true;
      if (t == "End") return true;
      if (t == "ID$") {
        ok = p_.String(c_.Settings.IDString);
      } else if (t == "DCC") {
        ok = ReadDcc();
        dcc_record = true;
      } else if (t == "XAD") {
        ok = ReadXad();
      } else if (t == "HWC") {
        ok = ReadHwc();
      } else if (t == "LED") {
        ok = ReadLed(c_.Settings.LedGreen, limits::kGreenLedMask) &&
             ReadLed(c_.Settings.LedOrange, limits::kOrangeLedMask);
      } else if (t == "SPC") {
        ok = ReadSpc();
      } else if (t == "XAE") {
        ok = ReadXae();
      } else if (t == "EEM") {
        ok = ReadEem();
      } else if (t == "Eon" || t == "Evt") {
        ok = ReadEvents(true);
      } else if (t == "Eof") {
        ok = ReadEvents(false);
      } else if (t == "Pin") {
        ok = ReadPin();
      } else if (t == "Dev") {
        ok = ReadDev();
      } else if (t == "Cfg") {
        ok = ReadCfg();
      } else if (t == "PAM") {
        ok = ReadPam();
      } else if (t == "Asp") {
        ok = p_.Whole(aspect_, 0, kMaxAspectIndex, "aspect index") &&
             p_.String(Pin().Aspects[aspect_].Description);
      } else if (t == "Ins") {
        ok = ReadIns();
      }
      // Any other field is skipped on its own: the next one is taken as a tag again.
      if (!ok) return false;
    }
  }

  const FileError& Error() const { return p_.Error(); }

 private:
  PinRecord& Pin() { return c_.Pins[pin_]; }

  bool ReadDcc() {
    ModuleSettings& s = c_.Settings;
    double address = 0;
    if (!p_.General(address, limits::kDccAddress.name) || !InRange(address, limits::kDccAddress)) {
      return false;
    }
    s.DccAddress = static_cast<int>(address);
    if (v_ >= kXDccSince) {
      double xaddress = 0;
      if (!p_.General(xaddress, limits::kXDccAddress.name) ||
          !InRange(xaddress, limits::kXDccAddress)) {
        return false;
      }
      s.XDccAddress = static_cast<int>(xaddress);
    }
    if (v_ >= kDccFlagsSince) {
      uint8_t f = 0;
      if (!Limited(p_, f, limits::kDccFlags)) return false;
      s.AllowAddress0 = (f / 8) % 2 == 1;
      s.BasicPacketStateInvert = (f / 4) % 2 == 1;
      s.PacketRetention = f & 3;
    }
    ShowModuleDccRange(c_);
    ShowModuleXDccRange(c_);
    return true;
  }

  bool InRange(double value, const FieldLimit& limit) {
    if (value >= limit.min && value < limit.max + 1) return true;
    return p_.Fail(limit.Refusal(static_cast<long>(std::floor(value))));
  }

  bool ReadXad() {
    ModuleSettings& s = c_.Settings;
    int first = 0;
    int flex = 0;
    int xaddress = 0;
    std::array<int, 4> masks{};
    if (!Limited(p_, first, limits::kLumoStartAddress) || !p_.Integer(flex, "Lumo flex flag") ||
        !p_.Whole(xaddress, limits::kModuleXAddress.min, kEnforcedXAddress,
                  limits::kModuleXAddress.name)) {
      return false;
    }
    for (auto& m : masks) {
      if (!Limited(p_, m, limits::kGroupMask)) return false;
    }
    if (flex == 1) {
      s.LumoFlex = true;
      s.PRNative = false;
      s.LumoModeAddress = first;
    } else {
      s.LumoFlex = false;
      s.PRNative = v_ >= kFirstCurrentVersion && (first / 64) % 2 == 1;
      s.LumoModeAddress = 0;
    }
    // The module's own mark for an enforced address means the same in a file.
    if (xaddress == kEnforcedXAddress) {
      s.ForceXA = true;
      s.ForceXAKnown = true;
      xaddress = 0;
    }
    s.ModuleXAddress = xaddress;
    ApplyGroupMaskBytes(s, masks);
    return true;
  }

  bool ReadXae() {
    ModuleSettings& s = c_.Settings;
    int enforced = 0;
    if (!Limited(p_, enforced, limits::kEnforcedFlag)) return false;
    s.ForceXA = enforced == 1;
    s.ForceXAKnown = true;
    return true;
  }

  bool ReadEem() {
    ModuleSettings& s = c_.Settings;
    std::array<int, 2> masks{};
    for (auto& m : masks) {
      if (!Limited(p_, m, limits::kEnableMask)) return false;
    }
    for (int i = 0; i < 4; ++i) {
      s.InitEE[i] = ((masks[0] >> i) & 1) == 0;
      s.InitEE[4 + i] = ((masks[1] >> i) & 1) == 0;
    }
    s.InitEEKnown = true;
    return true;
  }

  bool ReadHwc() {
    for (int i = 0; i < 4; ++i) {
      int v = 0;
      if (!Limited(p_, v, limits::kHardwareGroup)) return false;
      c_.Settings.HwcSink[i] = (v & 1) != 0;
      c_.Settings.HwcSource[i] = (v / 2) % 2 == 1;
    }
    return true;
  }

  bool ReadLed(std::array<int, 8>& boxes, const FieldLimit& limit) {
    uint8_t g = 0;
    if (!Limited(p_, g, limit)) return false;
    for (int i = 0; i < kLastSettingBit; ++i) boxes[i] = g != 0 ? (g >> i) & 1 : 0;
    boxes[kLastSettingBit] = g != 0 ? 0 : 2;
    return true;
  }

  bool ReadSpc() {
    ModuleSettings& s = c_.Settings;
    int enable = 0, data_bits = 0, parity = 0, stop = 0;
    std::string baud;
    if (!p_.Integer(enable, "serial enable") || !p_.String(baud) ||
        !p_.Integer(data_bits, "data bits") || !p_.Integer(parity, "parity") ||
        !p_.Integer(stop, "stop bits")) {
      return false;
    }
    s.SerialEnable = enable == 1;
    for (int i = 0; i < 8; ++i) {
      if (baud == kBaudRates[i]) s.SerialBaudIndex = i;
    }
    s.SerialDataBits8 = data_bits == 8;
    s.SerialParity = parity == 3 ? 3 : parity == 2 ? 2 : 0;
    s.SerialStop2 = stop == 2;
    return true;
  }

  bool ReadEvents(bool on) {
    if (!p_.Whole(pin_, 0, kSpareRecord, "pin index")) return false;
    auto& events = on ? c_.EventControl[pin_].EventOn : c_.EventControl[pin_].EventOff;
    for (int k = 0; k < 4; ++k) {
      int v = 0;
      if (!p_.Integer(v, "event number")) return false;
      const int event = v - limits::kEventFileOffset;
      if (!limits::kEvent.Allows(event)) {
        return p_.Fail(limits::kEvent.Refusal(event) + " (written as " + std::to_string(v) + ")");
      }
      events[k] = event;
    }
    return true;
  }

  bool ReadPin() {
    if (!p_.Whole(pin_, 0, kSpareRecord, "pin index")) return false;
    PinRecord& pin = Pin();
    if (!Limited(p_, pin.AspectMode, limits::kAspectMode) ||
        !Limited(p_, pin.InitialAspect, limits::kInitialAspect) || !p_.String(pin.Description)) {
      return false;
    }
    pin.DccCount = 1;
    pin.XDccCount = 1;
    pin.LumoCount = 1;
    for (int a = 0; a < 12; ++a) {
      pin.Aspects[a].Description.clear();
      for (int s = 0; s < 9; ++s) pin.Aspects[a].Steps[s] = StepRecord{};
    }
    return true;
  }

  bool ReadDev() {
    PinRecord& pin = Pin();
    // The head pin is looked up by index wherever devices are handled: it must be a pin.
    const int highest = pin_ == kSpareRecord ? kSpareRecord : limits::kDeviceHead.max;
    return p_.Whole(pin.DeviceLink, limits::kDeviceHead.min - pin_, highest - pin_,
                    "device link") &&
           p_.String(pin.DeviceName);
  }

  bool ReadCfg() {
    PinRecord& pin = Pin();
    auto& cfg = pin.PinConfig;
    auto read = [&](int from, int to) {
      for (int i = from; i <= to; ++i) {
        if (!Limited(p_, cfg[i], limits::kConfigByte, "configuration byte " + std::to_string(i))) {
          return false;
        }
      }
      return true;
    };
    if (!read(0, 0)) return false;
    switch (cfg[0]) {
      case 2:
      case 3:
        if (!read(1, 3)) return false;
        if (v_ < kPwmLevelsSince) {
          cfg[4] = 0;
          cfg[5] = 31;
        } else if (!read(4, 5)) {
          return false;
        }
        for (int i = 6; i <= 11; ++i) cfg[i] = 0;
        break;
      case 4:
      case 5:
        if (!read(1, 4)) return false;
        break;
      case 1:
        if (!read(1, 11)) return false;
        // Old files kept the servo range in the high nibble.
        if (cfg[2] >= 16 && (cfg[2] & 8) == 0) cfg[2] = static_cast<uint8_t>(cfg[2] / 16 + 40);
        break;
      default:
        for (int i = 0; i <= 11; ++i) cfg[i] = 0;
        break;
    }
    pin.LiveLevel = cfg[1];
    return true;
  }

  bool ReadPam() {
    PinRecord& pin = Pin();
    // The running address sums are whole numbers, so counts above the editors' limits are
    // safe there.
    if (v_ >= kXDccSince && !Limited(p_, pin.XDccCount, limits::kXDccCount)) return false;
    return Limited(p_, pin.DccCount, limits::kDccCount) &&
           Limited(p_, pin.LumoCount, limits::kLumoCount);
  }

  bool ReadIns() {
    InsFields ins;
    if (!ReadInsFields(p_, ins, has_fade_)) return false;
    Pin().Aspects[aspect_].Steps[ins.step_index] = ins.step;
    return true;
  }

  RecordParser p_;
  int v_;
  Configuration& c_;
  const HasFadeFn& has_fade_;
  int pin_ = 0;
  int aspect_ = 0;
};

}  // namespace

int SavedConfigBytes(int type) {
  switch (type) {
    case 1:
      return 12;
    case 2:
    case 3:
      return 6;
    case 4:
    case 5:
      return 5;
    default:
      return 1;
  }
}

std::string CfgLine(PinRecord& pin, int indent) {
  if (pin.PinConfig[0] == 1) pin.PinConfig[2] &= 63;
  RecordLine line("Cfg", indent);
  for (int i = 0; i < SavedConfigBytes(pin.PinConfig[0]); ++i) line.Number(pin.PinConfig[i]);
  return line.Done();
}

std::string PamLine(const PinRecord& pin, int indent) {
  return RecordLine("PAM", indent)
      .Number(pin.XDccCount)
      .Number(pin.DccCount)
      .Number(pin.LumoCount)
      .Done();
}

std::string InsLine(int step_index, const StepRecord& step, int indent) {
  return RecordLine("Ins", indent)
      .Number(step_index)
      .Number(step.Fade * 16 + step.Opcode)
      .Number(step.Offset)
      .Number(step.Par1)
      .Number(step.Par2)
      .Number(step.Par3)
      .Done();
}

bool ReadInsFields(RecordParser& parser, InsFields& out, const HasFadeFn& has_fade) {
  int combined = 0;
  StepRecord& s = out.step;
  // The combined value is the step's opcode byte on the wire, whatever the instruction list
  // offers.
  if (!parser.Whole(out.step_index, 0, kMaxStepIndex, "step index") ||
      !Limited(parser, combined, limits::kInstructionCode)) {
    return false;
  }
  const int low = combined & 239;
  const bool fade = has_fade ? has_fade(low) : TableHasFade(low);
  s.Fade = fade ? static_cast<uint8_t>((combined >> 4) & 1) : 0;
  s.Opcode = static_cast<uint8_t>(fade ? low : combined);
  uint8_t* bytes[] = {&s.Offset, &s.Par1, &s.Par2, &s.Par3};
  for (int i = 0; i < 4; ++i) {
    if (!Limited(parser, *bytes[i], StepByteLimit(s.Opcode, i))) return false;
  }
  return true;
}

bool TableHasFade(int code) { return Instruction(code).HasFade; }

std::optional<SaveForm> SaveFormForPress(bool left_button, bool shift, bool other_modifiers) {
  if (!left_button || other_modifiers) return std::nullopt;
  return shift ? SaveForm::kCompact : SaveForm::kFull;
}

std::string ConfigurationText(Configuration& c, SaveForm form) {
  std::string out = "\"" + std::string(kConfigHeaderKeyword) + " " + kDataVersion + "\"\r\n";
  out += SettingsLines(c.Settings);
  out += EventLines(c);
  for (int p = 0; p < kPinCount; ++p) {
    PinRecord& pin = c.Pins[p];
    if (form == SaveForm::kCompact && pin.Description.empty()) continue;
    out += PinLines(pin, p, form);
  }
  out += RecordLine("End").Done();
  return out;
}

ConfigLoadResult LoadConfigurationText(std::string_view text, Configuration& c,
                                       const HasFadeFn& has_fade) {
  ConfigLoadResult result;
  const std::optional<int> version = ConfigHeaderVersion(text);
  if (!version) {
    result.bad_header = true;
    return result;
  }
  result.version = *version;

  Configuration scratch = c;
  ConfigLoader loader(text, result.version, scratch, has_fade);
  loader.ReadHeader();
  if (!loader.ReadBody(result.dcc_record)) {
    result.error = loader.Error();
    return result;
  }
  c = std::move(scratch);
  result.ok = true;
  return result;
}

std::string InvalidFileMessage(const char* headline, const FileError& error) {
  std::string text = headline;
  if (error.line > 0)
    text += "\r\nLine " + std::to_string(error.line) + ": " + error.reason;
  else if (!error.reason.empty())
    text += "\r\n" + error.reason;
  return text;
}

bool SaveConfigurationFile(const std::string& path, Configuration& c, SaveForm form,
                           Prompter& prompter) {
  if (path.empty()) return false;
  const std::string bytes = Utf8ToCp1252(ConfigurationText(c, form));
  const std::string error = WriteFileAtomically(path, bytes);
  if (!error.empty()) {
    prompter.Message("The configuration could not be saved to " + path + ":\r\n" + error +
                         "\r\nThe file was not changed.",
                     Icon::kExclamation);
    return false;
  }
  return true;
}

bool LoadConfigurationFile(const std::string& path, Configuration& c, Prompter& prompter,
                           const RefreshFn& refresh, const HasFadeFn& has_fade) {
  if (path.empty()) return false;
  std::string bytes;
  if (const std::string error = ReadWholeFile(path, bytes); !error.empty()) {
    prompter.Message("The configuration file " + path + " could not be opened:\r\n" + error,
                     Icon::kExclamation);
    return false;
  }
  const std::string text = Cp1252ToUtf8(bytes);

  // The version is announced before the body is read, as the old reader did.
  const std::optional<int> version = ConfigHeaderVersion(text);
  if (!version) {
    prompter.Message(kInvalidConfigurationFile, Icon::kExclamation);
    return false;
  }
  if (*version < kFirstCurrentVersion) {
    prompter.Message(kDataFileVersionMessage + std::to_string(*version), Icon::kInformation);
  }

  const ConfigLoadResult result = LoadConfigurationText(text, c, has_fade);
  if (!result.ok) {
    prompter.Message(InvalidFileMessage(kInvalidConfigurationFile, result.error),
                     Icon::kExclamation);
    return false;
  }

  auto step = [&](LoadRefresh r) {
    switch (r) {
      case LoadRefresh::kComputeDccStarts:
        ComputeDccStarts(c);
        break;
      case LoadRefresh::kComputeLumoStarts:
        ComputeLumoStarts(c);
        break;
      case LoadRefresh::kComputeXDccStarts:
        ComputeXDccStarts(c);
        break;
      default:
        break;
    }
    if (refresh) refresh(r);
  };
  if (result.dcc_record) {
    for (LoadRefresh r :
         {LoadRefresh::kShowModuleDccRange, LoadRefresh::kShowPinDccAddressAfterDcc,
          LoadRefresh::kShowModuleXDccRange, LoadRefresh::kShowPinXDccAddressAfterDcc}) {
      step(r);
    }
  }
  for (LoadRefresh r : {LoadRefresh::kShowPin, LoadRefresh::kShowPinConfig,
                        LoadRefresh::kApplyShowDetails, LoadRefresh::kShowPinEvents,
                        LoadRefresh::kComputeDccStarts, LoadRefresh::kShowPinDccAddress,
                        LoadRefresh::kComputeLumoStarts, LoadRefresh::kShowPinLumoAddress,
                        LoadRefresh::kComputeXDccStarts, LoadRefresh::kShowPinXDccAddress}) {
    step(r);
  }
  return true;
}

}  // namespace pyra

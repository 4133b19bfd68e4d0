#include "devices/Devices.h"

#include <optional>

#include "files/AtomicFile.h"
#include "files/Cp1252.h"
#include "files/PinRecords.h"
#include "files/RecordText.h"
#include "model/AddressAssignment.h"
#include "operations/FieldLimits.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

class DeviceReader {
 public:
  DeviceReader(std::string_view text, Configuration& c, const HasFadeFn& has_fade)
      : p_(text), c_(c), has_fade_(has_fade), head_(c.CurrentPin), target_(c.CurrentPin) {}

  // Moves past the header and on to the device's first record; false when it is not listed.
  bool Find(const std::string& name) {
    p_.Next();
    while (const std::optional<Field> field = p_.Next()) {
      if (field->text == "End") return false;
      if (field->text != "Dev") continue;
      const std::optional<Field> found = p_.Next();
      if (!found) return false;
      if (found->text == name) return true;
    }
    return false;
  }

  bool Apply(const std::string& name, std::vector<int>& overwritten) {
    DetachDevice(c_, head_);
    // The name as listed may hold a double quote (an unquoted field); the model keeps it as a
    // save writes it, like every text read from a file.
    c_.Pins[head_].DeviceName = FileSafeText(name);
    for (;;) {
      const std::optional<Field> tag = p_.Next();
      if (!tag) return p_.failed() ? false : p_.FailAtEnd();
      const std::string& t = tag->text;
      bool ok = true;
      if (t == "Dev" || t == "End") return true;
      if (t == "Pin" || t == "Pab") {
        ok = ReadPin(t == "Pab", overwritten);
      } else if (t == "PAM") {
        PinRecord& pin = c_.Pins[target_];
        ok = Limited(pin.XDccCount, limits::kXDccCount) &&
             Limited(pin.DccCount, limits::kDccCount) && Limited(pin.LumoCount, limits::kLumoCount);
      } else if (t == "Cfg") {
        ok = ReadCfg();
      } else if (t == "Asp") {
        ok = p_.Whole(aspect_, 0, kMaxAspectIndex, "aspect index") &&
             p_.String(c_.Pins[target_].Aspects[aspect_].Description);
      } else if (t == "Ins") {
        InsFields ins;
        ok = ReadInsFields(p_, ins, has_fade_);
        if (ok) c_.Pins[target_].Aspects[aspect_].Steps[ins.step_index] = ins.step;
      }
      if (!ok) return false;
    }
  }

  const FileError& Error() const { return p_.Error(); }

 private:
  // A device file holds the same values a configuration file does, within the same limits.
  template <typename T>
  bool Limited(T& out, const FieldLimit& limit) {
    return p_.Whole(out, limit.min, limit.max, limit.name);
  }

  bool ReadPin(bool absolute, std::vector<int>& overwritten) {
    int number = 0;
    if (!p_.Integer(number, "pin number")) return false;
    target_ = absolute ? number & 31 : (head_ + number) & 31;
    if (target_ != head_) DetachDevice(c_, target_);
    PinRecord& pin = c_.Pins[target_];
    pin.DeviceLink = head_ - target_;
    if (!pin.Description.empty()) overwritten.push_back(target_);
    if (!Limited(pin.AspectMode, limits::kAspectMode) ||
        !Limited(pin.InitialAspect, limits::kInitialAspect) || !p_.String(pin.Description)) {
      return false;
    }
    for (int a = 0; a < 12; ++a) {
      pin.Aspects[a].Description.clear();
      for (int s = 0; s < 9; ++s) pin.Aspects[a].Steps[s] = StepRecord{};
    }
    pin.XDccCount = 1;
    pin.DccCount = 1;
    pin.LumoCount = 1;
    return true;
  }

  bool ReadCfg() {
    auto& cfg = c_.Pins[target_].PinConfig;
    auto read = [&](int from, int to) {
      for (int i = from; i <= to; ++i) {
        if (!p_.Whole(cfg[i], limits::kConfigByte.min, limits::kConfigByte.max,
                      std::string(limits::kConfigByte.name) + " " + std::to_string(i))) {
          return false;
        }
      }
      return true;
    };
    if (!read(0, 0)) return false;
    switch (cfg[0]) {
      case 1:
        return read(1, 11);
      case 2:
      case 3: {
        if (!read(1, 3)) return false;
        // Libraries from before the off and on levels end the record here: the next field is
        // then the next tag.
        const std::optional<Field> next = p_.Peek();
        if (next && ParseWholeNumber(next->text)) return read(4, 5);
        return true;
      }
      case 4:
      case 5:
        return read(1, 4);
      default:
        return true;
    }
  }

  RecordParser p_;
  Configuration& c_;
  const HasFadeFn& has_fade_;
  int head_;
  int target_;
  int aspect_ = 0;
};

void PinBlock(std::string& out, PinRecord& pin, int relative) {
  out += RecordLine("Pin", 2)
             .Number(relative)
             .Number(pin.AspectMode)
             .Number(pin.InitialAspect)
             .Text(pin.Description)
             .Done();
  out += CfgLine(pin, 4);
  out += PamLine(pin, 4);
  for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
    const AspectRecord& aspect = pin.Aspects[a];
    if (aspect.Description.empty()) continue;
    out += RecordLine("Asp", 4).Number(a).Text(aspect.Description).Done();
    for (int s = 0; s < StepCount(pin.AspectMode); ++s) {
      if (aspect.Steps[s].Opcode != 0) out += InsLine(s, aspect.Steps[s], 6);
    }
  }
}

bool HeadsDevice(const Configuration& c, int head) {
  return head >= 0 && head < kPinCount && c.Pins[head].DeviceLink == 0;
}

}  // namespace

int HeadPin(const Configuration& c, int p) { return p + c.Pins[p].DeviceLink; }

void DetachDevice(Configuration& c, int p) {
  if (c.Pins[p].DeviceLink != 0) return;
  for (int q = 0; q < kPinCount; ++q) {
    if (HeadPin(c, q) == p) {
      c.Pins[q].DeviceLink = 0;
      c.Pins[q].DeviceName.clear();
    }
  }
}

ApplyResult ApplyDeviceText(std::string_view text, const std::string& name, Configuration& c,
                            const HasFadeFn& has_fade) {
  ApplyResult result;
  Configuration scratch = c;
  DeviceReader reader(text, scratch, has_fade);
  if (!reader.Find(name)) {
    result.outcome = ApplyOutcome::kNotFound;
    return result;
  }
  if (!reader.Apply(name, result.overwritten)) {
    result.outcome = ApplyOutcome::kInvalid;
    result.error = reader.Error();
    result.overwritten.clear();
    return result;
  }
  c = std::move(scratch);
  result.outcome = ApplyOutcome::kApplied;
  return result;
}

std::string OverwrittenPinsMessage(const std::vector<int>& pins, int number_base) {
  // The line breaks are line feed, then carriage return, as the message has always had them.
  std::string text =
      "Information: The following Pin numbers were\n\ralready used and have been overwritten:\n\r";
  for (std::size_t i = 0; i < pins.size(); ++i) {
    if (i > 0) text += ",";
    text += " " + std::to_string(pins[i] + number_base);
  }
  return text;
}

bool ApplyDevice(Configuration& c, const DeviceLibrary& library, int entry, const std::string& name,
                 Prompter& prompter, const RefreshFn& refresh, const HasFadeFn& has_fade) {
  if (name.empty()) {
    prompter.Message(kSelectDeviceName);
    return false;
  }
  if (entry < 0) {
    for (std::size_t i = 0; i < library.Names.size() && entry < 0; ++i) {
      if (library.Names[i] == name) entry = static_cast<int>(i);
    }
  }
  if (entry < 0 || entry >= static_cast<int>(library.DeviceFiles.size())) {
    prompter.Message(kNoMatchFound);
    return false;
  }
  const std::string& path = library.DeviceFiles[entry];
  std::string bytes;
  if (const std::string error = ReadWholeFile(path, bytes); !error.empty()) {
    prompter.Message("The device definition file " + path + " could not be opened:\r\n" + error,
                     Icon::kExclamation);
    return false;
  }
  const ApplyResult result = ApplyDeviceText(Cp1252ToUtf8(bytes), name, c, has_fade);
  if (result.outcome == ApplyOutcome::kNotFound) {
    prompter.Message(kNoMatchFound);
    return false;
  }
  if (result.outcome == ApplyOutcome::kInvalid) {
    prompter.Message(InvalidFileMessage(kInvalidDefinitionFile, result.error), Icon::kExclamation);
    return false;
  }
  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ComputeLumoStarts(c);
  if (refresh) {
    for (LoadRefresh r :
         {LoadRefresh::kComputeDccStarts, LoadRefresh::kComputeXDccStarts,
          LoadRefresh::kComputeLumoStarts, LoadRefresh::kShowPinDccAddress,
          LoadRefresh::kShowPinXDccAddress, LoadRefresh::kShowPinLumoAddress, LoadRefresh::kShowPin,
          LoadRefresh::kShowPinConfig, LoadRefresh::kApplyShowDetails}) {
      refresh(r);
    }
  }
  if (!result.overwritten.empty()) {
    prompter.Message(OverwrittenPinsMessage(result.overwritten, c.NumberBase), Icon::kExclamation);
  }
  return true;
}

std::string DeviceText(Configuration& c, int head) {
  PinRecord& h = c.Pins[head];
  std::string out =
      "\"" + std::string(kDefinitionsKeyword) + " " + FileSafeText(h.DeviceName) + "\"\r\n";
  out += RecordLine("Dev").Text(h.DeviceName).Done();
  PinBlock(out, h, 0);
  for (int p = 0; p < kPinCount; ++p) {
    if (p != head && HeadPin(c, p) == head) PinBlock(out, c.Pins[p], (p - head) & 31);
  }
  out += RecordLine("End").Done();
  return out;
}

bool SaveDevice(Configuration& c, const ChooseFile& choose, Prompter& prompter) {
  const int head = HeadPin(c, c.CurrentPin);
  if (!HeadsDevice(c, head)) {
    prompter.Message(kReferralIsNotADevice, Icon::kExclamation);
    return false;
  }
  const std::string path = choose ? choose("") : "";
  if (path.empty()) return false;
  const std::string error = WriteFileAtomically(path, Utf8ToCp1252(DeviceText(c, head)));
  if (!error.empty()) {
    prompter.Message("The device could not be saved to " + path + ":\r\n" + error +
                         "\r\nThe file was not changed.",
                     Icon::kExclamation);
    return false;
  }
  return true;
}

}  // namespace pyra

#include "operations/FieldLimits.h"

#include "pins/InstructionSet.h"

namespace pyra {

std::string FieldLimit::Refusal(long value) const {
  return std::string(name) + " " + std::to_string(value) + " is out of range " +
         std::to_string(min) + ".." + std::to_string(max);
}

bool IsByteSendingCode(int opcode) { return opcode == 4 || opcode == 5 || opcode == 20; }

FieldLimit StepByteLimit(int opcode, int index) {
  static constexpr const char* kNames[] = {"Par 0", "Par 1", "Par 2", "Base"};
  FieldLimit limit = limits::kStepByte;
  if (IsByteSendingCode(opcode)) {
    if (index == 0) limit = limits::kUncarriedStepByte;
    if (index == 1 || index == 2) limit = limits::kWideStepByte;
  }
  limit.name = kNames[index];
  return limit;
}

namespace {

// Collects the first refusal with where it was found.
class Checker {
 public:
  bool Check(const FieldLimit& limit, long value, const std::string& where) {
    if (found_ || limit.Allows(value)) return !found_;
    found_ = where + ": " + limit.Refusal(value);
    return false;
  }
  std::optional<std::string> Found() const { return found_; }

 private:
  std::optional<std::string> found_;
};

void CheckSettings(Checker& k, const ModuleSettings& s) {
  const std::string where = "General settings";
  k.Check(limits::kDccAddress, s.DccAddress, where);
  k.Check(limits::kXDccAddress, s.XDccAddress, where);
  // Enforced eXtended Address sends zeros in place of the addressing bytes.
  if (!s.ForceXA) {
    if (!s.PRNative) k.Check(limits::kLumoStartAddress, s.LumoModeAddress, where);
    k.Check(limits::kModuleXAddress, s.ModuleXAddress, where);
  }
  k.Check(limits::kSerialBaudIndex, s.SerialBaudIndex, where);
}

void CheckEvents(Checker& k, const Configuration& c) {
  for (int p = 0; p < kPinCount; ++p) {
    const std::string pin = "Pin " + std::to_string(p + c.NumberBase);
    for (int i = 0; i < 4; ++i) {
      k.Check(limits::kEvent, c.EventControl[p].EventOn[i],
              pin + " Event-On(" + std::to_string(i) + ")");
      k.Check(limits::kEvent, c.EventControl[p].EventOff[i],
              pin + " Event-Off(" + std::to_string(i) + ")");
    }
  }
}

// The bytes of the stored configuration block that its type sends after the type itself.
int SentConfigBytes(int type) {
  switch (type) {
    case 1:
      return 11;
    case 2:
    case 3:
      return 5;
    case 4:
    case 5:
      return 4;
    default:
      return 0;
  }
}

void CheckPin(Checker& k, const PinRecord& pin, int p, int number_base) {
  const std::string where = "Pin " + std::to_string(p + number_base);
  k.Check(limits::kAspectMode, pin.AspectMode, where);
  k.Check(limits::kInitialAspect, pin.InitialAspect, where);
  k.Check(limits::kDccCount, pin.DccCount, where);
  k.Check(limits::kXDccCount, pin.XDccCount, where);
  k.Check(limits::kLumoCount, pin.LumoCount, where);
  k.Check(limits::kDeviceHead, p + pin.DeviceLink, where);
  for (int i = 0; i <= SentConfigBytes(pin.PinConfig[0]); ++i) {
    k.Check(limits::kConfigByte, pin.PinConfig[i], where);
  }
  if (pin.AspectMode != kAspectMode12x3 && pin.AspectMode != kAspectMode4x9) return;
  for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
    for (int s = 0; s < StepCount(pin.AspectMode); ++s) {
      const StepRecord& step = pin.Aspects[a].Steps[s];
      const std::string at =
          where + ", aspect " + std::to_string(a) + ", step " + std::to_string(s);
      k.Check(limits::kInstructionCode, step.Opcode + 16 * step.Fade, at);
      const int bytes[] = {step.Offset, step.Par1, step.Par2, step.Par3};
      for (int i = 0; i < 4; ++i) k.Check(StepByteLimit(step.Opcode, i), bytes[i], at);
    }
  }
}

}  // namespace

std::optional<std::string> UnwritableValue(const Configuration& c) {
  Checker k;
  CheckSettings(k, c.Settings);
  CheckEvents(k, c);
  for (int p = 0; p < kPinCount; ++p) CheckPin(k, c.Pins[p], p, c.NumberBase);
  return k.Found();
}

}  // namespace pyra

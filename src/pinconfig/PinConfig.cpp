#include "pinconfig/PinConfig.h"

#include <algorithm>

#include "model/TypedNumber.h"

namespace pyra {

namespace {

constexpr int kSignedBias = 64;

constexpr ConfigParam kParams[] = {
    // Servo
    {"TextSrvInitPos", "UpDownIP", 1, -64, 63, kSignedBias},
    {"TextMidpoint", "UpDownMidpoint", 3, -64, 63, kSignedBias},
    {"TextSrvAntiMass", "UpDownAM", 4, 0, 127, 0},
    {"TextSrvFriction", "UpDownFriction", 5, 0, 127, 0},
    {"TextSrvMaxSpd", "UpDownMaxSpeed", 6, 1, 127, 0},
    {"TextSrvMaxAccel", "UpDownMaxAccel", 7, 1, 127, 0},
    {"TextBounceDown", "UpDownBD", 8, 0, 63, kSignedBias},
    {"TextBounceDownFactor", "UpDownBDF", 9, 0, 127, 0},
    {"TextBounceUp", "UpDownBU", 10, -63, 0, kSignedBias},
    {"TextBounceUpFactor", "UpDownBUF", 11, 0, 127, 0},
    // PWM
    {"TextPWMInitLevel", "", 1, 0, 31, 0},
    {"TextPWMAccel", "UpDownPWMAccel", 3, 0, 31, 0},
    {"TextPWMOffLevel", "UpDownPWMOffLevel", 4, 0, 31, 0},
    {"TextPWMOnLevel", "UpDownPWMOnLevel", 5, 0, 31, 0},
    // Input
    {"TextInputDelay_0", "UpDownInputDelay_0", 3, 0, 31, 0},
    {"TextInputDelay_1", "UpDownInputDelay_1", 4, 0, 31, 0},
};

constexpr PinConfigDefaults kDefaults[] = {
    {0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},              // Clear
    {64, {1, 64, 0, 64, 127, 58, 127, 127, 64, 0, 64, 0}},  // Servo
    {0, {2, 0, 0, 28, 0, 31, 0, 0, 0, 0, 0, 0}},            // PWM
    {0, {5, 0, 0, 4, 4, 0, 0, 0, 0, 0, 0, 0}},              // Input, low active
};

uint8_t Byte(int v) { return static_cast<uint8_t>(v); }

int Shown(const PinRecord& pin, std::string_view control) {
  return ShownParam(pin, *FindConfigParam(control));
}

}  // namespace

int TabOfType(int type) {
  switch (type) {
    case kConfigNone:
      return kTabClear;
    case kConfigServo:
      return kTabServo;
    case kConfigPwm:
    case kConfigPwmInverted:
      return kTabPwm;
    case kConfigInput:
    case kConfigInputLowActive:
      return kTabInput;
    default:
      return -1;
  }
}

std::span<const ConfigParam> PinConfigParams() { return kParams; }

const ConfigParam* FindConfigParam(std::string_view control) {
  for (const ConfigParam& p : kParams) {
    if (control == p.control || (*p.spin != 0 && control == p.spin)) return &p;
  }
  return nullptr;
}

int ShownParam(const PinRecord& pin, const ConfigParam& param) {
  return pin.PinConfig[param.byte] - param.bias;
}

ParamEdit CommitParamText(PinRecord& pin, const ConfigParam& param, std::string_view typed) {
  const int v = TypedNumber(typed);
  ParamEdit e{std::string(typed), std::clamp(v, param.min, param.max)};
  if (e.value != v) e.text = NumberText(e.value);
  pin.PinConfig[param.byte] = Byte(e.value + param.bias);
  return e;
}

bool TakeTypedIfInRange(PinRecord& pin, const ConfigParam& param, std::string_view typed) {
  const int v = TypedNumber(typed);
  if (v < param.min || v > param.max) return false;
  pin.PinConfig[param.byte] = Byte(v + param.bias);
  return true;
}

void SetParamFromSpin(PinRecord& pin, const ConfigParam& param, int value) {
  pin.PinConfig[param.byte] = Byte(std::clamp(value, param.min, param.max) + param.bias);
}

int ServoP2(int range, bool auto_suspend, bool suspended) {
  return range + 8 + 16 * (auto_suspend ? 1 : 0) + 32 * (suspended ? 1 : 0);
}

ServoModes DecodeServoP2(int p2) {
  ServoModes m;
  m.range = (p2 & 7) > 4 ? 0 : (p2 & 7);
  m.auto_suspend = (p2 & 16) != 0;
  m.suspended = (p2 & 32) != 0;
  m.initialised = (p2 & kServoInitialisedBit) != 0;
  return m;
}

int NormaliseServoP2(int p2) {
  if ((p2 & 8) == 0 && p2 >= 16) return p2 / 16 + 40;
  return p2;
}

void SetServoModes(PinRecord& pin, int range, bool auto_suspend, bool suspended) {
  pin.PinConfig[2] = Byte(ServoP2(range, auto_suspend, suspended));
}

int PwmP2(int drive, int accel) { return drive + 2 * accel; }

void SetPwmModes(PinRecord& pin, int drive, int accel) {
  pin.PinConfig[2] = Byte(PwmP2(drive, accel));
}

void SetPwmInverted(PinRecord& pin, bool inverted) {
  pin.PinConfig[0] = Byte(kConfigPwm + (inverted ? 1 : 0));
}

void SetInputLowActive(PinRecord& pin, bool low_active) {
  pin.PinConfig[0] = Byte(kConfigInput + (low_active ? 1 : 0));
}

const PinConfigDefaults& TabDefaults(int tab) { return kDefaults[std::clamp(tab, 0, 3)]; }

void LoadDefaults(PinRecord& pin, int tab) {
  const PinConfigDefaults& d = TabDefaults(tab);
  std::copy(d.block.begin(), d.block.end(), pin.PinConfig.begin());
  pin.LiveLevel = d.live_level;
}

void ChooseTab(PinRecord& pin, int tab) {
  if (TabOfType(pin.PinConfig[0]) != tab) LoadDefaults(pin, tab);
}

PinConfigView ShowPinConfig(const Configuration& c) {
  const PinRecord& pin = c.Pins[c.CurrentPin];
  const int type = pin.PinConfig[0];
  const auto& p = pin.PinConfig;
  PinConfigView v;
  v.tab = TabOfType(type);
  // A servo or an input needs its group of eight pins free of output drivers.
  const int group = c.CurrentPin / 8;
  const bool drivers = c.Settings.HwcSink[group] || c.Settings.HwcSource[group];
  switch (v.tab) {
    case kTabServo: {
      ServoPanel& s = v.servo;
      s.init_pos = Shown(pin, "TextSrvInitPos");
      const ServoModes m = DecodeServoP2(p[2]);
      s.range = m.range;
      s.auto_suspend = m.auto_suspend;
      s.suspended = m.suspended;
      s.initialised = m.initialised;
      s.midpoint = Shown(pin, "TextMidpoint");
      s.anti_mass = Shown(pin, "TextSrvAntiMass");
      s.friction = Shown(pin, "TextSrvFriction");
      s.max_spd = Shown(pin, "TextSrvMaxSpd");
      s.max_accel = Shown(pin, "TextSrvMaxAccel");
      s.bounce_down = Shown(pin, "TextBounceDown");
      s.bounce_down_factor = Shown(pin, "TextBounceDownFactor");
      s.bounce_up = Shown(pin, "TextBounceUp");
      s.bounce_up_factor = Shown(pin, "TextBounceUpFactor");
      s.position = pin.LiveLevel - kSignedBias;
      v.hwc_warning = drivers;
      break;
    }
    case kTabPwm: {
      PwmPanel& w = v.pwm;
      w.inverted = type == kConfigPwmInverted;
      w.drive_mode = p[2] & 1;
      w.accel_mode = (p[2] >> 1) & 1;
      w.level = pin.LiveLevel;
      w.init_level = p[1];
      w.accel = p[3];
      w.off_level = p[4];
      w.on_level = p[5];
      break;
    }
    case kTabInput:
      v.input.low_active = type == kConfigInputLowActive;
      v.input.off_delay = p[3];
      v.input.on_delay = p[4];
      v.hwc_warning = drivers;
      break;
    case kTabClear:
      break;
    default:
      v.message = "Unknown configuration: " + std::to_string(type);
      break;
  }
  return v;
}

std::vector<std::string> CommittedControls(int tab) {
  switch (tab) {
    case kTabServo:
      return {"TextMidpoint",    "TextSrvMaxSpd",      "TextSrvMaxAccel",
              "TextSrvAntiMass", "TextSrvFriction",    "TextBounceUp",
              "TextBounceDown",  "TextBounceUpFactor", "TextBounceDownFactor"};
    case kTabPwm:
      return {"TextPWMAccel"};
    case kTabInput:
      return {"TextInputDelay_0", "TextInputDelay_1"};
    default:
      return {};
  }
}

bool ReadPinConfig(Link& link, Configuration& c, int index, int pin) {
  link.State().Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadWorkingConfig + 32 * index, pin});
  if (!link.State().ReplyValid) return false;
  const auto& rx = link.State().RxMessage;
  const int n = link.ReplySize() - 2;
  if (n < 1 || (rx[2] != kCmdReadStoredConfig && rx[2] != kCmdReadWorkingConfig) || rx[3] != pin) {
    link.GetPrompter().Message("No valid response");
    return false;
  }
  PinRecord& r = c.Pins[pin];
  auto& p = r.PinConfig;
  // A new role: bytes the reply does not carry must not keep the old role's meaning.
  if (p[0] != rx[4]) {
    std::fill(p.begin() + 1, p.end(), 0);
    if (rx[4] == kConfigServo) {
      r.LiveLevel = kSignedBias;
      p[1] = kSignedBias;
    }
  }
  for (int k = 0; k < n && k < static_cast<int>(p.size()); ++k) {
    if (index == kWorkingCopy && k == 1) {
      r.LiveLevel = Byte(rx[4 + k]);
    } else {
      p[k] = Byte(rx[4 + k]);
    }
  }
  // Modules that keep no off and on levels report four data bytes: the levels are 0 and 31.
  if ((p[0] == kConfigPwm || p[0] == kConfigPwmInverted) && n < 6) {
    p[4] = 0;
    p[5] = 31;
  }
  if (p[0] == kConfigServo) p[2] = Byte(NormaliseServoP2(p[2]));
  return true;
}

std::vector<int> PinConfigPayload(const PinRecord& pin, int index, int pin_number) {
  const auto& p = pin.PinConfig;
  const int command = 65 + 32 * index;
  const int x = index == kWorkingCopy ? pin.LiveLevel : p[1];
  switch (p[0]) {
    case kConfigServo: {
      std::vector<int> v = {command, pin_number, kConfigServo, x, p[2] % 64};
      for (int i = 3; i <= 11; ++i) v.push_back(p[i]);
      return v;
    }
    case kConfigPwm:
    case kConfigPwmInverted:
      return {command, pin_number, p[0], x, p[2], p[3], p[4], p[5]};
    case kConfigInput:
    case kConfigInputLowActive:
      return {command, pin_number, p[0], x, p[2], p[3], p[4]};
    default:
      return {command, pin_number, kConfigNone};
  }
}

bool WritePinConfig(Link& link, Configuration& c, int index, int pin) {
  PinRecord& r = c.Pins[pin];
  // "Servo Initialised" is the module's to report; the block keeps the value as written.
  if (r.PinConfig[0] == kConfigServo) r.PinConfig[2] = Byte(r.PinConfig[2] % 64);
  return link.SendPRMessage(false, PinConfigPayload(r, index, pin));
}

}  // namespace pyra

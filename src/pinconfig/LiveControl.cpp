#include "pinconfig/LiveControl.h"

#include <algorithm>

#include "model/TypedNumber.h"

namespace pyra {

namespace {

constexpr int kServoBias = 64;
constexpr int kMaxLevel = 31;
constexpr int kMinPosition = -64;
constexpr int kMaxPosition = 63;

PinRecord& Current(Configuration& c) { return c.Pins[c.CurrentPin]; }

LiveEdit ClampTyped(std::string_view typed, int lo, int hi) {
  const int v = TypedNumber(typed);
  const int clamped = std::clamp(v, lo, hi);
  return {clamped == v ? std::string(typed) : NumberText(clamped), clamped};
}

}  // namespace

int LiveSubCode(bool servo, bool gradual) {
  return (servo ? kLiveServoPosition : kLivePwmLevel) + (gradual ? kLiveGradual : 0);
}

bool SendLivePwmLevel(Link& link, int pin, int level, bool slow) {
  return link.SendPRMessage(false, {0, LiveSubCode(false, slow), pin, level});
}

bool SendLiveServoPosition(Link& link, int pin, int position, bool dynamic) {
  return link.SendPRMessage(false, {0, LiveSubCode(true, dynamic), pin, position + kServoBias});
}

std::string PwmSliderMoved(Link& link, Configuration& c, int level, bool has_focus, bool slow) {
  level = std::clamp(level, 0, kMaxLevel);
  Current(c).LiveLevel = static_cast<uint8_t>(level);
  if (link.PortOpen() && has_focus) SendLivePwmLevel(link, c.CurrentPin, level, slow);
  return NumberText(level);
}

std::string ServoSliderMoved(Link& link, Configuration& c, int position, bool has_focus,
                             bool dynamic) {
  position = std::clamp(position, kMinPosition, kMaxPosition);
  Current(c).LiveLevel = static_cast<uint8_t>(position + kServoBias);
  if (link.PortOpen() && has_focus) SendLiveServoPosition(link, c.CurrentPin, position, dynamic);
  return NumberText(position);
}

LiveEdit PwmLevelButton(Link& link, Configuration& c, std::string_view typed, bool slow) {
  LiveEdit e = ClampTyped(typed, 0, kMaxLevel);
  Current(c).LiveLevel = static_cast<uint8_t>(e.value);
  if (link.PortOpen()) SendLivePwmLevel(link, c.CurrentPin, e.value, slow);
  return e;
}

LiveEdit ServoLevelButton(Link& link, Configuration& c, std::string_view typed, bool dynamic) {
  LiveEdit e = ClampTyped(typed, kMinPosition, kMaxPosition);
  Current(c).LiveLevel = static_cast<uint8_t>(e.value + kServoBias);
  if (link.PortOpen()) SendLiveServoPosition(link, c.CurrentPin, e.value, dynamic);
  return e;
}

bool PwmJump(Link& link, const Configuration& c) {
  return SendLivePwmLevel(link, c.CurrentPin, c.Pins[c.CurrentPin].LiveLevel, false);
}

bool ServoJump(Link& link, const Configuration& c) {
  return SendLiveServoPosition(link, c.CurrentPin, c.Pins[c.CurrentPin].LiveLevel - kServoBias,
                               false);
}

int TakeOverPwmLevel(Configuration& c, int slider_value) {
  Current(c).PinConfig[1] = static_cast<uint8_t>(slider_value);
  return slider_value;
}

int TakeOverServoPosition(Configuration& c, int slider_value) {
  Current(c).PinConfig[1] = static_cast<uint8_t>(slider_value + kServoBias);
  return slider_value;
}

}  // namespace pyra

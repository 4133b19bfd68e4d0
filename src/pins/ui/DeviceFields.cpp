#include "pins/ui/DeviceFields.h"

#include <cctype>
#include <charconv>

namespace pyra {

namespace {

bool IsPin(int p) { return p >= 0 && p < kPinCount; }

// A whole number with optional blanks around it and an optional sign; nothing else counts.
bool ParseWhole(std::string_view text, int& value) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

DeviceFieldsView DeviceFieldsOf(const Configuration& c) {
  const PinRecord& pin = c.Pins[c.CurrentPin];
  const int head = c.CurrentPin + pin.DeviceLink;
  DeviceFieldsView v;
  v.head_pin = std::to_string(head + c.NumberBase);
  v.name_editable = pin.DeviceLink == 0;
  if (!IsPin(head) || c.Pins[head].DeviceLink != 0) {
    v.name = kReferralIsNoDevice;
  } else {
    v.name = c.Pins[head].DeviceName;
  }
  return v;
}

DeviceFieldsView ShowDevice(Configuration& c) {
  PinRecord& pin = c.Pins[c.CurrentPin];
  if (pin.DeviceLink != 0) pin.DeviceName.clear();
  return DeviceFieldsOf(c);
}

bool SetDeviceLink(Configuration& c, std::string_view text) {
  int shown = 0;
  if (!ParseWhole(text, shown)) return false;
  const int head = shown - c.NumberBase;
  if (!IsPin(head)) return false;
  c.Pins[c.CurrentPin].DeviceLink = head - c.CurrentPin;
  return true;
}

void SetDeviceName(Configuration& c, std::string_view text) {
  PinRecord& pin = c.Pins[c.CurrentPin];
  if (pin.DeviceLink == 0) pin.DeviceName = std::string(text);
}

}  // namespace pyra

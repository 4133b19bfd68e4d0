#include "model/AddressAssignment.h"

namespace pyra {

namespace {

template <typename CountOf>
int RunningSums(Configuration& c, std::array<int, 33>& starts, CountOf count_of) {
  int s = 0;
  for (int i = 0; i <= kSpareRecord; ++i) {
    starts[i] = s;
    s += count_of(c.Pins[i]);
  }
  return s;
}

std::string Range(int base, int total, bool overflow, const char* overflow_word) {
  if (total == 0) return "No addr in use";
  std::string text = "Output " + std::to_string(base) + " .. ";
  return text + (overflow ? overflow_word : std::to_string(base + total - 1));
}

}  // namespace

Configuration DefaultConfiguration() {
  Configuration c;
  for (int p = 0; p < kPinCount; ++p) {
    c.Pins[p].DccCount = 1;
    c.Pins[p].XDccCount = 1;
    c.Pins[p].LumoCount = 1;
  }
  ComputeLumoStarts(c);
  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ShowModuleDccRange(c);
  ShowModuleXDccRange(c);
  return c;
}

void ComputeDccStarts(Configuration& c) {
  c.DccTotal = RunningSums(c, c.DccStart, [](const PinRecord& p) { return p.DccCount; });
}

void ComputeXDccStarts(Configuration& c) {
  c.XDccTotal = RunningSums(c, c.XDccStart, [](const PinRecord& p) { return p.XDccCount; });
}

void ComputeLumoStarts(Configuration& c) {
  RunningSums(c, c.LumoStart, [](const PinRecord& p) { return p.LumoCount; });
}

RangeCaption ShowModuleDccRange(Configuration& c) {
  const int a = c.Settings.DccAddress;
  const int z = c.Settings.AllowAddress0 ? 1 : 0;
  const int k = z ? c.NumberBase : 1;
  c.DccBase = (a - 1 + z) * 4 + k;
  const bool overflow = a * 4 + c.DccTotal > 2044;
  return {Range(c.DccBase, c.DccTotal, overflow, "OVFLOW"), c.DccTotal != 0 && overflow};
}

RangeCaption ShowModuleXDccRange(Configuration& c) {
  const int a = c.Settings.XDccAddress;
  const int k = c.Settings.AllowAddress0 ? c.NumberBase : 0;
  c.XDccBase = a + k;
  const bool overflow = a + c.XDccTotal > 2046;
  return {Range(c.XDccBase, c.XDccTotal, overflow, "OVERFLOW"), c.XDccTotal != 0 && overflow};
}

std::string ShowPinDccAddress(const Configuration& c) {
  const int p = c.CurrentPin;
  if (c.Pins[p].DccCount == 0) return "-";
  return std::to_string(c.DccStart[p] + c.DccBase);
}

std::string ShowPinXDccAddress(const Configuration& c) {
  const int p = c.CurrentPin;
  if (c.Pins[p].XDccCount == 0) return "-";
  return std::to_string(c.XDccStart[p] + c.XDccBase);
}

LumoLabels ShowPinLumoAddress(const Configuration& c, int module_address, int extended_address,
                              bool use_xaddress) {
  const int p = c.CurrentPin;
  if (c.Pins[p].LumoCount == 0) return {"-", "-"};
  const int start = c.LumoStart[p];
  const int l = start + c.NumberBase;
  const ModuleSettings& s = c.Settings;
  LumoLabels labels;
  if (s.LumoFlex) {
    labels.serial_address = std::to_string(l + 4 * s.LumoModeAddress);
  } else if (!s.PRNative) {
    labels.serial_address = start < 32 ? std::to_string(l + 32 * module_address) : "-";
  } else {
    labels.serial_address = start < 128 ? std::to_string(l + 128 * module_address) : "-";
  }
  if (start > 127) {
    labels.pin_address = "-";
  } else {
    const std::string m = std::to_string(module_address + c.NumberBase);
    labels.pin_address = use_xaddress ? m + "." + std::to_string(extended_address + c.NumberBase) +
                                            "." + std::to_string(l)
                                      : m + "." + std::to_string(l);
  }
  return labels;
}

std::string HardwareGroupsCaption(int number_base) {
  return number_base ? "Pin       1..8         9..16      17..24       25..32"
                     : "Pin       0..7         8..15      16..23       24..31";
}

}  // namespace pyra

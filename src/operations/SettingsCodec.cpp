#include "operations/SettingsCodec.h"

#include <algorithm>

namespace pyra {

int RetentionCode(const ModuleSettings& s) {
  switch (s.PacketRetention) {
    case 0:
      return 0;
    case 1:
      return 1;
    case 3:
      return 3;
    default:
      return 2;
  }
}

int DccOptionsByte(const ModuleSettings& s) {
  return RetentionCode(s) + 4 * s.BasicPacketStateInvert + 8 * s.AllowAddress0;
}

void ApplyDccOptionsByte(ModuleSettings& s, int o) {
  s.PacketRetention = o & 3;
  s.BasicPacketStateInvert = (o & 4) != 0;
  s.AllowAddress0 = (o & 8) != 0;
}

std::array<int, 4> HardwareGroupBytes(const ModuleSettings& s) {
  std::array<int, 4> g{};
  for (int i = 0; i < 4; ++i) g[i] = (s.HwcSink[i] ? 1 : 0) + (s.HwcSource[i] ? 2 : 0);
  return g;
}

int LedFunctionByte(const std::array<int, 8>& boxes) {
  int b = 0;
  for (int i = 0; i < 7; ++i) b += (boxes[i] == 1) << i;
  return b;
}

void ApplyLedFunctionByte(std::array<int, 8>& boxes, int b) {
  for (int i = 0; i < 7; ++i) boxes[i] = (b >> i) & 1;
  boxes[7] = b == 0 ? 2 : 0;
}

void ClickLedBox(std::array<int, 8>& boxes, int index, int value) {
  boxes[index] = value;
  if (index == 7 && value == 1) {
    boxes.fill(0);
    boxes[7] = 2;
  } else if (value == 1) {
    boxes[7] = 0;
  } else if (std::none_of(boxes.begin(), boxes.begin() + 7, [](int v) { return v == 1; })) {
    boxes[7] = 2;
  }
}

int SerialPortByte(const ModuleSettings& s) {
  return s.SerialBaudIndex + (s.SerialDataBits8 ? 8 : 0) + (s.SerialStop2 ? 64 : 0) +
         (s.SerialParity == 2 ? 32 : 0) + (s.SerialParity == 3 ? 48 : 0);
}

void ApplySerialPortBytes(ModuleSettings& s, int enable, int b) {
  s.SerialEnable = enable != 0;
  s.SerialBaudIndex = b & 7;
  s.SerialDataBits8 = (b & 8) != 0;
  s.SerialStop2 = (b & 64) != 0;
  s.SerialParity = (b / 16) & 3;
}

std::array<int, 4> GroupMaskBytes(const ModuleSettings& s) {
  std::array<int, 4> m{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m[i] += s.GroupMask[4 * i + j] << j;
  }
  return m;
}

void ApplyGroupMaskBytes(ModuleSettings& s, const std::array<int, 4>& masks) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) s.GroupMask[4 * i + j] = (masks[i] >> j) & 1;
  }
}

std::array<int, 2> SerialAddressBytes(const ModuleSettings& s) {
  return {s.LumoFlex ? 1 : 0, s.PRNative ? 64 : s.LumoModeAddress};
}

AddressingBytes AddressingAsWritten(const ModuleSettings& s) {
  if (s.ForceXA) return {{0, 0}, {0, 0, 0, 0}, kEnforcedXAddress};
  return {SerialAddressBytes(s), GroupMaskBytes(s), s.ModuleXAddress};
}

int ClampDccAddress(int typed, bool allow0) { return std::clamp(typed, allow0 ? 0 : 1, 510); }

int ClampXDccAddress(int typed, bool allow0) { return std::clamp(typed, allow0 ? 0 : 1, 2046); }

int LumoModeAddressFromText(int typed, int number_base) {
  const int v = std::clamp(typed, number_base, number_base + 508);
  return (v - number_base) / 4;
}

int ClampModuleXAddress(int typed, int number_base) {
  return std::clamp(typed, number_base, number_base + 95);
}

}  // namespace pyra

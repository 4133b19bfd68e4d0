#pragma once

#include <array>
#include <string>

namespace pyra {

// The module-wide settings as the "General" and "Pyra Event Control" tabs show and edit them.
// Values are what the controls hold after their own clamping; the operations compute what they
// send and compare from here exactly as they would from the controls.
struct ModuleSettings {
  // Identity
  std::string IDString;
  std::string FirmwareVersion = "Unknown";

  // Module addressing
  bool PRNative = false;             // "Native Pyra Mode"
  bool LumoFlex = false;             // "Lumo Flex-Addresss"
  int LumoModeAddress = 0;           // block starts at Lumo address 4 * value, 0..127
  bool ForceXA = false;              // "Enforced eXtended Address"
  int ModuleXAddress = 0;            // the module's own eXtended Address, 0..95
  std::array<bool, 16> GroupMask{};  // "eXt Group Mask", box 4 * i + j = bit j of mask byte i

  // DCC
  int DccAddress = 1;        // "Basic Decoder Addr", 0 or 1 .. 510
  int XDccAddress = 1;       // "Extended Dec. Addr", 0 or 1 .. 2046
  int PacketRetention = -1;  // selected retention option 0..3; -1 when none is selected
  bool BasicPacketStateInvert = false;
  bool AllowAddress0 = false;

  // Hardware drivers per group of eight pins
  std::array<bool, 4> HwcSink{};
  std::array<bool, 4> HwcSource{};

  // LED functions: boxes 0..6 are bits; box 7 is 2 (grey) exactly when no function is chosen.
  std::array<int, 8> LedGreen{0, 0, 0, 0, 0, 0, 0, 2};
  std::array<int, 8> LedOrange{0, 0, 0, 0, 0, 0, 0, 2};

  // The module's own serial port
  bool SerialEnable = false;
  int SerialBaudIndex = 0;  // "9600" .. "115200", list index 0..7
  bool SerialDataBits8 = false;
  int SerialParity = 0;  // 0 none, 2 even, 3 odd (1 comes only from a module and has no button)
  bool SerialStop2 = false;

  // Event control enable map: boxes 0..3 enable the On-slots, 4..7 the Off-slots at power-up.
  std::array<bool, 8> InitEE{};

  // Whether this configuration knows the module's enforced flag and enable map: read from a
  // module, loaded from a file that carries them, or edited by the user. Files of the older tool
  // carry neither; such a configuration saves without them, and pyractl takes them from the module
  // before writing or verifying it. Start-up defaults are not knowledge.
  bool ForceXAKnown = false;
  bool InitEEKnown = false;

  bool operator==(const ModuleSettings&) const = default;
};

}  // namespace pyra

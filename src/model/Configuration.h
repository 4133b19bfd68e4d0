#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/ModuleSettings.h"

namespace pyra {

inline constexpr int kPinCount = 32;
inline constexpr int kSpareRecord = 32;  // part of the running sums, never shown, sent or saved
inline constexpr int kNoEvent = -1;

// One instruction of an aspect program: six bytes.
struct StepRecord {
  uint8_t Opcode = 0;
  uint8_t Fade = 0;
  uint8_t Offset = 0;
  uint8_t Par1 = 0;
  uint8_t Par2 = 0;
  uint8_t Par3 = 0;
  bool operator==(const StepRecord&) const = default;
};

struct AspectRecord {
  std::string Description;
  std::array<StepRecord, 10> Steps{};
  bool operator==(const AspectRecord&) const = default;
};

// How the aspect area of a pin is organised.
inline constexpr uint8_t kAspectModeNone = 0;
inline constexpr uint8_t kAspectMode12x3 = 2;  // 12 aspects of up to 3 steps
inline constexpr uint8_t kAspectMode4x9 = 3;   // 4 aspects of up to 9 steps

struct PinRecord {
  std::string Description;
  std::string DeviceName;
  int DeviceLink = 0;  // head pin of the device minus this pin's index; 0 = head or alone
  std::array<uint8_t, 13> PinConfig{};
  uint8_t LiveLevel = 0;
  uint8_t InitialAspect = 0;
  uint8_t DccCount = 0;   // 0..6 DCC accessory outputs
  uint8_t XDccCount = 0;  // 0..1 extended DCC addresses
  uint8_t LumoCount = 0;  // 0..6 Lumo-format addresses
  uint8_t AspectMode = kAspectModeNone;
  std::array<AspectRecord, 13> Aspects{};
  bool operator==(const PinRecord&) const = default;
};

struct EventControlRecord {
  std::array<int, 5> EventOn{kNoEvent, kNoEvent, kNoEvent, kNoEvent, kNoEvent};
  std::array<int, 5> EventOff{kNoEvent, kNoEvent, kNoEvent, kNoEvent, kNoEvent};
  bool operator==(const EventControlRecord&) const = default;
};

// The in-memory image of one module's configuration: a value type, copied whole.
struct Configuration {
  std::array<PinRecord, 33> Pins{};
  std::array<EventControlRecord, 33> EventControl{};
  ModuleSettings Settings;

  // Running sums of the address counts (see AddressAssignment.h); index 32 is the spare record.
  std::array<int, 33> DccStart{};
  std::array<int, 33> XDccStart{};
  std::array<int, 33> LumoStart{};
  int DccTotal = 0;
  int XDccTotal = 0;
  int DccBase = 1;
  int XDccBase = 1;

  // Editor positions
  int CurrentPin = 0;
  int CurrentAspect = 0;
  int CurrentStep = 0;
  int ECPin = 0;

  // Display base of pin numbers and addresses: 1 while "Start numbering at 1" is ticked.
  int NumberBase = 1;

  bool operator==(const Configuration&) const = default;
};

// The configuration as the program starts: every pin occupies one address of each scheme, the
// spare record none, and the running sums are computed.
Configuration DefaultConfiguration();

}  // namespace pyra

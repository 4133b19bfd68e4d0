#pragma once

#include <span>
#include <string>
#include <vector>

#include "model/Configuration.h"

namespace pyra {

// Where a difference sits: the "General" settings, the event control, or one pin.
enum class DiffGroup { kGeneral, kEventControl, kPin };

// The general settings one by one, as the "General" and "Pyra Event Control" tabs group them.
enum class SettingItem {
  kIdString,
  kDccAddress,
  kXDccAddress,
  kPacketRetention,
  kPacketStateInvert,
  kAllowAddress0,
  kSerialAddressing,  // native / standard / Lumo flex with its start
  kEnforcedXAddress,
  kXAddress,
  kGroupMask,
  kHardwareDrivers,
  kLedGreen,
  kLedOrange,
  kSerialPort,
  kEnableMap,
};

enum class PinItem {
  kDescription,  // files only, like the device name and the aspect descriptions
  kDeviceName,
  kDeviceHead,
  kConfiguration,  // the stored configuration block
  kDccCount,
  kXDccCount,
  kLumoCount,
  kAspectMode,  // stands for the whole aspect layout: its steps go with it
  kInitialAspect,
  kAspectDescription,
  kStep,
};

// One item that differs, with the indices that name exactly that item, so that a caller can copy
// or write it alone.
struct Difference {
  DiffGroup group = DiffGroup::kGeneral;
  SettingItem setting = SettingItem::kIdString;  // kGeneral
  PinItem item = PinItem::kDescription;          // kPin
  int pin = -1;                                  // kEventControl and kPin: 0..31
  bool event_off = false;                        // kEventControl: an Event-Off slot
  int slot = -1;                                 // kEventControl: 0..3
  int aspect = -1;                               // kAspectDescription and kStep
  int step = -1;                                 // kStep
  std::string name;                              // "Pin 3 aspect 1 step 2", as diff names it
  std::string ours;                              // the first configuration's value, shown
  std::string theirs;                            // the second's
  bool operator==(const Difference&) const = default;
};

struct DiffOptions {
  int number_base = 1;
  // Only what a module keeps, as it would hold it: no descriptions or device names; the ID cut
  // to the 12 characters that reach it; addressing as "Enforced eXtended Address" writes it; a
  // servo's status bits, the steps an aspect mode does not use and the normalisations of the
  // read rules (FieldLimits.h) do not count; an enforced flag or enable map one side does not
  // know is taken as the other side's, as writing would keep it.
  bool module_only = false;
};

// Every difference, in the order of the settings tab, the event control and the pins.
std::vector<Difference> Differences(const Configuration& ours, const Configuration& theirs,
                                    const DiffOptions& options);

// "<name>: <ours> -> <theirs>", the line of pyractl diff.
std::string DiffLine(const Difference& d);
// "General", "Event Control" or "Pin 4".
std::string GroupText(const Difference& d, int number_base);

// The configuration as a module would hold it after writing `c` and reading it back.
Configuration ModuleView(const Configuration& c);

// Copies the items of `rows` from `from` into `into` and nothing else ("Take from module" with
// the module's configuration as `from`). The aspect-mode row brings the pin's steps along.
void TakeRows(Configuration& into, const Configuration& from, std::span<const Difference> rows);

}  // namespace pyra

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/ConfigFile.h"
#include "files/DeviceFile.h"
#include "link/Prompter.h"
#include "model/Configuration.h"

namespace pyra {

// Placing a device definition onto the pins from CurrentPin on, and saving the device of
// CurrentPin as a definition file of its own.

inline constexpr char kSelectDeviceName[] = "Select Devicename to load";
inline constexpr char kNoMatchFound[] = "No match found";
inline constexpr char kReferralIsNotADevice[] = "Referral is not a device";

// The head pin of pin p: p + DeviceLink of p.
int HeadPin(const Configuration& c, int p);

// Only a pin that heads a device (DeviceLink 0) detaches: every pin of its device, itself
// included, becomes a stand-alone pin without a device name.
void DetachDevice(Configuration& c, int p);

enum class ApplyOutcome { kApplied, kNotFound, kInvalid };
struct ApplyResult {
  ApplyOutcome outcome = ApplyOutcome::kNotFound;
  std::vector<int> overwritten;  // pins that had a description, in the order replaced
  FileError error;               // for kInvalid
};

// Applies the device `name` of a library text at CurrentPin. All or nothing: `c` changes only
// when the device's records were read without fault. No refresh and no messages.
ApplyResult ApplyDeviceText(std::string_view text, const std::string& name, Configuration& c,
                            const HasFadeFn& has_fade = {});

// The information text for pins replaced by a device (numbers as shown).
std::string OverwrittenPinsMessage(const std::vector<int>& pins, int number_base);

// "Load Device": `name` is the text of the device list, `entry` its selected entry (-1 when the
// name was typed: the first entry of that name is used). Messages go to the prompter; on
// success the address sums are recomputed and the views refreshed in order. True when applied.
bool ApplyDevice(Configuration& c, const DeviceLibrary& library, int entry, const std::string& name,
                 Prompter& prompter, const RefreshFn& refresh = {}, const HasFadeFn& has_fade = {});

// The definition file text of the device headed by `head` (a servo's P2 loses its status bit
// in the model, as with every save).
std::string DeviceText(Configuration& c, int head);

// "Save Device": refuses a pin whose head is not a device, asks for the file ("" = cancelled)
// and writes it safely. True when written.
bool SaveDevice(Configuration& c, const ChooseFile& choose, Prompter& prompter);

}  // namespace pyra

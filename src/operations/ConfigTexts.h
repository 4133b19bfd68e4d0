#pragma once

#include <array>
#include <string>

#include "model/Configuration.h"

namespace pyra {

// Values as the editors show them, for listings and for the rows of a comparison. Pins are
// counted from `number_base`, as the window counts them.

inline constexpr const char* kRetentionTexts[] = {"62.5ms", "125ms", "250ms", "500ms"};

std::string OnOffText(bool b);
std::string QuotedText(const std::string& s);
std::string PinText(int pin, int number_base);         // "Pin 4"
std::string LedText(const std::array<int, 8>& boxes);  // "functions 0, 3" / "none"
std::string HardwareDriversText(const ModuleSettings& s, int number_base);
std::string SerialAddressingText(const ModuleSettings& s, int number_base);
std::string GroupMaskText(const ModuleSettings& s);  // "boxes 0, 5" / "none"
std::string SerialPortText(const ModuleSettings& s);
std::string EnableMapText(const ModuleSettings& s);        // "on 1, 2; off none"
std::string EventText(int event);                          // "-" for no event
std::string EventsText(const std::array<int, 5>& events);  // the four slots
std::string RoleText(const PinRecord& pin);                // the configuration block
std::string InitialAspectText(int stored);                 // as the "Init" box
std::string AspectLayoutText(int aspect_mode);
// The instruction, then the boxes that apply with their headings, the fade flag and, for timed
// instructions, the duration.
std::string StepText(const StepRecord& step, int pin, int number_base);

// Aspects and steps a pin's mode uses; outside them everything counts as empty.
const AspectRecord& UsedAspect(const PinRecord& pin, int aspect);
StepRecord UsedStep(const PinRecord& pin, int aspect, int step);

}  // namespace pyra

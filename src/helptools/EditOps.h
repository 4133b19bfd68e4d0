#pragma once

#include <optional>

#include "link/Prompter.h"
#include "model/Configuration.h"

namespace pyra {

// The operations of the "Edit Pin", "Edit Aspect" and "Edit Step" dialogs on CurrentPin,
// CurrentAspect and CurrentStep. The clipboards belong to the dialogs, which are kept for the
// whole run, so a copy stays available for later pastes.

inline constexpr char kNothingToPaste[] = "Nothing to Paste";

struct PinClipboard {
  std::optional<PinRecord> pin;
  int source = 0;  // the pin it was copied from
};

struct AspectClipboard {
  std::optional<AspectRecord> aspect;
};

// The last step of an aspect: 8 with four aspects of nine steps, otherwise 2.
int LastStep(const PinRecord& pin);

void CopyPin(const Configuration& c, PinClipboard& clipboard);
// Without a copy shows "Nothing to Paste" and returns false (the dialog stays open). A pasted
// member pin keeps pointing at its source's head pin.
bool PastePin(Configuration& c, const PinClipboard& clipboard, Prompter& prompter);
// Detaches a device it heads, then empties the pin; its address counts stay.
void ClearPin(Configuration& c);

void CopyAspect(const Configuration& c, AspectClipboard& clipboard);
bool PasteAspect(Configuration& c, const AspectClipboard& clipboard, Prompter& prompter);
void ClearAspect(Configuration& c);
// Empties the description; the first empty step keeps opcode 0 with zero parameters and every
// later step is zeroed.
void CleanupAspect(Configuration& c);

void DeleteStep(Configuration& c);
void InsertStep(Configuration& c);

}  // namespace pyra

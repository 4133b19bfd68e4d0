#include "helptools/EditOps.h"

#include "devices/Devices.h"

namespace pyra {

namespace {

constexpr int kClearedAspects = 13;
constexpr int kClearedSteps = 9;
constexpr int kClearedConfigBytes = 12;

AspectRecord& CurrentAspect(Configuration& c) {
  return c.Pins[c.CurrentPin].Aspects[c.CurrentAspect];
}

void ZeroSteps(AspectRecord& aspect) {
  for (int s = 0; s < kClearedSteps; ++s) aspect.Steps[s] = StepRecord{};
}

}  // namespace

int LastStep(const PinRecord& pin) { return pin.AspectMode == kAspectMode4x9 ? 8 : 2; }

void CopyPin(const Configuration& c, PinClipboard& clipboard) {
  clipboard.pin = c.Pins[c.CurrentPin];
  clipboard.source = c.CurrentPin;
}

bool PastePin(Configuration& c, const PinClipboard& clipboard, Prompter& prompter) {
  if (!clipboard.pin) {
    prompter.Message(kNothingToPaste);
    return false;
  }
  DetachDevice(c, c.CurrentPin);
  PinRecord& pin = c.Pins[c.CurrentPin];
  pin = *clipboard.pin;
  if (pin.DeviceLink != 0) pin.DeviceLink = pin.DeviceLink + clipboard.source - c.CurrentPin;
  return true;
}

void ClearPin(Configuration& c) {
  DetachDevice(c, c.CurrentPin);
  PinRecord& pin = c.Pins[c.CurrentPin];
  pin.Description.clear();
  pin.DeviceName.clear();
  pin.InitialAspect = 0;
  pin.AspectMode = kAspectModeNone;
  pin.DeviceLink = 0;
  for (int i = 0; i < kClearedConfigBytes; ++i) pin.PinConfig[i] = 0;
  for (int a = 0; a < kClearedAspects; ++a) {
    pin.Aspects[a].Description.clear();
    ZeroSteps(pin.Aspects[a]);
  }
}

void CopyAspect(const Configuration& c, AspectClipboard& clipboard) {
  clipboard.aspect = c.Pins[c.CurrentPin].Aspects[c.CurrentAspect];
}

bool PasteAspect(Configuration& c, const AspectClipboard& clipboard, Prompter& prompter) {
  if (!clipboard.aspect) {
    prompter.Message(kNothingToPaste);
    return false;
  }
  CurrentAspect(c) = *clipboard.aspect;
  return true;
}

void ClearAspect(Configuration& c) {
  AspectRecord& aspect = CurrentAspect(c);
  aspect.Description.clear();
  ZeroSteps(aspect);
}

void CleanupAspect(Configuration& c) {
  AspectRecord& aspect = CurrentAspect(c);
  aspect.Description.clear();
  bool past_empty = false;
  for (int s = 0; s < kClearedSteps; ++s) {
    StepRecord& step = aspect.Steps[s];
    if (past_empty) {
      step = StepRecord{};
    } else if (step.Opcode == 0) {
      step = StepRecord{};
      past_empty = true;
    }
  }
}

void DeleteStep(Configuration& c) {
  const int last = LastStep(c.Pins[c.CurrentPin]);
  auto& steps = CurrentAspect(c).Steps;
  for (int s = c.CurrentStep; s < last; ++s) steps[s] = steps[s + 1];
  steps[last] = StepRecord{};
}

void InsertStep(Configuration& c) {
  const int last = LastStep(c.Pins[c.CurrentPin]);
  auto& steps = CurrentAspect(c).Steps;
  for (int s = last; s > c.CurrentStep; --s) steps[s] = steps[s - 1];
  steps[c.CurrentStep] = StepRecord{};
}

}  // namespace pyra

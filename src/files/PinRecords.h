#pragma once

#include <string>

#include "files/ConfigFile.h"
#include "files/RecordText.h"
#include "model/Configuration.h"

namespace pyra {

// Records that configuration files and device definition files share.

// How many bytes of PinConfig the "Cfg" record carries: 12 for a servo, 6 for PWM, 5 for an
// input, only the type otherwise.
int SavedConfigBytes(int type);
// A servo's P2 loses its status bit (bit 6) before it is saved, in the pin itself.
std::string CfgLine(PinRecord& pin, int indent);
std::string PamLine(const PinRecord& pin, int indent);
std::string InsLine(int step_index, const StepRecord& step, int indent);

// The fields of an "Ins" record after its tag. The combined opcode carries the fade flag in bit
// 4 only for instructions that have one; any other opcode is kept as read.
struct InsFields {
  int step_index = 0;
  StepRecord step;
};
bool ReadInsFields(RecordParser& parser, InsFields& out, const HasFadeFn& has_fade);

// "Asp" and "Ins" index limits of the model's arrays (the last slot of each is never sent).
inline constexpr int kMaxAspectIndex = 12;
inline constexpr int kMaxStepIndex = 9;

}  // namespace pyra

#pragma once

#include <string>

#include "model/Configuration.h"

namespace pyra::bench {

// A module with nothing left at its default: every one of the 32 pins configured, with four
// aspects of nine steps each, so that a whole-module transfer moves the most it can.
Configuration FullConfiguration();

// Writes `c` to the simulated module in-process (no real time passes) and verifies it back;
// empty when the module holds it exactly, else the verification log.
std::string CheckRoundTrip(const Configuration& c);

}  // namespace pyra::bench

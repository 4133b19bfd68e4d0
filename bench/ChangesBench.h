#pragma once

#include <string>

#include "Process.h"
#include "model/Configuration.h"

namespace pyra::bench {

// Write Changes after one aspect was edited (write and read back) against Write All of the same
// configuration, both through the real serial adapter over the paced pseudo-terminal.
struct ChangesResult {
  int bit_rate = 0;
  Seconds write_all{};
  Seconds write_changes{};
  int messages = 0;  // write messages Write Changes sent
  std::string failure;
};

ChangesResult RunChangesBench(const Configuration& full, int bit_rate);

}  // namespace pyra::bench

#pragma once

#include <string>
#include <vector>

#include "files/ConfigFile.h"
#include "sim/SimModule.h"

namespace pyra::roundtrip {

// One backup and restore as a user makes it: Read All of a module holding `memory` into the
// start-up configuration, saved as a full configuration file; that file loaded into a fresh
// start-up configuration and written with Write All onto a factory-fresh module; finally Verify
// All of the loaded configuration against the first module. Time is a ManualClock and the
// modules are in-process, so nothing waits.
struct RoundTripResult {
  bool read_ok = false;
  std::string file;  // the saved text
  ConfigLoadResult load;
  bool write_ok = false;
  sim::ModuleMemory written;  // the fresh module after Write All
  bool verify_ok = false;
  std::string verify_log;
  std::vector<std::string> messages;  // every message and question shown on the way
};

RoundTripResult RoundTrip(const sim::ModuleMemory& memory);

}  // namespace pyra::roundtrip

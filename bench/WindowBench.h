#pragma once

#include <string>

#include "Process.h"
#include "model/Configuration.h"

namespace pyra::bench {

// "Read All" in the window against its in-process simulated module, on the real clock.
struct WindowResult {
  int bit_rate = 0;
  Seconds read_all{};        // from the button press until the window is idle again
  Seconds worst_lateness{};  // of a 10 ms timer on the GUI thread meanwhile
  int ticks = 0;
  long peak_rss_kb = 0;  // of the benchmark process, which holds the window
  std::string failure;
};

// The module is filled with `c` first (in no real time); the result is checked against it.
WindowResult RunWindowReadAll(const Configuration& c, int bit_rate);

// The real program started `runs` times until its main window is shown and painted.
struct StartupResult {
  int runs = 0;
  Seconds median{};
  Seconds worst{};
  long peak_rss_kb = 0;  // the largest of the runs, at the moment it was shown
  std::string failure;
};

StartupResult RunStartup(const std::string& pyraconfig, const std::string& probe, int runs);

}  // namespace pyra::bench

#pragma once

#include <atomic>
#include <optional>
#include <ostream>
#include <string>

#include "link/Link.h"

namespace pyra {

// `pyractl monitor [--count N]` and `pyractl set-aspect PIN ASPECT [--map]`, run on a link that
// is open and addressed. Messages of the link go to its prompter; a message means failure.
// Exit statuses as pyractl's: 0 success, 1 module or link failure.

// Polls every 100 ms and prints the monitor's lines ("Start Monitoring", one line per valid
// reply, "Monitoring Stopped") until `count` polls are done, `stop` becomes true, or a poll
// brought a message (the window's monitor stops too when a message box takes the focus).
// With `stop` null, SIGINT sets the flag for the duration of the run.
int RunMonitorCommand(Link& link, std::optional<int> count, std::ostream& out,
                      const std::atomic<bool>* stop = nullptr);

// Sets `aspect` on pin `target` (sub-code 0), or on address-map entry `target` with `map`
// (sub-code 1). Both are 0-based as they travel.
int RunSetAspectCommand(Link& link, int target, int aspect, bool map, std::ostream& out);

// ---- Argument checks for the option parser ----

// `--count N`: N from 1 on.
struct MonitorCountArgument {
  int count = 0;
  std::string error;  // a usage error, empty when fine
};
MonitorCountArgument ParseMonitorCount(const std::string& text);

// `set-aspect PIN ASPECT [--map]`: the pin (0..31) or map entry (0..127) as the window numbers
// it, `number_base` on (0 with --zero-based), and the aspect 0..127 as the Test tab numbers it.
struct SetAspectArguments {
  int target = 0;  // 0-based
  int aspect = 0;
  std::string error;
};
SetAspectArguments ParseSetAspectArguments(const std::string& target, const std::string& aspect,
                                           bool map, int number_base);

}  // namespace pyra

#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliRunner.h"
#include "link/Link.h"

namespace pyra::cli {

// scan, backup, verify-backup and restore: the commands that speak to every module on the bus.
// `link` is open; its address is changed for each module asked.
int RunBusCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                  std::ostream& err);

// transparent: switches the interface unit in front of the bus to transparent mode.
int RunTransparentCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                          std::ostream& err);

}  // namespace pyra::cli

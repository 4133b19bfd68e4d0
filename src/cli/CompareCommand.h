#pragma once

#include <ostream>

#include "cli/CliOptions.h"
#include "cli/CliRunner.h"
#include "link/Link.h"
#include "model/Configuration.h"

namespace pyra::cli {

// compare FILE: reads the module and prints every difference from the loaded file `c`.
int RunCompareCommand(const CliOptions& o, Link& link, CliPrompter& prompter,
                      const Configuration& c, std::ostream& out, std::ostream& err);

}  // namespace pyra::cli

#pragma once

#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliRunner.h"
#include "link/Link.h"
#include "model/Configuration.h"
#include "operations/Differences.h"

namespace pyra::cli {

// One line of compare: group, item, the file's value and the module's, separated by tabs
// ("Pin 3<TAB>Pin 3 aspect 1 step 2<TAB>Wait (...)<TAB>-").
std::string CompareLine(const Difference& d, int number_base);

// compare FILE: reads the whole module and prints every difference from the loaded file `c`.
// Exit status 0 when they are equal, 1 when they differ, 2 when the module could not be read.
int RunCompareCommand(const CliOptions& o, Link& link, CliPrompter& prompter,
                      const Configuration& c, std::ostream& out, std::ostream& err);

}  // namespace pyra::cli

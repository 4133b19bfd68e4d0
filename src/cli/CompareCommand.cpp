#include "cli/CompareCommand.h"

namespace pyra::cli {

int RunCompareCommand(const CliOptions&, Link&, CliPrompter&, const Configuration&, std::ostream&,
                      std::ostream& err) {
  err << "pyractl: this command is not available yet\n";
  return kExitUsage;
}

}  // namespace pyra::cli

#include "cli/BusCommands.h"

namespace pyra::cli {

int RunBusCommand(const CliOptions&, Link&, CliPrompter&, std::ostream&, std::ostream& err) {
  err << "pyractl: this command is not available yet\n";
  return kExitUsage;
}

int RunTransparentCommand(const CliOptions&, Link&, CliPrompter&, std::ostream&,
                          std::ostream& err) {
  err << "pyractl: this command is not available yet\n";
  return kExitUsage;
}

}  // namespace pyra::cli

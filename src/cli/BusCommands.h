#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliRunner.h"
#include "link/Link.h"

namespace pyra::cli {

// scan, backup, verify-backup and restore: the commands that speak to every module on the bus.
// `link` is open; its address is changed for each module asked. `terminal` is where restore asks
// its question, null when nobody can answer there.
int RunBusCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                  std::ostream& err, std::istream* terminal);

// transparent: switches the interface unit in front of the bus to transparent mode, as the
// window's "Activate Transparent Mode" does; its question is asked on `terminal`.
int RunTransparentCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                          std::ostream& err, std::istream* terminal);

// The module a backup file belongs to, 0-based as the link stores it.
struct BackupTarget {
  int address = 0;
  std::optional<int> extended_address;
  bool operator==(const BackupTarget&) const = default;
};

// The name backup gives a module's file, and the only names verify-backup and restore take:
//   module-AA[-xXX][_ID].dat
// AA is the module address and XX the eXtended Address (when the scan used them), both with two
// digits and numbered from 1 as the window numbers them at start, whatever --zero-based says, so
// that a folder means the same to every later run. The ID follows with every character other than
// an ASCII letter, digit or '-' made '_'; an empty ID adds nothing. The address alone tells the
// files of one bus apart, so an empty or repeated ID still gives distinct names.
std::string BackupFileName(const BackupTarget& target, const std::string& id);
std::optional<BackupTarget> BackupFileTarget(const std::string& name);

}  // namespace pyra::cli

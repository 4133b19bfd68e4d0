#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/Link.h"
#include "model/Configuration.h"
#include "operations/Differences.h"

namespace pyra {

// "Compare with Module": the whole module read into a configuration of its own, then every
// difference from the window's (the window's values as `ours`, the module's as `theirs`).
struct CompareResult {
  bool ok = false;       // the whole module was read
  Configuration module;  // what it holds, with the window's descriptions and names
  std::vector<Difference> rows;
};
// Reads as Read All does (its progress, Cancel and messages); `window` stays as it is.
CompareResult CompareWithModule(Link& link, const Configuration& window);

enum class WriteOutcome {
  kWritten,      // written and read back as written
  kNothing,      // no row asked for a message
  kRefused,      // a value no frame can carry, or an ID of other than plain ASCII: nothing sent
  kStale,        // Write Changes: the module is not the one the kept state belongs to
  kFailed,       // a send failed or a read-back brought no valid reply
  kCancelled,    // stopped between exchanges
  kNotVerified,  // written, but the module holds something else (`mismatches`)
};

struct RowWriteResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  // What the module holds now as far as this write knows (the given module configuration with
  // what was written and read back); meaningful for kWritten, kNothing and kNotVerified.
  Configuration module;
  std::vector<Difference> mismatches;  // written value first, the module's second
  int messages = 0;                    // write messages sent
};

// "Write to module": writes the window's values of `rows` and nothing else, then reads back what
// it wrote. Each row goes in the smallest message that carries it (one settings sub-code, one
// pin's Event-On or Event-Off slots, one step, a pin's aspect mode, initial aspect, address
// configuration or configuration block); the other fields of such a message carry `module`'s
// values, so that nothing unchosen changes. The aspect-mode row writes the pin's steps of the
// new layout with it. Order as Write All: the module addressing last; when the link uses the
// eXtended Address and it changed, the link follows it before reading back.
RowWriteResult WriteRows(Link& link, const Configuration& window, const Configuration& module,
                         std::span<const Difference> rows);

// The module a kept state belongs to.
struct ModuleIdentity {
  std::string port;
  int module_address = 0;
  bool use_x_address = false;
  int x_address = 0;
  bool operator==(const ModuleIdentity&) const = default;
};
ModuleIdentity IdentityOf(const std::string& port, const LinkState& state);

// What the window last read from, wrote to or compared with the module, and which module that
// was (its ID is the module configuration's).
struct ModuleBaseline {
  ModuleIdentity identity;
  Configuration module;
};

// Whether Write Changes may rely on the kept state: there is one and the link still names the
// same port and addresses. Otherwise the window offers Compare first.
bool BaselineApplies(const std::optional<ModuleBaseline>& baseline, const ModuleIdentity& now);

struct WriteChangesResult {
  WriteOutcome outcome = WriteOutcome::kFailed;
  std::vector<Difference> rows;  // what differed from the kept state and was written
  std::vector<Difference> mismatches;
  // The state to keep from now on; empty when the caller must forget it (a failed, cancelled
  // or unverified write, or another module; a refused one sent nothing and keeps it).
  std::optional<ModuleBaseline> baseline;
};

// "Write Changes": asks the module's ID first (another ID: kStale, nothing written), then writes
// whatever differs from the kept state as WriteRows does, and reads it back.
WriteChangesResult WriteChanges(Link& link, const Configuration& window,
                                const ModuleBaseline& baseline, const ModuleIdentity& now);

}  // namespace pyra

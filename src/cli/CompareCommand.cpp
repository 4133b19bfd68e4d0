#include "cli/CompareCommand.h"

#include "operations/Compare.h"

namespace pyra::cli {

std::string CompareLine(const Difference& d, int number_base) {
  return GroupText(d, number_base) + "\t" + d.name + "\t" + d.ours + "\t" + d.theirs;
}

int RunCompareCommand(const CliOptions&, Link& link, CliPrompter& prompter, const Configuration& c,
                      std::ostream& out, std::ostream& err) {
  link.State().Bidirectional = true;
  const int messages_before = prompter.MessageCount();
  const CompareResult r = CompareWithModule(link, c);
  // A differing line from a module read only in part would be a guess: that is trouble, as an
  // unreadable file is to diff.
  if (!r.ok || prompter.MessageCount() > messages_before) {
    err << "pyractl: the module could not be read whole; nothing was compared\n";
    return kExitUsage;
  }
  for (const Difference& d : r.rows) out << CompareLine(d, c.NumberBase) << "\n";
  return r.rows.empty() ? kExitOk : kExitFailure;
}

}  // namespace pyra::cli

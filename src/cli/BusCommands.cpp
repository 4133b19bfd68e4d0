#include "cli/BusCommands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "files/ConfigFile.h"
#include "link/VeloraSetup.h"
#include "model/AddressAssignment.h"
#include "operations/Batch.h"
#include "operations/Scan.h"

namespace pyra::cli {

namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "module-";
constexpr char kSuffix[] = ".dat";
constexpr int kFileNumberBase = 1;

std::string UnixLines(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

// y or yes answers yes; anything else, or the end of the input, no.
bool AskOnTerminal(const std::string& question, std::istream& terminal, std::ostream& err) {
  err << UnixLines(question) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(terminal, answer)) {
    err << "\n";
    return false;
  }
  std::transform(answer.begin(), answer.end(), answer.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return answer == "y" || answer == "yes";
}

std::string Numbered(int value, int base) { return std::to_string(value + base); }

// "module 3" or "module 3, eXtended Address 5", numbered as the window shows them.
std::string ModuleName(const BackupTarget& t, int base) {
  std::string name = "module " + Numbered(t.address, base);
  if (t.extended_address) name += ", eXtended Address " + Numbered(*t.extended_address, base);
  return name;
}

std::string Capitalised(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

std::string Counted(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

int NumberBaseOf(const CliOptions& o) { return o.zero_based ? 0 : 1; }

BackupTarget TargetOf(const FoundModule& m) { return {m.address, m.extended_address}; }

std::string ScanLine(const FoundModule& m, int base) {
  std::string line =
      Capitalised(ModuleName(TargetOf(m), base)) + ": firmware " + m.firmware_version + ", ID ";
  return line + (m.id ? "\"" + *m.id + "\"" : "unknown");
}

// Scans and prints one line per module found and the summary; nothing when cancelled.
std::optional<ScanResult> ScanAndList(const CliOptions& o, Link& link, std::ostream& out,
                                      std::ostream& err) {
  ScanOptions options;
  options.bit_rate = o.bit_rate;
  options.extended = o.scan_xaddr;
  options.number_base = NumberBaseOf(o);
  ScanResult result = ScanBus(link, options);
  if (result.cancelled) {
    err << "pyractl: the scan was cancelled\n";
    return std::nullopt;
  }
  for (const FoundModule& m : result.modules) out << ScanLine(m, options.number_base) << "\n";
  out << "Scan: "
      << (result.modules.empty() ? std::string("no module")
                                 : Counted(result.modules.size(), "module"))
      << " found\n";
  return result;
}

void ComputeStarts(Configuration& c) {
  ComputeDccStarts(c);
  ComputeLumoStarts(c);
  ComputeXDccStarts(c);
}

int Backup(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
           std::ostream& err) {
  std::error_code error;
  fs::create_directories(o.directory, error);
  if (error || !fs::is_directory(o.directory)) {
    err << "pyractl: cannot use the folder " << o.directory << ": " << error.message() << "\n";
    return kExitFailure;
  }
  const std::optional<ScanResult> scan = ScanAndList(o, link, out, err);
  if (!scan) return kExitFailure;
  if (scan->modules.empty()) {
    err << "pyractl: no module answered; nothing was saved\n";
    return kExitFailure;
  }
  const int base = NumberBaseOf(o);
  std::vector<std::string> failed;
  for (const FoundModule& m : scan->modules) {
    const BackupTarget target = TargetOf(m);
    const std::string who = Capitalised(ModuleName(target, base));
    SelectModule(link, m.address, m.extended_address);
    Configuration c = DefaultConfiguration();
    c.NumberBase = base;
    const int messages_before = prompter.MessageCount();
    const bool read = ReadAll(link, c);
    ComputeStarts(c);
    if (!read || prompter.MessageCount() > messages_before) {
      out << who << ": Read All did not complete; nothing was saved\n";
      failed.push_back(ModuleName(target, base));
      continue;
    }
    const std::string path = (fs::path(o.directory) / BackupFileName(target, c.Settings.IDString));
    if (!SaveConfigurationFile(path, c, SaveForm::kFull, prompter)) {
      out << who << ": " << path << " could not be written\n";
      failed.push_back(ModuleName(target, base));
      continue;
    }
    out << who << ": saved " << path << "\n";
  }
  const std::size_t saved = scan->modules.size() - failed.size();
  out << "Backup: " << saved << " of " << Counted(scan->modules.size(), "module") << " saved in "
      << o.directory;
  if (!failed.empty()) {
    out << "; failed: ";
    for (std::size_t k = 0; k < failed.size(); ++k) out << (k ? ", " : "") << failed[k];
  }
  out << "\n";
  return failed.empty() ? kExitOk : kExitFailure;
}

struct BackupFile {
  std::string name;
  std::string path;
  BackupTarget target;
  Configuration configuration;
};

// The backup files of the folder in name order, loaded as "Load File" loads them; false when the
// folder holds none or one does not load (its message is printed).
bool LoadBackupFiles(const CliOptions& o, CliPrompter& prompter, std::vector<BackupFile>& files,
                     std::ostream& err) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(o.directory, error)) {
    const std::string name = entry.path().filename().string();
    if (const std::optional<BackupTarget> target = BackupFileTarget(name)) {
      files.push_back({name, entry.path().string(), *target, {}});
    }
  }
  if (error) {
    err << "pyractl: cannot read the folder " << o.directory << ": " << error.message() << "\n";
    return false;
  }
  if (files.empty()) {
    err << "pyractl: " << o.directory << " holds no module files (module-NN....dat)\n";
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const BackupFile& a, const BackupFile& b) { return a.name < b.name; });
  for (BackupFile& file : files) {
    file.configuration = DefaultConfiguration();
    file.configuration.NumberBase = NumberBaseOf(o);
    if (!LoadConfigurationFile(file.path, file.configuration, prompter)) {
      err << "pyractl: " << file.name << " did not load; nothing was sent\n";
      return false;
    }
  }
  return true;
}

// Verify All as verify-all runs it; prints the verdict after `line` and, when it fails, the
// findings indented below it.
bool VerifyModule(Link& link, BackupFile& file, const std::string& line, std::ostream& out) {
  const BackupTarget& t = file.target;
  SelectModule(link, t.address, t.extended_address);
  if (!LearnUnknownSettings(link, file.configuration.Settings)) {
    out << line << "the module did not answer for its enforced eXtended Address and enable map\n";
    return false;
  }
  VerificationLog log;
  const bool ok = VerifyAll(link, file.configuration, log);
  const std::string text = UnixLines(log.Text());
  const std::size_t last = text.rfind('\n');
  out << line << (last == std::string::npos ? text : text.substr(last + 1)) << "\n";
  if (!ok && last != std::string::npos) {
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos && at <= last;
         from = at + 1) {
      if (at > from) out << "  " << text.substr(from, at - from) << "\n";
    }
  }
  return ok;
}

std::string FileLine(const BackupFile& file, int base) {
  return file.name + " -> " + ModuleName(file.target, base);
}

int VerifyBackup(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                 std::ostream& err) {
  std::vector<BackupFile> files;
  if (!LoadBackupFiles(o, prompter, files, err)) return kExitFailure;
  std::size_t passed = 0;
  for (BackupFile& file : files) {
    if (VerifyModule(link, file, FileLine(file, NumberBaseOf(o)) + ": ", out)) ++passed;
  }
  out << "Verify backup: " << passed << " of " << Counted(files.size(), "module") << " verified\n";
  return passed == files.size() ? kExitOk : kExitFailure;
}

int Restore(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
            std::ostream& err, std::istream* terminal) {
  std::vector<BackupFile> files;
  if (!LoadBackupFiles(o, prompter, files, err)) return kExitFailure;
  const int base = NumberBaseOf(o);
  for (const BackupFile& file : files) out << FileLine(file, base) << "\n";
  out << std::flush;
  if (!o.yes) {
    if (!terminal) {
      err << "pyractl: restore overwrites the configuration of every module listed; confirm with "
             "restore --yes (see pyractl --help)\n";
      return kExitUsage;
    }
    if (!AskOnTerminal("Write " + Counted(files.size(), "file") + " to their modules?", *terminal,
                       err)) {
      err << "pyractl: nothing was written\n";
      return kExitFailure;
    }
  }
  std::size_t restored = 0;
  for (BackupFile& file : files) {
    const std::string line = FileLine(file, base) + ": ";
    const BackupTarget& t = file.target;
    SelectModule(link, t.address, t.extended_address);
    const int messages_before = prompter.MessageCount();
    if (!LearnUnknownSettings(link, file.configuration.Settings) ||
        !WriteAll(link, static_cast<const Configuration&>(file.configuration)) ||
        prompter.MessageCount() > messages_before) {
      out << line << "Write All did not complete\n";
      continue;
    }
    if (VerifyModule(link, file, line + "written, ", out)) ++restored;
  }
  out << "Restore: " << restored << " of " << Counted(files.size(), "module")
      << " written and verified\n";
  return restored == files.size() ? kExitOk : kExitFailure;
}

// The window's prompter for "Activate Transparent Mode": the confirmation is the command's
// output, the question is answered by --yes or on the terminal, and without either it is refused.
class TransparentPrompter final : public Prompter {
 public:
  TransparentPrompter(Prompter& messages, std::ostream& out, std::ostream& err, bool yes,
                      std::istream* terminal)
      : messages_(messages), out_(out), err_(err), yes_(yes), terminal_(terminal) {}

  void Message(const std::string& text, Icon icon) override {
    if (icon == Icon::kInformation) {
      out_ << UnixLines(text) << "\n";
    } else {
      messages_.Message(text, icon);
    }
  }
  Answer Ask(const std::string& text, Buttons, Icon) override {
    if (yes_) return Answer::kYes;
    if (terminal_) return AskOnTerminal(text, *terminal_, err_) ? Answer::kYes : Answer::kNo;
    err_ << UnixLines(text) << "\n";
    refused_ = true;
    return Answer::kNo;
  }
  bool Refused() const { return refused_; }

 private:
  Prompter& messages_;
  std::ostream& out_;
  std::ostream& err_;
  bool yes_;
  std::istream* terminal_;
  bool refused_ = false;
};

}  // namespace

std::string BackupFileName(const BackupTarget& target, const std::string& id) {
  const auto two_digits = [](int n) {
    const std::string digits = std::to_string(n + kFileNumberBase);
    return digits.size() < 2 ? "0" + digits : digits;
  };
  std::string name = kPrefix + two_digits(target.address);
  if (target.extended_address) name += "-x" + two_digits(*target.extended_address);
  if (!id.empty()) {
    name += '_';
    for (unsigned char c : id) name += std::isalnum(c) || c == '-' ? static_cast<char>(c) : '_';
  }
  return name + kSuffix;
}

std::optional<BackupTarget> BackupFileTarget(const std::string& name) {
  const auto number = [&](std::size_t at) -> std::optional<int> {
    if (at + 2 > name.size() || !std::isdigit(static_cast<unsigned char>(name[at])) ||
        !std::isdigit(static_cast<unsigned char>(name[at + 1]))) {
      return std::nullopt;
    }
    const int n = (name[at] - '0') * 10 + (name[at + 1] - '0') - kFileNumberBase;
    return n < 0 ? std::nullopt : std::optional<int>(n);
  };
  const std::string prefix = kPrefix;
  const std::string suffix = kSuffix;
  if (!name.starts_with(prefix) || !name.ends_with(suffix)) return std::nullopt;
  std::size_t at = prefix.size();
  BackupTarget target;
  const std::optional<int> address = number(at);
  if (!address) return std::nullopt;
  target.address = *address;
  at += 2;
  if (name.compare(at, 2, "-x") == 0) {
    target.extended_address = number(at + 2);
    if (!target.extended_address) return std::nullopt;
    at += 4;
  }
  const std::size_t end = name.size() - suffix.size();
  if (at == end || (at < end && name[at] == '_')) return target;
  return std::nullopt;
}

int RunBusCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                  std::ostream& err, std::istream* terminal) {
  switch (o.command) {
    case Command::kScan:
      return ScanAndList(o, link, out, err) ? kExitOk : kExitFailure;
    case Command::kBackup:
      return Backup(o, link, prompter, out, err);
    case Command::kVerifyBackup:
      return VerifyBackup(o, link, prompter, out, err);
    case Command::kRestore:
      return Restore(o, link, prompter, out, err, terminal);
    default:
      return kExitUsage;
  }
}

int RunTransparentCommand(const CliOptions& o, Link& link, CliPrompter& prompter, std::ostream& out,
                          std::ostream& err, std::istream* terminal) {
  TransparentPrompter asking(prompter, out, err, o.yes, terminal);
  link.SetPrompter(asking);
  const bool switched = ActivateTransparentMode(link);
  link.SetPrompter(prompter);
  if (asking.Refused()) {
    err << "pyractl: transparent asks before switching a unit whose system supports tunnelling; "
           "confirm with transparent --yes (see pyractl --help)\n";
    return kExitUsage;
  }
  return switched ? kExitOk : kExitFailure;
}

}  // namespace pyra::cli

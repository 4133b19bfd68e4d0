#include "cli/CliRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>

#include <signal.h>

#include "cli/BusCommands.h"
#include "cli/CompareCommand.h"
#include "cli/ConfigReport.h"
#include "cli/PtyServer.h"
#include "files/AtomicFile.h"
#include "files/ConfigFile.h"
#include "files/Cp1252.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "link/VeloraSetup.h"
#include "link/serial/SerialPort.h"
#include "model/AddressAssignment.h"
#include "model/ModuleSettings.h"
#include "monitor/CliCommands.h"
#include "operations/Batch.h"
#include "operations/Identity.h"

namespace pyra::cli {

namespace {

constexpr int kLastDirectAddress = 15;

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// The inverse of the Velora version formula: hi carries thousands and hundreds, lo tens and units.
void SetVeloraProtocol(sim::SimVeloraUnit::Config& config, int version) {
  config.protocol_hi = version / 1000 * 8 + version / 100 % 10;
  config.protocol_lo = version / 10 % 10 * 8 + version % 10;
}

int UnitType(SimUnit unit) {
  switch (unit) {
    case SimUnit::kHBB:
      return kInterfaceHBB;
    case SimUnit::kTavi:
      return kInterfaceTavi;
    case SimUnit::kHBA:
      break;
  }
  return kInterfaceHBA;
}

std::atomic<PtyServer*> g_serving{nullptr};

extern "C" void StopServing(int) {
  if (PtyServer* server = g_serving.load()) server->Stop();
}

extern "C" void ReportServing(int) {
  if (PtyServer* server = g_serving.load()) server->RequestReport();
}

// SIGINT and SIGTERM stop the server (a stop that comes before Run is kept until it starts);
// SIGUSR1 asks it for the traffic so far.
class StopOnSignals {
 public:
  explicit StopOnSignals(PtyServer& server) {
    g_serving = &server;
    struct sigaction action {};
    action.sa_handler = StopServing;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &old_int_);
    ::sigaction(SIGTERM, &action, &old_term_);
    action.sa_handler = ReportServing;
    ::sigaction(SIGUSR1, &action, &old_usr1_);
  }
  ~StopOnSignals() {
    ::sigaction(SIGINT, &old_int_, nullptr);
    ::sigaction(SIGTERM, &old_term_, nullptr);
    ::sigaction(SIGUSR1, &old_usr1_, nullptr);
    g_serving = nullptr;
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

 private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
  struct sigaction old_usr1_ {};
};

}  // namespace

std::string TrafficLine(const Traffic& traffic) {
  return "traffic: " + std::to_string(traffic.from_tool) + " in, " +
         std::to_string(traffic.to_tool) + " out";
}

namespace {

int ServeSimulator(const CliOptions& o, std::ostream& out, std::ostream& err) {
  sim::Simulator simulator;
  sim::SimModule::Config& module = simulator.Module().GetConfig();
  module.address = o.module_address;
  module.extended_address = o.extended_address.value_or(0);
  module.latency = std::chrono::milliseconds(o.latency_ms);
  // A bus: the further addresses are modules of their own on the same line.
  for (int address : o.more_addresses) {
    simulator.AddModule(address, o.extended_address.value_or(0)).GetConfig().latency =
        module.latency;
  }
  sim::SimVeloraUnit::Config& unit = simulator.Velora().GetConfig();
  SetVeloraProtocol(unit, o.velora_protocol);
  unit.unit_type = UnitType(o.unit);
  simulator.SetVeloraInFront(o.velora);

  PtyServer server(simulator.Line(), o.paced ? o.bit_rate : 0);
  server.SetReportSink(
      [&out](const Traffic& traffic) { out << TrafficLine(traffic) << std::endl; });
  // Installed before the path is printed: whoever reads the path may signal at once.
  StopOnSignals stop_on_signals(server);
  std::string error;
  if (!server.Open(error)) {
    err << "pyractl: " << error << "\n";
    return kExitFailure;
  }
  // The first line is what scripts and tests wait for, so it must not sit in a buffer.
  out << server.SlavePath() << std::endl;
  if (!server.Run(error)) {
    err << "pyractl: " << error << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int ListPorts(std::ostream& out) {
  for (const std::string& name : ListSerialPorts()) out << name << "\n";
  out << kSimPort << "\n";
  return kExitOk;
}

int NumberBase(const CliOptions& o) { return o.zero_based ? 0 : 1; }

// A configuration as the window holds it after "Load File" at start-up.
bool LoadFile(const CliOptions& o, const std::string& path, Configuration& c, Prompter& prompter) {
  c = DefaultConfiguration();
  c.NumberBase = NumberBase(o);
  return LoadConfigurationFile(path, c, prompter);
}

std::string WithUnixLineEnds(std::string text) {
  ReplaceAll(text, "\r\n", "\n");
  return text;
}

// show, diff and convert work on files alone.
int RunFileCommand(const CliOptions& o, std::ostream& out, std::ostream& err) {
  CliPrompter prompter(err);
  // diff keeps 1 for "they differ", so a file it cannot load is trouble of its own, as with
  // diff(1).
  const int trouble = o.command == Command::kDiff ? kExitUsage : kExitFailure;
  Configuration a;
  if (!LoadFile(o, o.files[0], a, prompter)) return trouble;
  ReportView view;
  view.number_base = NumberBase(o);
  view.module_address = o.module_address;
  view.extended_address = o.extended_address.value_or(0);
  view.use_extended_address = o.extended_address.has_value();
  switch (o.command) {
    case Command::kShow: {
      std::string bytes;
      ReadWholeFile(o.files[0], bytes);
      out << ShowConfiguration(a, ConfigHeaderVersion(Cp1252ToUtf8(bytes)).value_or(0), view);
      return kExitOk;
    }
    case Command::kDiff: {
      Configuration b;
      if (!LoadFile(o, o.files[1], b, prompter)) return trouble;
      const std::vector<std::string> lines = DiffConfigurations(a, b, view, o.module_only);
      for (const std::string& line : lines) out << line << "\n";
      return lines.empty() ? kExitOk : kExitFailure;
    }
    case Command::kConvert:
      return SaveConfigurationFile(o.files[1], a, o.compact ? SaveForm::kCompact : SaveForm::kFull,
                                   prompter)
                 ? kExitOk
                 : kExitFailure;
    default:
      return kExitUsage;
  }
}

// A module keeps no descriptions, and the compact form keeps only described pins and aspects:
// saving it after Read All would silently drop whatever the module holds elsewhere.
bool CompactKeepsEverything(const CliOptions& o, const Configuration& c, std::ostream& err) {
  ReportView view;
  view.number_base = NumberBase(o);
  const std::vector<std::string> omitted = CompactOmissions(c, view);
  if (omitted.empty()) return true;
  const auto aspects = std::count_if(omitted.begin(), omitted.end(), [](const std::string& s) {
    return s.find(" aspect ") != std::string::npos;
  });
  const auto pins = std::ssize(omitted) - aspects;
  auto counted = [](std::ptrdiff_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  std::string which = pins > 0 ? counted(pins, "pin") : "";
  if (aspects > 0) which += (which.empty() ? "" : " and ") + counted(aspects, "aspect");
  constexpr std::size_t kNamed = 4;
  std::string named;
  for (std::size_t k = 0; k < omitted.size() && k < kNamed; ++k) {
    named += (k ? ", " : "") + omitted[k];
  }
  if (omitted.size() > kNamed) named += ", ...";
  const char* verb = omitted.size() == 1 ? "holds" : "hold";
  err << "pyractl: the compact form would leave out " << which << " that " << verb
      << " configuration (" << named << "): it keeps only pins and aspects with a "
      << "description, and a module keeps none\n"
      << "pyractl: describe them in a file given with --names FILE, or leave out --compact to "
      << "save the full form; " << o.output << " was not written\n";
  return false;
}

// The enforced flag or enable map that a file did not carry could not be taken from the module.
int ModuleSettingsUnread(const CliPrompter& prompter, int messages_before, std::ostream& err,
                         const char* outcome) {
  if (prompter.MessageCount() == messages_before) {
    err << "pyractl: the module did not answer for its enforced eXtended Address and enable map; "
        << outcome << "\n";
  }
  return kExitFailure;
}

// Read All, Write All and Verify All with the window's configuration `c`.
int RunBatch(const CliOptions& o, Link& link, CliPrompter& prompter, Configuration& c,
             std::ostream& out, std::ostream& err) {
  link.State().Bidirectional = true;
  const int messages_before = prompter.MessageCount();
  switch (o.command) {
    case Command::kReadAll: {
      const bool ok = ReadAll(link, c);
      ComputeDccStarts(c);
      ComputeLumoStarts(c);
      ComputeXDccStarts(c);
      if (!ok || prompter.MessageCount() > messages_before) {
        err << "pyractl: Read All did not complete; " << o.output << " was not written\n";
        return kExitFailure;
      }
      if (o.compact && !CompactKeepsEverything(o, c, err)) return kExitUsage;
      return SaveConfigurationFile(o.output, c, o.compact ? SaveForm::kCompact : SaveForm::kFull,
                                   prompter)
                 ? kExitOk
                 : kExitFailure;
    }
    case Command::kWriteAll: {
      if (!LearnUnknownSettings(link, c.Settings)) {
        return ModuleSettingsUnread(prompter, messages_before, err, "nothing was written");
      }
      const bool ok = WriteAll(link, static_cast<const Configuration&>(c));
      if (!ok || prompter.MessageCount() > messages_before) {
        if (prompter.MessageCount() == messages_before) {
          err << "pyractl: the module did not complete the command\n";
        }
        return kExitFailure;
      }
      return kExitOk;
    }
    case Command::kVerifyAll: {
      if (!LearnUnknownSettings(link, c.Settings)) {
        return ModuleSettingsUnread(prompter, messages_before, err, "nothing was compared");
      }
      VerificationLog log;
      const bool ok = VerifyAll(link, c, log);
      out << WithUnixLineEnds(log.Text()) << "\n";
      return ok ? kExitOk : kExitFailure;
    }
    default:
      return kExitUsage;
  }
}

// Runs one module operation on an open link. The operations report every failure through the
// prompter, so a message counts as a failure even where the operation itself carries on.
int RunOperation(const CliOptions& o, Link& link, CliPrompter& prompter, Configuration& c,
                 std::ostream& out, std::ostream& err, std::istream* terminal) {
  if (o.velora) {
    const VeloraSwitchResult velora = EnableVeloraTunneling(link);
    if (!velora.ticked) return kExitFailure;
    if (o.module_address > kLastDirectAddress && !velora.tunnel_ready) {
      err << "pyractl: module addresses above " << kLastDirectAddress + (o.zero_based ? 0 : 1)
          << " need a Velora system with protocol 3.200 or later\n";
      return kExitFailure;
    }
  }
  if (o.command == Command::kMonitor) return RunMonitorCommand(link, o.count, out);
  if (o.command == Command::kScan || o.command == Command::kBackup ||
      o.command == Command::kVerifyBackup || o.command == Command::kRestore) {
    return RunBusCommand(o, link, prompter, out, err, terminal);
  }
  if (o.command == Command::kTransparent) {
    return RunTransparentCommand(o, link, prompter, out, err, terminal);
  }
  if (o.command == Command::kCompare) return RunCompareCommand(o, link, prompter, c, out, err);
  if (o.command == Command::kSetAspect) {
    return RunSetAspectCommand(link, o.target, o.aspect, o.map, out);
  }
  if (o.command == Command::kReadAll || o.command == Command::kWriteAll ||
      o.command == Command::kVerifyAll) {
    return RunBatch(o, link, prompter, c, out, err);
  }
  ModuleSettings settings;
  bool ok = false;
  std::string print;
  switch (o.command) {
    case Command::kVersion:
      ok = GetVersion(link, settings);
      print = settings.FirmwareVersion;
      break;
    case Command::kId:
      if (o.id_text) {
        settings.IDString = *o.id_text;
        ok = WriteIDString(link, settings);
      } else {
        ok = ReadIDString(link, settings);
        print = settings.IDString;
      }
      break;
    case Command::kErase:
      // OK to "Continue?", then "Erase" (which answers Cancel) to "Do you want to cancel this
      // operation?".
      prompter.QueueAnswers({Answer::kOk, Answer::kCancel});
      ok = EraseFlash(link);
      break;
    default:
      break;
  }
  if (!ok || prompter.MessageCount() > 0) {
    if (prompter.MessageCount() == 0) err << "pyractl: the module did not complete the command\n";
    return kExitFailure;
  }
  if (o.command == Command::kVersion || (o.command == Command::kId && !o.id_text)) {
    out << print << "\n";
  }
  return kExitOk;
}

}  // namespace

void CliPrompter::Print(const std::string& text) {
  std::string lines = text;
  ReplaceAll(lines, "\r\n", "\n");
  if (lines.empty() || lines.back() != '\n') lines += '\n';
  err_ << lines << std::flush;
}

void CliPrompter::Message(const std::string& text, Icon) {
  ++messages_;
  Print(text);
}

Answer CliPrompter::Ask(const std::string& text, Buttons buttons, Icon) {
  if (!answers_.empty()) {
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  Print(text);
  switch (buttons) {
    case Buttons::kOk:
      return Answer::kOk;
    case Buttons::kOkCancel:
      err_ << "(answered Cancel)\n";
      return Answer::kCancel;
    case Buttons::kEraseOrKeep:
      err_ << "(answered Do not erase)\n";
      return Answer::kOk;
    case Buttons::kSaveDiscardCancel:
      err_ << "(answered Cancel)\n";
      return Answer::kCancel;
    case Buttons::kYesNo:
      break;
  }
  err_ << "(answered No)\n";
  return Answer::kNo;
}

void CliPrompter::QueueAnswers(std::initializer_list<Answer> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

int RunCommand(const CliOptions& o, std::ostream& out, std::ostream& err, RunContext context) {
  switch (o.command) {
    case Command::kHelp:
      out << UsageText();
      return kExitOk;
    case Command::kPorts:
      return ListPorts(out);
    case Command::kSim:
      return ServeSimulator(o, out, err);
    case Command::kNone:
      err << "pyractl: no command given (see pyractl --help)\n";
      return kExitUsage;
    case Command::kShow:
    case Command::kDiff:
    case Command::kConvert:
      return RunFileCommand(o, out, err);
    default:
      break;
  }

  SteadyClock steady_clock;
  Clock& clock = context.clock ? *context.clock : steady_clock;
  sim::Simulator* simulator = context.simulator;
  CliPrompter prompter(err);
  // The files come first: a file that does not load leaves the module alone.
  Configuration configuration = DefaultConfiguration();
  configuration.NumberBase = NumberBase(o);
  const std::string& to_load = o.command == Command::kReadAll ? o.names_file
                               : o.files.empty()              ? std::string()
                                                              : o.files[0];
  if (!to_load.empty() && !LoadFile(o, to_load, configuration, prompter)) {
    // compare keeps 1 for "they differ", as diff does.
    return o.command == Command::kCompare ? kExitUsage : kExitFailure;
  }
  Link link(clock, prompter);
  if (o.log) link.SetLogSink([&err](const std::string& line) { err << line << "\n"; });

  std::unique_ptr<sim::Simulator> own_simulator;
  if (o.port == kSimPort) {
    if (!simulator) {
      // A simulator of this run alone answers at whatever addresses the user named.
      own_simulator = std::make_unique<sim::Simulator>();
      simulator = own_simulator.get();
      simulator->Module().GetConfig().address = o.module_address;
      simulator->Module().GetConfig().extended_address = o.extended_address.value_or(0);
    }
    // transparent speaks to the unit itself, never through its tunnel.
    simulator->SetVeloraInFront(o.velora || o.command == Command::kTransparent);
    link.Open(simulator->Connect(clock, o.bit_rate));
  } else {
    SerialOpenResult opened = OpenSerialPort(o.port, o.bit_rate);
    if (!opened.channel) {
      err << "pyractl: " << opened.error << "\n";
      return kExitFailure;
    }
    link.Open(std::move(opened.channel));
  }

  LinkState& state = link.State();
  state.ModuleAddress = static_cast<uint8_t>(o.module_address);
  state.UseXAddress = o.extended_address.has_value();
  state.ExtendedAddress = static_cast<uint8_t>(o.extended_address.value_or(0));
  if (context.show_progress) {
    link.SetProgressSink([&err](const std::string& step, int done, int total) {
      err << "\r\x1b[K" << step << " (" << done << "/" << total << ")" << std::flush;
    });
  }
  const int status = RunOperation(o, link, prompter, configuration, out, err, context.terminal);
  if (context.show_progress) err << "\r\x1b[K" << std::flush;
  // The simulator may belong to the caller and outlive this link's channel.
  link.Close();
  return status;
}

int RunPyractl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               RunContext context) {
  const ParseResult parsed = ParseArguments(args);
  if (!parsed.error.empty()) {
    err << "pyractl: " << parsed.error << " (see pyractl --help)\n";
    return kExitUsage;
  }
  if (!parsed.print.empty()) {  // --help or --version
    out << parsed.print;
    return kExitOk;
  }
  return RunCommand(parsed.options, out, err, context);
}

}  // namespace pyra::cli

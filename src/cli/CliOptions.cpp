#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>

#include "link/ConnectionSettings.h"
#include "model/IdString.h"
#include "model/TypedNumber.h"
#include "monitor/CliCommands.h"

namespace pyra::cli {

namespace {

// Beyond this every reply would miss the tool's 2-second wait, which --latency is not meant for.
constexpr int kMaxLatencyMs = 1000;

// A protocol version travels as two bytes whose hundreds and units digits have three bits each.
bool VeloraVersionEncodable(int version) {
  return version >= 0 && version / 1000 <= 15 && version / 100 % 10 <= 7 && version % 10 <= 7;
}

// The number `text` gives when it lies in low..high.
std::optional<int> InRange(const std::string& text, int low, int high) {
  const std::optional<int> n = ExactNumber(text);
  return n && *n >= low && *n <= high ? n : std::nullopt;
}

bool NeedsModule(Command c) {
  return c != Command::kPorts && c != Command::kSim && c != Command::kShow && c != Command::kDiff &&
         c != Command::kConvert;
}

std::string OperandHelp(const std::string& operand) {
  if (operand == "PIN") return "the pin, or with --map the address-map entry";
  if (operand == "ASPECT") return "the aspect: 0..127";
  if (operand == "DIR") return "the folder of the module files";
  return operand == "OUT" ? "the configuration file to save" : "a configuration file";
}

// The refusal when a command's operands are left out.
std::string Missing(const std::string& command, const std::string& first, std::size_t count) {
  if (first == "PIN") return command + " needs PIN and ASPECT";
  if (first == "DIR") return command + " needs the folder DIR";
  return command + " needs " + (count == 1 ? "a configuration file" : "two configuration files");
}

// The command's usage line first: a user who asked for help mostly wants the form of the command.
class HelpFormatter final : public CLI::Formatter {
 public:
  std::map<std::string, std::string> usages;  // by command

  std::string make_usage(const CLI::App* app, std::string) const override {
    const auto usage = usages.find(app->get_name());
    return "Usage: pyractl [options] " +
           (usage == usages.end() ? "COMMAND [arguments]" : usage->second) + "\n";
  }
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    if (mode == CLI::AppFormatMode::Sub) return CLI::Formatter::make_help(app, name, mode);
    return make_usage(app, name) + "\n" + make_description(app) + make_positionals(app) +
           make_groups(app, mode) + make_subcommands(app, mode) + "\n" + make_footer(app);
  }
};

// What is kept as text to be checked after parsing: the ranges depend on --velora and
// --zero-based, and a refusal quotes the value as given.
struct Values {
  std::vector<std::string> addresses;
  std::string xaddr, baud, velora_protocol, unit, count, latency;
  std::array<std::string, 2> operands;
};

// The whole command line. Command options belong to their command and follow it; the common
// options go anywhere.
struct Parser {
  struct Declared {
    Command command;
    std::vector<std::string> operands;  // required ones
  };
  CLI::App app{"pyractl configures, tests and backs up Pyra modules over a serial line.",
               "pyractl"};
  std::shared_ptr<HelpFormatter> formatter = std::make_shared<HelpFormatter>();
  Values values;
  std::map<const CLI::App*, Declared> commands;

  explicit Parser(CliOptions& o) {
    Values& v = values;
    app.formatter(formatter);
    app.get_formatter()->column_width(24);
    app.set_version_flag("--version", "pyractl " PYRA_VERSION, "print pyractl's version");
    app.set_help_flag("-h,--help", "show this text (after a command: that command's)");
    app.require_subcommand(0, 1);
    app.option_defaults()->disable_flag_override()->multi_option_policy(
        CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--port", o.port,
                   "serial port name or path (ttyUSB0, /dev/pts/3), or sim for\nthe built-in "
                   "simulated module (it answers at the addresses\ngiven)")
        ->type_name("NAME");
    app.add_option("--baud", v.baud,
                   "9600, 19200 (default) or 38400 bit/s; odd parity, 8 data bits,\n1 stop bit")
        ->type_name("RATE");
    app.add_option("--address", v.addresses,
                   "module address as the window numbers it: 1..16 (1..32 with\n--velora); "
                   "default 1")
        ->type_name("N")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--xaddr", v.xaddr, "use the eXtended Address N: 1..96")->type_name("N");
    app.add_flag("--zero-based", o.zero_based,
                 "number addresses from 0 (0..15, 0..31, 0..95)\nAddresses out of range are "
                 "refused, not corrected.");
    app.add_flag("--velora", o.velora, "reach the module through Velora tunnelling");
    app.add_flag("--log", o.log, "write the communication log to standard error");
    app.footer(
        "Each command's options follow it; pyractl COMMAND --help shows them.\n"
        "Exit status: 0 success, 1 module, link or file failure (diff: the files differ),\n"
        "2 usage error (diff: a file could not be loaded).");

    Add(Command::kPorts, "ports",
        "list the serial ports; the last line, sim, is the built-in\nsimulated module");
    Add(Command::kVersion, "version", "print the module's firmware version (for example 3.2.0.17)");
    Add(Command::kId, "id [TEXT]",
        "print the module's ID string, or store TEXT (at most 12 plain\nASCII characters, no "
        "double quote) as the ID string")
        ->add_option("TEXT", v.operands[0], "the ID string to store")
        ->type_name("");
    Add(Command::kErase, "erase --yes", "erase the module's configuration memory")
        ->add_flag("--yes", o.yes, "confirm the erasing");
    Add(Command::kMonitor, "monitor [--count N]",
        "poll the module every 100 ms and print its four feedback\nbytes per reply, until "
        "interrupted or after N polls")
        ->add_option("--count", v.count, "stop after N polls")
        ->type_name("N");
    Add(Command::kSetAspect, "set-aspect PIN ASPECT [--map]",
        "set ASPECT (0..127) on PIN (1..32, or 0..31 with\n--zero-based); with --map PIN is an "
        "entry of the module's\naddress map (1..128, or 0..127)",
        {"PIN", "ASPECT"})
        ->add_flag("--map", o.map, "PIN is an entry of the address map");
    CLI::App* sim =
        Add(Command::kSim,
            "sim --pty [--address N ...] [--xaddr N] [--velora] [--velora-protocol "
            "3200]\n       [--unit hba|hbb|tavi] [--paced [--baud RATE] [--latency MS]]",
            "serve the simulated module (behind a simulated Velora unit\nwith "
            "--velora) on a pseudo-terminal; prints its path, then\nruns until "
            "interrupted. Each further --address serves one\nmore module on the same "
            "line, as a bus has. SIGUSR1 prints\nthe bytes carried so far: traffic: "
            "IN in, OUT out");
    sim->add_flag("--pty", o.pty, "serve on a pseudo-terminal");
    sim->add_option("--velora-protocol", v.velora_protocol,
                    "the simulated Velora unit's protocol version (3200)")
        ->type_name("VERSION");
    sim->add_option("--unit", v.unit, "the simulated Velora unit: hba (default), hbb or tavi")
        ->type_name("TYPE");
    sim->add_flag("--paced", o.paced,
                  "move every byte at the speed of a real line at --baud, both\nways");
    sim->add_option("--latency", v.latency, "the module's time to answer with --paced: 0..1000")
        ->type_name("MS");
    CLI::App* read_all =
        Add(Command::kReadAll, "read-all -o FILE [--compact] [--names FILE]",
            "read the whole module (\"Read All\") and save it as a\nconfiguration file");
    read_all->add_option("-o,--output", o.output, "the configuration file to save")
        ->type_name("FILE");
    read_all
        ->add_option("--names", o.names_file,
                     "first load a file whose descriptions and device names the\nmodule does "
                     "not keep")
        ->type_name("FILE");
    read_all->add_flag("--compact", o.compact,
                       "save the compact form; refused while it would leave out pins\nor "
                       "aspects that hold configuration (it keeps only described\nones)");
    Add(Command::kWriteAll, "write-all FILE",
        "load a configuration file and write it to the module", {"FILE"});
    Add(Command::kVerifyAll, "verify-all FILE",
        "compare the module with a configuration file and print the\nverification log; exit "
        "status 0 only for \"Verify OK\". A FILE\nwithout the enforced eXtended Address flag "
        "and the enable\nmap (older files) keeps and expects the module's own",
        {"FILE"});
    Add(Command::kShow, "show FILE", "list a configuration file in readable form", {"FILE"});
    Add(Command::kDiff, "diff [--module] A B",
        "list the differences of two configuration files; exit status\n0 when equal, 1 when "
        "they differ",
        {"A", "B"})
        ->add_flag("--module", o.module_only,
                   "leave out the descriptions and device names a module does not\nkeep");
    Add(Command::kConvert, "convert IN OUT [--compact]",
        "load and save a configuration file (upgrades old versions)", {"IN", "OUT"})
        ->add_flag("--compact", o.compact, "save the compact form");
    const char* xaddr_help =
        "also ask every eXtended Address (1..96) at each address that\nanswers";
    Add(Command::kScan, "scan [--xaddr]",
        "list every module that answers on the bus: address, firmware\nversion and ID")
        ->add_flag("--xaddr", o.scan_xaddr, xaddr_help);
    Add(Command::kBackup, "backup DIR [--xaddr]",
        "scan, then read every module found into a file of its own in\nDIR; exit status 1 when "
        "any module failed",
        {"DIR"})
        ->add_flag("--xaddr", o.scan_xaddr, xaddr_help);
    Add(Command::kVerifyBackup, "verify-backup DIR",
        "verify every module file in DIR against the module its name\ngives", {"DIR"});
    Add(Command::kRestore, "restore DIR [--yes]",
        "write every module file in DIR to the module its name gives\nand verify it, after "
        "listing them and asking",
        {"DIR"})
        ->add_flag("--yes", o.yes, "answer the question yes");
    Add(Command::kTransparent, "transparent [--yes]",
        "switch the Velora unit in front of the bus to transparent mode")
        ->add_flag("--yes", o.yes, "answer the question yes");
    Add(Command::kCompare, "compare FILE", "compare the module with a configuration file",
        {"FILE"});
  }

  // A command with its help and its operands, which are all required.
  CLI::App* Add(Command command, const std::string& usage, const std::string& description,
                const std::vector<std::string>& operands = {}) {
    const std::string name = usage.substr(0, usage.find(' '));
    formatter->usages[name] = usage;
    CLI::App* sub = app.add_subcommand(name, description);
    sub->group("Commands")->fallthrough();
    sub->footer("The common options (--port, --baud, --address, ...) are in pyractl --help.");
    for (std::size_t k = 0; k < operands.size(); ++k) {
      sub->add_option(operands[k], values.operands[k], OperandHelp(operands[k]))->type_name("");
    }
    commands[sub] = {command, operands};
    return sub;
  }

  // The commands that have an option of this name, for saying where it belongs.
  std::vector<std::string> Owners(const std::string& option) const {
    std::vector<std::string> owners;
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_option_no_throw(option)) owners.push_back(sub->get_name());
    }
    return owners;
  }

  // CLI11's refusals in the words pyractl has always used.
  std::string Refusal(const CLI::ParseError& e, const CLI::App* selected) const {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
      // CLI11 names a flag that was given a value without its dashes.
      const std::string option = what.substr(0, what.find_first_of(": "));
      if (option[0] != '-') return "--" + option + " takes no value";
      return option + " needs a value";
    }
    const std::vector<std::string> extras = app.remaining(true);
    if (!dynamic_cast<const CLI::ExtrasError*>(&e) || extras.empty()) return what;
    const std::string& first = extras.front();
    if (first.size() < 2 || first[0] != '-') {
      if (!selected) return "unknown command '" + first + "'";
      return "too many arguments for " + selected->get_name() + ": '" + first + "'";
    }
    const std::string option = first.substr(0, first.find('='));
    const std::vector<std::string> owners = Owners(option);
    if (owners.empty()) return "unknown option " + option;
    if (selected && std::find(owners.begin(), owners.end(), selected->get_name()) != owners.end()) {
      return option + " goes after the command " + selected->get_name();
    }
    std::string list;
    for (std::size_t k = 0; k < owners.size(); ++k) {
      list += (k == 0 ? "" : k + 1 == owners.size() ? " and " : ", ") + owners[k];
    }
    return option + " belongs to the " + list + (owners.size() > 1 ? " commands" : " command");
  }
};

bool Given(const CLI::App& app, const std::string& option) {
  const CLI::Option* o = app.get_option_no_throw(option);
  return o && o->count() > 0;
}

// The checks CLI11 cannot express: ranges that depend on --velora and --zero-based, values
// that only hold together, and refusals in the words pyractl has always used.
std::string CheckValues(CliOptions& o, const Values& v, const std::vector<std::string>& operands,
                        const CLI::App& app, const CLI::App& sub) {
  const std::string name = sub.get_name();
  const int base = o.zero_based ? 0 : 1;
  for (std::size_t k = 0; k < operands.size(); ++k) {
    if (!Given(sub, operands[k])) return Missing(name, operands[0], operands.size());
    // An empty name would otherwise load nothing and go on with the defaults, or save nowhere.
    if (v.operands[k].empty() && o.command != Command::kSetAspect) {
      return "the " + operands[k] + " operand of " + name + " is empty";
    }
  }
  if (Given(sub, "TEXT")) {
    // What a configuration file could not carry would not come back from a backup.
    const std::string refusal = IDStringRefusal(v.operands[0]);
    if (!refusal.empty()) return "id: " + refusal;
    o.id_text = v.operands[0];
  }
  if (!operands.empty() && operands[0] == "DIR") {
    o.directory = v.operands[0];
  } else if (o.command != Command::kSetAspect) {
    o.files.assign(v.operands.begin(), v.operands.begin() + operands.size());
  }
  if (o.command == Command::kReadAll) {
    if (!Given(sub, "-o")) return "read-all needs -o FILE";
    if (o.output.empty()) return "the -o FILE of read-all is empty";
    if (Given(sub, "--names") && o.names_file.empty()) {
      return "the --names FILE of read-all is empty";
    }
  }
  if (Given(app, "--baud")) {
    const std::optional<int> rate = ExactNumber(v.baud);
    if (!rate ||
        std::find(std::begin(kBitRates), std::end(kBitRates), *rate) == std::end(kBitRates)) {
      return "--baud must be 9600, 19200 or 38400, not '" + v.baud + "'";
    }
    o.bit_rate = *rate;
  }
  if (Given(sub, "--count")) {
    const MonitorCountArgument count = ParseMonitorCount(v.count);
    if (!count.error.empty()) return count.error;
    o.count = count.count;
  }
  if (o.command == Command::kSetAspect) {
    const SetAspectArguments a = ParseSetAspectArguments(v.operands[0], v.operands[1], o.map, base);
    if (!a.error.empty()) return a.error;
    o.target = a.target;
    o.aspect = a.aspect;
  }
  const int highest = MaxModuleAddressShown(base, o.velora);
  std::vector<int> addresses;
  for (const std::string& text : v.addresses) {
    const std::optional<int> shown = InRange(text, base, highest);
    if (!shown) {
      return "--address must be " + std::to_string(base) + ".." + std::to_string(highest) +
             (o.velora ? "" : " (up to " + std::to_string(highest + 16) + " with --velora)") +
             ", not '" + text + "'";
    }
    if (std::find(addresses.begin(), addresses.end(), *shown - base) != addresses.end()) {
      return "--address " + text + " is given twice";
    }
    addresses.push_back(*shown - base);
  }
  if (addresses.size() > 1 && o.command != Command::kSim) {
    return "only sim takes more than one --address";
  }
  if (!addresses.empty()) {
    o.module_address = addresses.front();
    o.more_addresses.assign(addresses.begin() + 1, addresses.end());
  }
  if (Given(app, "--xaddr")) {
    const std::optional<int> shown = InRange(v.xaddr, base, base + 95);
    if (!shown) {
      return "--xaddr must be " + std::to_string(base) + ".." + std::to_string(base + 95) +
             ", not '" + v.xaddr + "'";
    }
    o.extended_address = *shown - base;
  }

  if (o.command == Command::kSim) {
    if (!o.pty) return "sim needs --pty: it serves the simulated module on a pseudo-terminal";
    if (!o.port.empty()) return "sim makes its own port; leave out --port";
    if (Given(sub, "--latency")) {
      if (!o.paced) return "--latency needs --paced";
      const std::optional<int> ms = InRange(v.latency, 0, kMaxLatencyMs);
      if (!ms) {
        return "--latency must be 0.." + std::to_string(kMaxLatencyMs) + " ms, not '" + v.latency +
               "'";
      }
      o.latency_ms = *ms;
    }
    if (Given(sub, "--velora-protocol")) {
      const std::optional<int> version = ExactNumber(v.velora_protocol);
      if (!version || !VeloraVersionEncodable(*version)) {
        return "--velora-protocol must be a version such as 3200 (hundreds and units digits "
               "0..7), not '" +
               v.velora_protocol + "'";
      }
      o.velora_protocol = *version;
    }
    if (Given(sub, "--unit")) {
      std::string unit = v.unit;
      std::transform(unit.begin(), unit.end(), unit.begin(),
                     [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
      static const std::array<std::pair<const char*, SimUnit>, 3> kUnits = {
          {{"hba", SimUnit::kHBA}, {"hbb", SimUnit::kHBB}, {"tavi", SimUnit::kTavi}}};
      const auto* found = std::find_if(kUnits.begin(), kUnits.end(),
                                       [&](const auto& u) { return unit == u.first; });
      if (found == kUnits.end()) return "--unit must be hba, hbb or tavi, not '" + v.unit + "'";
      o.unit = found->second;
    }
    if ((Given(sub, "--velora-protocol") || Given(sub, "--unit")) && !o.velora) {
      return "--velora-protocol and --unit need --velora";
    }
  } else if (NeedsModule(o.command)) {
    if (o.port.empty()) return name + " needs --port NAME (see pyractl ports)";
    if (o.command == Command::kErase && !o.yes) {
      return "erase wipes the module's configuration memory; confirm with erase --yes";
    }
  }
  return "";
}

}  // namespace

std::string UsageText() {
  CliOptions o;
  return Parser(o).app.help();
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  ParseResult result;
  Parser parser(result.options);
  CLI::App& app = parser.app;
  auto selected = [&]() -> const CLI::App* {
    const auto subs = app.get_subcommands();
    return subs.empty() ? nullptr : subs.front();
  };
  try {
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::Success& e) {  // --help or --version
    result.options = CliOptions{};
    result.options.command = Command::kHelp;
    const bool version = dynamic_cast<const CLI::CallForVersion*>(&e) != nullptr;
    result.print = version ? std::string(e.what()) + "\n" : app.help();
    return result;
  } catch (const CLI::ParseError& e) {
    result.error = parser.Refusal(e, selected());
    return result;
  }
  const CLI::App* sub = selected();
  if (!sub) {
    result.error = "no command given";
    return result;
  }
  const Parser::Declared& command = parser.commands.at(sub);
  result.options.command = command.command;
  result.error = CheckValues(result.options, parser.values, command.operands, app, *sub);
  return result;
}

}  // namespace pyra::cli

#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>

#include "link/ConnectionSettings.h"
#include "model/IdString.h"
#include "model/TypedNumber.h"
#include "monitor/CliCommands.h"

namespace pyra::cli {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Beyond this every reply would miss the tool's 2-second wait, which --latency is not meant for.
constexpr int kMaxLatencyMs = 1000;

// A protocol version travels as two bytes whose hundreds and units digits have three bits each.
bool VeloraVersionEncodable(int version) {
  return version >= 0 && version / 1000 <= 15 && version / 100 % 10 <= 7 && version % 10 <= 7;
}

const char* CommandName(Command c) {
  switch (c) {
    case Command::kPorts:
      return "ports";
    case Command::kVersion:
      return "version";
    case Command::kId:
      return "id";
    case Command::kErase:
      return "erase";
    case Command::kSim:
      return "sim";
    case Command::kReadAll:
      return "read-all";
    case Command::kWriteAll:
      return "write-all";
    case Command::kVerifyAll:
      return "verify-all";
    case Command::kShow:
      return "show";
    case Command::kDiff:
      return "diff";
    case Command::kConvert:
      return "convert";
    case Command::kMonitor:
      return "monitor";
    case Command::kSetAspect:
      return "set-aspect";
    default:
      return "";
  }
}

// How many file operands a command takes.
std::size_t FileOperands(Command c) {
  switch (c) {
    case Command::kWriteAll:
    case Command::kVerifyAll:
    case Command::kShow:
      return 1;
    case Command::kDiff:
    case Command::kConvert:
      return 2;
    default:
      return 0;
  }
}

// The names the usage text gives a command's file operands, for saying which one is wrong.
std::vector<std::string> FileOperandNames(Command c) {
  switch (c) {
    case Command::kDiff:
      return {"A", "B"};
    case Command::kConvert:
      return {"IN", "OUT"};
    default:
      return {"FILE"};
  }
}

bool NeedsModule(Command c) {
  return c != Command::kPorts && c != Command::kSim && c != Command::kShow && c != Command::kDiff &&
         c != Command::kConvert;
}

struct RawArguments {
  std::optional<std::string> address;
  std::optional<std::string> xaddr;
  std::optional<std::string> baud;
  std::optional<std::string> velora_protocol;
  std::optional<std::string> unit;
  std::optional<std::string> output;
  std::optional<std::string> names;
  std::optional<std::string> count;
  std::optional<std::string> latency;
  std::vector<std::string> positional;  // the command and its operands
};

}  // namespace

std::string UsageText() {
  return std::string(
             "Usage: pyractl [options] COMMAND [arguments]\n"
             "\n"
             "Commands:\n"
             "  ports                 list the serial ports; the last line, sim, is the built-in\n"
             "                        simulated module\n"
             "  version               print the module's firmware version (for example 3.2.0.17)\n"
             "  id                    print the module's ID string\n"
             "  id TEXT               store TEXT (at most 12 plain ASCII characters, no double\n"
             "                        quote) as the ID string\n"
             "  erase --yes           erase the module's configuration memory\n") +
         MonitorUsageLines() +
         "  sim --pty [--address N] [--xaddr N] [--velora] [--velora-protocol 3200]\n"
         "      [--unit hba|hbb|tavi] [--paced [--baud RATE] [--latency MS]]\n"
         "                        serve the simulated module (behind a simulated Velora unit\n"
         "                        with --velora) on a pseudo-terminal; prints its path, then\n"
         "                        runs until interrupted. --paced moves every byte at the\n"
         "                        speed of a real line at --baud, both ways, and --latency\n"
         "                        adds the module's time to answer (0..1000 ms). SIGUSR1\n"
         "                        prints the bytes carried so far: traffic: IN in, OUT out\n"
         "  read-all -o FILE [--compact] [--names FILE]\n"
         "                        read the whole module (\"Read All\") and save it as a\n"
         "                        configuration file; --names first loads a file whose\n"
         "                        descriptions and device names the module does not keep;\n"
         "                        --compact is refused while it would leave out pins or\n"
         "                        aspects that hold configuration (it keeps only described ones)\n"
         "  write-all FILE        load a configuration file and write it to the module\n"
         "  verify-all FILE       compare the module with a configuration file and print the\n"
         "                        verification log; exit status 0 only for \"Verify OK\"\n"
         "                        A FILE without the enforced eXtended Address flag and the\n"
         "                        enable map (older files) keeps and expects the module's own.\n"
         "  show FILE             list a configuration file in readable form\n"
         "  diff [--module] A B   list the differences of two configuration files; exit\n"
         "                        status 0 when equal, 1 when they differ; --module leaves out\n"
         "                        the descriptions and device names a module does not keep\n"
         "  convert IN OUT [--compact]\n"
         "                        load and save a configuration file (upgrades old versions)\n"
         "\n"
         "Options:\n"
         "  --port NAME           serial port name or path (ttyUSB0, /dev/pts/3), or sim for\n"
         "                        the built-in simulated module (it answers at the addresses\n"
         "                        given)\n"
         "  --baud RATE           9600, 19200 (default) or 38400 bit/s; odd parity, 8 data bits,\n"
         "                        1 stop bit\n"
         "  --address N           module address as the window numbers it: 1..16 (1..32 with\n"
         "                        --velora); default 1\n"
         "  --xaddr N             use the eXtended Address N: 1..96\n"
         "  --zero-based          number addresses from 0 (0..15, 0..31, 0..95)\n"
         "                        Addresses out of range are refused, not corrected.\n"
         "  --velora              reach the module through Velora tunnelling\n"
         "  --log                 write the communication log to standard error\n"
         "  --help                show this text\n"
         "\n"
         "Exit status: 0 success, 1 module, link or file failure (diff: the files differ),\n"
         "2 usage error (diff: a file could not be loaded).\n";
}

ParseResult ParseArguments(const std::vector<std::string>& args) {
  ParseResult result;
  CliOptions& o = result.options;
  RawArguments raw;
  bool only_operands = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (only_operands || arg.size() < 2 || arg[0] != '-') {
      raw.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_operands = true;
      continue;
    }
    std::optional<std::string> inline_value;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inline_value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    auto value = [&](std::optional<std::string>& into) {
      if (inline_value) {
        into = *inline_value;
      } else if (i + 1 < args.size()) {
        into = args[++i];
      } else {
        result.error = arg + " needs a value";
        return false;
      }
      return true;
    };
    auto flag = [&](bool& into) {
      if (inline_value) {
        result.error = arg + " takes no value";
        return false;
      }
      into = true;
      return true;
    };

    bool ok = true;
    std::optional<std::string> port;
    if (arg == "--help" || arg == "-h") {
      o = CliOptions{};
      o.command = Command::kHelp;
      return result;
    } else if (arg == "--port") {
      ok = value(port);
      if (ok) o.port = *port;
    } else if (arg == "--baud") {
      ok = value(raw.baud);
    } else if (arg == "--address") {
      ok = value(raw.address);
    } else if (arg == "--xaddr") {
      ok = value(raw.xaddr);
    } else if (arg == "--velora-protocol") {
      ok = value(raw.velora_protocol);
    } else if (arg == "--unit") {
      ok = value(raw.unit);
    } else if (arg == "--zero-based") {
      ok = flag(o.zero_based);
    } else if (arg == "--velora") {
      ok = flag(o.velora);
    } else if (arg == "--log") {
      ok = flag(o.log);
    } else if (arg == "--yes") {
      ok = flag(o.yes);
    } else if (arg == "--count") {
      ok = value(raw.count);
    } else if (arg == "--map") {
      ok = flag(o.map);
    } else if (arg == "--pty") {
      ok = flag(o.pty);
    } else if (arg == "--paced") {
      ok = flag(o.paced);
    } else if (arg == "--latency") {
      ok = value(raw.latency);
    } else if (arg == "-o" || arg == "--output") {
      ok = value(raw.output);
    } else if (arg == "--names") {
      ok = value(raw.names);
    } else if (arg == "--compact") {
      ok = flag(o.compact);
    } else if (arg == "--module") {
      ok = flag(o.module_only);
    } else {
      result.error = "unknown option " + arg;
      ok = false;
    }
    if (!ok) return result;
  }

  auto fail = [&](std::string text) {
    result.error = std::move(text);
    return result;
  };

  if (raw.positional.empty()) return fail("no command given");
  const std::string& name = raw.positional.front();
  const std::size_t operands = raw.positional.size() - 1;
  if (name == "ports") {
    o.command = Command::kPorts;
  } else if (name == "version") {
    o.command = Command::kVersion;
  } else if (name == "id") {
    o.command = Command::kId;
    if (operands == 1) o.id_text = raw.positional[1];
  } else if (name == "erase") {
    o.command = Command::kErase;
  } else if (name == "sim") {
    o.command = Command::kSim;
  } else if (name == "read-all") {
    o.command = Command::kReadAll;
  } else if (name == "write-all") {
    o.command = Command::kWriteAll;
  } else if (name == "verify-all") {
    o.command = Command::kVerifyAll;
  } else if (name == "show") {
    o.command = Command::kShow;
  } else if (name == "diff") {
    o.command = Command::kDiff;
  } else if (name == "convert") {
    o.command = Command::kConvert;
  } else if (name == "monitor") {
    o.command = Command::kMonitor;
  } else if (name == "set-aspect") {
    o.command = Command::kSetAspect;
  } else {
    return fail("unknown command '" + name + "'");
  }
  const std::size_t files = FileOperands(o.command);
  if (files > 0 && operands < files) {
    return fail(std::string(CommandName(o.command)) + " needs " +
                (files == 1 ? "a configuration file" : "two configuration files"));
  }
  std::size_t max_operands = files;
  if (o.command == Command::kId) max_operands = 1;
  if (o.command == Command::kSetAspect) max_operands = 2;
  if (operands > max_operands) {
    return fail(std::string("too many arguments for ") + CommandName(o.command) + ": '" +
                raw.positional[max_operands + 1] + "'");
  }

  o.files.assign(raw.positional.begin() + 1, raw.positional.begin() + 1 + files);
  // An empty name would otherwise load nothing and go on with the defaults, or save nowhere.
  for (std::size_t k = 0; k < o.files.size(); ++k) {
    if (o.files[k].empty()) {
      return fail("the " + FileOperandNames(o.command)[k] + " operand of " +
                  CommandName(o.command) + " is empty");
    }
  }
  if (o.id_text) {
    // What a configuration file could not carry would not come back from a backup.
    if (const std::string refusal = IDStringRefusal(*o.id_text); !refusal.empty()) {
      return fail("id: " + refusal);
    }
  }
  if (raw.output && o.command != Command::kReadAll)
    return fail("-o belongs to the read-all command");
  if (raw.names && o.command != Command::kReadAll) {
    return fail("--names belongs to the read-all command");
  }
  if (o.command == Command::kReadAll) {
    if (!raw.output) return fail("read-all needs -o FILE");
    if (raw.output->empty()) return fail("the -o FILE of read-all is empty");
    if (raw.names && raw.names->empty()) return fail("the --names FILE of read-all is empty");
    o.output = *raw.output;
    o.names_file = raw.names.value_or("");
  }
  if (o.compact && o.command != Command::kReadAll && o.command != Command::kConvert) {
    return fail("--compact belongs to the read-all and convert commands");
  }
  if (o.module_only && o.command != Command::kDiff)
    return fail("--module belongs to the diff command");

  const bool is_sim = o.command == Command::kSim;
  if (!is_sim && (o.pty || raw.velora_protocol || raw.unit)) {
    return fail("--pty, --velora-protocol and --unit belong to the sim command");
  }
  if (!is_sim && (o.paced || raw.latency)) {
    return fail("--paced and --latency belong to the sim command");
  }
  if (o.yes && o.command != Command::kErase) return fail("--yes belongs to the erase command");

  if (raw.baud) {
    const std::optional<int> rate = ExactNumber(*raw.baud);
    if (!rate ||
        std::find(std::begin(kBitRates), std::end(kBitRates), *rate) == std::end(kBitRates)) {
      return fail("--baud must be 9600, 19200 or 38400, not '" + *raw.baud + "'");
    }
    o.bit_rate = *rate;
  }

  const int base = o.zero_based ? 0 : 1;
  if (raw.count && o.command != Command::kMonitor) {
    return fail("--count belongs to the monitor command");
  }
  if (o.map && o.command != Command::kSetAspect) {
    return fail("--map belongs to the set-aspect command");
  }
  if (raw.count) {
    const MonitorCountArgument count = ParseMonitorCount(*raw.count);
    if (!count.error.empty()) return fail(count.error);
    o.count = count.count;
  }
  if (o.command == Command::kSetAspect) {
    if (operands != 2) return fail("set-aspect needs PIN and ASPECT");
    const SetAspectArguments a =
        ParseSetAspectArguments(raw.positional[1], raw.positional[2], o.map, base);
    if (!a.error.empty()) return fail(a.error);
    o.target = a.target;
    o.aspect = a.aspect;
  }
  if (raw.address) {
    const int highest = MaxModuleAddressShown(base, o.velora);
    const std::optional<int> shown = ExactNumber(*raw.address);
    if (!shown || *shown < base || *shown > highest) {
      return fail("--address must be " + std::to_string(base) + ".." + std::to_string(highest) +
                  (o.velora ? "" : " (up to " + std::to_string(highest + 16) + " with --velora)") +
                  ", not '" + *raw.address + "'");
    }
    o.module_address = *shown - base;
  }
  if (raw.xaddr) {
    const std::optional<int> shown = ExactNumber(*raw.xaddr);
    if (!shown || *shown < base || *shown > base + 95) {
      return fail("--xaddr must be " + std::to_string(base) + ".." + std::to_string(base + 95) +
                  ", not '" + *raw.xaddr + "'");
    }
    o.extended_address = *shown - base;
  }

  if (is_sim) {
    if (!o.pty) return fail("sim needs --pty: it serves the simulated module on a pseudo-terminal");
    if (!o.port.empty()) return fail("sim makes its own port; leave out --port");
    if (raw.latency) {
      if (!o.paced) return fail("--latency needs --paced");
      const std::optional<int> ms = ExactNumber(*raw.latency);
      if (!ms || *ms < 0 || *ms > kMaxLatencyMs) {
        return fail("--latency must be 0.." + std::to_string(kMaxLatencyMs) + " ms, not '" +
                    *raw.latency + "'");
      }
      o.latency_ms = *ms;
    }
    if (raw.velora_protocol) {
      const std::optional<int> version = ExactNumber(*raw.velora_protocol);
      if (!version || !VeloraVersionEncodable(*version)) {
        return fail(
            "--velora-protocol must be a version such as 3200 (hundreds and units digits "
            "0..7), not '" +
            *raw.velora_protocol + "'");
      }
      o.velora_protocol = *version;
    }
    if (raw.unit) {
      const std::string unit = Lower(*raw.unit);
      if (unit == "hba") {
        o.unit = SimUnit::kHBA;
      } else if (unit == "hbb") {
        o.unit = SimUnit::kHBB;
      } else if (unit == "tavi") {
        o.unit = SimUnit::kTavi;
      } else {
        return fail("--unit must be hba, hbb or tavi, not '" + *raw.unit + "'");
      }
    }
    if ((raw.velora_protocol || raw.unit) && !o.velora) {
      return fail("--velora-protocol and --unit need --velora");
    }
  } else if (NeedsModule(o.command)) {
    if (o.port.empty()) {
      return fail(std::string(CommandName(o.command)) + " needs --port NAME (see pyractl ports)");
    }
    if (o.command == Command::kErase && !o.yes) {
      return fail("erase wipes the module's configuration memory; confirm with erase --yes");
    }
  }
  return result;
}

}  // namespace pyra::cli

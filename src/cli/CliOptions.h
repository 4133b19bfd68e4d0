#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pyra::cli {

enum class Command {
  kNone,
  kHelp,
  kPorts,
  kVersion,
  kId,
  kErase,
  kSim,
  kReadAll,
  kWriteAll,
  kVerifyAll,
  kShow,
  kDiff,
  kConvert,
  kMonitor,
  kSetAspect,
  kScan,
  kBackup,
  kVerifyBackup,
  kRestore,
  kTransparent,
  kCompare,
};

// The simulated unit put in front of the module by `sim --pty --velora`.
enum class SimUnit { kHBA, kHBB, kTavi };

struct CliOptions {
  Command command = Command::kNone;
  std::string port;  // serial port name or path, or "sim"
  int bit_rate = 19200;
  int module_address = 0;               // 0-based, as the link stores it
  std::optional<int> extended_address;  // 0-based; present = "Use eXtended Addr"
  bool zero_based = false;
  bool velora = false;
  bool log = false;
  // id
  std::optional<std::string> id_text;  // present: write it
  // erase, restore, transparent: the question is answered yes
  bool yes = false;
  // scan, backup, verify-backup, restore: also ask every eXtended Address at each base address
  // that answers
  bool scan_xaddr = false;
  // backup, verify-backup, restore: the folder of the module files
  std::string directory;
  // monitor
  std::optional<int> count;  // --count N: stop after N polls
  // set-aspect
  int target = 0;  // pin or address-map entry, 0-based as it travels
  int aspect = 0;
  bool map = false;
  // configuration files: the operands of write-all, verify-all, show, diff, convert and compare
  std::vector<std::string> files;
  std::string output;        // read-all -o FILE
  bool compact = false;      // read-all, convert: save the compact form
  std::string names_file;    // read-all --names FILE: the descriptions kept from this file
  bool module_only = false;  // diff --module: only what a module keeps
  // sim
  bool pty = false;
  bool paced = false;  // --paced: the line runs at the speed of --baud in both directions
  int latency_ms = 0;  // --latency: the module's own time to answer, paced only
  int velora_protocol = 3200;
  // sim: the module addresses (0-based) the line serves besides module_address, as a bus with
  // several modules has
  std::vector<int> more_addresses;
  SimUnit unit = SimUnit::kHBA;
};

struct ParseResult {
  CliOptions options;
  std::string error;  // a usage error for the user, empty when the arguments are fine
  // --help and --version: the text for standard output instead of running a command (the
  // command is then kHelp)
  std::string print;
};

// Parses the arguments that follow the program name. Addresses are taken as the window shows
// them (starting at 1 unless --zero-based) and refused, not clamped, when out of range.
ParseResult ParseArguments(const std::vector<std::string>& args);

// What pyractl --help prints: the common options and the list of commands.
std::string UsageText();

// The name `--port` takes for the simulated module in this process.
inline constexpr char kSimPort[] = "sim";

}  // namespace pyra::cli

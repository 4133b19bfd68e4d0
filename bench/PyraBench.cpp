// Whole-module transfers over a paced line, and the window's responsiveness, start-up time and
// memory. Prints one table; see bench/run.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchConfiguration.h"
#include "ChangesBench.h"
#include "LineBench.h"
#include "WindowBench.h"
#include "files/ConfigFile.h"

namespace pyra::bench {
namespace {

constexpr double kWireTolerance = 0.05;  // wall time at most 5 % above the wire limit
constexpr double kCpuShare = 0.02;       // pyractl busy at most 2 % of the wall time
constexpr double kWorstLatenessMs = 50;
constexpr double kStartupMs = 500;
constexpr double kMemoryMb = 100;
constexpr double kWriteChangesS = 0.5;  // one changed aspect, written and read back

struct Arguments {
  std::vector<int> bit_rates = {19200, 38400};
  bool line = true;
  bool window = true;
  bool changes = true;
  int startup_runs = 5;
  int rounds = 3;
};

const char kUsage[] =
    "Usage: pyra_bench [--rates 19200,38400] [--only line|changes|window] [--rounds N] "
    "[--startup-runs N]\n";

bool Parse(int argc, char** argv, Arguments& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--rates" && has_value) {
      a.bit_rates.clear();
      std::stringstream list(argv[++i]);
      for (std::string rate; std::getline(list, rate, ',');)
        a.bit_rates.push_back(std::atoi(rate.c_str()));
    } else if (arg == "--only" && has_value) {
      const std::string only = argv[++i];
      a.line = only == "line";
      a.window = only == "window";
      a.changes = only == "line" || only == "changes";
      if (!a.line && !a.window && !a.changes) return false;
    } else if (arg == "--rounds" && has_value) {
      a.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--startup-runs" && has_value) {
      a.startup_runs = std::max(1, std::atoi(argv[++i]));
    } else {
      return false;
    }
  }
  for (int rate : a.bit_rates) {
    if (rate != 9600 && rate != 19200 && rate != 38400) return false;
  }
  return true;
}

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

int Main(int argc, char** argv) {
  Arguments args;
  if (!Parse(argc, argv, args)) {
    std::cerr << kUsage;
    return 2;
  }
  // Without a display the window runs off screen; under xvfb-run it gets a real X server.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);

  const Configuration full = FullConfiguration();
  if (const std::string problem = CheckRoundTrip(full); !problem.empty()) {
    std::cerr << "pyra_bench: the benchmark configuration does not survive a module:\n"
              << problem << "\n";
    return 1;
  }
  ScratchDir dir;
  const std::string file = dir.File("full.dat");
  Configuration to_save = full;
  class Quiet final : public Prompter {
    void Message(const std::string&, Icon) override {}
    Answer Ask(const std::string&, Buttons, Icon) override { return Answer::kNo; }
  } quiet;
  if (!SaveConfigurationFile(file, to_save, SaveForm::kFull, quiet)) {
    std::cerr << "pyra_bench: cannot write " << file << "\n";
    return 1;
  }

  int missed = 0;
  int failed = 0;
  std::cout << "Platform: " << QApplication::platformName().toStdString()
            << "; module: 32 pins, 4 aspects of 9 steps each, every pin configured\n\n";
  if (args.line) {
    std::cout << "pyractl over the paced pseudo-terminal (11 bits per byte), fastest of "
              << args.rounds << " rounds\n";
    std::cout << Format("%-11s %6s %9s %15s %9s %10s %9s %9s  %s\n", "Case", "bit/s", "wall s",
                        "bytes in/out", "wire s", "wall/wire", "CPU s", "CPU/wall", "targets");
    for (const LineResult& r : RunLineBench(PYRACTL_PATH, args.bit_rates, file, args.rounds)) {
      if (!r.failure.empty()) {
        ++failed;
        std::cout << Format("%-11s %6d  FAILED: %s\n", r.name.c_str(), r.bit_rate,
                            r.failure.c_str());
        continue;
      }
      const double ratio = r.wall / r.wire;
      const double cpu = r.cpu / r.wall;
      const bool wall_ok = ratio <= 1 + kWireTolerance;
      const bool cpu_ok = cpu < kCpuShare;
      missed += !wall_ok + !cpu_ok;
      std::cout << Format(
          "%-11s %6d %9.3f %7llu/%-7llu %9.3f %10.3f %9.3f %8.2f%%  wall %s, CPU %s\n",
          r.name.c_str(), r.bit_rate, r.wall.count(), static_cast<unsigned long long>(r.bytes_in),
          static_cast<unsigned long long>(r.bytes_out), r.wire.count(), ratio, r.cpu.count(),
          cpu * 100, Verdict(wall_ok), Verdict(cpu_ok));
    }
    std::cout << Format(
        "Targets: wall time within %.0f %% of the wire limit; CPU under %.0f %% "
        "of wall time\n\n",
        kWireTolerance * 100, kCpuShare * 100);
  }
  if (args.changes) {
    std::cout << "Write Changes of one aspect (9 steps, written and read back) against Write All, "
                 "in-process through the serial adapter\n";
    for (int rate : args.bit_rates) {
      const ChangesResult c = RunChangesBench(full, rate);
      if (!c.failure.empty()) {
        ++failed;
        std::cout << Format("Write Changes at %d bit/s FAILED: %s\n", rate, c.failure.c_str());
        continue;
      }
      const bool ok = c.write_changes.count() < kWriteChangesS;
      missed += !ok;
      std::cout << Format(
          "%6d bit/s: Write Changes %.3f s (%d rows), Write All %.3f s, ratio 1:%.0f   "
          "target < %.1f s: %s\n",
          rate, c.write_changes.count(), c.messages, c.write_all.count(),
          c.write_all / c.write_changes, kWriteChangesS, Verdict(ok));
    }
    std::cout << "\n";
  }
  if (args.window) {
    std::cout << "The window\n";
    long peak_kb = 0;
    for (int rate : args.bit_rates) {
      const WindowResult w = RunWindowReadAll(full, rate);
      if (!w.failure.empty()) {
        ++failed;
        std::cout << Format("Read All in the window at %d bit/s FAILED: %s\n", rate,
                            w.failure.c_str());
        continue;
      }
      const double late_ms = w.worst_lateness.count() * 1000;
      const bool ok = late_ms <= kWorstLatenessMs;
      missed += !ok;
      peak_kb = std::max(peak_kb, w.peak_rss_kb);
      std::cout << Format(
          "Event loop, worst lateness of a 10 ms timer during Read All at %5d bit/s "
          "(%.2f s, %d ticks): %7.1f ms   target <= %.0f ms: %s\n",
          rate, w.read_all.count(), w.ticks, late_ms, kWorstLatenessMs, Verdict(ok));
    }
    const StartupResult s = RunStartup(PYRACONFIG_PATH, PROBE_PATH, args.startup_runs);
    if (!s.failure.empty()) {
      ++failed;
      std::cout << "Start-up of pyraconfig FAILED: " << s.failure << "\n";
    } else {
      const double worst_ms = s.worst.count() * 1000;
      const bool ok = worst_ms < kStartupMs;
      missed += !ok;
      std::cout << Format(
          "Start-up of pyraconfig to its window shown, median / worst of %d: %5.0f / %5.0f ms   "
          "target < %.0f ms: %s\n",
          s.runs, s.median.count() * 1000, worst_ms, kStartupMs, Verdict(ok));
    }
    if (peak_kb > 0) {
      const double mb = peak_kb / 1024.0;
      const bool ok = mb < kMemoryMb;
      missed += !ok;
      std::cout << Format(
          "Peak resident memory, window process after Read All:                %7.1f MB   "
          "target < %.0f MB: %s\n",
          mb, kMemoryMb, Verdict(ok));
    }
    if (s.failure.empty()) {
      const double mb = s.peak_rss_kb / 1024.0;
      const bool ok = mb < kMemoryMb;
      missed += !ok;
      std::cout << Format(
          "Peak resident memory, pyraconfig when shown:                        %7.1f MB   "
          "target < %.0f MB: %s\n",
          mb, kMemoryMb, Verdict(ok));
    }
    std::cout << "\n";
  }
  std::cout << (failed ? "Some cases FAILED; " : "") << "targets missed: " << missed << "\n";
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace pyra::bench

int main(int argc, char** argv) { return pyra::bench::Main(argc, argv); }

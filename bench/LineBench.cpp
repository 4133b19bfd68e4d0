#include "LineBench.h"

#include <array>
#include <csignal>
#include <cstdio>

namespace pyra::bench {

namespace {

constexpr Seconds kStartTimeout{10};
constexpr Seconds kReportTimeout{10};

struct Counted {
  std::uint64_t in = 0;
  std::uint64_t out = 0;
};

std::optional<Counted> AskTraffic(Child& server) {
  server.Signal(SIGUSR1);
  const std::optional<std::string> line = server.ReadLine(kReportTimeout);
  if (!line) return std::nullopt;
  unsigned long long in = 0;
  unsigned long long out = 0;
  if (std::sscanf(line->c_str(), "traffic: %llu in, %llu out", &in, &out) != 2) return std::nullopt;
  return Counted{in, out};
}

void RunCase(Child& server, const std::string& pyractl, const std::string& port, int bit_rate,
             const std::string& name, const std::vector<std::string>& command, LineResult& r) {
  r.name = name;
  r.bit_rate = bit_rate;
  const std::optional<Counted> before = AskTraffic(server);
  std::vector<std::string> args = {"--port", port, "--baud", std::to_string(bit_rate)};
  args.insert(args.end(), command.begin(), command.end());
  Child tool;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  if (!tool.Start(pyractl, args, {}, error)) {
    r.failure = error;
    return;
  }
  const Child::Ended ended = tool.Wait();
  r.wall = std::chrono::steady_clock::now() - start;
  r.cpu = ended.cpu;
  const std::optional<Counted> after = AskTraffic(server);
  if (ended.status != 0) r.failure = "pyractl exited with " + std::to_string(ended.status);
  if (!before || !after) {
    r.failure = "the line server did not report its traffic";
    return;
  }
  r.bytes_in = after->in - before->in;
  r.bytes_out = after->out - before->out;
  r.wire = Seconds(static_cast<double>(r.bytes_in + r.bytes_out) * 11.0 / bit_rate);
}

}  // namespace

namespace {

// `pyractl sim --pty --paced` at `bit_rate`; the port's path, or nothing with `failure` set.
std::optional<std::string> StartLineServer(Child& server, const std::string& pyractl, int bit_rate,
                                           std::string& failure) {
  std::string error;
  Child::Options options;
  options.capture_output = true;
  std::optional<std::string> port;
  if (server.Start(pyractl, {"sim", "--pty", "--paced", "--baud", std::to_string(bit_rate)},
                   options, error)) {
    port = server.ReadLine(kStartTimeout);
  }
  if (!port || port->rfind("/dev/", 0) != 0) {
    failure = "the line server did not start" + (error.empty() ? "" : ": " + error);
    return std::nullopt;
  }
  return port;
}

}  // namespace

std::vector<LineResult> RunScanBench(const std::string& pyractl, const std::vector<int>& bit_rates,
                                     int rounds) {
  std::vector<LineResult> results;
  for (int bit_rate : bit_rates) {
    LineResult best;
    best.name = "Scan";
    best.bit_rate = bit_rate;
    Child server;
    const std::optional<std::string> port =
        StartLineServer(server, pyractl, bit_rate, best.failure);
    for (int round = 0; port && round < rounds; ++round) {
      LineResult now;
      RunCase(server, pyractl, *port, bit_rate, "Scan", {"scan"}, now);
      if (!now.failure.empty()) {
        best = now;
        break;
      }
      if (round == 0 || now.wall < best.wall) best = now;
    }
    if (port) {
      server.Signal(SIGTERM);
      server.Wait();
    }
    results.push_back(best);
  }
  return results;
}

std::vector<LineResult> RunLineBench(const std::string& pyractl, const std::vector<int>& bit_rates,
                                     const std::string& configuration_file, int rounds) {
  std::vector<LineResult> results;
  ScratchDir dir;
  for (int bit_rate : bit_rates) {
    std::array<LineResult, 3> best;  // Read, Write, Verify
    const std::array<const char*, 3> names = {"Read All", "Write All", "Verify All"};
    for (std::size_t i = 0; i < best.size(); ++i) {
      best[i].name = names[i];
      best[i].bit_rate = bit_rate;
    }
    Child server;
    std::string failure;
    const std::optional<std::string> port = StartLineServer(server, pyractl, bit_rate, failure);
    if (!port) {
      for (LineResult& r : best) r.failure = failure;
      rounds = 0;
    }
    const std::string read_file = dir.File("read-" + std::to_string(bit_rate) + ".dat");
    for (int round = 0; round < rounds; ++round) {
      std::array<LineResult, 3> now;
      // The module is fresh at first: it has to be written before there is anything to read.
      RunCase(server, pyractl, *port, bit_rate, names[1], {"write-all", configuration_file},
              now[1]);
      RunCase(server, pyractl, *port, bit_rate, names[0], {"read-all", "-o", read_file}, now[0]);
      RunCase(server, pyractl, *port, bit_rate, names[2], {"verify-all", configuration_file},
              now[2]);
      for (std::size_t i = 0; i < best.size(); ++i) {
        if (!best[i].failure.empty()) continue;
        if (!now[i].failure.empty() || round == 0 ||
            now[i].wall / now[i].wire < best[i].wall / best[i].wire) {
          best[i] = now[i];
        }
      }
    }
    server.Signal(SIGTERM);
    server.Wait();
    results.insert(results.end(), best.begin(), best.end());
  }
  return results;
}

}  // namespace pyra::bench

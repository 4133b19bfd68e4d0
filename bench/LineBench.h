#pragma once

#include <string>
#include <vector>

#include "Process.h"

namespace pyra::bench {

// One whole-module command of the real pyractl over the paced pseudo-terminal.
struct LineResult {
  std::string name;  // "Read All", "Write All", "Verify All"
  int bit_rate = 0;
  Seconds wall{};
  std::uint64_t bytes_in = 0;  // tool to module, as the line server counted them
  std::uint64_t bytes_out = 0;
  Seconds wire{};  // what the counted bytes take on the line at least
  Seconds cpu{};   // user + system time of pyractl
  std::string failure;
};

// Serves a fully configured module with `pyractl sim --pty --paced` at each bit rate and runs
// Write All, Read All and Verify All against it `rounds` times; keeps each case's fastest run
// (the machine may be shared, and other load only ever adds time). Results in the order Read,
// Write, Verify.
std::vector<LineResult> RunLineBench(const std::string& pyractl, const std::vector<int>& bit_rates,
                                     const std::string& configuration_file, int rounds);

// Serves one module with `pyractl sim --pty --paced` at each bit rate and runs `pyractl scan`
// against it `rounds` times, keeping the fastest run: 15 of the 16 addresses are silent, so this
// is the time the scan's short reply wait costs.
std::vector<LineResult> RunScanBench(const std::string& pyractl, const std::vector<int>& bit_rates,
                                     int rounds);

}  // namespace pyra::bench

#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/SimDevice.h"

namespace pyra::cli {

// Puts a simulated device behind a pseudo-terminal so that any serial program (the window,
// pyractl, a terminal) can open the slave side as if a module were plugged in. POSIX only.
class PtyServer {
 public:
  explicit PtyServer(sim::SimDevice& device);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal pair; false with the reason in `error`.
  bool Open(std::string& error);
  // Path of the slave side, for example "/dev/pts/3"; empty before Open.
  const std::string& SlavePath() const { return slave_path_; }

  // Serves the device until Stop(); returns false (with the reason) when the terminal failed.
  bool Run(std::string& error);
  // Safe from any thread and from a signal handler.
  void Stop();

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Pending {
    std::vector<uint8_t> bytes;
    TimePoint due;
  };

  void Feed(const uint8_t* bytes, std::size_t n);
  void ReleaseDue(TimePoint now);
  int PollTimeoutMs(TimePoint now) const;
  void CloseAll();

  sim::SimDevice& device_;
  int master_ = -1;
  // Held open for the whole run: without it the master reads a hang-up each time a client closes.
  int slave_ = -1;
  int wake_[2] = {-1, -1};
  std::string slave_path_;
  std::deque<Pending> pending_;
  std::vector<uint8_t> out_;  // due bytes the terminal has not taken yet
};

}  // namespace pyra::cli

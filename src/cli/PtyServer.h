#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <termios.h>

#include "link/Clock.h"
#include "sim/SimDevice.h"

namespace pyra::cli {

// Bytes that crossed the simulated line, counted from the start of the run.
struct Traffic {
  std::uint64_t from_tool = 0;  // taken in from the terminal and handed to the device
  std::uint64_t to_tool = 0;    // handed to the terminal
};

// The time one byte occupies a line at `bit_rate`: 11 bits (start, 8 data, odd parity, stop).
Clock::Duration LineByteTime(int bit_rate);

// What lies between the terminal and the device, with time passed in so that it can be driven
// without a terminal or a real clock. Paced, each direction is a line that carries one byte at a
// time: the tool's byte reaches the device when its stop bit would have arrived, and a reply byte
// is handed over when it would have left the device's transmitter. Unpaced, the line takes no
// time and only the device's own delay holds a reply back.
class LineModel {
 public:
  using TimePoint = Clock::TimePoint;

  // `byte_time` zero: unpaced.
  LineModel(sim::SimDevice& device, Clock::Duration byte_time);

  // Bytes the tool wrote, noticed by the server at `seen`.
  void FromTool(std::span<const std::uint8_t> bytes, TimePoint seen);
  // Gives the device every byte that has arrived by `now` and schedules its answers.
  void Advance(TimePoint now);
  // Moves the reply bytes whose time has come by `now` to the end of `out`.
  void TakeDue(TimePoint now, std::vector<std::uint8_t>& out);
  // The next moment Advance or TakeDue has something to do; empty when nothing is under way.
  std::optional<TimePoint> NextDue() const;

  Clock::Duration ByteTime() const { return byte_time_; }
  const Traffic& Counted() const { return traffic_; }

 private:
  struct Timed {
    std::uint8_t byte;
    TimePoint at;
  };

  sim::SimDevice& device_;
  Clock::Duration byte_time_;
  // When each direction's line has carried its last byte so far.
  TimePoint inbound_free_{};
  TimePoint outbound_free_{};
  std::deque<Timed> to_device_;  // at: the byte's arrival at the device
  std::deque<Timed> to_tool_;    // at: the moment the byte has crossed the line
  Traffic traffic_;
};

// Puts a simulated device behind a pseudo-terminal so that any serial program (the window,
// pyractl, a terminal) can open the slave side as if a module were plugged in. Each client gets
// the terminal as a fresh one, even after the one before was killed without tidying up. Linux
// only.
class PtyServer {
 public:
  // `bit_rate` 0 serves at whatever pace the terminal takes; otherwise both directions run at the
  // speed of a real line at that rate.
  explicit PtyServer(sim::SimDevice& device, int bit_rate = 0);
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
  // Has the running server pass its traffic so far to the report sink. Safe like Stop().
  void RequestReport();
  // Called on the serving thread.
  void SetReportSink(std::function<void(const Traffic&)> sink) { report_ = std::move(sink); }

 private:
  // Returns false when the run should end.
  bool HandleWakeUps();
  // Counts the clients that open and close the terminal; the last one out is cleaned up after.
  void HandleOpensAndCloses();
  // Puts the terminal back as Open left it, whatever the last client did to it.
  void ResetTerminal();
  void CloseAll();

  LineModel line_;
  int master_ = -1;
  // Held open for the whole run: without it the master reads a hang-up each time a client closes.
  int slave_ = -1;
  // Tells of every open and close of the slave by anyone else, even by a process that was killed.
  int watch_ = -1;
  int clients_ = 0;
  termios fresh_{};  // the terminal's settings as Open made them
  int wake_[2] = {-1, -1};
  std::string slave_path_;
  std::vector<std::uint8_t> out_;  // due bytes the terminal has not taken yet
  std::function<void(const Traffic&)> report_;
};

}  // namespace pyra::cli

#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "link/Link.h"

namespace pyra {

// Timer2 of the "Test" tab: one poll per tick while "Monitor" keeps the focus.
inline constexpr std::chrono::milliseconds kMonitorInterval{100};
inline constexpr int kFeedbackBytes = 4;

// CommandFBM(0..2)
inline constexpr int kMonitorClear = 0;
inline constexpr int kMonitorStart = 1;
inline constexpr int kMonitorStop = 2;
const std::array<const char*, 3>& MonitorCaptions();

inline constexpr char kStartMonitoring[] = "Start Monitoring\r\n";
inline constexpr char kMonitoringStopped[] = "Monitoring Stopped\r\n";

// "<12> <0> <127> <3> " and CR LF: the line of one poll reply.
std::string FeedbackLine(const std::array<int, kFeedbackBytes>& bytes);

// One poll (an empty command message). Returns the line to list, or nothing when no valid reply
// of size 4 came; a missing or bad reply has already been reported by the link.
std::optional<std::string> PollFeedback(Link& link);

// The monitor's state and its list (textFBM). The list is kept here whole; the window shows it
// with the caret at the end so that the newest line stays in view.
//
// A tick that falls due while the previous poll is still exchanging is dropped, never queued:
// the window's timer calls BeginPoll, runs PollFeedback on the link thread and hands the result
// to EndPoll; Tick does all three for a caller on one thread.
class FeedbackMonitor {
 public:
  // "Monitor" clicked. With the port closed: "Select Comm-port" and the monitor stays stopped.
  // Returns whether it runs.
  bool Start(bool port_open, Prompter& prompter);
  bool Start(Link& link) { return Start(link.PortOpen(), link.GetPrompter()); }
  // "Monitor" lost the focus ("Stop", another control, a message box, another tab).
  void FocusLost();
  // "Clear".
  void Clear() { text_.clear(); }

  // Timer tick: true when a poll should go out now.
  bool BeginPoll();
  // The poll that BeginPoll allowed has finished; a line is listed even when the monitor was
  // stopped meanwhile, as the reply was asked for while it ran.
  void EndPoll(const std::optional<std::string>& line);
  std::optional<std::string> Tick(Link& link);

  bool Running() const { return running_; }
  bool Polling() const { return polling_; }
  const std::string& Text() const { return text_; }
  std::size_t CaretPosition() const { return text_.size(); }

 private:
  bool running_ = false;
  bool polling_ = false;
  std::string text_;
};

}  // namespace pyra

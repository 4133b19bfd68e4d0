#include "monitor/FeedbackMonitor.h"

namespace pyra {

const std::array<const char*, 3>& MonitorCaptions() {
  static const std::array<const char*, 3> captions = {"Clear", "Monitor", "Stop"};
  return captions;
}

std::string FeedbackLine(const std::array<int, kFeedbackBytes>& bytes) {
  std::string line;
  for (int b : bytes) line += "<" + std::to_string(b) + "> ";
  return line + "\r\n";
}

std::optional<std::string> PollFeedback(Link& link) {
  link.SendPRMessage(false, {});
  const LinkState& s = link.State();
  if (!s.ReplyValid || link.ReplySize() != kFeedbackBytes) return std::nullopt;
  return FeedbackLine({s.RxMessage[2], s.RxMessage[3], s.RxMessage[4], s.RxMessage[5]});
}

bool FeedbackMonitor::Start(bool port_open, Prompter& prompter) {
  if (!port_open) {
    prompter.Message("Select Comm-port");
    return false;
  }
  if (!running_) text_ += kStartMonitoring;
  running_ = true;
  return true;
}

void FeedbackMonitor::FocusLost() {
  running_ = false;
  text_ += kMonitoringStopped;
}

bool FeedbackMonitor::BeginPoll() {
  // A message box shown by a poll lets the timer fire again inside it; that tick must not start
  // a second exchange in the middle of the first.
  if (!running_ || polling_) return false;
  polling_ = true;
  return true;
}

void FeedbackMonitor::EndPoll(const std::optional<std::string>& line) {
  polling_ = false;
  if (line) text_ += *line;
}

std::optional<std::string> FeedbackMonitor::Tick(Link& link) {
  if (!BeginPoll()) return std::nullopt;
  std::optional<std::string> line = PollFeedback(link);
  EndPoll(line);
  return line;
}

}  // namespace pyra

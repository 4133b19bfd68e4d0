#include "monitor/CliCommands.h"

#include <csignal>

#include "model/TypedNumber.h"
#include "monitor/FeedbackMonitor.h"
#include "monitor/TestCommands.h"

namespace pyra {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kLastPin = 31;
constexpr int kLastMapEntry = 127;
constexpr int kLastAspect = 127;

// Passes every message on and counts it, so a command learns that the link reported a failure
// whatever prompter the caller gave the link.
class CountingPrompter final : public Prompter {
 public:
  explicit CountingPrompter(Link& link) : link_(link), inner_(link.GetPrompter()) {
    link_.SetPrompter(*this);
  }
  ~CountingPrompter() override { link_.SetPrompter(inner_); }
  CountingPrompter(const CountingPrompter&) = delete;
  CountingPrompter& operator=(const CountingPrompter&) = delete;

  void Message(const std::string& text, Icon icon) override {
    ++messages_;
    inner_.Message(text, icon);
  }
  Answer Ask(const std::string& text, Buttons buttons, Icon icon) override {
    ++messages_;
    return inner_.Ask(text, buttons, icon);
  }
  int Messages() const { return messages_; }

 private:
  Link& link_;
  Prompter& inner_;
  int messages_ = 0;
};

std::atomic<bool> g_interrupted{false};

extern "C" void Interrupt(int) { g_interrupted = true; }

// SIGINT ends the monitor after the poll under way; the previous handler comes back afterwards.
class InterruptFlag {
 public:
  InterruptFlag() {
    g_interrupted = false;
    previous_ = std::signal(SIGINT, Interrupt);
  }
  ~InterruptFlag() { std::signal(SIGINT, previous_); }
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;

 private:
  void (*previous_)(int) = SIG_DFL;
};

// The list keeps the window's CR LF; a terminal wants plain line ends.
void PrintLine(std::ostream& out, std::string line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
    line.resize(line.size() - 2);
  // Flushed at once: whoever watches the output watches it live.
  out << line << std::endl;
}

}  // namespace

int RunMonitorCommand(Link& link, std::optional<int> count, std::ostream& out,
                      const std::atomic<bool>* stop) {
  std::optional<InterruptFlag> interrupt;
  if (!stop) {
    interrupt.emplace();
    stop = &g_interrupted;
  }
  CountingPrompter prompter(link);
  FeedbackMonitor monitor;
  if (!monitor.Start(link)) return kExitFailure;
  PrintLine(out, kStartMonitoring);

  Clock& clock = link.GetClock();
  Clock::TimePoint next = clock.Now();
  for (int polls = 0; (!count || polls < *count) && !stop->load(); ++polls) {
    clock.SleepUntil(next);
    if (stop->load()) break;
    if (std::optional<std::string> line = monitor.Tick(link)) PrintLine(out, *line);
    if (prompter.Messages() > 0) break;
    // A poll that waited out its reply makes the ticks that fell due meanwhile one tick, as a
    // timer does: the next poll goes out at once, never a burst of them.
    next += kMonitorInterval;
    if (next < clock.Now()) next = clock.Now();
  }
  monitor.FocusLost();
  PrintLine(out, kMonitoringStopped);
  return prompter.Messages() > 0 ? kExitFailure : kExitOk;
}

int RunSetAspectCommand(Link& link, int target, int aspect, bool map, std::ostream&) {
  CountingPrompter prompter(link);
  link.SendPRMessage(false, {0, map ? kSetAspectOnMap : kSetAspectOnPin, target, aspect});
  return prompter.Messages() > 0 ? kExitFailure : kExitOk;
}

MonitorCountArgument ParseMonitorCount(const std::string& text) {
  MonitorCountArgument r;
  const std::optional<int> n = ExactNumber(text);
  if (!n || *n < 1) {
    r.error = "--count must be a number of polls from 1 on, not '" + text + "'";
  } else {
    r.count = *n;
  }
  return r;
}

SetAspectArguments ParseSetAspectArguments(const std::string& target, const std::string& aspect,
                                           bool map, int number_base) {
  SetAspectArguments r;
  const int last = (map ? kLastMapEntry : kLastPin) + number_base;
  const char* what = map ? "address-map entry" : "pin";
  const std::optional<int> shown = ExactNumber(target);
  if (!shown || *shown < number_base || *shown > last) {
    r.error = std::string("the ") + what + " must be " + std::to_string(number_base) + ".." +
              std::to_string(last) + ", not '" + target + "'";
    return r;
  }
  const std::optional<int> k = ExactNumber(aspect);
  if (!k || *k < 0 || *k > kLastAspect) {
    r.error = "the aspect must be 0.." + std::to_string(kLastAspect) + ", not '" + aspect + "'";
    return r;
  }
  r.target = *shown - number_base;
  r.aspect = *k;
  return r;
}

}  // namespace pyra

#pragma once

#include <deque>
#include <initializer_list>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/PtyServer.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "sim/SimChannel.h"

namespace pyra::cli {

// Exit statuses of pyractl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the module or the link failed
inline constexpr int kExitUsage = 2;

// The operations' messages become lines on standard error. Nobody can answer a question, so the
// command scripts the answers it means; an unscripted question is printed and declined.
class CliPrompter final : public Prompter {
 public:
  explicit CliPrompter(std::ostream& err) : err_(err) {}

  void Message(const std::string& text, Icon icon = Icon::kNone) override;
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override;

  void QueueAnswers(std::initializer_list<Answer> answers);
  int MessageCount() const { return messages_; }

 private:
  void Print(const std::string& text);

  std::ostream& err_;
  std::deque<Answer> answers_;
  int messages_ = 0;
};

// What a run of pyractl uses besides its arguments; tests fill it in, the program leaves it empty.
struct RunContext {
  // The module `--port sim` reaches; when null each run makes its own, answering at the
  // addresses given on the command line.
  sim::Simulator* simulator = nullptr;
  Clock* clock = nullptr;  // a SteadyClock when null
  // Long commands keep a progress line on standard error (the program sets it when standard
  // error is a terminal).
  bool show_progress = false;
  // Where restore and transparent ask their question (the program sets standard input when it is
  // a terminal); null: only --yes answers.
  std::istream* terminal = nullptr;
};

// The line `sim --pty` prints on SIGUSR1: the bytes taken in from the tool and handed out to it
// since the start, for example "traffic: 12 in, 9 out".
std::string TrafficLine(const Traffic& traffic);

// One run of pyractl on the arguments after the program name; returns the exit status.
int RunPyractl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               RunContext context = {});
int RunCommand(const CliOptions& options, std::ostream& out, std::ostream& err,
               RunContext context = {});

}  // namespace pyra::cli

#include "operations/ui/QueuedCommands.h"

#include <QTimer>
#include <chrono>
#include <memory>

#include "link/VerificationLog.h"
#include "operations/Batch.h"
#include "operations/EventControl.h"
#include "pins/PinTransfer.h"

namespace pyra {

QueuedCommands::QueuedCommands(PanelContext context, Hooks hooks, QObject* parent)
    : QObject(parent), context_(context), hooks_(std::move(hooks)), timer_(new QTimer(this)) {
  setObjectName("Dispatcher");
  timer_->setObjectName("Timer1");
  timer_->setInterval(kTickMs);
  connect(timer_, &QTimer::timeout, this, &QueuedCommands::Tick);
  timer_->start();

  Register("ReadAll", [this] {
    RunWholeModule("Read All", [](Link& link, Configuration& c) { return ReadAll(link, c); });
  });
  Register("WriteAll", [this] {
    RunWholeModule("Write All", [](Link& link, Configuration& c) { return WriteAll(link, c); });
  });
  Register("VerifyAll", [this] {
    RunVerification([](Link& link, const Configuration& c,
                       VerificationLog& log) { return VerifyAll(link, c, log); },
                    "Verify All");
  });
  Configuration& model = context_.model;
  Register("ECReadAll", [this, &model] {
    RunOnCopy(
        context_.jobs, model, [](Link& link, Configuration& c) { ReadAllEvents(link, c); },
        [this, &model](Configuration& c) {
          model.EventControl = c.EventControl;
          hooks_.refresh();
        });
  });
  Register("ECWriteAll", [this, &model] {
    RunOnCopy(context_.jobs, model, [](Link& link, Configuration& c) { WriteAllEvents(link, c); });
  });
  Register("ECVerify", [this] {
    RunVerification([](Link& link, const Configuration& c, VerificationLog& log) {
      return ECVerify(link, c, log);
    });
  });
  Register("VerifyAllPins", [this] {
    RunVerification([](Link& link, const Configuration& c, VerificationLog& log) {
      return VerifyAllPins(link, c, log);
    });
  });
  // "ReadAllPins", "WriteAllPins", "ReadPin", "WritePin", "PAspReadPin", "PAspWritePin",
  // "ReadDevice" and "WriteDevice" are registered by the pin editors.
}

void QueuedCommands::Register(const std::string& name, std::function<void()> operation) {
  operations_[name] = std::move(operation);
}

void QueuedCommands::Press(const QString& name) {
  const std::string command = name.toStdString();
  const std::string refusal = QueueRefusal(command, hooks_.port_open(), context_.model);
  if (!refusal.empty()) {
    context_.prompter.Message(refusal, command == "WriteDevice" ? Icon::kExclamation : Icon::kNone);
    return;
  }
  queue_.Queue(command);
  emit PendingChanged(true);
}

void QueuedCommands::Tick() {
  // The operation needs the link; a command queued meanwhile waits for the job under way.
  if (queue_.PendingCommand().empty() || context_.jobs.Busy()) return;
  const std::string name = queue_.Take();
  if (auto it = operations_.find(name); it != operations_.end()) {
    hooks_.take_edits();
    it->second();
  }
  emit PendingChanged(false);
}

void QueuedCommands::NoteProgress(const QString& step) { reached_ = step; }

template <typename Op>
QueuedCommands::Outcome QueuedCommands::Timed(Link& link, Op op) {
  const Clock::TimePoint start = link.GetClock().Now();
  Outcome outcome;
  outcome.ok = op();
  outcome.seconds = std::chrono::duration<double>(link.GetClock().Now() - start).count();
  return outcome;
}

template <typename Op>
void QueuedCommands::RunWholeModule(const QString& name, Op op) {
  reached_.clear();
  auto outcome = std::make_shared<Outcome>();
  RunOnCopy(
      context_.jobs, context_.model,
      [op, outcome](Link& link, Configuration& c) {
        *outcome = Timed(link, [&] { return op(link, c); });
        outcome->link = link.State();
      },
      // What was read before a failure stays; after a write the window shows what the module
      // holds (an ID string cut to its length). The views follow either way.
      [this, name, outcome](Configuration& c) {
        context_.model = c;
        hooks_.refresh();
        if (hooks_.module_known) hooks_.module_known(outcome->ok, c, outcome->link);
        emit OperationEnded(name, outcome->ok, reached_, outcome->seconds);
      });
}

template <typename Verify>
void QueuedCommands::RunVerification(Verify verify, const QString& ended_as) {
  reached_.clear();
  auto log = std::make_shared<VerificationLog>();
  auto outcome = std::make_shared<Outcome>();
  RunOnCopy(
      context_.jobs, context_.model,
      [log, verify, outcome](Link& link, Configuration& c) {
        *outcome = Timed(link, [&] { return verify(link, c, *log); });
      },
      [this, log, outcome, ended_as](Configuration&) {
        if (!ended_as.isEmpty())
          emit OperationEnded(ended_as, outcome->ok, reached_, outcome->seconds);
        // The busy state ends first; the report then comes up over an idle window.
        QTimer::singleShot(0, this, [this, log] { hooks_.show_report(log->Text()); });
      });
}

}  // namespace pyra

#include "operations/ui/QueuedCommands.h"

#include <QTimer>
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

  Configuration& model = context_.model;
  // What was read before a failure stays; the views follow either way. After a write the window
  // shows what the module holds (an ID string cut to its length).
  Register("ReadAll", [this] {
    RunWholeModule([](Link& link, Configuration& c) { return ReadAll(link, c); });
  });
  Register("WriteAll", [this] {
    RunWholeModule([](Link& link, Configuration& c) { return WriteAll(link, c); });
  });
  Register("VerifyAll", [this] {
    RunVerification(
        [](Link& link, const Configuration& c, VerificationLog& log) { VerifyAll(link, c, log); });
  });
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
    RunVerification(
        [](Link& link, const Configuration& c, VerificationLog& log) { ECVerify(link, c, log); });
  });
  Register("VerifyAllPins", [this] {
    RunVerification([](Link& link, const Configuration& c, VerificationLog& log) {
      VerifyAllPins(link, c, log);
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

template <typename Whole>
void QueuedCommands::RunWholeModule(Whole whole) {
  struct Ended {
    bool ok = false;
    LinkState link;
  };
  auto ended = std::make_shared<Ended>();
  RunOnCopy(
      context_.jobs, context_.model,
      [ended, whole](Link& link, Configuration& c) {
        ended->ok = whole(link, c);
        ended->link = link.State();
      },
      [this, ended](Configuration& c) {
        context_.model = c;
        hooks_.refresh();
        if (hooks_.module_known) hooks_.module_known(ended->ok, c, ended->link);
      });
}

template <typename Verify>
void QueuedCommands::RunVerification(Verify verify) {
  auto log = std::make_shared<VerificationLog>();
  RunOnCopy(
      context_.jobs, context_.model,
      [log, verify](Link& link, Configuration& c) { verify(link, c, *log); },
      [this, log](Configuration&) {
        // The busy state ends first; the report then comes up over an idle window.
        QTimer::singleShot(0, this, [this, log] { hooks_.show_report(log->Text()); });
      });
}

}  // namespace pyra

#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "operations/Dispatcher.h"
#include "widgets/PanelContext.h"

class QTimer;

namespace pyra {

// The command dispatcher: a queueing button checks, shows the busy label and stores its command;
// the timer `Timer1` takes the command on its next tick and runs the operation as a link job. A
// second press within one period replaces the first.
class QueuedCommands final : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    // Whether the port is open; asked only while no job runs.
    std::function<bool()> port_open;
    // Every typed box into the model, before an operation takes its copy.
    std::function<void()> take_edits;
    // After a read: address sums and labels, then every view from the model.
    std::function<void()> refresh;
    // Shows the verification log modally.
    std::function<void(const std::string& text)> show_report;
    // Read All or Write All ended (`ok` false when it stopped): what the module holds as far as
    // the window knows, and the link state it was reached with. May be empty.
    std::function<void(bool ok, const Configuration& module, const LinkState& link)> module_known;
  };

  static constexpr int kTickMs = 200;

  QueuedCommands(PanelContext context, Hooks hooks, QObject* parent = nullptr);

  // The click of a queueing button.
  void Press(const QString& name);
  // Operations queued by later parts of the window (the pin and device commands) register here.
  void Register(const std::string& name, std::function<void()> operation);
  const std::string& PendingCommand() const { return queue_.PendingCommand(); }
  // Where the running operation stands, as the link reports it; the last step reached is what a
  // failed whole-module operation names.
  void NoteProgress(const QString& step);

 signals:
  // A command waits for the next tick (true) or was taken (false).
  void PendingChanged(bool pending);
  // A whole-module operation ("Read All", "Write All", "Verify All") has ended: whether it
  // succeeded, the last step it reported (how far it got) and how long it took on the link's
  // clock.
  void OperationEnded(const QString& name, bool ok, const QString& reached, double seconds);

 private:
  void Tick();
  // Runs `verify` on a copy and shows the log it wrote once the job has ended; with `ended_as`
  // its end is reported as that whole-module operation.
  template <typename Verify>
  void RunVerification(Verify verify, const QString& ended_as = {});
  // Runs a whole-module read or write on a copy, which then becomes the model; reports the end.
  template <typename Op>
  void RunWholeModule(const QString& name, Op op);
  struct Outcome {
    bool ok = false;
    double seconds = 0;
    LinkState link;  // the link as the operation left it, for module_known
  };
  // Runs `op` and times it on the link's clock.
  template <typename Op>
  static Outcome Timed(Link& link, Op op);

  PanelContext context_;
  Hooks hooks_;
  CommandQueue queue_;
  QTimer* timer_;
  std::map<std::string, std::function<void()>, std::less<>> operations_;
  QString reached_;
};

}  // namespace pyra

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

 signals:
  // A command waits for the next tick (true) or was taken (false).
  void PendingChanged(bool pending);

 private:
  void Tick();
  // Runs `verify` on a copy and shows the log it wrote once the job has ended.
  template <typename Verify>
  void RunVerification(Verify verify);
  // Read All or Write All on a copy that becomes the model, then module_known.
  template <typename Whole>
  void RunWholeModule(Whole whole);

  PanelContext context_;
  Hooks hooks_;
  CommandQueue queue_;
  QTimer* timer_;
  std::map<std::string, std::function<void()>, std::less<>> operations_;
};

}  // namespace pyra

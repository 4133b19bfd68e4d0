#pragma once

#include <QGroupBox>
#include <cstddef>
#include <functional>

#include "monitor/FeedbackMonitor.h"
#include "widgets/PanelContext.h"

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace pyra {

// The feedback monitor of the "Test" tab: "Clear", "Monitor", "Stop", the list `textFBM` and the
// timer `Timer2`. It polls only while "Monitor" keeps the keyboard focus; whatever takes the focus
// (another control, "Stop", a message box, another tab) stops it.
class FeedbackMonitorPanel final : public QGroupBox {
  Q_OBJECT

 public:
  // Hands one poll to the link thread; `done` must run on the GUI thread afterwards.
  using PollRunner = std::function<void(LinkJobs::Job job, LinkJobs::Done done)>;

  // `port_open` tells whether the port is open; it is asked only while no link job runs.
  FeedbackMonitorPanel(PanelContext context, std::function<bool()> port_open,
                       QWidget* parent = nullptr);
  ~FeedbackMonitorPanel() override;

  // Polls go through LinkJobs::Run unless a runner is set here. A window that shows its busy
  // state for every job needs a runner that does not: taking the input away from the window takes
  // the focus from "Monitor" and so would stop the monitor at its first poll.
  void SetPollRunner(PollRunner runner) { run_poll_ = std::move(runner); }

  const FeedbackMonitor& Monitor() const { return monitor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MonitorClicked();
  void ClearClicked();
  void FocusLeftMonitor();
  void Tick();
  // Brings textFBM up to the monitor's list and puts the caret at its end.
  void ShowText();

  PanelContext context_;
  std::function<bool()> port_open_;
  PollRunner run_poll_;
  FeedbackMonitor monitor_;
  QPushButton* monitor_button_;
  QPlainTextEdit* text_;
  QTimer* timer_;
  std::size_t shown_ = 0;  // how much of the monitor's list textFBM shows
};

}  // namespace pyra

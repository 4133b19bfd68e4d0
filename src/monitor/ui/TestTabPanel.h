#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "monitor/TestCommands.h"
#include "widgets/PanelContext.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace pyra {

class FeedbackMonitorPanel;

// The tab's tool tip: outside expert mode the tab only says "Sorry, This tab is disabled", so the
// tip says how it opens.
inline constexpr char kTestTabToolTip[] =
    "Test commands and the feedback monitor. Only in expert mode: right-click the release label "
    "and answer Yes to \"Expert Mode?\"";

// The "Test" tab: buttons that act on the layout at once (set aspect, matrix sign, the older
// output-module commands) and the feedback monitor. Each button sends through one link job; none
// waits for a reply and none changes the configuration.
class TestTabPanel final : public QWidget {
  Q_OBJECT

 public:
  // `port_open` tells the feedback monitor whether the port is open; asked only while no job runs.
  TestTabPanel(PanelContext context, std::function<bool()> port_open, QWidget* parent = nullptr);

  FeedbackMonitorPanel& Monitor() { return *monitor_; }
  // The aspect "Pyra Toggle" sends next.
  int ToggleAspect() const { return state_.ToggleAspect; }

 private:
  QGroupBox* BuildPyraGroup();
  QGroupBox* BuildMatrixGroup();
  QGroupBox* BuildOlderFormatGroup();
  void SetAspectClicked(int index);
  void MatrixClicked(int index);
  void SendLumoClicked();

  PanelContext context_;
  TestTabState state_;
  QLineEdit* output_ = nullptr;
  std::array<QCheckBox*, kMatrixBoxes> matrix_boxes_{};
  std::array<QLineEdit*, kLumoParameterBoxes> lumo_boxes_{};
  FeedbackMonitorPanel* monitor_;
};

}  // namespace pyra

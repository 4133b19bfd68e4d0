#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "widgets/PanelContext.h"

class QVBoxLayout;

namespace pyra {

class AspectEditor;
class PinConfigPanel;

// The pin editors of the "Pyra Device Configuration" tab: the aspect editor with the device
// fields on the left, the pin-configuration tabs with the live controls on the right. It also
// runs the queued pin and device operations for the window's dispatcher.
class DevicePanel final : public QWidget {
  Q_OBJECT

 public:
  DevicePanel(PanelContext context, QWidget* parent = nullptr);

  // Everything from the model: the pin editor of CurrentPin (ShowPin), the details display and
  // the pin configuration (ShowPinConfig).
  void Refresh();
  void SetExpertMode(bool expert);
  // NumberBase of the model changed: pin numbers and numbered step values are shown anew.
  void ApplyNumberBase();
  // Every typed box into the model, as if each had been left.
  void TakeEdits();
  // Placed in the right column under the pin-configuration buttons (the window's "Addresses").
  void AddSideWidget(QWidget* widget);

  // The queued operations this panel runs: "ReadAllPins", "WriteAllPins", "ReadPin", "WritePin",
  // "PAspReadPin", "PAspWritePin", "ReadDevice", "WriteDevice".
  static const std::vector<std::string>& PinCommandNames();
  // Runs one of them as a link job on a copy of the model; the pins come back into the model
  // when it ends (a read that stopped part-way keeps what it read), then ModelChanged. False
  // for a name that is not a pin command.
  bool RunPinCommand(const std::string& name);

  AspectEditor& Aspects() { return *aspects_; }
  PinConfigPanel& PinConfig() { return *pin_config_; }

 signals:
  void CurrentPinChanged(int pin);
  // Pins came back from the module: the address sums and every view follow.
  void ModelChanged();
  // A queueing button was pressed; the dispatcher checks and queues the command.
  void QueueCommand(const QString& name);
  void ShowDetailsChanged(bool shown);

 private:
  void ApplyShowDetails();

  PanelContext context_;
  bool expert_ = false;
  AspectEditor* aspects_;
  PinConfigPanel* pin_config_;
  QVBoxLayout* side_;
};

}  // namespace pyra

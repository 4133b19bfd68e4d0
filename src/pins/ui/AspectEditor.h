#pragma once

#include <QWidget>
#include <array>

#include "widgets/PanelContext.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pyra {

class MouseLabel;
class StepGrid;
class UpDown;

// The pin area of the "Pyra Device Configuration" tab: the pin, its aspect mode, initial aspect,
// descriptions and device, the aspect shown and its step grid, and the pin and device transfers.
class AspectEditor final : public QWidget {
  Q_OBJECT

 public:
  AspectEditor(PanelContext context, QWidget* parent = nullptr);

  // ShowPin: everything from the record of CurrentPin and aspect CurrentAspect. Runs the
  // aspect-mode option of the pin, so a mode other than 2 or 3 is stored as 0.
  void ShowPin();
  // Which controls the "Show Details" box and the expert mode show.
  void ApplyShowDetails();
  void SetExpertMode(bool expert);
  bool ShowDetails() const;
  // Every box the user typed in and nothing took yet into the model: the shown step rows, then
  // the aspect, initial-aspect and pin boxes (the rows belong to the aspect and pin stored
  // before). A box only shown leaves the model alone.
  void TakeEdits();
  // The same for the step rows and the aspect box, as before a pin-configuration write.
  void CommitStepsAndAspect();
  StepGrid& Steps() { return *steps_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // CurrentPin changed: the address labels and the pin-configuration panel follow.
  void CurrentPinChanged(int pin);
  void ShowDetailsChanged(bool shown);
  // "PAspReadPin", "PAspWritePin", "ReadDevice", "WriteDevice", "ReadAllPins", "WriteAllPins".
  void QueueCommand(const QString& name);
  // The pin and aspect labels: the edit dialogs of pins and aspects.
  void EditPinRequested();
  void EditAspectRequested();

 private:
  // OptionPAspConf_Click for option 0, 1 or 2: `by_user` for the click itself, false while a
  // pin is shown.
  void ApplyOption(int option, bool by_user);
  void TakePin(bool clamp);
  void TakeAspect();
  void LeaveAspectBySpin();
  void TakeInitial();
  void ShowDeviceFields(bool from_head_box);
  void WriteAspect();
  // The "Test" button: sets aspect CurrentAspect of CurrentPin in the format the keys choose.
  void TestAspectPressed(Qt::KeyboardModifiers keys);

  PanelContext context_;
  bool expert_ = false;
  QLineEdit* text_pin_;
  UpDown* updown_pin_;
  MouseLabel* label_aspect_;
  QLineEdit* text_aspect_;
  UpDown* updown_aspect_;
  QLabel* label_init_;
  QLineEdit* text_init_;
  UpDown* updown_init_;
  QButtonGroup* mode_;
  QLineEdit* text_desc_;
  QLineEdit* text_aspect_desc_;
  QLineEdit* text_device_pin_;
  QLineEdit* text_device_name_;
  QCheckBox* show_details_;
  StepGrid* steps_;
  QPushButton* read_pin_;
  QPushButton* write_pin_;
  QPushButton* write_aspect_;
  QPushButton* test_aspect_;
  std::array<QWidget*, 2> aspect_pairs_{};
};

}  // namespace pyra

#pragma once

#include <QWidget>
#include <map>
#include <optional>
#include <string>

#include "widgets/PanelContext.h"

class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace pyra {

class MouseLabel;

// The pin-configuration tabs `SSTabPCFG` ("Clear", "Servo", "PWM", "Input") of CurrentPin with
// the live servo and PWM controls, and the get / set (working copy) and read / write (stored
// block) buttons. Edits go straight into the pin's block; live values reach the module as link
// jobs.
class PinConfigPanel final : public QWidget {
  Q_OBJECT

 public:
  PinConfigPanel(PanelContext context, QWidget* parent = nullptr);

  // ShowPinConfig: the tab of CurrentPin's type, filled from its block. An unknown type is
  // reported and leaves the panel as it is. Moving the sliders here sends nothing.
  void ShowPinConfig();
  // The tabs and the working-copy buttons come with the details; the stored-block buttons also
  // need expert mode.
  void SetShown(bool details, bool expert);
  // The values typed into the shown tab's boxes and not yet taken into the block, as before a
  // write.
  void CommitEdits();

 signals:
  // Before a write the step rows and the aspect box of the pin editor are committed too.
  void CommitRequested();

 protected:
  // Double-clicking an initial box takes the live value over.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Live {
    bool servo = false;
    QSlider* slider = nullptr;
    QLineEdit* level = nullptr;
    QCheckBox* gradual = nullptr;
    bool running = false;
    std::optional<std::pair<int, bool>> next;  // value and focus of a move made meanwhile
  };

  QWidget* BuildServoTab();
  QWidget* BuildPwmTab();
  QWidget* BuildInputTab();
  QWidget* BuildLiveRow(Live& live, const char* slider, const char* label, const char* caption,
                        const char* box, const char* button, const char* check,
                        const char* check_caption, const char* jump, QWidget* page);
  // A labelled parameter box (with its spin buttons, where it has them) at row, column pair.
  QLineEdit* AddParam(QGridLayout* grid, int row, int column, const char* control,
                      const char* caption, QWidget* page, QLabel* label = nullptr);
  void TabChosen(int tab);
  void SliderMoved(Live& live, int value);
  void SendSliderMove(Live& live, int value, bool focus);
  void LevelButton(Live& live);
  void Jump(bool servo);
  void GetConfig(int index);
  void SetConfig(int index);
  void ServoModesClicked();
  void PwmModesClicked();
  PinRecord& Pin();

  PanelContext context_;
  QTabWidget* tabs_;
  std::map<std::string, QLineEdit*, std::less<>> boxes_;
  QButtonGroup* servo_range_;
  QCheckBox* auto_suspend_;
  QCheckBox* suspended_;
  QCheckBox* initialised_;
  QLabel* servo_warning_;
  Live servo_;
  QCheckBox* pwm_inverted_;
  QButtonGroup* pwm_drive_;
  QButtonGroup* pwm_accel_;
  Live pwm_;
  QCheckBox* input_low_active_;
  QLabel* input_warning_;
  QPushButton* get_[2];
  QPushButton* set_[2];
};

}  // namespace pyra

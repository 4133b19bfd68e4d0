#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "helptools/Calculators.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace pyra {

class UpDown;

// The four help tools. Each dialog binds its controls to one calculator of the core and holds no
// arithmetic of its own. Open() is the activation: it takes the row's box texts and remembers
// them for Cancel. OK and Cancel only hide the dialog; whoever opened it reads Tool() afterwards
// either way, because after Cancel the tool holds the opening values again.

// dlgCT, "PyraConfig CalcTime": Time and Base of the timed instructions.
class CycleTimeDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit CycleTimeDialog(QWidget* parent = nullptr);
  ~CycleTimeDialog() override;

  // TextCTBase := the row's Par3 text, SliderCTTime := the value of its Par2 text.
  void Open(const QString& par3_text, const QString& par2_text);
  const CycleTimeCalculator& Tool() const { return tool_; }

  void done(int result) override;

 private:
  void CommitBase();
  void Show();

  CycleTimeCalculator tool_;
  bool closing_ = false;
  QLineEdit* base_;
  UpDown* base_updown_;
  QSlider* time_;
  QLabel* time_value_;
  QLabel* max_time_value_;
};

// dlgPyraCalcLevel, "LumoConfig Calculate Level": a level and a time index in one Par1 value.
class LevelDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit LevelDialog(QWidget* parent = nullptr);
  ~LevelDialog() override;

  // txtParameter := the row's Par1 text, pulled into 0..127.
  void Open(const QString& par1_text);
  const LevelCalculator& Tool() const { return tool_; }

  void done(int result) override;

 private:
  // A box changed (`leaving` false: typed; true: left, or stepped by its up-down).
  void EditLevel(bool leaving);
  void EditTimeIndex(bool leaving);
  void Show();

  LevelCalculator tool_;
  bool closing_ = false;
  QLineEdit* parameter_;
  QLineEdit* level_;
  QLineEdit* time_index_;
  QLineEdit* delay_;
};

// dlgPyraCalcPattern, "LumoConfig Calculate Pattern": the outputs of a Multibit instruction.
class PatternDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit PatternDialog(QWidget* parent = nullptr);

  // With the row's Par1 text and the instruction's number of outputs (its HelpTool, 2..7).
  void Open(const QString& par1_text, int outputs);
  const PatternCalculator& Tool() const { return tool_; }

  void done(int result) override;

 private:
  void Show();

  PatternCalculator tool_;
  std::array<QCheckBox*, kPatternOutputs> outputs_{};
  QCheckBox* all_dark_;
  QCheckBox* no_dark_;
  QLineEdit* parameter_;
  QLineEdit* original_;
};

// dlgPyraCalcEventPattern, "PyraConfig CalcETImap": the ETImap of an "Event Input" step.
class EventPatternDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit EventPatternDialog(QWidget* parent = nullptr);

  void Open(const QString& par1_text);
  const EventPatternCalculator& Tool() const { return tool_; }

  void done(int result) override;

 private:
  void Show();

  EventPatternCalculator tool_;
  std::array<QCheckBox*, kEventInputs> inputs_{};
  // optEvent(1..3) and (5..7) by their index; the group ids are the same indexes.
  QButtonGroup* options_;
  QLineEdit* parameter_;
  QLineEdit* original_;
};

}  // namespace pyra

#pragma once

#include <QGroupBox>
#include <array>

#include "model/Configuration.h"
#include "pins/InstructionSet.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace pyra {

class MouseLabel;

// The frame "AspDetails": the nine step rows of aspect CurrentAspect of pin CurrentPin. Every edit
// goes straight into the model; what a box may hold and how it is stored is the instruction set's.
class StepGrid final : public QGroupBox {
  Q_OBJECT

 public:
  // Which parameter box (StepBox 0..3) or the time label a double-click asked a help tool for.
  static constexpr int kTimeLabel = 4;

  StepGrid(Configuration& model, QWidget* parent = nullptr);

  // Every row from the stored steps of the current aspect. Showing changes no byte: a module's
  // value that an editor would not accept stays until its own box is edited.
  void ShowSteps();
  // Cleans the row's step and redraws it, after an edit of that row (a help tool's return).
  void RefreshRow(int row);
  // Redraws the row from its stored step without changing it.
  void DrawRow(int row);
  void SetRowShown(int row, bool shown);
  bool RowShown(int row) const { return shown_[row]; }
  // The boxes of the shown rows that hold typed text not yet taken, validated as if each had
  // been left; every other box leaves its byte alone.
  void CommitShownRows();
  // The headings of the step number and instruction columns.
  void SetHeadingsShown(bool shown);

 signals:
  // A step byte was stored.
  void StepEdited(int row);
  void HelpToolRequested(int row, int box);
  void EditStepRequested(int row);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    MouseLabel* step = nullptr;
    QComboBox* instruction = nullptr;
    QCheckBox* fade = nullptr;
    std::array<QLineEdit*, 4> boxes{};
    MouseLabel* time = nullptr;
  };

  void Apply(int row, const StepRowView& view);
  void CommitBox(int row, StepBox box);

  Configuration& model_;
  std::array<Row, kStepRows> rows_;
  std::array<bool, kStepRows> shown_{};
  QLabel* heading_step_;
  QLabel* heading_instruction_;
  QLabel* heading_fade_;
  std::array<QLabel*, 4> headings_{};
};

}  // namespace pyra

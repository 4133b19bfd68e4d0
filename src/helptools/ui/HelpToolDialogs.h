#pragma once

#include <QObject>
#include <QPointer>

#include "link/Prompter.h"
#include "model/Configuration.h"

class QWidget;

namespace pyra {

class CycleTimeDialog;
class EventPatternDialog;
class LevelDialog;
class PatternDialog;
class StepGrid;

// The help tools of the aspect editor's step rows. Each dialog is created on first use and kept
// for the rest of the run, parented to the window so it is shown modally over it.
class HelpToolDialogs final : public QObject {
  Q_OBJECT

 public:
  HelpToolDialogs(Configuration& model, Prompter& prompter, QWidget* window);
  ~HelpToolDialogs() override;

  // StepGrid::HelpToolRequested(row, box): box 1..3 is the Par1..Par3 box of the row,
  // StepGrid::kTimeLabel its time label. Opens the tool of the row's instruction in aspect
  // CurrentAspect of CurrentPin modally, or shows "Help tool not available ..." when it has none
  // for that box. When the tool closes, OK or Cancel, its value goes into the row's boxes and
  // step as if typed, and the row is redrawn. True when the step's bytes changed.
  bool Run(StepGrid& grid, int row, int box);

  CycleTimeDialog& CycleTime();
  LevelDialog& Level();
  PatternDialog& Pattern();
  EventPatternDialog& EventPattern();

 private:
  Configuration& model_;
  Prompter& prompter_;
  QPointer<QWidget> window_;
  QPointer<CycleTimeDialog> cycle_time_;
  QPointer<LevelDialog> level_;
  QPointer<PatternDialog> pattern_;
  QPointer<EventPatternDialog> event_pattern_;
};

}  // namespace pyra

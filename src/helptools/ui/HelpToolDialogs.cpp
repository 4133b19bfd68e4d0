#include "helptools/ui/HelpToolDialogs.h"

#include <QLineEdit>
#include <QWidget>

#include "helptools/HelpTools.h"
#include "helptools/ui/CalculatorDialogs.h"
#include "widgets/StepGrid.h"

namespace pyra {

namespace {

constexpr const char* kBoxNames[] = {"TextPAspOffset", "TextPAspPar1", "TextPAspPar2",
                                     "TextPAspPar3"};

// The grid names its boxes; the tools read and write them as the user would.
QLineEdit* Box(StepGrid& grid, int row, StepBox box) {
  return grid.findChild<QLineEdit*>(
      QString("%1_%2").arg(kBoxNames[static_cast<int>(box)]).arg(row));
}

QString BoxText(StepGrid& grid, int row, StepBox box) {
  QLineEdit* edit = Box(grid, row, box);
  return edit ? edit->text() : QString();
}

void SetBoxText(StepGrid& grid, int row, StepBox box, const std::string& text) {
  if (QLineEdit* edit = Box(grid, row, box)) edit->setText(QString::fromStdString(text));
}

template <class Dialog>
Dialog& Kept(QPointer<Dialog>& dialog, QWidget* window) {
  if (!dialog) dialog = new Dialog(window);
  return *dialog;
}

}  // namespace

HelpToolDialogs::HelpToolDialogs(Configuration& model, Prompter& prompter, QWidget* window)
    : QObject(window), model_(model), prompter_(prompter), window_(window) {}

HelpToolDialogs::~HelpToolDialogs() {
  delete cycle_time_;
  delete level_;
  delete pattern_;
  delete event_pattern_;
}

CycleTimeDialog& HelpToolDialogs::CycleTime() { return Kept(cycle_time_, window_); }
LevelDialog& HelpToolDialogs::Level() { return Kept(level_, window_); }
PatternDialog& HelpToolDialogs::Pattern() { return Kept(pattern_, window_); }
EventPatternDialog& HelpToolDialogs::EventPattern() { return Kept(event_pattern_, window_); }

bool HelpToolDialogs::Run(StepGrid& grid, int row, int box) {
  if (row < 0 || row >= kStepRows || box < 1 || box > StepGrid::kTimeLabel) return false;
  constexpr HelpBox kBoxes[] = {HelpBox::kPar1, HelpBox::kPar1, HelpBox::kPar2, HelpBox::kPar3,
                                HelpBox::kTimeLabel};
  const HelpToolChoice choice = DispatchHelpTool(prompter_, model_, row, kBoxes[box]);
  if (choice.kind == HelpToolKind::kNone) return false;

  const StepRecord& step = model_.Pins[model_.CurrentPin].Aspects[model_.CurrentAspect].Steps[row];
  const StepRecord before = step;
  const QString par1 = BoxText(grid, row, StepBox::kPar1);
  switch (choice.kind) {
    case HelpToolKind::kCycleTime: {
      CycleTimeDialog& dialog = CycleTime();
      dialog.Open(BoxText(grid, row, StepBox::kPar3), BoxText(grid, row, StepBox::kPar2));
      dialog.exec();
      const CycleTimeReturn r = ReturnCycleTime(model_, row, dialog.Tool());
      SetBoxText(grid, row, StepBox::kPar3, r.par3_text);
      SetBoxText(grid, row, StepBox::kPar2, r.par2_text);
      break;
    }
    case HelpToolKind::kLevel: {
      LevelDialog& dialog = Level();
      dialog.Open(par1);
      dialog.exec();
      SetBoxText(grid, row, StepBox::kPar1,
                 ReturnParameter(model_, row, dialog.Tool().ParameterText()).text);
      break;
    }
    case HelpToolKind::kPattern: {
      PatternDialog& dialog = Pattern();
      dialog.Open(par1, choice.outputs);
      dialog.exec();
      SetBoxText(grid, row, StepBox::kPar1,
                 ReturnParameter(model_, row, dialog.Tool().ParameterText()).text);
      break;
    }
    case HelpToolKind::kEventPattern: {
      EventPatternDialog& dialog = EventPattern();
      dialog.Open(par1);
      dialog.exec();
      SetBoxText(grid, row, StepBox::kPar1,
                 ReturnParameter(model_, row, dialog.Tool().ParameterText()).text);
      break;
    }
    case HelpToolKind::kNone:
      break;
  }
  grid.RefreshRow(row);
  return step != before;
}

}  // namespace pyra

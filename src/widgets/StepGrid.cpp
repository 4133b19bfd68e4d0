#include "widgets/StepGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "widgets/Controls.h"
#include "widgets/MouseLabel.h"

namespace pyra {

namespace {

constexpr const char* kBoxNames[] = {"TextPAspOffset", "TextPAspPar1", "TextPAspPar2",
                                     "TextPAspPar3"};
constexpr const char* kHeadingNames[] = {"LabelPAspOffset", "LabelPAspHParam1", "LabelPASpHParam2",
                                         "LabelPAspHParam3"};
constexpr const char* kHeadingCaptions[] = {"Par 0", "Par 1", "Par 2", "Base"};
constexpr char kHelpToolTip[] = "Double-click for help-tool";

QString Indexed(const char* name, int index) { return QString("%1_%2").arg(name).arg(index); }

void SetBackground(QLineEdit* box, bool applies) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base,
                   QApplication::palette().color(applies ? QPalette::Base : QPalette::Button));
  box->setPalette(palette);
}

}  // namespace

StepGrid::StepGrid(Configuration& model, QWidget* parent)
    : QGroupBox("AspDetails", parent), model_(model) {
  setObjectName("FrameAspdetails");

  heading_step_ = MakeLabel("LabelPAspHStep", "#", this);
  heading_instruction_ = MakeLabel("LabelPAspHInst", "Instruction", this);
  heading_fade_ = MakeLabel("LabelPAspHFade", "Fade", this);
  for (int i = 0; i < 4; ++i) {
    headings_[i] = MakeLabel(kHeadingNames[i], kHeadingCaptions[i], this);
    headings_[i]->setAlignment(Qt::AlignCenter);
  }
  auto* heading_time = MakeLabel("LabelPAspHTime", "Duration", this);
  heading_time->setAlignment(Qt::AlignCenter);
  for (QLabel* heading : {heading_step_, heading_instruction_, heading_fade_}) {
    KeepRoomWhenHidden(heading);
  }

  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  grid->addWidget(heading_step_, 0, 0, Qt::AlignCenter);
  grid->addWidget(heading_instruction_, 0, 1);
  grid->addWidget(heading_fade_, 0, 2, Qt::AlignCenter);
  for (int i = 0; i < 4; ++i) grid->addWidget(headings_[i], 0, 3 + i);
  grid->addWidget(heading_time, 0, 7);

  for (int r = 0; r < kStepRows; ++r) {
    Row& row = rows_[r];
    row.step = new MouseLabel(QString::number(r), this);
    row.step->setObjectName(Indexed("LabelPAspStep", r));
    row.step->setToolTip("Click to Insert/Delete step");
    row.step->setAlignment(Qt::AlignCenter);

    row.instruction = new QComboBox(this);
    row.instruction->setObjectName(Indexed("ComboPAspInst", r));
    for (int code : InstructionListOrder()) {
      row.instruction->addItem(QString::fromStdString(Instruction(code).Name), code);
    }
    row.instruction->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    row.instruction->setMaxVisibleItems(20);

    row.fade = MakeCheck(Indexed("CheckPAspFade", r), "", this);

    for (int i = 0; i < 4; ++i) {
      row.boxes[i] = MakeNumberBox(Indexed(kBoxNames[i], r), 3, this);
      row.boxes[i]->setToolTip(kHelpToolTip);
      if (i > 0) row.boxes[i]->installEventFilter(this);
    }
    row.time = new MouseLabel("00:00.00", this);
    row.time->setObjectName(Indexed("LabelPAspTime", r));
    row.time->setToolTip(kHelpToolTip);
    row.time->setAlignment(Qt::AlignCenter);
    row.time->setFrameShape(QFrame::StyledPanel);
    row.time->setMinimumWidth(row.time->fontMetrics().horizontalAdvance("00:00.00") + 10);

    grid->addWidget(row.step, r + 1, 0);
    grid->addWidget(row.instruction, r + 1, 1);
    grid->addWidget(row.fade, r + 1, 2, Qt::AlignCenter);
    for (int i = 0; i < 4; ++i) grid->addWidget(row.boxes[i], r + 1, 3 + i);
    grid->addWidget(row.time, r + 1, 7);

    connect(row.instruction, &QComboBox::activated, this, [this, r](int index) {
      const int code = rows_[r].instruction->itemData(index).toInt();
      Apply(r, ChooseInstruction(model_, r, code));
      emit StepEdited(r);
    });
    connect(row.fade, &QCheckBox::clicked, this, [this, r](bool ticked) {
      Apply(r, SetStepFade(model_, r, ticked));
      emit StepEdited(r);
    });
    for (int i = 0; i < 4; ++i) {
      const auto box = static_cast<StepBox>(i);
      connect(row.boxes[i], &QLineEdit::editingFinished, this, [this, r, box] {
        CommitBox(r, box);
        emit StepEdited(r);
      });
    }
    connect(row.step, &MouseLabel::Pressed, this, [this, r](Qt::MouseButton button) {
      if (button == Qt::LeftButton) emit EditStepRequested(r);
    });
    connect(row.time, &MouseLabel::DoubleClicked, this,
            [this, r] { emit HelpToolRequested(r, kTimeLabel); });
  }
  // The Fade column keeps its width while no shown row has a fade.
  grid->setColumnMinimumWidth(2, rows_[0].fade->sizeHint().width());
  grid->setColumnStretch(8, 1);
  shown_.fill(true);
}

void StepGrid::ShowSteps() {
  const AspectRecord& aspect = model_.Pins[model_.CurrentPin].Aspects[model_.CurrentAspect];
  for (int r = 0; r < kStepRows; ++r) {
    const StepRecord& step = aspect.Steps[r];
    Row& row = rows_[r];
    {
      QSignalBlocker blocker(row.instruction);
      row.instruction->setCurrentIndex(row.instruction->findData(int{step.Opcode}));
    }
    row.fade->setChecked(step.Fade != 0);
    const auto texts = ShownStepTexts(step, model_.NumberBase, model_.CurrentPin);
    for (int i = 0; i < 4; ++i) row.boxes[i]->setText(QString::fromStdString(texts[i]));
    DrawRow(r);
  }
}

void StepGrid::RefreshRow(int row) { Apply(row, RefreshStep(model_, row)); }

void StepGrid::DrawRow(int row) {
  const AspectRecord& aspect = model_.Pins[model_.CurrentPin].Aspects[model_.CurrentAspect];
  Apply(row, ViewStep(aspect.Steps[row]));
}

void StepGrid::Apply(int r, const StepRowView& view) {
  Row& row = rows_[r];
  for (int i = 0; i < 4; ++i) {
    if (!view.applies[i]) row.boxes[i]->setText("0");
    SetBackground(row.boxes[i], view.applies[i]);
    headings_[i]->setText(QString::fromStdString(view.captions[i]));
  }
  if (!view.fade_shown) row.fade->setChecked(false);
  row.fade->setVisible(view.fade_shown && shown_[r]);
  heading_fade_->setText(QString::fromStdString(view.fade_heading));
  row.time->setText(QString::fromStdString(view.time_label));
}

void StepGrid::SetRowShown(int r, bool shown) {
  shown_[r] = shown;
  Row& row = rows_[r];
  for (QWidget* w : {static_cast<QWidget*>(row.step), static_cast<QWidget*>(row.instruction),
                     static_cast<QWidget*>(row.time)}) {
    w->setVisible(shown);
  }
  for (QLineEdit* box : row.boxes) box->setVisible(shown);
  row.fade->setVisible(shown && Instruction(row.instruction->currentData().toInt()).HasFade);
}

void StepGrid::SetHeadingsShown(bool shown) {
  heading_step_->setVisible(shown);
  heading_instruction_->setVisible(shown);
}

void StepGrid::CommitBox(int r, StepBox box) {
  QLineEdit* edit = rows_[r].boxes[static_cast<int>(box)];
  const StepBoxEdit e = CommitStepBox(model_, r, box, edit->text().toStdString());
  edit->setText(QString::fromStdString(e.text));
  Apply(r, e.view);
}

void StepGrid::CommitShownRows() {
  for (int r = 0; r < kStepRows; ++r) {
    if (!shown_[r]) continue;
    for (int i = 0; i < 4; ++i) {
      if (Edited(rows_[r].boxes[i])) CommitBox(r, static_cast<StepBox>(i));
    }
  }
}

bool StepGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int r = 0; r < kStepRows; ++r) {
      for (int i = 1; i < 4; ++i) {
        if (watched == rows_[r].boxes[i]) emit HelpToolRequested(r, i);
      }
    }
  }
  return QGroupBox::eventFilter(watched, event);
}

}  // namespace pyra

#include "helptools/ui/CalculatorDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "helptools/HelpTools.h"
#include "widgets/Controls.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr int kSliderTicks = 8;

QString Indexed(const char* name, int index) { return QString("%1_%2").arg(name).arg(index); }

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Rewriting an unchanged text would move the cursor of a box the user is typing in.
void ShowText(QLineEdit* box, const std::string& text) {
  const QString shown = Text(text);
  if (box->text() != shown) box->setText(shown);
}

QLineEdit* MakeShownNumber(const QString& name, int digits, QWidget* parent) {
  QLineEdit* box = MakeNumberBox(name, digits, parent);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

// OKButton and CancelButton at the bottom right; OK and Cancel only close the dialog.
QHBoxLayout* OkCancelRow(QDialog* dialog) {
  QPushButton* ok = MakeButton("OKButton", "OK", dialog);
  QPushButton* cancel = MakeButton("CancelButton", "Cancel", dialog);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

// Ends a calculator: OK takes what is typed, any other way out puts the opening values back.
// Hiding takes the focus from the boxes; `closing` keeps that from counting as an edit.
template <typename Accept, typename Revert>
void Finish(QDialog* dialog, bool& closing, int result, Accept accept, Revert revert) {
  if (result == QDialog::Accepted) {
    accept();
  } else {
    revert();
  }
  closing = true;
  dialog->QDialog::done(result);
  closing = false;
}

void FixSize(QDialog* dialog) {
  dialog->setModal(true);
  dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace

// ---- dlgCT ----

CycleTimeDialog::CycleTimeDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgCT");
  setWindowTitle(kCycleTimeCaption);

  auto* label_base = MakeLabel("LabelCTBase", "Base", this);
  base_ = MakeNumberBox("TextCTBase", 2, this);
  base_updown_ = MakeUpDown("UpDownCTBase", base_, this);
  base_updown_->SetRange(0, kMaxCycleBase);
  label_base->setBuddy(base_);

  time_ = new QSlider(Qt::Horizontal, this);
  time_->setObjectName("SliderCTTime");
  time_->setRange(0, kMaxCycleTime);
  time_->setPageStep(kSliderTicks);
  time_->setTickInterval(kSliderTicks);
  time_->setTickPosition(QSlider::TicksBelow);
  time_->setMinimumWidth(260);

  auto* label_time = MakeLabel("LabelCTTime", "Time = ", this);
  time_value_ = MakeLabel("LabelCTTimeValue", "00:00.00", this);
  auto* label_max = MakeLabel("LabelCTMaxTime", "Max Time = ", this);
  max_time_value_ = MakeLabel("LabelCTMaxTimeValue", "00:00.00", this);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->addWidget(label_base, 0, 0);
  grid->addWidget(Pair(base_, base_updown_, this), 0, 1, Qt::AlignLeft);
  grid->addWidget(time_, 1, 0, 1, 2);
  grid->addWidget(label_time, 2, 0);
  grid->addWidget(time_value_, 2, 1);
  grid->addWidget(label_max, 3, 0);
  grid->addWidget(max_time_value_, 3, 1);
  grid->setColumnStretch(1, 1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addLayout(OkCancelRow(this));
  FixSize(this);

  connect(base_, &QLineEdit::editingFinished, this, &CycleTimeDialog::CommitBase);
  connect(base_updown_, &UpDown::Changed, this, &CycleTimeDialog::CommitBase);
  connect(time_, &QSlider::valueChanged, this, [this](int value) {
    tool_.MoveSlider(value);
    Show();
  });
  // The value labels keep "00:00.00" until the first opening.
  ShowText(base_, tool_.BaseText());
}

// A box that has the focus reports leaving it while the dialog's children are destroyed.
CycleTimeDialog::~CycleTimeDialog() { base_->disconnect(this); }

void CycleTimeDialog::Open(const QString& par3_text, const QString& par2_text) {
  tool_.Open(par3_text.toStdString(), par2_text.toStdString());
  Show();
}

void CycleTimeDialog::CommitBase() {
  // Hiding takes the focus from the box; by then Cancel has put back the opening text, which
  // must not be corrected.
  if (closing_) return;
  tool_.CommitBase(base_->text().toStdString());
  Show();
}

void CycleTimeDialog::Show() {
  ShowText(base_, tool_.BaseText());
  {
    QSignalBlocker blocker(time_);
    time_->setValue(tool_.Time());
  }
  time_value_->setText(Text(tool_.TimeValue()));
  max_time_value_->setText(Text(tool_.MaxTimeValue()));
}

void CycleTimeDialog::done(int result) {
  auto revert = [this] {
    tool_.Cancel();
    Show();
  };
  auto accept = [this] { CommitBase(); };
  Finish(this, closing_, result, accept, revert);
}

// ---- dlgPyraCalcLevel ----

LevelDialog::LevelDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgPyraCalcLevel");
  setWindowTitle(kLevelCaption);

  auto* label_parameter = MakeLabel("lblParam", "Parameter", this);
  parameter_ = MakeShownNumber("txtParameter", 3, this);
  auto* label_level = MakeLabel("lblNiveau", "Level", this);
  level_ = MakeNumberBox("txtLevel", 3, this);
  UpDown* level_updown = MakeUpDown("UpDownLevel", level_, this);
  level_updown->SetRange(0, kMaxLevel);
  auto* label_index = MakeLabel("lblIndex", "Time-Index", this);
  time_index_ = MakeNumberBox("txtTimeIndex", 3, this);
  UpDown* index_updown = MakeUpDown("UpDownTimeIndex", time_index_, this);
  index_updown->SetRange(0, kMaxTimeIndex);
  auto* label_delay = MakeLabel("lblDelay", "Delay (s)", this);
  delay_ = MakeShownNumber("txtDelay", 3, this);
  label_level->setBuddy(level_);
  label_index->setBuddy(time_index_);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->addWidget(label_level, 0, 0);
  grid->addWidget(Pair(level_, level_updown, this), 0, 1, Qt::AlignLeft);
  grid->addWidget(label_index, 1, 0);
  grid->addWidget(Pair(time_index_, index_updown, this), 1, 1, Qt::AlignLeft);
  grid->addWidget(label_delay, 2, 0);
  grid->addWidget(delay_, 2, 1, Qt::AlignLeft);
  grid->addWidget(label_parameter, 3, 0);
  grid->addWidget(parameter_, 3, 1, Qt::AlignLeft);
  // Wide enough for the caption to show whole in the title bar.
  grid->setColumnMinimumWidth(1, 170);
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addLayout(OkCancelRow(this));
  FixSize(this);

  connect(level_, &QLineEdit::textEdited, this, [this] { EditLevel(false); });
  connect(level_, &QLineEdit::editingFinished, this, [this] { EditLevel(true); });
  connect(level_updown, &UpDown::Changed, this, [this] { EditLevel(true); });
  connect(time_index_, &QLineEdit::textEdited, this, [this] { EditTimeIndex(false); });
  connect(time_index_, &QLineEdit::editingFinished, this, [this] { EditTimeIndex(true); });
  connect(index_updown, &UpDown::Changed, this, [this] { EditTimeIndex(true); });
  Show();
}

LevelDialog::~LevelDialog() {
  level_->disconnect(this);
  time_index_->disconnect(this);
}

void LevelDialog::Open(const QString& par1_text) {
  tool_.Open(par1_text.toStdString());
  Show();
}

void LevelDialog::EditLevel(bool leaving) {
  if (closing_) return;
  tool_.EditLevel(level_->text().toStdString(), leaving);
  Show();
}

void LevelDialog::EditTimeIndex(bool leaving) {
  if (closing_) return;
  tool_.EditTimeIndex(time_index_->text().toStdString(), leaving);
  Show();
}

void LevelDialog::Show() {
  ShowText(parameter_, tool_.ParameterText());
  ShowText(level_, tool_.LevelText());
  ShowText(time_index_, tool_.TimeIndexText());
  ShowText(delay_, tool_.Delay());
}

void LevelDialog::done(int result) {
  // A value typed but not yet left counts, as if the box had been left for the OK button.
  auto accept = [this] {
    EditLevel(true);
    EditTimeIndex(true);
  };
  Finish(this, closing_, result, accept, [this] {
    tool_.Cancel();
    Show();
  });
}

// ---- dlgPyraCalcPattern ----

PatternDialog::PatternDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgPyraCalcPattern");
  setWindowTitle(kPatternCaption);

  auto* outputs = new QGroupBox("Outputs", this);
  outputs->setObjectName("FrameOutputs");
  auto* outputs_column = new QVBoxLayout(outputs);
  for (int i = 0; i < kPatternOutputs; ++i) {
    outputs_[i] = MakeCheck(Indexed("chkUitgang", i), Text(PatternOutputCaption(i)), this);
    outputs_column->addWidget(outputs_[i]);
    connect(outputs_[i], &QCheckBox::clicked, this, [this, i](bool ticked) {
      tool_.SetOutput(i, ticked);
      Show();
    });
  }
  all_dark_ = MakeCheck("chkAllDark", "All Dark", this);
  no_dark_ = MakeCheck("chkNoDark", "No Dark-phase", this);
  connect(all_dark_, &QCheckBox::clicked, this, [this](bool ticked) {
    tool_.SetAllDark(ticked);
    Show();
  });
  connect(no_dark_, &QCheckBox::clicked, this, [this](bool ticked) {
    tool_.SetNoDark(ticked);
    Show();
  });

  auto* label_parameter = MakeLabel("lblParam", "Parameter", this);
  parameter_ = MakeShownNumber("txtParameter", 3, this);
  auto* label_original = MakeLabel("lblOriginal", "Original", this);
  original_ = MakeShownNumber("txtOriginal", 3, this);

  auto* values = new QGridLayout;
  values->addWidget(all_dark_, 0, 0, 1, 2);
  values->addWidget(no_dark_, 1, 0, 1, 2);
  values->setRowMinimumHeight(2, 12);
  values->addWidget(label_parameter, 3, 0);
  values->addWidget(parameter_, 3, 1);
  values->addWidget(label_original, 4, 0);
  values->addWidget(original_, 4, 1);
  values->setRowStretch(5, 1);
  auto* body = new QHBoxLayout;
  body->addWidget(outputs);
  body->addSpacing(8);
  body->addLayout(values);
  auto* column = new QVBoxLayout(this);
  column->addLayout(body);
  column->addLayout(OkCancelRow(this));
  FixSize(this);
  Show();
}

void PatternDialog::Open(const QString& par1_text, int outputs) {
  tool_.Open(par1_text.toStdString(), outputs);
  Show();
}

void PatternDialog::Show() {
  for (int i = 0; i < kPatternOutputs; ++i) {
    outputs_[i]->setChecked(tool_.Output(i));
    outputs_[i]->setEnabled(tool_.OutputEnabled(i));
  }
  all_dark_->setChecked(tool_.AllDark());
  no_dark_->setChecked(tool_.NoDark());
  all_dark_->setEnabled(tool_.DarkEnabled());
  no_dark_->setEnabled(tool_.DarkEnabled());
  ShowText(parameter_, tool_.ParameterText());
  ShowText(original_, tool_.OriginalText());
}

void PatternDialog::done(int result) {
  if (result != Accepted) {
    tool_.Cancel();
    Show();
  }
  QDialog::done(result);
}

// ---- dlgPyraCalcEventPattern ----

EventPatternDialog::EventPatternDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgPyraCalcEventPattern");
  setWindowTitle(kEventPatternCaption);

  auto* inputs = new QGroupBox("Inputs", this);
  inputs->setObjectName("FrameEventInputs");
  auto* inputs_column = new QVBoxLayout(inputs);
  for (int i = 0; i < kEventInputs; ++i) {
    inputs_[i] = MakeCheck(Indexed("chkEvent", i), Text(EventInputCaption(i)), this);
    inputs_column->addWidget(inputs_[i]);
    connect(inputs_[i], &QCheckBox::clicked, this, [this, i](bool ticked) {
      tool_.SetInput(i, ticked);
      Show();
    });
  }
  inputs_column->addStretch(1);

  // One group of six buttons, shown as the On-event column beside the Off-event column.
  auto* actions = new QGroupBox("Action", this);
  actions->setObjectName("FrameEventAction");
  auto* actions_grid = new QGridLayout(actions);
  options_ = new QButtonGroup(this);
  for (int j = 1; j <= 7; ++j) {
    if (!IsEventOption(j)) continue;
    QRadioButton* option = MakeOption(Indexed("optEvent", j), Text(EventOptionCaption(j)), this);
    options_->addButton(option, j);
    const bool off = j > kOffEventOptions;
    actions_grid->addWidget(option, off ? j - kOffEventOptions - 1 : j - 1, off ? 1 : 0);
  }
  actions_grid->setHorizontalSpacing(16);
  connect(options_, &QButtonGroup::idClicked, this, [this](int j) {
    tool_.SelectOption(j);
    Show();
  });

  auto* label_parameter = MakeLabel("lblParameter", "Parameter", this);
  parameter_ = MakeShownNumber("txtParameter", 3, this);
  auto* label_original = MakeLabel("lblOriginal", "Original", this);
  original_ = MakeShownNumber("txtOriginal", 3, this);
  auto* values = new QHBoxLayout;
  values->addWidget(label_parameter);
  values->addWidget(parameter_);
  values->addSpacing(16);
  values->addWidget(label_original);
  values->addWidget(original_);
  values->addStretch(1);

  auto* body = new QHBoxLayout;
  body->addWidget(inputs);
  body->addWidget(actions);
  auto* column = new QVBoxLayout(this);
  column->addLayout(body);
  column->addLayout(values);
  column->addLayout(OkCancelRow(this));
  FixSize(this);
  Show();
}

void EventPatternDialog::Open(const QString& par1_text) {
  tool_.Open(par1_text.toStdString());
  Show();
}

void EventPatternDialog::Show() {
  for (int i = 0; i < kEventInputs; ++i) inputs_[i]->setChecked(tool_.Input(i));
  // An exclusive group cannot clear its last checked button; "no option" needs it cleared.
  options_->setExclusive(false);
  for (QAbstractButton* option : options_->buttons()) {
    option->setChecked(options_->id(option) == tool_.SelectedOption());
  }
  options_->setExclusive(true);
  ShowText(parameter_, tool_.ParameterText());
  ShowText(original_, tool_.OriginalText());
}

void EventPatternDialog::done(int result) {
  if (result != Accepted) {
    tool_.Cancel();
    Show();
  }
  QDialog::done(result);
}

}  // namespace pyra

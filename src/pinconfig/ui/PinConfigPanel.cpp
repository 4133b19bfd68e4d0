#include "pinconfig/ui/PinConfigPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "pinconfig/LiveControl.h"
#include "pinconfig/PinConfig.h"
#include "widgets/Controls.h"
#include "widgets/MouseLabel.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr const char* kRangeCaptions[] = {"Off", "S", "M", "L", "XL"};
constexpr const char* kModeCaptions[] = {"Logaritmic", "Linear"};

QString Number(int v) { return QString::number(v); }

QLabel* MakeWarning(const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(name, kHardwareMismatchWarning, parent);
  label->setStyleSheet("color: #c00000; font-weight: bold;");
  KeepRoomWhenHidden(label);
  return label;
}

// Option buttons `name_0`, `name_1`, .. in a titled frame, laid out in one row.
QGroupBox* OptionFrame(const char* frame_name, const char* title, const char* name,
                       const char* const* captions, int count, QButtonGroup* group,
                       QWidget* parent) {
  auto* frame = new QGroupBox(title, parent);
  frame->setObjectName(frame_name);
  auto* row = new QHBoxLayout(frame);
  row->setContentsMargins(6, 2, 6, 2);
  for (int i = 0; i < count; ++i) {
    auto* option = MakeOption(QString("%1_%2").arg(name).arg(i), captions[i], frame);
    group->addButton(option, i);
    row->addWidget(option);
  }
  row->addStretch(1);
  return frame;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextSrvInitPos",
     "Position the servo takes at power-up (-64..63). Double-click: take the position over"},
    {"TextMidpoint", "Midpoint of the servo's movement (-64..63)"},
    {"TextSrvAntiMass", "1/Mass of the servo's movement (0..127)"},
    {"TextSrvFriction", "Damping of the servo's movement (0..127)"},
    {"TextSrvMaxSpd", "Highest speed of the servo (1..127)"},
    {"TextSrvMaxAccel", "Highest acceleration of the servo (1..127)"},
    {"TextBounceDown", "Bounce at the lower end of the movement (0..63)"},
    {"TextBounceDownFactor", "How the bounce at the lower end dies away (0..127)"},
    {"TextBounceUp", "Bounce at the upper end of the movement (-63..0)"},
    {"TextBounceUpFactor", "How the bounce at the upper end dies away (0..127)"},
    {"OptionServoRange_\\d",
     "Range of the servo's movement: off, small, medium, large, extra large"},
    {"ChkSrvAutoSuspend", "Auto Suspend: the module suspends the servo by itself"},
    {"ChkSrvSuspended", "The servo is suspended"},
    {"ChkSrvInitialized", "A status the module reports; not set by this program"},
    {"SliderServo", "Moves the servo on the layout now"},
    {"TextPosition", "Servo position to move to (-64..63)"},
    {"CheckSrvDynamic", "Move with the module's dynamic movement instead of at once"},
    {"CheckPWMInverted", "Inverted PWM output"},
    {"TextPWMInitLevel", "Level at power-up (0..31). Double-click: take the level over"},
    {"TextPWMAccel", "How fast the level changes (0..31)"},
    {"TextPWMOffLevel", "Level of the output when it is off (0..31)"},
    {"TextPWMOnLevel", "Level of the output when it is on (0..31)"},
    {"OptionPWMDriveMode_\\d", "Drive Mode: levels on a logarithmic or a linear scale"},
    {"OptionPWMAccelMode_\\d",
     "Acceleration Mode: level changes on a logarithmic or a linear scale"},
    {"SliderPWM", "Sets the output's level on the layout now"},
    {"TextPWMLevel", "Level to set (0..31)"},
    {"CheckPWMSlow", "Go to the new level with the slow transition"},
    {"CheckInputInvert", "Low Active: the input is on while it is pulled low"},
    {"TextInputDelay_0",
     "Debounce: how long the input must stay off before the module takes it as off (0..31)"},
    {"TextInputDelay_1",
     "Debounce: how long the input must stay on before the module takes it as on (0..31)"},
    {"CommandPCFGGetParam_0",
     "Get the pin's working configuration from the module, with the current position or level"},
    {"CommandPCFGSetParam_0",
     "Send this configuration to the module's working copy, with the current position or level"},
    {"CommandPCFGGetParam_1", "Read the pin's stored configuration from the module"},
    {"CommandPCFGSetParam_1", "Write this configuration to the module's stored configuration"},
};

}  // namespace

PinConfigPanel::PinConfigPanel(PanelContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("PinConfigArea");

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("SSTabPCFG");
  auto* clear = new QWidget(tabs_);
  clear->setObjectName("TabPCFGClear");
  auto* clear_layout = new QVBoxLayout(clear);
  clear_layout->addWidget(MakeLabel("LabelPCFGClear", "Pin is not configured", clear), 0,
                          Qt::AlignCenter);
  tabs_->addTab(clear, "Clear");
  tabs_->addTab(BuildServoTab(), "Servo");
  tabs_->addTab(BuildPwmTab(), "PWM");
  tabs_->addTab(BuildInputTab(), "Input");

  get_[0] = MakeButton("CommandPCFGGetParam_0", "&Get Pin Config", this);
  set_[0] = MakeButton("CommandPCFGSetParam_0", "Set Pin C&onfig", this);
  get_[1] = MakeButton("CommandPCFGGetParam_1", "Read Pin Config", this);
  set_[1] = MakeButton("CommandPCFGSetParam_1", "Write Pin Config", this);
  auto* buttons = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    buttons->addWidget(get_[i]);
    buttons->addWidget(set_[i]);
    KeepRoomWhenHidden(get_[i]);
    KeepRoomWhenHidden(set_[i]);
    connect(get_[i], &QPushButton::clicked, this, [this, i] { GetConfig(i); });
    connect(set_[i], &QPushButton::clicked, this, [this, i] { SetConfig(i); });
  }
  buttons->addStretch(1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(tabs_);
  column->addLayout(buttons);

  ShowPinConfig();
  connect(tabs_, &QTabWidget::currentChanged, this, &PinConfigPanel::TabChosen);
  ApplyToolTips(this, kToolTips);
}

QLineEdit* PinConfigPanel::AddParam(QGridLayout* grid, int row, int column, const char* control,
                                    const char* caption, QWidget* page, QLabel* label) {
  const ConfigParam& param = *FindConfigParam(control);
  QLineEdit* box = MakeNumberBox(control, 3, page);
  boxes_[control] = box;
  if (!label) {
    // The label of TextXxx is LabelXxx.
    label = MakeLabel(QString("Label%1").arg(QString(control).mid(4)), caption, page);
  }
  label->setBuddy(box);
  grid->addWidget(label, row, column);
  if (*param.spin != 0) {
    UpDown* spin = MakeUpDown(param.spin, box, page);
    spin->SetRange(param.min, param.max);
    grid->addWidget(Pair(box, spin, page), row, column + 1);
    connect(spin, &UpDown::Changed, this,
            [this, &param](int value) { SetParamFromSpin(Pin(), param, value); });
  } else {
    grid->addWidget(box, row, column + 1);
  }
  connect(box, &QLineEdit::editingFinished, this, [this, box, &param] {
    const ParamEdit e = CommitParamText(Pin(), param, box->text().toStdString());
    box->setText(QString::fromStdString(e.text));
  });
  return box;
}

QWidget* PinConfigPanel::BuildServoTab() {
  auto* page = new QWidget(tabs_);
  page->setObjectName("TabPCFGServo");
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  AddParam(grid, 0, 0, "TextSrvInitPos", "Initial Position", page);
  AddParam(grid, 1, 0, "TextMidpoint", "Midpoint", page);
  AddParam(grid, 2, 0, "TextSrvAntiMass", "1/Mass", page);
  AddParam(grid, 3, 0, "TextSrvFriction", "Damping", page);
  AddParam(grid, 4, 0, "TextSrvMaxSpd", "MaxSpd", page);
  AddParam(grid, 0, 3, "TextBounceDown", "BounceDown", page);
  AddParam(grid, 1, 3, "TextBounceDownFactor", "BounceDownFactor", page);
  AddParam(grid, 2, 3, "TextBounceUp", "BounceUp", page);
  AddParam(grid, 3, 3, "TextBounceUpFactor", "BounceUpFactor", page);
  AddParam(grid, 4, 3, "TextSrvMaxAccel", "MaxAcc", page);
  grid->setColumnMinimumWidth(2, 12);
  grid->setColumnStretch(5, 1);
  boxes_["TextSrvInitPos"]->installEventFilter(this);

  servo_range_ = new QButtonGroup(this);
  QGroupBox* range = OptionFrame("FrameServoRange", "Range", "OptionServoRange", kRangeCaptions, 5,
                                 servo_range_, page);
  auto_suspend_ = MakeCheck("ChkSrvAutoSuspend", "Auto Suspend", page);
  suspended_ = MakeCheck("ChkSrvSuspended", "Suspended", page);
  // A status the module reports; the tool never sets it.
  initialised_ = MakeCheck("ChkSrvInitialized", "Servo Initialised", page);
  initialised_->setEnabled(false);
  auto* flags = new QHBoxLayout;
  flags->addWidget(auto_suspend_);
  flags->addWidget(suspended_);
  flags->addWidget(initialised_);
  flags->addStretch(1);

  servo_.servo = true;
  QWidget* live =
      BuildLiveRow(servo_, "SliderServo", "LabelPosition", "Position", "TextPosition",
                   "CommandSrvLevel", "CheckSrvDynamic", "Dynamic", "CommandStopSrv", page);
  servo_warning_ = MakeWarning("LabelSrvHWCWarn", page);

  auto* column = new QVBoxLayout(page);
  column->setSpacing(4);
  column->addLayout(grid);
  column->addWidget(range);
  column->addLayout(flags);
  column->addWidget(live);
  column->addWidget(servo_warning_);
  column->addStretch(1);

  connect(servo_range_, &QButtonGroup::idClicked, this, [this] { ServoModesClicked(); });
  connect(auto_suspend_, &QCheckBox::clicked, this, [this] { ServoModesClicked(); });
  connect(suspended_, &QCheckBox::clicked, this, [this] { ServoModesClicked(); });
  connect(boxes_["TextSrvInitPos"], &QLineEdit::textEdited, this, [this](const QString& text) {
    TakeTypedIfInRange(Pin(), *FindConfigParam("TextSrvInitPos"), text.toStdString());
  });
  return page;
}

QWidget* PinConfigPanel::BuildPwmTab() {
  auto* page = new QWidget(tabs_);
  page->setObjectName("TabPCFGPWM");
  pwm_inverted_ = MakeCheck("CheckPWMInverted", "Inverted", page);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  auto* label_init = new MouseLabel("Initial Level", page);
  label_init->setObjectName("LabelPWMInitialLevel");
  label_init->setToolTip("Click: take the level over");
  AddParam(grid, 0, 0, "TextPWMInitLevel", "Initial Level", page, label_init);
  AddParam(grid, 1, 0, "TextPWMAccel", "Acceleration", page);
  AddParam(grid, 0, 3, "TextPWMOffLevel", "Off - Level", page);
  AddParam(grid, 1, 3, "TextPWMOnLevel", "On-Level", page);
  grid->setColumnMinimumWidth(2, 12);
  grid->setColumnStretch(5, 1);
  boxes_["TextPWMInitLevel"]->installEventFilter(this);

  pwm_drive_ = new QButtonGroup(this);
  pwm_accel_ = new QButtonGroup(this);
  auto* modes = new QHBoxLayout;
  modes->addWidget(OptionFrame("FramePWMDriveMode", "Drive Mode", "OptionPWMDriveMode",
                               kModeCaptions, 2, pwm_drive_, page));
  modes->addWidget(OptionFrame("FramePWMAccelMode", "Acceleration Mode", "OptionPWMAccelMode",
                               kModeCaptions, 2, pwm_accel_, page));

  QWidget* live = BuildLiveRow(pwm_, "SliderPWM", "LabelPWMLevel", "Level", "TextPWMLevel",
                               "CommandPWMLevel", "CheckPWMSlow", "Slow", "CommandPWMJump", page);

  auto* column = new QVBoxLayout(page);
  column->setSpacing(4);
  column->addWidget(pwm_inverted_);
  column->addLayout(grid);
  column->addLayout(modes);
  column->addWidget(live);
  column->addStretch(1);

  connect(pwm_inverted_, &QCheckBox::clicked, this,
          [this](bool ticked) { SetPwmInverted(Pin(), ticked); });
  connect(pwm_drive_, &QButtonGroup::idClicked, this, [this] { PwmModesClicked(); });
  connect(pwm_accel_, &QButtonGroup::idClicked, this, [this] { PwmModesClicked(); });
  connect(label_init, &MouseLabel::Pressed, this, [this](Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    boxes_["TextPWMInitLevel"]->setText(
        Number(TakeOverPwmLevel(context_.model, pwm_.slider->value())));
  });
  connect(boxes_["TextPWMInitLevel"], &QLineEdit::textEdited, this, [this](const QString& text) {
    TakeTypedIfInRange(Pin(), *FindConfigParam("TextPWMInitLevel"), text.toStdString());
  });
  return page;
}

QWidget* PinConfigPanel::BuildInputTab() {
  auto* page = new QWidget(tabs_);
  page->setObjectName("TabPCFGInput");
  input_low_active_ = MakeCheck("CheckInputInvert", "Low Active", page);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  AddParam(grid, 0, 0, "TextInputDelay_0", "OFF-delay (debounce)", page);
  AddParam(grid, 1, 0, "TextInputDelay_1", "ON-delay (debounce)", page);
  grid->setColumnStretch(2, 1);
  input_warning_ = MakeWarning("LabelInpHWCWarn", page);

  auto* column = new QVBoxLayout(page);
  column->setSpacing(4);
  column->addWidget(input_low_active_);
  column->addLayout(grid);
  column->addWidget(input_warning_);
  column->addStretch(1);

  connect(input_low_active_, &QCheckBox::clicked, this,
          [this](bool ticked) { SetInputLowActive(Pin(), ticked); });
  return page;
}

QWidget* PinConfigPanel::BuildLiveRow(Live& live, const char* slider, const char* label,
                                      const char* caption, const char* box, const char* button,
                                      const char* check, const char* check_caption,
                                      const char* jump, QWidget* page) {
  auto* frame = new QGroupBox("Live", page);
  frame->setObjectName(live.servo ? "FrameSrvLive" : "FramePWMLive");
  live.slider = new QSlider(Qt::Horizontal, frame);
  live.slider->setObjectName(slider);
  live.slider->setRange(live.servo ? -64 : 0, live.servo ? 63 : 31);
  live.slider->setMinimumWidth(140);
  live.level = MakeNumberBox(box, 3, frame);
  auto* level_label = MakeLabel(label, caption, frame);
  level_label->setBuddy(live.level);
  auto* send = MakeButton(button, "<", frame);
  send->setFixedWidth(send->fontMetrics().horizontalAdvance("<") + 24);
  send->setToolTip("Send the typed value");
  live.gradual = MakeCheck(check, check_caption, frame);
  auto* jump_button = MakeButton(jump, "&Jump", frame);
  jump_button->setToolTip("Send the value again, at once");

  auto* grid = new QGridLayout(frame);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(2);
  grid->addWidget(live.slider, 0, 0, 1, 6);
  grid->addWidget(level_label, 1, 0);
  grid->addWidget(live.level, 1, 1);
  grid->addWidget(send, 1, 2);
  grid->addWidget(live.gradual, 1, 3);
  grid->addWidget(jump_button, 1, 4);
  grid->setColumnStretch(5, 1);

  connect(live.slider, &QSlider::valueChanged, this,
          [this, &live](int value) { SliderMoved(live, value); });
  connect(send, &QPushButton::clicked, this, [this, &live] { LevelButton(live); });
  connect(jump_button, &QPushButton::clicked, this, [this, &live] { Jump(live.servo); });
  return frame;
}

PinRecord& PinConfigPanel::Pin() { return context_.model.Pins[context_.model.CurrentPin]; }

void PinConfigPanel::SetShown(bool details, bool expert) {
  tabs_->setVisible(details);
  get_[0]->setVisible(details);
  set_[0]->setVisible(details);
  get_[1]->setVisible(details && expert);
  set_[1]->setVisible(details && expert);
}

void PinConfigPanel::ShowPinConfig() {
  const PinConfigView v = pyra::ShowPinConfig(context_.model);
  if (v.tab < 0) {
    context_.prompter.Message(v.message);
    return;
  }
  {
    QSignalBlocker blocker(tabs_);
    tabs_->setCurrentIndex(v.tab);
  }
  auto show = [this](const char* control, int value) { boxes_[control]->setText(Number(value)); };
  auto show_live = [](Live& live, int value) {
    QSignalBlocker blocker(live.slider);
    live.slider->setValue(value);
    live.level->setText(Number(value));
  };
  switch (v.tab) {
    case kTabServo: {
      const ServoPanel& s = v.servo;
      show("TextSrvInitPos", s.init_pos);
      show("TextMidpoint", s.midpoint);
      show("TextSrvAntiMass", s.anti_mass);
      show("TextSrvFriction", s.friction);
      show("TextSrvMaxSpd", s.max_spd);
      show("TextSrvMaxAccel", s.max_accel);
      show("TextBounceDown", s.bounce_down);
      show("TextBounceDownFactor", s.bounce_down_factor);
      show("TextBounceUp", s.bounce_up);
      show("TextBounceUpFactor", s.bounce_up_factor);
      Check(servo_range_, s.range);
      auto_suspend_->setChecked(s.auto_suspend);
      suspended_->setChecked(s.suspended);
      initialised_->setChecked(s.initialised);
      show_live(servo_, s.position);
      servo_warning_->setVisible(v.hwc_warning);
      break;
    }
    case kTabPwm: {
      const PwmPanel& w = v.pwm;
      pwm_inverted_->setChecked(w.inverted);
      Check(pwm_drive_, w.drive_mode);
      Check(pwm_accel_, w.accel_mode);
      show("TextPWMInitLevel", w.init_level);
      show("TextPWMAccel", w.accel);
      show("TextPWMOffLevel", w.off_level);
      show("TextPWMOnLevel", w.on_level);
      show_live(pwm_, w.level);
      break;
    }
    case kTabInput:
      input_low_active_->setChecked(v.input.low_active);
      show("TextInputDelay_0", v.input.off_delay);
      show("TextInputDelay_1", v.input.on_delay);
      input_warning_->setVisible(v.hwc_warning);
      break;
    default:
      break;
  }
}

void PinConfigPanel::TabChosen(int tab) {
  ChooseTab(Pin(), tab);
  ShowPinConfig();
}

void PinConfigPanel::ServoModesClicked() {
  const int range = std::max(servo_range_->checkedId(), 0);
  SetServoModes(Pin(), range, auto_suspend_->isChecked(), suspended_->isChecked());
}

void PinConfigPanel::PwmModesClicked() {
  SetPwmModes(Pin(), std::max(pwm_drive_->checkedId(), 0), std::max(pwm_accel_->checkedId(), 0));
}

void PinConfigPanel::SliderMoved(Live& live, int value) {
  const bool focus = live.slider->hasFocus();
  // One live job at a time: a move made meanwhile waits, and only the latest is sent, so a
  // drag never queues more than the line can carry.
  if (live.running) {
    live.next = {value, focus};
    return;
  }
  SendSliderMove(live, value, focus);
}

void PinConfigPanel::SendSliderMove(Live& live, int value, bool focus) {
  live.running = true;
  const int pin = context_.model.CurrentPin;
  const bool servo = live.servo;
  const bool gradual = live.gradual->isChecked();
  auto text = std::make_shared<std::string>();
  auto copy = std::make_shared<Configuration>(context_.model);
  // Quiet: the window must not turn busy (and take the slider's focus) while it is dragged.
  context_.jobs.RunQuiet(
      [=](Link& link) {
        *text = servo ? ServoSliderMoved(link, *copy, value, focus, gradual)
                      : PwmSliderMoved(link, *copy, value, focus, gradual);
      },
      [this, &live, pin, text, copy] {
        context_.model.Pins[pin].LiveLevel = copy->Pins[pin].LiveLevel;
        if (pin == context_.model.CurrentPin) live.level->setText(QString::fromStdString(*text));
        live.running = false;
        if (live.next) {
          const auto [next_value, next_focus] = *live.next;
          live.next.reset();
          SendSliderMove(live, next_value, next_focus);
        }
      });
}

void PinConfigPanel::LevelButton(Live& live) {
  const int pin = context_.model.CurrentPin;
  const bool servo = live.servo;
  const bool gradual = live.gradual->isChecked();
  const std::string typed = live.level->text().toStdString();
  auto edit = std::make_shared<LiveEdit>();
  RunOnCopy(
      context_.jobs, context_.model,
      [=](Link& link, Configuration& c) {
        *edit = servo ? ServoLevelButton(link, c, typed, gradual)
                      : PwmLevelButton(link, c, typed, gradual);
      },
      [this, &live, pin, edit](Configuration& c) {
        context_.model.Pins[pin].LiveLevel = c.Pins[pin].LiveLevel;
        if (pin != context_.model.CurrentPin) return;
        live.level->setText(QString::fromStdString(edit->text));
        QSignalBlocker blocker(live.slider);
        live.slider->setValue(edit->value);
      });
}

void PinConfigPanel::Jump(bool servo) {
  RunOnCopy(context_.jobs, context_.model, [servo](Link& link, Configuration& c) {
    if (servo) {
      ServoJump(link, c);
    } else {
      PwmJump(link, c);
    }
  });
}

void PinConfigPanel::CommitEdits() {
  // Only the boxes typed in: a block byte outside a box's range stays as the module has it.
  for (const std::string& control : CommittedControls(tabs_->currentIndex())) {
    QLineEdit* box = boxes_[control];
    if (!Edited(box)) continue;
    const ParamEdit e =
        CommitParamText(Pin(), *FindConfigParam(control), box->text().toStdString());
    box->setText(QString::fromStdString(e.text));
  }
}

void PinConfigPanel::GetConfig(int index) {
  const int pin = context_.model.CurrentPin;
  auto read = std::make_shared<bool>(false);
  RunOnCopy(
      context_.jobs, context_.model,
      [=](Link& link, Configuration& c) { *read = ReadPinConfig(link, c, index, pin); },
      [this, pin, read](Configuration& c) {
        if (!*read) return;
        context_.model.Pins[pin].PinConfig = c.Pins[pin].PinConfig;
        context_.model.Pins[pin].LiveLevel = c.Pins[pin].LiveLevel;
        if (pin == context_.model.CurrentPin) ShowPinConfig();
      });
}

void PinConfigPanel::SetConfig(int index) {
  emit CommitRequested();
  CommitEdits();
  const int pin = context_.model.CurrentPin;
  RunOnCopy(
      context_.jobs, context_.model,
      [=](Link& link, Configuration& c) { WritePinConfig(link, c, index, pin); },
      // The block keeps what was written: a servo loses its "Servo Initialised" status bit.
      [this, pin](Configuration& c) {
        context_.model.Pins[pin].PinConfig = c.Pins[pin].PinConfig;
      });
}

bool PinConfigPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    QLineEdit* servo_init = boxes_["TextSrvInitPos"];
    QLineEdit* pwm_init = boxes_["TextPWMInitLevel"];
    if (watched == servo_init) {
      servo_init->setText(Number(TakeOverServoPosition(context_.model, servo_.slider->value())));
      return true;
    }
    if (watched == pwm_init) {
      pwm_init->setText(Number(TakeOverPwmLevel(context_.model, pwm_.slider->value())));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pyra

#include "pins/ui/AspectEditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "monitor/TestCommands.h"
#include "pins/InstructionSet.h"
#include "pins/PinTransfer.h"
#include "pins/ui/DeviceFields.h"
#include "widgets/Controls.h"
#include "widgets/MouseLabel.h"
#include "widgets/StepGrid.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr const char* kModeCaptions[] = {"0", "4", "12"};
constexpr int kOptionFour = 1;
constexpr int kOptionTwelve = 2;
constexpr int kStepsOfTwelve = 3;  // rows shown with 12 aspects
constexpr char kCopyPasteTip[] = "Click for copy/paste tools";

MouseLabel* MakeMouseLabel(const char* name, const char* caption, QWidget* parent) {
  auto* label = new MouseLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

QString Number(int v) { return QString::number(v); }

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextPAspOutput", "The pin shown in the editor"},
    {"TextPAspAspect", "The aspect shown in the editor"},
    {"TextPAspInit|LabelPAspInit",
     "Initial aspect: the aspect the pin takes at power-up, -1 for none"},
    {"OptionPAspConf_\\d|LabelPAspNrOfAspects",
     "Aspect mode of the pin: no aspects, 4 aspects of 9 steps, or 12 aspects of 3 steps"},
    {"CheckPAspShowDetails", "Show the aspect steps, the pin configuration and all address counts"},
    {"TextPAspDesc", "A description of the pin, kept in the configuration file"},
    {"CommandPAspWriteAspect", "Write the shown aspect to the module"},
    {"CommandPAspTestAspect", "Set the shown aspect on the pin now"},
    {"CommandPAspReadPin", "Read the pin's aspects from the module"},
    {"CommandPAspWritePin", "Write the pin's aspects to the module"},
};

}  // namespace

AspectEditor::AspectEditor(PanelContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("PinAspectArea");

  auto* label_pin = MakeMouseLabel("LabelPAspOutput", "Pin", this);
  label_pin->setToolTip(kCopyPasteTip);
  text_pin_ = MakeNumberBox("TextPAspOutput", 2, this);
  updown_pin_ = MakeUpDown("UpDownPAspOutput", text_pin_, this);

  label_aspect_ = MakeMouseLabel("LabelPAspAspect", "Aspect", this);
  label_aspect_->setToolTip(kCopyPasteTip);
  text_aspect_ = MakeNumberBox("TextPAspAspect", 2, this);
  updown_aspect_ = MakeUpDown("UpDownPAspAspect", text_aspect_, this);
  label_init_ = MakeLabel("LabelPAspInit", "Init", this);
  text_init_ = MakeNumberBox("TextPAspInit", 2, this);
  updown_init_ = MakeUpDown("UpDownPAspInit", text_init_, this);

  auto* label_mode = MakeLabel("LabelPAspNrOfAspects", "Aspects", this);
  mode_ = new QButtonGroup(this);
  auto* mode_row = new QHBoxLayout;
  mode_row->setSpacing(8);
  mode_row->addWidget(label_mode);
  for (int i = 0; i < 3; ++i) {
    auto* option = MakeOption(QString("OptionPAspConf_%1").arg(i), kModeCaptions[i], this);
    mode_->addButton(option, i);
    mode_row->addWidget(option);
  }
  mode_row->addStretch(1);
  show_details_ = MakeCheck("CheckPAspShowDetails", "Show Details", this);

  auto* label_desc = MakeLabel("LabelPAspDesc", "Description", this);
  text_desc_ = new QLineEdit(this);
  text_desc_->setObjectName("TextPAspDesc");
  label_desc->setBuddy(text_desc_);
  text_aspect_desc_ = new QLineEdit(this);
  text_aspect_desc_->setObjectName("TextPAspAspDesc");
  text_aspect_desc_->setPlaceholderText("Aspect description");

  auto* label_device = MakeLabel("LabelDevice", "Device", this);
  text_device_pin_ = MakeNumberBox("TextDevicePin", 2, this);
  text_device_pin_->setToolTip("Head pin of the device");
  text_device_name_ = new QLineEdit(this);
  text_device_name_->setObjectName("TextDeviceDescription");
  label_device->setBuddy(text_device_pin_);

  steps_ = new StepGrid(context_.model, this);

  read_pin_ = MakeButton("CommandPAspReadPin", "Rea&d Asp's", this);
  write_pin_ = MakeButton("CommandPAspWritePin", "Write As&p's", this);
  write_aspect_ = MakeButton("CommandPAspWriteAspect", "Write Si&ngle", this);
  test_aspect_ = MakeButton("CommandPAspTestAspect", "T&est", this);
  struct Queued {
    const char* name;
    const char* caption;
    const char* command;
  };
  const Queued queued[] = {
      {"CommandReadDevice", "Read Dev&ice", "ReadDevice"},
      {"CommandWriteDevice", "Write Devi&ce", "WriteDevice"},
      {"CommandReadAllPins", "Read &All Pins", "ReadAllPins"},
      {"CommandWriteAllPins", "Write All Pins", "WriteAllPins"},
  };

  // Pin, mode and details on top; the aspect line directly above the grid that shows it.
  auto* head = new QGridLayout;
  head->setHorizontalSpacing(6);
  head->setVerticalSpacing(4);
  head->addWidget(label_pin, 0, 0);
  head->addWidget(Pair(text_pin_, updown_pin_, this), 0, 1);
  head->addLayout(mode_row, 0, 2, 1, 3);
  head->addWidget(show_details_, 0, 5, Qt::AlignRight);
  head->addWidget(label_desc, 1, 0);
  head->addWidget(text_desc_, 1, 1, 1, 5);
  head->addWidget(label_device, 2, 0);
  head->addWidget(text_device_pin_, 2, 1);
  head->addWidget(text_device_name_, 2, 2, 1, 4);
  aspect_pairs_[0] = Pair(text_aspect_, updown_aspect_, this);
  aspect_pairs_[1] = Pair(text_init_, updown_init_, this);
  head->addWidget(label_aspect_, 3, 0);
  head->addWidget(aspect_pairs_[0], 3, 1);
  head->addWidget(label_init_, 3, 2, Qt::AlignRight);
  head->addWidget(aspect_pairs_[1], 3, 3);
  head->addWidget(text_aspect_desc_, 3, 4, 1, 2);
  for (QWidget* w :
       {static_cast<QWidget*>(label_aspect_), aspect_pairs_[0], static_cast<QWidget*>(label_init_),
        aspect_pairs_[1], static_cast<QWidget*>(text_aspect_desc_)}) {
    KeepRoomWhenHidden(w);
  }
  head->setColumnStretch(4, 1);

  // The expert-only buttons last, so that hiding them moves nothing else.
  auto* aspect_buttons = new QHBoxLayout;
  aspect_buttons->addWidget(write_aspect_);
  aspect_buttons->addWidget(test_aspect_);
  aspect_buttons->addWidget(read_pin_);
  aspect_buttons->addWidget(write_pin_);
  aspect_buttons->addStretch(1);
  auto* transfer_buttons = new QHBoxLayout;
  for (const Queued& q : queued) {
    QPushButton* button = MakeButton(q.name, q.caption, this);
    transfer_buttons->addWidget(button);
    const QString command = q.command;
    connect(button, &QPushButton::clicked, this, [this, command] { emit QueueCommand(command); });
  }
  transfer_buttons->addStretch(1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(head);
  column->addWidget(steps_);
  column->addLayout(aspect_buttons);
  column->addLayout(transfer_buttons);
  column->addStretch(1);

  connect(label_pin, &MouseLabel::Pressed, this, [this](Qt::MouseButton button) {
    if (button == Qt::LeftButton) emit EditPinRequested();
  });
  connect(label_aspect_, &MouseLabel::Pressed, this, [this](Qt::MouseButton button) {
    if (button == Qt::LeftButton) emit EditAspectRequested();
  });
  connect(text_pin_, &QLineEdit::editingFinished, this, [this] { TakePin(true); });
  connect(updown_pin_, &UpDown::Changed, this, [this] { TakePin(false); });
  connect(text_aspect_, &QLineEdit::editingFinished, this, [this] { TakeAspect(); });
  connect(updown_aspect_, &UpDown::Changed, this, [this] { LeaveAspectBySpin(); });
  connect(text_init_, &QLineEdit::editingFinished, this, [this] { TakeInitial(); });
  connect(updown_init_, &UpDown::Changed, this, [this] { TakeInitial(); });
  connect(mode_, &QButtonGroup::idClicked, this, [this](int option) { ApplyOption(option, true); });
  connect(text_desc_, &QLineEdit::textEdited, this, [this](const QString& text) {
    context_.model.Pins[context_.model.CurrentPin].Description = text.toStdString();
  });
  connect(text_aspect_desc_, &QLineEdit::textEdited, this, [this](const QString& text) {
    Configuration& c = context_.model;
    c.Pins[c.CurrentPin].Aspects[c.CurrentAspect].Description = text.toStdString();
  });
  connect(text_device_pin_, &QLineEdit::textEdited, this,
          [this](const QString& text) { SetDeviceLink(context_.model, text.toStdString()); });
  connect(text_device_pin_, &QLineEdit::editingFinished, this, [this] { ShowDeviceFields(true); });
  connect(text_device_name_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (text_device_name_->isEnabled()) SetDeviceName(context_.model, text.toStdString());
  });
  connect(show_details_, &QCheckBox::clicked, this, [this](bool ticked) {
    ApplyShowDetails();
    emit ShowDetailsChanged(ticked);
  });
  connect(read_pin_, &QPushButton::clicked, this, [this] { emit QueueCommand("PAspReadPin"); });
  connect(write_pin_, &QPushButton::clicked, this, [this] { emit QueueCommand("PAspWritePin"); });
  connect(write_aspect_, &QPushButton::clicked, this, [this] { WriteAspect(); });
  // "Test" acts on the mouse-down, with the modifier keys held at that moment.
  test_aspect_->installEventFilter(this);

  ShowPin();
  ApplyShowDetails();
  ApplyToolTips(this, kToolTips);

  // Keyboard order follows the rows of the head, then the buttons from left to right.
  QWidget* order[] = {text_pin_,     mode_->button(0), mode_->button(1), mode_->button(2),
                      show_details_, text_desc_,       text_device_pin_, text_device_name_,
                      text_aspect_,  text_init_,       text_aspect_desc_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  QWidget* buttons[] = {write_aspect_, test_aspect_, read_pin_, write_pin_,
                        findChild<QWidget*>("CommandReadDevice")};
  for (std::size_t i = 1; i < std::size(buttons); ++i) setTabOrder(buttons[i - 1], buttons[i]);
}

bool AspectEditor::ShowDetails() const { return show_details_->isChecked(); }

void AspectEditor::SetExpertMode(bool expert) {
  expert_ = expert;
  ApplyShowDetails();
}

void AspectEditor::ShowPin() {
  Configuration& c = context_.model;
  const PinRecord& pin = c.Pins[c.CurrentPin];
  updown_pin_->SetRange(c.NumberBase, c.NumberBase + kPinCount - 1);
  text_pin_->setText(Number(c.CurrentPin + c.NumberBase));
  text_desc_->setText(QString::fromStdString(pin.Description));
  ShowDeviceFields(false);
  text_aspect_->setText(Number(c.CurrentAspect));
  text_aspect_desc_->setText(QString::fromStdString(pin.Aspects[c.CurrentAspect].Description));
  text_init_->setText(Number(pin.InitialAspect - 1));
  steps_->ShowSteps();
  const int option = OptionOfAspectMode(pin.AspectMode);
  mode_->button(option)->setChecked(true);
  ApplyOption(option, false);
}

void AspectEditor::ApplyOption(int option, bool by_user) {
  Configuration& c = context_.model;
  PinRecord& pin = c.Pins[c.CurrentPin];
  const bool enabled = option != 0;
  for (QWidget* w :
       {static_cast<QWidget*>(label_aspect_), aspect_pairs_[0], static_cast<QWidget*>(label_init_),
        aspect_pairs_[1], static_cast<QWidget*>(text_aspect_desc_),
        static_cast<QWidget*>(test_aspect_)}) {
    w->setVisible(enabled);
  }
  for (int r = 0; r < kStepsOfTwelve; ++r) {
    steps_->SetRowShown(r, enabled);
    if (enabled) steps_->DrawRow(r);
  }
  const int max_aspect = AspectCount(AspectModeOfOption(option)) - 1;
  if (enabled) {
    updown_aspect_->SetRange(0, max_aspect);
    updown_init_->SetRange(-1, max_aspect);
  }
  if (option == kOptionFour) {
    // The aspect and initial aspect shown must exist with four aspects. Showing a pin changes
    // only the boxes: the pin's initial aspect is the module's until the user edits it. A click
    // on "4" is such an edit, and the model then follows, so a write never sends an aspect the
    // pin no longer has.
    if (BoxValue(text_aspect_) > max_aspect || c.CurrentAspect > max_aspect) {
      text_aspect_->setText(Number(max_aspect));
      if (by_user) {
        c.CurrentAspect = max_aspect;
        text_aspect_desc_->setText(QString::fromStdString(pin.Aspects[max_aspect].Description));
        steps_->ShowSteps();
      }
    }
    if (BoxValue(text_init_) > max_aspect) {
      text_init_->setText("-1");
      if (by_user) pin.InitialAspect = 0;
    }
  }
  for (int r = kStepsOfTwelve; r < kStepRows; ++r) steps_->SetRowShown(r, option == kOptionFour);
  pin.AspectMode = static_cast<uint8_t>(AspectModeOfOption(option));
  ApplyShowDetails();
}

void AspectEditor::ApplyShowDetails() {
  const bool details = show_details_->isChecked();
  const bool aspects = mode_->checkedId() > 0;
  steps_->setVisible(details);
  read_pin_->setVisible(details && expert_);
  write_pin_->setVisible(details && expert_);
  write_aspect_->setVisible(details && aspects);
  steps_->SetHeadingsShown(aspects);
}

void AspectEditor::TakePin(bool clamp) {
  Configuration& c = context_.model;
  int shown = BoxValue(text_pin_);
  if (clamp) {
    shown = std::clamp(shown, c.NumberBase, c.NumberBase + kPinCount - 1);
    text_pin_->setText(Number(shown));
  }
  const int pin = shown - c.NumberBase;
  if (pin == c.CurrentPin || pin < 0 || pin >= kPinCount) return;
  // Typed step values belong to the pin being left.
  steps_->CommitShownRows();
  c.CurrentPin = pin;
  ShowPin();
  ApplyShowDetails();
  emit CurrentPinChanged(pin);
}

void AspectEditor::TakeAspect() {
  Configuration& c = context_.model;
  const int shown = std::clamp(BoxValue(text_aspect_), 0, updown_aspect_->Maximum());
  text_aspect_->setText(Number(shown));
  if (shown == c.CurrentAspect) return;
  c.CurrentAspect = shown;
  ShowPin();
  ApplyShowDetails();
}

void AspectEditor::LeaveAspectBySpin() {
  // The spin has already shown the new number; the rows still show the aspect being left.
  steps_->CommitShownRows();
  TakeAspect();
}

void AspectEditor::TakeInitial() {
  const int shown = std::clamp(BoxValue(text_init_), -1, updown_init_->Maximum());
  text_init_->setText(Number(shown));
  context_.model.Pins[context_.model.CurrentPin].InitialAspect = static_cast<uint8_t>(shown + 1);
}

void AspectEditor::ShowDeviceFields(bool from_head_box) {
  const DeviceFieldsView v =
      from_head_box ? ShowDevice(context_.model) : DeviceFieldsOf(context_.model);
  text_device_pin_->setText(QString::fromStdString(v.head_pin));
  text_device_name_->setEnabled(false);
  text_device_name_->setText(QString::fromStdString(v.name));
  text_device_name_->setEnabled(v.name_editable);
}

void AspectEditor::CommitStepsAndAspect() {
  steps_->CommitShownRows();
  if (text_aspect_->isVisibleTo(this) && Edited(text_aspect_)) TakeAspect();
}

void AspectEditor::TakeEdits() {
  CommitStepsAndAspect();
  if (text_init_->isVisibleTo(this) && Edited(text_init_)) TakeInitial();
  if (Edited(text_pin_)) TakePin(true);
}

bool AspectEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == test_aspect_ && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton && test_aspect_->isEnabled()) {
      TestAspectPressed(press->modifiers());
    }
  }
  return QWidget::eventFilter(watched, event);
}

void AspectEditor::TestAspectPressed(Qt::KeyboardModifiers keys) {
  const int modifiers = (keys.testFlag(Qt::ShiftModifier) ? kShiftKey : 0) +
                        (keys.testFlag(Qt::ControlModifier) ? kCtrlKey : 0) +
                        (keys.testFlag(Qt::AltModifier) ? kAltKey : 0);
  RunOnCopy(context_.jobs, context_.model,
            [modifiers](Link& link, Configuration& c) { TestAspect(link, c, modifiers); });
}

void AspectEditor::WriteAspect() {
  CommitStepsAndAspect();
  const int pin = context_.model.CurrentPin;
  const int aspect = context_.model.CurrentAspect;
  RunOnCopy(context_.jobs, context_.model, [pin, aspect](Link& link, Configuration& c) {
    pyra::WriteAspect(link, c, pin, aspect);
  });
}

}  // namespace pyra

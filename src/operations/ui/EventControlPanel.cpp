#include "operations/ui/EventControlPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "operations/EventControl.h"
#include "widgets/Controls.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

const QColor kNoEventColour(224, 224, 224);
constexpr int kMaxEvent = 11;
// The column headings of slots 0..3 keep the indices they always had.
constexpr int kInputLabelIndex[] = {0, 8, 9, 10};

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextECpin", "The pin whose event control is shown"},
    {"TextECon_\\d", "Event-On slot: an event number 0..11, or -1 for no event"},
    {"TextECoff_\\d", "Event-Off slot: an event number 0..11, or -1 for no event"},
    {"CommandECcopy", "Give every pin the event control shown here"},
    {"CheckInitEE_[0-3]", "Enable Map: this Event-On slot is enabled at power-up"},
    {"CheckInitEE_[4-7]", "Enable Map: this Event-Off slot is enabled at power-up"},
};

}  // namespace

EventControlPanel::EventControlPanel(PanelContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("EventControlArea");

  auto* slots_frame = new QGroupBox("Event Control per Pin", this);
  slots_frame->setObjectName("FrameEC");
  auto* label_pin = MakeLabel("LabelEC_0", "Pin", slots_frame);
  text_pin_ = MakeNumberBox("TextECpin", 2, slots_frame);
  updown_pin_ = MakeUpDown("UpDownECpin", text_pin_, slots_frame);
  label_pin->setBuddy(text_pin_);
  auto* slots_grid = new QGridLayout(slots_frame);
  slots_grid->setHorizontalSpacing(14);
  slots_grid->addWidget(label_pin, 0, 0);
  slots_grid->addWidget(Pair(text_pin_, updown_pin_, slots_frame), 0, 1);
  slots_grid->addWidget(MakeLabel("LabelEC_1", "ON:", slots_frame), 2, 0);
  slots_grid->addWidget(MakeLabel("LabelEC_2", "OFF:", slots_frame), 3, 0);
  for (int i = 0; i < 4; ++i) {
    slots_grid->addWidget(MakeLabel(QString("LabelECinput_%1").arg(kInputLabelIndex[i]),
                                    QString("Input %1").arg(i), slots_frame),
                          1, i + 1, Qt::AlignCenter);
    on_[i] = MakeNumberBox(QString("TextECon_%1").arg(i), 2, slots_frame);
    updown_on_[i] = MakeUpDown(QString("UpDownECon_%1").arg(i), on_[i], slots_frame);
    off_[i] = MakeNumberBox(QString("TextECoff_%1").arg(i), 2, slots_frame);
    updown_off_[i] = MakeUpDown(QString("UpDownECoff_%1").arg(i), off_[i], slots_frame);
    for (UpDown* updown : {updown_on_[i], updown_off_[i]}) updown->SetRange(kNoEvent, kMaxEvent);
    slots_grid->addWidget(Pair(on_[i], updown_on_[i], slots_frame), 2, i + 1, Qt::AlignCenter);
    slots_grid->addWidget(Pair(off_[i], updown_off_[i], slots_frame), 3, i + 1, Qt::AlignCenter);
  }
  auto* read_single = MakeButton("CommandECReadSingle", "Rea&d", slots_frame);
  auto* write_single = MakeButton("CommandECWriteSingle", "Wr&ite", slots_frame);
  auto* copy = MakeButton("CommandECcopy", "&Copy to All", slots_frame);
  auto* single_buttons = new QHBoxLayout;
  single_buttons->setSpacing(6);
  single_buttons->addStretch(1);
  single_buttons->addWidget(read_single);
  single_buttons->addWidget(write_single);
  single_buttons->addWidget(copy);
  slots_grid->addLayout(single_buttons, 4, 0, 1, 5);

  // Box 0 of each row carries the row's caption before its tick, so the four ticks of a row
  // stand in the columns of slots 0..3.
  auto* map_frame = new QGroupBox("Enable Map", this);
  map_frame->setObjectName("FrameECInit");
  auto* map_grid = new QGridLayout(map_frame);
  map_grid->setHorizontalSpacing(14);
  for (int i = 0; i < 4; ++i) {
    map_grid->addWidget(
        MakeLabel(QString("LabelECInitInput_%1").arg(i), QString("Input %1").arg(i), map_frame), 0,
        i, i == 0 ? Qt::AlignRight : Qt::AlignCenter);
  }
  for (int i = 0; i < 8; ++i) {
    const QString caption =
        i == 0 ? "InitialEvent_ON Enable " : (i == 4 ? "Initial Event_OFF Enable " : "");
    init_[i] = MakeCheck(QString("CheckInitEE_%1").arg(i), caption, map_frame);
    if (i % 4 == 0) init_[i]->setLayoutDirection(Qt::RightToLeft);
    map_grid->addWidget(init_[i], 1 + i / 4, i % 4, i % 4 == 0 ? Qt::Alignment() : Qt::AlignCenter);
  }
  map_grid->setColumnStretch(4, 1);
  auto* read_map = MakeButton("CommandECInitRead", "Read &Enable Map", map_frame);
  auto* write_map = MakeButton("CommandECInitWrite", "Write Enable M&ap", map_frame);
  auto* map_buttons = new QHBoxLayout;
  map_buttons->setSpacing(6);
  map_buttons->addStretch(1);
  map_buttons->addWidget(read_map);
  map_buttons->addWidget(write_map);
  map_grid->addLayout(map_buttons, 3, 0, 1, 5);
  map_grid->setRowStretch(4, 1);

  auto* all_frame = new QGroupBox("All Pins", this);
  all_frame->setObjectName("FrameECAll");
  auto* read_all = MakeButton("CommandECRead", "Read All Eve&nts", all_frame);
  auto* write_all = MakeButton("CommandECWrite", "Write All Events", all_frame);
  verify_ = MakeButton("CommandECVerify", "Verify Event C&ontrol", all_frame);
  KeepRoomWhenHidden(verify_);
  auto* all_buttons = new QHBoxLayout(all_frame);
  all_buttons->addWidget(read_all);
  all_buttons->addWidget(write_all);
  all_buttons->addWidget(verify_);
  all_buttons->addStretch(1);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(slots_frame, 0, 0);
  grid->addWidget(map_frame, 0, 1);
  grid->addWidget(all_frame, 1, 0, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(2, 1);

  SetExpertMode(false);
  ShowSettings();

  connect(text_pin_, &QLineEdit::editingFinished, this, [this] { TakePin(); });
  connect(updown_pin_, &UpDown::Changed, this, [this] { TakePin(); });
  for (int i = 0; i < 4; ++i) {
    connect(on_[i], &QLineEdit::editingFinished, this, [this, i] { TakeSlot(true, i); });
    connect(updown_on_[i], &UpDown::Changed, this, [this, i] { TakeSlot(true, i); });
    connect(off_[i], &QLineEdit::editingFinished, this, [this, i] { TakeSlot(false, i); });
    connect(updown_off_[i], &UpDown::Changed, this, [this, i] { TakeSlot(false, i); });
  }
  for (int i = 0; i < 8; ++i) {
    connect(init_[i], &QCheckBox::clicked, this, [this, i](bool ticked) {
      context_.model.Settings.InitEE[i] = ticked;
      context_.model.Settings.InitEEKnown = true;
    });
  }

  connect(read_single, &QPushButton::clicked, this, [this] {
    TakeEdits();
    const int pin = context_.model.ECPin;
    RunOnCopy(
        context_.jobs, context_.model,
        [pin](Link& link, Configuration& c) { ReadPinEvents(link, c, pin); },
        [this, pin](Configuration& c) {
          context_.model.EventControl[pin] = c.EventControl[pin];
          ShowPinEvents();
        });
  });
  connect(write_single, &QPushButton::clicked, this, [this] {
    TakeEdits();
    const int pin = context_.model.ECPin;
    RunOnCopy(context_.jobs, context_.model,
              [pin](Link& link, Configuration& c) { WritePinEvents(link, c, pin); });
  });
  connect(copy, &QPushButton::clicked, this, [this] {
    TakeEdits();
    CopyEventsToAll(context_.model, context_.model.EventControl[context_.model.ECPin]);
  });
  connect(read_map, &QPushButton::clicked, this, [this] {
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadEnableMap(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings.InitEE = c.Settings.InitEE;
          context_.model.Settings.InitEEKnown = c.Settings.InitEEKnown;
          ShowEnableMap();
        });
  });
  connect(write_map, &QPushButton::clicked, this, [this] {
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteEnableMap(link, c.Settings); });
  });
  connect(read_all, &QPushButton::clicked, this, [this] { emit QueueCommand("ECReadAll"); });
  connect(write_all, &QPushButton::clicked, this, [this] { emit QueueCommand("ECWriteAll"); });
  connect(verify_, &QPushButton::clicked, this, [this] { emit QueueCommand("ECVerify"); });
  ApplyToolTips(this, kToolTips);

  // Keyboard order follows the rows (the ON row before the OFF row), not the columns they were
  // made in.
  std::vector<QWidget*> order = {text_pin_};
  order.insert(order.end(), std::begin(on_), std::end(on_));
  order.insert(order.end(), std::begin(off_), std::end(off_));
  order.insert(order.end(), {read_single, write_single, copy});
  order.insert(order.end(), std::begin(init_), std::end(init_));
  order.insert(order.end(), {read_map, write_map, read_all, write_all, verify_});
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void EventControlPanel::SetExpertMode(bool expert) { verify_->setVisible(expert); }

void EventControlPanel::ShowSettings() {
  const int base = context_.model.NumberBase;
  updown_pin_->SetRange(base, base + kPinCount - 1);
  text_pin_->setText(QString::number(context_.model.ECPin + base));
  ShowPinEvents();
  ShowEnableMap();
}

void EventControlPanel::ShowPinEvents() {
  const EventControlRecord& record = context_.model.EventControl[context_.model.ECPin];
  for (int i = 0; i < 4; ++i) {
    on_[i]->setText(QString::number(record.EventOn[i]));
    off_[i]->setText(QString::number(record.EventOff[i]));
    Colour(on_[i]);
    Colour(off_[i]);
  }
}

void EventControlPanel::ShowEnableMap() {
  for (int i = 0; i < 8; ++i) init_[i]->setChecked(context_.model.Settings.InitEE[i]);
}

void EventControlPanel::TakeEdits() {
  // The slots shown belong to the pin stored before; they are taken before the pin may change.
  for (int i = 0; i < 4; ++i) {
    if (Edited(on_[i])) TakeSlot(true, i);
    if (Edited(off_[i])) TakeSlot(false, i);
  }
  if (Edited(text_pin_)) TakePin();
}

void EventControlPanel::TakePin() {
  const int base = context_.model.NumberBase;
  const int shown = std::clamp(BoxValue(text_pin_), base, base + kPinCount - 1);
  text_pin_->setText(QString::number(shown));
  if (context_.model.ECPin == shown - base) return;
  context_.model.ECPin = shown - base;
  ShowPinEvents();
}

void EventControlPanel::TakeSlot(bool on, int slot) {
  QLineEdit* box = on ? on_[slot] : off_[slot];
  const int value = ClampEventValue(BoxValue(box));
  box->setText(QString::number(value));
  Colour(box);
  EventControlRecord& record = context_.model.EventControl[context_.model.ECPin];
  (on ? record.EventOn : record.EventOff)[slot] = value;
}

void EventControlPanel::Colour(QLineEdit* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, BoxValue(box) == kNoEvent
                                       ? kNoEventColour
                                       : QApplication::palette().color(QPalette::Base));
  box->setPalette(palette);
}

}  // namespace pyra

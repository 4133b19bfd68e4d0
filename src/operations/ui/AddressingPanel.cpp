#include "operations/ui/AddressingPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <utility>

#include "operations/GeneralSettings.h"
#include "operations/SettingsCodec.h"
#include "widgets/Controls.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr int kMaxLumoModeAddress = 127;
constexpr int kMaxModuleXAddress = 95;

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"CheckGenPRNative",
     "Native Pyra Mode: each module address spans 128 serial (Lumo-format) addresses instead of "
     "32. Not together with Lumo flexible addressing"},
    {"CheckGenLMaddr",
     "Lumo flexible addressing: the module answers a block of Lumo-format serial addresses that "
     "starts at the Start address (for experienced users)"},
    {"TextGenLMaddr|LabelGenXA_4",
     "First serial address of the Lumo flexible block; moves in steps of 4"},
    {"CheckGenForceXA",
     "Enforced eXtended Address: the module keeps 127 instead of its own eXtended Address and no "
     "group mask"},
    {"TextGenXaddr|LabelGenXA_1", "The module's own eXtended Address (96 addresses)"},
    {"CheckGenXGM_\\d+|LabelGenXA_2",
     "eXtended Group Mask: one box per eXtended group 0..15 (numbered above)"},
};

}  // namespace

AddressingPanel::AddressingPanel(PanelContext context, QWidget* parent)
    : QGroupBox("Module Addressing", parent), context_(context) {
  setObjectName("FrameGenAddressing");

  native_ = MakeCheck("CheckGenPRNative", "Native Pyra Mode", this);
  lumo_flex_ = MakeCheck("CheckGenLMaddr", "Lumo Flex-Addresss", this);
  label_start_ = MakeLabel("LabelGenXA_4", "Start", this);
  text_start_ = MakeNumberBox("TextGenLMaddr", 3, this);
  updown_start_ = MakeUpDown("UpDownGenLMaddr", text_start_, this);
  label_start_->setBuddy(text_start_);
  force_xa_ = MakeCheck("CheckGenForceXA", "Enforced eXtended Address", this);
  label_xaddress_ = MakeLabel("LabelGenXA_1", "Module eXtended Address", this);
  text_xaddress_ = MakeNumberBox("TextGenXaddr", 2, this);
  updown_xaddress_ = MakeUpDown("UpDownGenXaddr", text_xaddress_, this);
  label_xaddress_->setBuddy(text_xaddress_);
  label_mask_ = MakeLabel("LabelGenXA_2", "eXt Group Mask", this);

  // The numbers 0 to 15 stand each above its box: both rows use the same cell width.
  const int cell = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8;
  mask_numbers_ = new QWidget(this);
  mask_numbers_->setObjectName("LabelGenXGMlbl");
  auto* numbers_row = new QHBoxLayout(mask_numbers_);
  numbers_row->setContentsMargins(0, 0, 0, 0);
  numbers_row->setSpacing(0);
  auto* boxes = new QWidget(this);
  boxes->setObjectName("FrameGenXGM");
  auto* boxes_row = new QHBoxLayout(boxes);
  boxes_row->setContentsMargins(0, 0, 0, 0);
  boxes_row->setSpacing(0);
  for (int i = 0; i < 16; ++i) {
    auto* number = new QLabel(QString::number(i), mask_numbers_);
    number->setAlignment(Qt::AlignCenter);
    number->setFixedWidth(cell);
    numbers_row->addWidget(number);
    auto* cell_widget = new QWidget(boxes);
    cell_widget->setFixedWidth(cell);
    auto* holder = new QHBoxLayout(cell_widget);
    holder->setContentsMargins(0, 0, 0, 0);
    mask_[i] = MakeCheck(QString("CheckGenXGM_%1").arg(i), "", cell_widget);
    holder->addWidget(mask_[i], 0, Qt::AlignHCenter);
    boxes_row->addWidget(cell_widget);
  }
  numbers_row->addStretch(1);
  boxes_row->addStretch(1);

  auto* read = MakeButton("CommandGenAddrRead", "Read Settings", this);
  auto* write = MakeButton("CommandGenAddrWrite", "Write Settings", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(native_, 0, 0);
  grid->addWidget(lumo_flex_, 1, 0);
  auto* start_row = new QHBoxLayout;
  start_row->addWidget(label_start_);
  start_row->addWidget(Pair(text_start_, updown_start_, this));
  start_row->addStretch(1);
  grid->addLayout(start_row, 1, 1);
  grid->addWidget(force_xa_, 2, 0);
  grid->addWidget(label_xaddress_, 3, 0);
  grid->addWidget(Pair(text_xaddress_, updown_xaddress_, this), 3, 1, Qt::AlignLeft);
  grid->addWidget(label_mask_, 4, 0, 2, 1, Qt::AlignBottom);
  grid->addWidget(mask_numbers_, 4, 1);
  grid->addWidget(boxes, 5, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(read);
  buttons->addWidget(write);
  grid->addLayout(buttons, 6, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  for (QWidget* w : std::initializer_list<QWidget*>{native_, lumo_flex_, label_start_, text_start_,
                                                    updown_start_, label_xaddress_, text_xaddress_,
                                                    updown_xaddress_, label_mask_, mask_numbers_}) {
    KeepRoomWhenHidden(w);
  }
  for (QCheckBox* box : mask_) KeepRoomWhenHidden(box);

  ShowSettings();

  ModuleSettings& s = context_.model.Settings;
  connect(native_, &QCheckBox::clicked, this, [this, &s](bool ticked) {
    s.PRNative = ticked;
    ApplyVisibility();
    emit LumoAddressesChanged();
  });
  connect(lumo_flex_, &QCheckBox::clicked, this, [this](bool ticked) { LumoFlexClicked(ticked); });
  connect(force_xa_, &QCheckBox::clicked, this, [this, &s](bool ticked) {
    s.ForceXA = ticked;
    s.ForceXAKnown = true;
    ApplyVisibility();
  });
  connect(text_start_, &QLineEdit::editingFinished, this, [this] { TakeLumoStart(); });
  connect(updown_start_, &UpDown::Stepped, this, [this](int steps) { StepLumoStart(steps); });
  connect(text_xaddress_, &QLineEdit::editingFinished, this, [this] { TakeXAddress(); });
  connect(updown_xaddress_, &UpDown::Changed, this,
          [this, &s](int value) { s.ModuleXAddress = value - context_.model.NumberBase; });
  for (int i = 0; i < 16; ++i) {
    connect(mask_[i], &QCheckBox::clicked, this, [&s, i](bool ticked) { s.GroupMask[i] = ticked; });
  }

  connect(read, &QPushButton::clicked, this, [this] {
    TakeEdits();
    // Filling the controls from the module never asks the Lumo question: ShowSettings sets the
    // boxes without running their handlers.
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadAddressSettings(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings = c.Settings;
          ShowSettings();
          emit LumoAddressesChanged();
        });
  });
  connect(write, &QPushButton::clicked, this, [this] {
    TakeEdits();
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteAddressSettings(link, c.Settings); });
  });
  ApplyToolTips(this, kToolTips);
}

void AddressingPanel::ShowSettings() {
  const ModuleSettings& s = context_.model.Settings;
  const int base = context_.model.NumberBase;
  native_->setChecked(s.PRNative);
  lumo_flex_->setChecked(s.LumoFlex);
  force_xa_->setChecked(s.ForceXA);
  // The start moves in blocks of four; the spin buttons only say up or down.
  updown_start_->SetRange(base, base + 4 * kMaxLumoModeAddress);
  ShowLumoStart();
  updown_xaddress_->SetRange(base, base + kMaxModuleXAddress);
  text_xaddress_->setText(QString::number(s.ModuleXAddress + base));
  for (int i = 0; i < 16; ++i) mask_[i]->setChecked(s.GroupMask[i]);
  ApplyVisibility();
}

void AddressingPanel::TakeEdits() {
  if (Edited(text_start_)) TakeLumoStart();
  if (Edited(text_xaddress_)) TakeXAddress();
}

void AddressingPanel::ApplyVisibility() {
  const ModuleSettings& s = context_.model.Settings;
  const bool enforced = s.ForceXA;
  native_->setVisible(!enforced && !s.LumoFlex);
  lumo_flex_->setVisible(!enforced && !s.PRNative);
  for (QWidget* w : std::initializer_list<QWidget*>{label_start_, text_start_, updown_start_}) {
    w->setVisible(!enforced && s.LumoFlex);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{label_xaddress_, text_xaddress_,
                                                    updown_xaddress_, label_mask_, mask_numbers_}) {
    w->setVisible(!enforced);
  }
  for (QCheckBox* box : mask_) box->setVisible(!enforced);
}

void AddressingPanel::LumoFlexClicked(bool ticked) {
  if (ticked && context_.prompter.Ask("Lumo Flexible Addressing is a complex concept !!\r\n"
                                      "It should only be activated by experienced users\r\n"
                                      "that understand the details very well !",
                                      Buttons::kOkCancel, Icon::kExclamation) != Answer::kOk) {
    lumo_flex_->setChecked(false);
    ticked = false;
  }
  context_.model.Settings.LumoFlex = ticked;
  ApplyVisibility();
  emit LumoAddressesChanged();
}

void AddressingPanel::ShowLumoStart() {
  text_start_->setText(
      QString::number(4 * context_.model.Settings.LumoModeAddress + context_.model.NumberBase));
}

void AddressingPanel::TakeLumoStart() {
  const int before = context_.model.Settings.LumoModeAddress;
  context_.model.Settings.LumoModeAddress =
      LumoModeAddressFromText(BoxValue(text_start_), context_.model.NumberBase);
  // Snaps down to the start of its block of four.
  ShowLumoStart();
  if (context_.model.Settings.LumoModeAddress != before) emit LumoAddressesChanged();
}

void AddressingPanel::StepLumoStart(int steps) {
  int& address = context_.model.Settings.LumoModeAddress;
  if (steps < 0 && address > 0) --address;
  if (steps > 0 && address < kMaxLumoModeAddress) ++address;
  ShowLumoStart();
  emit LumoAddressesChanged();
}

void AddressingPanel::TakeXAddress() {
  const int base = context_.model.NumberBase;
  const int typed = BoxValue(text_xaddress_);
  const int shown = ClampModuleXAddress(typed, base);
  if (shown != typed) text_xaddress_->setText(QString::number(shown));
  Taken(text_xaddress_);
  context_.model.Settings.ModuleXAddress = shown - base;
}

}  // namespace pyra

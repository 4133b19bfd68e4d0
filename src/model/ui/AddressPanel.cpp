#include "model/ui/AddressPanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <utility>

#include "model/AddressAssignment.h"
#include "widgets/Controls.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

struct CountEditor {
  const char* text;
  const char* updown;
  const char* caption;
  int limit;
};

constexpr CountEditor kCountEditors[] = {
    {"TextPaspDCCn", "UpDownPaspDCCn", "DCC outputs", kMaxDccCount},
    {"TextPAspXDCCn", "UpDownPaspXDCCn", "eXt DCC addr", kMaxXDccCount},
    {"TextPaspLumon", "UpDownPaspLumon", "Serial addr", kMaxLumoCount},
};

QLabel* MakeValue(const char* name, QWidget* parent) {
  QLabel* label = MakeLabel(name, "-", parent);
  label->setFrameShape(QFrame::StyledPanel);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance("32.96.192") + 10);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextPaspDCCn|LabelPAspCount_0",
     "How many DCC outputs this pin occupies (0..6); each pin's block follows the one of the pin "
     "before"},
    {"TextPAspXDCCn|LabelPAspCount_1", "How many eXtended DCC addresses this pin occupies (0..1)"},
    {"TextPaspLumon|LabelPAspCount_2",
     "How many serial (Lumo-format) addresses this pin occupies (0..6)"},
    {"lblPinAddress|LabelPAspPinAddress", "Module and pin address of the pin on the serial bus"},
};

}  // namespace

AddressPanel::AddressPanel(Configuration& model, QWidget* parent)
    : QGroupBox("Addresses", parent), model_(model) {
  setObjectName("FramePAspAddresses");

  dcc_address_ = MakeValue("lblDCCAddress", this);
  xdcc_address_ = MakeValue("lblXDCCAddress", this);
  serial_address_ = MakeValue("lblSerialAddress", this);
  pin_address_ = MakeValue("lblPinAddress", this);

  auto* grid = new QGridLayout(this);
  count_heading_ = MakeLabel("LabelPASPAdrCnt", "Nr Of Addresses", this);
  grid->addWidget(count_heading_, 0, 1);
  grid->addWidget(MakeLabel("LabelPAspFirst", "First address", this), 0, 2);
  QLabel* values[] = {dcc_address_, xdcc_address_, serial_address_};
  for (int i = 0; i < 3; ++i) {
    const CountEditor& e = kCountEditors[i];
    counts_[i] = MakeNumberBox(e.text, 1, this);
    updowns_[i] = MakeUpDown(e.updown, counts_[i], this);
    updowns_[i]->SetRange(0, e.limit);
    grid->addWidget(MakeLabel(QString("LabelPAspCount_%1").arg(i), e.caption, this), i + 1, 0);
    grid->addWidget(Pair(counts_[i], updowns_[i], this), i + 1, 1);
    grid->addWidget(values[i], i + 1, 2);
  }
  grid->addWidget(MakeLabel("LabelPAspPinAddress", "Pin address", this), 4, 0);
  grid->addWidget(pin_address_, 4, 2);
  grid->setColumnStretch(3, 1);

  ShowSettings();

  for (int i = 0; i < 3; ++i) {
    const auto count = static_cast<Count>(i);
    connect(counts_[i], &QLineEdit::editingFinished, this,
            [this, count] { TakeCount(count, false); });
    connect(updowns_[i], &UpDown::Changed, this, [this, count] { TakeCount(count, true); });
  }
  ApplyToolTips(this, kToolTips);
}

void AddressPanel::SetLinkAddresses(int module_address, int extended_address, bool use_xaddress) {
  module_address_ = module_address;
  extended_address_ = extended_address;
  use_xaddress_ = use_xaddress;
  ShowLumoAddress();
}

void AddressPanel::ShowSettings() {
  const PinRecord& pin = model_.Pins[model_.CurrentPin];
  counts_[kDcc]->setText(QString::number(pin.DccCount));
  counts_[kXDcc]->setText(QString::number(pin.XDccCount));
  counts_[kLumo]->setText(QString::number(pin.LumoCount));
  ShowLabels();
  ShowCountBoxes();
}

void AddressPanel::ShowDccAddress() {
  dcc_address_->setText(QString::fromStdString(ShowPinDccAddress(model_)));
}

void AddressPanel::ShowXDccAddress() {
  xdcc_address_->setText(QString::fromStdString(ShowPinXDccAddress(model_)));
}

void AddressPanel::ShowLumoAddress() {
  const LumoLabels labels =
      ShowPinLumoAddress(model_, module_address_, extended_address_, use_xaddress_);
  serial_address_->setText(QString::fromStdString(labels.serial_address));
  pin_address_->setText(QString::fromStdString(labels.pin_address));
}

void AddressPanel::ShowLabels() {
  ShowDccAddress();
  ShowXDccAddress();
  ShowLumoAddress();
}

void AddressPanel::TakeEdits() {
  for (int i = 0; i < 3; ++i) {
    if (Edited(counts_[i])) TakeCount(static_cast<Count>(i), false);
  }
}

void AddressPanel::TakeCount(Count count, bool from_spin) {
  QLineEdit* box = counts_[count];
  const int limit = kCountEditors[count].limit;
  int value = BoxValue(box);
  // The spin buttons stay within the limits; a typed value is pulled to the nearest one.
  if (!from_spin && (value < 0 || value > limit)) {
    value = std::clamp(value, 0, limit);
    box->setText(QString::number(value));
  }
  Taken(box);
  PinRecord& pin = model_.Pins[model_.CurrentPin];
  switch (count) {
    case kDcc:
      pin.DccCount = static_cast<uint8_t>(value);
      ComputeDccStarts(model_);
      ShowDccAddress();
      break;
    case kXDcc:
      pin.XDccCount = static_cast<uint8_t>(value);
      ComputeXDccStarts(model_);
      ShowXDccAddress();
      break;
    case kLumo:
      pin.LumoCount = static_cast<uint8_t>(value);
      ComputeLumoStarts(model_);
      ShowLumoAddress();
      break;
  }
}

void AddressPanel::ApplyShowDetails(bool details) {
  details_ = details;
  ShowCountBoxes();
}

void AddressPanel::ShowCountBoxes() {
  bool any = false;
  for (int i = 0; i < 3; ++i) {
    const bool shown = details_ || counts_[i]->text() != "1";
    counts_[i]->setVisible(shown);
    updowns_[i]->setVisible(shown);
    any = any || shown;
  }
  count_heading_->setVisible(any);
}

}  // namespace pyra

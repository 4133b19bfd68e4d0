#include "operations/ui/SerialPortPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "operations/GeneralSettings.h"
#include "operations/SettingsCodec.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

struct Choice {
  int index;
  const char* caption;
};

QButtonGroup* MakeOptions(const char* name, std::initializer_list<Choice> choices, QHBoxLayout* row,
                          QWidget* parent) {
  auto* group = new QButtonGroup(parent);
  for (const Choice& c : choices) {
    auto* option = MakeOption(QString("%1_%2").arg(name).arg(c.index), c.caption, parent);
    group->addButton(option, c.index);
    row->addWidget(option);
  }
  row->addStretch(1);
  return group;
}

// Selects the option with `id`; none when there is no such option (a parity code 1 read from a
// module has no button).
void Select(QButtonGroup* group, int id) {
  group->setExclusive(false);
  for (QAbstractButton* option : group->buttons()) option->setChecked(group->id(option) == id);
  group->setExclusive(true);
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"CheckGenSerialEnable",
     "Switch the module's own serial port on. These are the settings of the module's port, not of "
     "this computer's"},
    {"ComboGenBaud|LabelGenBaud", "Bit rate of the module's own serial port"},
    {"OptionGenSerial\\w+", "A setting of the module's own serial port"},
};

}  // namespace

SerialPortPanel::SerialPortPanel(PanelContext context, QWidget* parent)
    : QGroupBox("Serial Port", parent), context_(context) {
  setObjectName("FrameGenSerial");

  enable_ = MakeCheck("CheckGenSerialEnable", "Enable", this);
  auto* label_baud = MakeLabel("LabelGenBaud", "Baudrate", this);
  baud_ = new QComboBox(this);
  baud_->setObjectName("ComboGenBaud");
  for (const char* rate : kBaudRates) baud_->addItem(rate);
  label_baud->setBuddy(baud_);

  auto* data_row = new QHBoxLayout;
  data_bits_ = MakeOptions("OptionGenSerialDatabits", {{0, "7"}, {1, "8"}}, data_row, this);
  auto* parity_row = new QHBoxLayout;
  parity_ =
      MakeOptions("OptionGenSerialParity", {{0, "No"}, {2, "Even"}, {3, "Odd"}}, parity_row, this);
  auto* stop_row = new QHBoxLayout;
  stop_bits_ = MakeOptions("OptionGenSerialStop", {{0, "1"}, {1, "2"}}, stop_row, this);

  auto* read = MakeButton("CommandGenSerialRead", "Read Settings", this);
  auto* write = MakeButton("CommandGenSerialWrite", "Write Settings", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(enable_, 0, 0, 1, 2);
  grid->addWidget(label_baud, 1, 0);
  grid->addWidget(baud_, 1, 1, Qt::AlignLeft);
  grid->addWidget(MakeLabel("LabelGenSerialDatabits", "Data Bits", this), 2, 0);
  grid->addLayout(data_row, 2, 1);
  grid->addWidget(MakeLabel("LabelGenSerialParity", "Parity", this), 3, 0);
  grid->addLayout(parity_row, 3, 1);
  grid->addWidget(MakeLabel("LabelGenSerialStop", "Stop Bits", this), 4, 0);
  grid->addLayout(stop_row, 4, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(read);
  buttons->addWidget(write);
  grid->addLayout(buttons, 5, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  ShowSettings();

  ModuleSettings& s = context_.model.Settings;
  connect(enable_, &QCheckBox::clicked, this, [&s](bool ticked) { s.SerialEnable = ticked; });
  connect(baud_, &QComboBox::activated, this, [&s](int index) { s.SerialBaudIndex = index; });
  connect(data_bits_, &QButtonGroup::idClicked, this,
          [&s](int id) { s.SerialDataBits8 = id == 1; });
  connect(parity_, &QButtonGroup::idClicked, this, [&s](int id) { s.SerialParity = id; });
  connect(stop_bits_, &QButtonGroup::idClicked, this, [&s](int id) { s.SerialStop2 = id == 1; });
  connect(read, &QPushButton::clicked, this, [this] {
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadSerialPortConfig(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings = c.Settings;
          ShowSettings();
        });
  });
  connect(write, &QPushButton::clicked, this, [this] {
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteSerialPortConfig(link, c.Settings); });
  });
  ApplyToolTips(this, kToolTips);
}

void SerialPortPanel::ShowSettings() {
  const ModuleSettings& s = context_.model.Settings;
  enable_->setChecked(s.SerialEnable);
  baud_->setCurrentIndex(s.SerialBaudIndex);
  Select(data_bits_, s.SerialDataBits8 ? 1 : 0);
  Select(parity_, s.SerialParity);
  Select(stop_bits_, s.SerialStop2 ? 1 : 0);
}

}  // namespace pyra

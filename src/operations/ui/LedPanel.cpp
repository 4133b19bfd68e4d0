#include "operations/ui/LedPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <utility>

#include "operations/GeneralSettings.h"
#include "operations/SettingsCodec.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

constexpr const char* kGreenCaptions[] = {"Basic DCC Packet", "eXtd DCC Packet", "Lumo Message",
                                          "Pyra Message",     "Green 4",         "Green 5",
                                          "Green 6",          "Idle Flash"};
constexpr const char* kOrangeCaptions[] = {
    "DCC Checksum Error", "Orange 1", "Orange 2", "Orange 3",
    "Orange 4",           "Orange 5", "Orange 6", "All Received Datagrams"};
constexpr int kDefaultBox = 7;

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"CheckLCGreen_[0-6]", "The green LED signals this event"},
    {"CheckLCOrange_[0-6]", "The orange LED signals this event"},
    {"CheckLCGreen_7|CheckLCOrange_7",
     "What the LED shows while none of the boxes above is ticked"},
};

}  // namespace

LedPanel::LedPanel(PanelContext context, QWidget* parent)
    : QGroupBox("LED Control", parent), context_(context) {
  setObjectName("FrameLC");

  auto* grid = new QGridLayout(this);
  grid->addWidget(MakeLabel("LabelLCGreen", "Green LED", this), 0, 0);
  grid->addWidget(MakeLabel("LabelLCOrange", "Orange LED", this), 0, 1);
  for (int i = 0; i < 8; ++i) {
    green_[i] = MakeCheck(QString("CheckLCGreen_%1").arg(i), kGreenCaptions[i], this);
    orange_[i] = MakeCheck(QString("CheckLCOrange_%1").arg(i), kOrangeCaptions[i], this);
    grid->addWidget(green_[i], i + 1, 0);
    grid->addWidget(orange_[i], i + 1, 1);
  }
  green_[kDefaultBox]->setTristate(true);
  orange_[kDefaultBox]->setTristate(true);

  auto* read = MakeButton("CommandLCRead", "Read Settings", this);
  auto* write = MakeButton("CommandLCWrite", "Write Settings", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(read);
  buttons->addWidget(write);
  grid->addLayout(buttons, 9, 0, 1, 2);

  ShowSettings();

  ModuleSettings& s = context_.model.Settings;
  for (int i = 0; i < 8; ++i) {
    connect(green_[i], &QCheckBox::clicked, this,
            [this, &s, i] { BoxClicked(s.LedGreen, green_, i); });
    connect(orange_[i], &QCheckBox::clicked, this,
            [this, &s, i] { BoxClicked(s.LedOrange, orange_, i); });
  }
  connect(read, &QPushButton::clicked, this, [this] {
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadLEDConfig(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings = c.Settings;
          ShowSettings();
        });
  });
  connect(write, &QPushButton::clicked, this, [this] {
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteLEDConfig(link, c.Settings); });
  });
  ApplyToolTips(this, kToolTips);
}

void LedPanel::ShowSettings() {
  Show(context_.model.Settings.LedGreen, green_);
  Show(context_.model.Settings.LedOrange, orange_);
}

void LedPanel::BoxClicked(std::array<int, 8>& boxes, const std::array<QCheckBox*, 8>& shown,
                          int index) {
  // Box 7 cannot be plainly ticked: any click that leaves it marked chooses the default.
  const int value = shown[index]->checkState() == Qt::Unchecked ? 0 : 1;
  ClickLedBox(boxes, index, value);
  Show(boxes, shown);
}

void LedPanel::Show(const std::array<int, 8>& boxes, const std::array<QCheckBox*, 8>& shown) {
  for (int i = 0; i < 8; ++i) {
    shown[i]->setCheckState(boxes[i] == 2   ? Qt::PartiallyChecked
                            : boxes[i] == 1 ? Qt::Checked
                                            : Qt::Unchecked);
  }
}

}  // namespace pyra

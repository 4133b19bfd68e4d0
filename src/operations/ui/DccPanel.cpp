#include "operations/ui/DccPanel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "model/AddressAssignment.h"
#include "operations/GeneralSettings.h"
#include "operations/SettingsCodec.h"
#include "widgets/Controls.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr int kMaxDccAddress = 510;
constexpr int kMaxXDccAddress = 2046;

void ShowRange(QLabel* label, const RangeCaption& range) {
  label->setText(QString::fromStdString(range.text));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, range.overflow
                                             ? QColor(Qt::red)
                                             : QApplication::palette().color(QPalette::ButtonText));
  label->setPalette(palette);
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextGenDCCAddress|LabelGenDCCAddress",
     "The module's basic DCC accessory decoder address (1..510, from 0 with Allow Address 0); each "
     "address carries 4 outputs"},
    {"TextGenXDCCAddress|LabelGenXDCCAddress",
     "The module's first eXtended DCC accessory decoder address (1..2046, from 0 with Allow "
     "Address 0)"},
    {"LabelGenDCCOutput|LabelGenXDCCOutput",
     "The outputs the module's pins occupy, from the decoder address on"},
    {"OptGenDCC_PRP_\\d|LabelGenDCC_PRP",
     "Packet Retention: the retention period of received DCC packets"},
    {"ChkGenDCC_BPSI",
     "Basic Packet State Invert: the module takes the state carried by basic accessory packets "
     "inverted"},
    {"ChkGenDCCAllow0",
     "Allow DCC address 0; also lowers the smallest basic and eXtended decoder address from 1 to "
     "0"},
};

}  // namespace

DccPanel::DccPanel(PanelContext context, QWidget* parent)
    : QGroupBox("DCC", parent), context_(context) {
  setObjectName("FrameGenDCC");

  auto* label_dcc = MakeLabel("LabelGenDCCAddress", "Basic Decoder Addr", this);
  text_dcc_ = MakeNumberBox("TextGenDCCAddress", 4, this);
  updown_dcc_ = MakeUpDown("UpDownGenDCCAddress", text_dcc_, this);
  label_dcc->setBuddy(text_dcc_);
  dcc_output_ = MakeLabel("LabelGenDCCOutput", "", this);
  auto* label_xdcc = MakeLabel("LabelGenXDCCAddress", "Extended Dec. Addr", this);
  text_xdcc_ = MakeNumberBox("TextGenXDCCAddress", 4, this);
  updown_xdcc_ = MakeUpDown("UpDownGenXDCCAddress", text_xdcc_, this);
  label_xdcc->setBuddy(text_xdcc_);
  xdcc_output_ = MakeLabel("LabelGenXDCCOutput", "", this);
  for (QLabel* output : {dcc_output_, xdcc_output_}) {
    output->setMinimumWidth(output->fontMetrics().horizontalAdvance("Output 2044 .. OVERFLOW"));
  }

  auto* label_retention = MakeLabel("LabelGenDCC_PRP", "Packet Retention", this);
  retention_ = new QButtonGroup(this);
  const char* retention_captions[] = {"62.5ms", "125ms", "250ms", "500ms"};
  auto* retention_row = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    auto* option = MakeOption(QString("OptGenDCC_PRP_%1").arg(i), retention_captions[i], this);
    retention_->addButton(option, i);
    retention_row->addWidget(option);
  }
  retention_row->addStretch(1);
  invert_ = MakeCheck("ChkGenDCC_BPSI", "Basic Packet State Invert", this);
  allow0_ = MakeCheck("ChkGenDCCAllow0", "Allow Address 0", this);

  auto* read = MakeButton("CommandGenDCCRead", "Read Settings", this);
  auto* write = MakeButton("CommandGenDCCWrite", "Write Settings", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(label_dcc, 0, 0);
  grid->addWidget(Pair(text_dcc_, updown_dcc_, this), 0, 1);
  grid->addWidget(dcc_output_, 0, 2);
  grid->addWidget(label_xdcc, 1, 0);
  grid->addWidget(Pair(text_xdcc_, updown_xdcc_, this), 1, 1);
  grid->addWidget(xdcc_output_, 1, 2);
  grid->addWidget(label_retention, 2, 0);
  grid->addLayout(retention_row, 2, 1, 1, 2);
  auto* options_row = new QHBoxLayout;
  options_row->addWidget(invert_);
  options_row->addWidget(allow0_);
  options_row->addStretch(1);
  grid->addLayout(options_row, 3, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(read);
  buttons->addWidget(write);
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(2, 1);

  ShowSettings();

  ModuleSettings& s = context_.model.Settings;
  connect(text_dcc_, &QLineEdit::editingFinished, this, [this] { TakeDccAddress(); });
  connect(updown_dcc_, &UpDown::Changed, this, [this] { TakeDccAddress(); });
  connect(text_xdcc_, &QLineEdit::editingFinished, this, [this] { TakeXDccAddress(); });
  connect(updown_xdcc_, &UpDown::Changed, this, [this] { TakeXDccAddress(); });
  connect(retention_, &QButtonGroup::idClicked, this, [&s](int id) { s.PacketRetention = id; });
  connect(invert_, &QCheckBox::clicked, this,
          [&s](bool ticked) { s.BasicPacketStateInvert = ticked; });
  connect(allow0_, &QCheckBox::clicked, this, [this, &s](bool ticked) {
    s.AllowAddress0 = ticked;
    // Unticking raises an address 0 to 1.
    TakeDccAddress();
    TakeXDccAddress();
  });

  connect(read, &QPushButton::clicked, this, [this] {
    TakeEdits();
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadDCCSettings(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings = c.Settings;
          ShowSettings();
          emit DccBasesChanged();
        });
  });
  connect(write, &QPushButton::clicked, this, [this] {
    TakeEdits();
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteDCCSettings(link, c.Settings); });
  });
  ApplyToolTips(this, kToolTips);
}

void DccPanel::ShowSettings() {
  const ModuleSettings& s = context_.model.Settings;
  text_dcc_->setText(QString::number(s.DccAddress));
  text_xdcc_->setText(QString::number(s.XDccAddress));
  // No option is selected until one is chosen or read; the write then sends "250ms".
  retention_->setExclusive(false);
  for (QAbstractButton* option : retention_->buttons()) {
    option->setChecked(retention_->id(option) == s.PacketRetention);
  }
  retention_->setExclusive(true);
  invert_->setChecked(s.BasicPacketStateInvert);
  allow0_->setChecked(s.AllowAddress0);
  UpdateLimits();
  ShowRanges();
}

void DccPanel::ShowRanges() {
  ShowRange(xdcc_output_, ShowModuleXDccRange(context_.model));
  ShowRange(dcc_output_, ShowModuleDccRange(context_.model));
}

void DccPanel::TakeEdits() {
  if (Edited(text_dcc_)) TakeDccAddress();
  if (Edited(text_xdcc_)) TakeXDccAddress();
}

void DccPanel::UpdateLimits() {
  const int minimum = context_.model.Settings.AllowAddress0 ? 0 : 1;
  updown_dcc_->SetRange(minimum, kMaxDccAddress);
  updown_xdcc_->SetRange(minimum, kMaxXDccAddress);
}

void DccPanel::TakeDccAddress() {
  ModuleSettings& s = context_.model.Settings;
  s.DccAddress = ClampDccAddress(BoxValue(text_dcc_), s.AllowAddress0);
  text_dcc_->setText(QString::number(s.DccAddress));
  UpdateLimits();
  ShowRange(dcc_output_, ShowModuleDccRange(context_.model));
  emit DccBasesChanged();
}

void DccPanel::TakeXDccAddress() {
  ModuleSettings& s = context_.model.Settings;
  s.XDccAddress = ClampXDccAddress(BoxValue(text_xdcc_), s.AllowAddress0);
  text_xdcc_->setText(QString::number(s.XDccAddress));
  UpdateLimits();
  ShowRange(xdcc_output_, ShowModuleXDccRange(context_.model));
  emit DccBasesChanged();
}

}  // namespace pyra

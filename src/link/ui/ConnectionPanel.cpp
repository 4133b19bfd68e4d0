#include "link/ui/ConnectionPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "link/ConnectionSettings.h"
#include "link/Protocol.h"
#include "link/VeloraSetup.h"
#include "model/TypedNumber.h"
#include "sim/SimChannel.h"
#include "widgets/Controls.h"
#include "widgets/MouseLabel.h"
#include "widgets/UpDown.h"

namespace pyra {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kStablePortFolder[] = "/dev/serial/by-id";
constexpr int kDataRole = Qt::UserRole;

// The simulator's entries of the port list: alone, or behind a Velora unit of each kind, so that
// tunnelling and transparent mode can be tried without hardware.
struct SimulatorEntry {
  const char* caption;
  int unit_type;  // 0: no Velora unit
};
constexpr SimulatorEntry kSimulatorEntries[] = {
    {kSimulatorPortName, 0},
    {"Simulator behind HB-A", kInterfaceHBA},
    {"Simulator behind HB-B", kInterfaceHBB},
    {"Simulator behind Tavi", kInterfaceTavi},
};

const SimulatorEntry* FindSimulatorEntry(const std::string& name) {
  for (const SimulatorEntry& e : kSimulatorEntries) {
    if (name == e.caption) return &e;
  }
  return nullptr;
}

QLineEdit* MakeNumberBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit("1", parent);
  box->setObjectName(name);
  box->setAlignment(Qt::AlignRight);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance("00000") + 12);
  return box;
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"LabelPort", "Double-click: show or hide the bit rates"},
    {"ComboPort",
     "The serial port to the module, or the built-in simulated module, alone or behind a simulated "
     "Velora unit. Choosing an entry opens it; a port can also be typed"},
    {"cmdRefreshComm", "Close the port and list the system's ports again"},
    {"OptionBitRate_\\d",
     "Bit rate of the port (odd parity, 8 data bits, 1 stop bit); an open port is opened again"},
    {"CheckPyraBD",
     "Wait for the module's reply to every message. Unticked when a reply does not come; reading "
     "ticks it again"},
    {"TextAddress",
     "The address of the module to talk to (16 modules, 32 through Velora tunnelling)"},
    {"CheckXaddress",
     "Send an eXtended Address with every message, to reach a module by its eXtended Address (for "
     "experienced users)"},
    {"txtXaddr", "The eXtended Address sent with every message (96 addresses)"},
    {"CheckVelora",
     "Send the messages through the Velora system (tunnelling); needs a Velora system with "
     "protocol 3.200 or later and allows module addresses up to 32"},
};

}  // namespace

std::string StablePortPath(const std::string& location, const std::string& by_id_dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> links;
  for (fs::directory_iterator it(by_id_dir, ec), end; !ec && it != end; it.increment(ec)) {
    links.push_back(it->path());
  }
  std::sort(links.begin(), links.end());
  for (const fs::path& link : links) {
    // Follows the link; a dangling one or a vanished device simply does not match.
    if (fs::equivalent(link, location, ec)) return link.string();
  }
  return {};
}

PortEntry DescribeSerialPort(const std::string& name) {
  PortEntry entry{name, name, {}};
  const QSerialPortInfo info(QString::fromStdString(name));
  if (info.isNull()) return entry;
  const std::string location = info.systemLocation().toStdString();
  const std::string stable = StablePortPath(location, kStablePortFolder);
  const std::string description = info.description().trimmed().toStdString();
  if (!stable.empty()) {
    entry.open_name = stable;
    entry.shown = std::filesystem::path(stable).filename().string();
  }
  if (!description.empty()) entry.shown += " (" + description + ")";
  entry.description = stable.empty() ? location : stable + " -> " + location;
  if (!description.empty()) entry.description = description + "\n" + entry.description;
  return entry;
}

ConnectionPanel::ConnectionPanel(LinkJobs& jobs, Prompter& prompter, sim::Simulator& simulator,
                                 PortAccess ports, QWidget* parent)
    : QWidget(parent),
      jobs_(jobs),
      prompter_(prompter),
      simulator_(simulator),
      ports_(std::move(ports)),
      bit_rate_(kDefaultBitRate) {
  setObjectName("ConnectionArea");

  label_port_ = new MouseLabel("Port:", this);
  label_port_->setObjectName("LabelPort");
  combo_port_ = new QComboBox(this);
  combo_port_->setObjectName("ComboPort");
  // A port the system does not list can still be typed as a name or device path.
  combo_port_->setEditable(true);
  combo_port_->setInsertPolicy(QComboBox::NoInsert);
  combo_port_->setMinimumContentsLength(12);
  combo_port_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  label_port_->setBuddy(combo_port_);
  refresh_ = new QPushButton("Refresh", this);
  refresh_->setObjectName("cmdRefreshComm");

  // One row high, so that it fits beside the port row and the connection area stays narrow.
  frame_bitrate_ = new QFrame(this);
  frame_bitrate_->setObjectName("FrameBitrate");
  frame_bitrate_->setFrameShape(QFrame::StyledPanel);
  bit_rates_ = new QButtonGroup(this);
  auto* rates_layout = new QHBoxLayout(frame_bitrate_);
  rates_layout->setContentsMargins(6, 0, 6, 0);
  rates_layout->addWidget(new QLabel("Bitrate", frame_bitrate_));
  const char* rate_captions[] = {"  9k6", "19k2", "38k4"};
  for (int i = 0; i < 3; ++i) {
    auto* option = new QRadioButton(rate_captions[i], frame_bitrate_);
    option->setObjectName(QString("OptionBitRate_%1").arg(i));
    option->setChecked(kBitRates[i] == kDefaultBitRate);
    bit_rates_->addButton(option, i);
    rates_layout->addWidget(option);
  }
  frame_bitrate_->hide();

  bidirectional_ = new QCheckBox("Bidirectional Comm.", this);
  bidirectional_->setObjectName("CheckPyraBD");
  bidirectional_->setChecked(true);

  label_address_ = new QLabel("Module Address", this);
  label_address_->setObjectName("LabelAddress");
  text_address_ = MakeNumberBox("TextAddress", this);
  updown_address_ = new UpDown(text_address_, this);
  updown_address_->setObjectName("UpDownAddress");
  label_address_->setBuddy(text_address_);

  use_xaddress_ = new QCheckBox("Use eXtended Addr", this);
  use_xaddress_->setObjectName("CheckXaddress");
  label_xaddress_ = new QLabel("eXtended address", this);
  label_xaddress_->setObjectName("LabelXaddress");
  text_xaddress_ = MakeNumberBox("txtXaddr", this);
  updown_xaddress_ = new UpDown(text_xaddress_, this);
  updown_xaddress_->setObjectName("UpDownXaddr");
  label_xaddress_->setBuddy(text_xaddress_);

  use_velora_ = new QCheckBox("Use Velora Tunneling", this);
  use_velora_->setObjectName("CheckVelora");
  set_transparent_ = new QPushButton("Activate Transparent Mode", this);
  set_transparent_->setObjectName("cmdSetTM");
  set_transparent_->setToolTip("Switch HB-A or Tavi in Transparant Mode for Pyra Configuration");

  BuildLayout();
  ShowXAddressControls(false);
  UpdateAddressLimits();

  connect(label_port_, &MouseLabel::DoubleClicked, this,
          [this] { frame_bitrate_->setVisible(frame_bitrate_->isHidden()); });
  connect(combo_port_, &QComboBox::activated, this, [this] { OpenSelectedPort(); });
  connect(combo_port_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (combo_port_->currentText().trimmed().isEmpty() && !remembered_port_.isEmpty()) {
      combo_port_->setCurrentIndex(combo_port_->findText(remembered_port_));
      if (combo_port_->currentIndex() < 0) combo_port_->setEditText(remembered_port_);
      OpenSelectedPort();
      return;
    }
    // A typed name that matches a list entry is opened by `activated` already.
    if (combo_port_->findText(combo_port_->currentText()) < 0) OpenSelectedPort();
  });
  connect(refresh_, &QPushButton::clicked, this, [this] {
    ClosePort();
    RefreshPortList();
  });
  connect(bit_rates_, &QButtonGroup::idClicked, this, [this](int id) { ChooseBitRate(id); });
  connect(bidirectional_, &QCheckBox::clicked, this, [this](bool ticked) {
    jobs_.Configure([ticked](Link& link) { link.State().Bidirectional = ticked; });
  });
  connect(text_address_, &QLineEdit::editingFinished, this, [this] { TakeModuleAddress(); });
  connect(updown_address_, &UpDown::Changed, this, [this] { TakeModuleAddress(); });
  connect(text_xaddress_, &QLineEdit::editingFinished, this, [this] { TakeExtendedAddress(); });
  connect(updown_xaddress_, &UpDown::Changed, this, [this] { TakeExtendedAddress(); });
  connect(use_xaddress_, &QCheckBox::clicked, this, [this](bool ticked) {
    if (ticked && prompter_.Ask(std::string("eXtended Addressing is intended for") + kCrLf +
                                    "experienced users only!",
                                Buttons::kOkCancel, Icon::kWarning) == Answer::kCancel) {
      use_xaddress_->setChecked(false);
      ticked = false;
    }
    ShowXAddressControls(ticked);
    jobs_.Configure([ticked](Link& link) { link.State().UseXAddress = ticked; });
    emit AddressesChanged();
  });
  connect(use_velora_, &QCheckBox::clicked, this, [this](bool ticked) { SwitchVelora(ticked); });
  connect(set_transparent_, &QPushButton::clicked, this,
          [this] { jobs_.Run([](Link& link) { ActivateTransparentMode(link); }); });

  RefreshPortList();
  ApplyToolTips(this, kToolTips);
}

void ConnectionPanel::BuildLayout() {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);

  auto* port_row = new QHBoxLayout;
  port_row->setSpacing(6);
  port_row->addWidget(combo_port_, 1);
  port_row->addWidget(refresh_);
  grid->addWidget(label_port_, 0, 0);
  grid->addLayout(port_row, 0, 1, 1, 2);

  grid->addWidget(label_address_, 1, 0);
  grid->addWidget(Pair(text_address_, updown_address_, this), 1, 1, Qt::AlignLeft);
  grid->addWidget(use_xaddress_, 1, 2);
  auto* xaddress_row = new QHBoxLayout;
  xaddress_row->setSpacing(6);
  xaddress_row->addWidget(label_xaddress_);
  xaddress_row->addWidget(Pair(text_xaddress_, updown_xaddress_, this));
  xaddress_row->addStretch(1);
  grid->addLayout(xaddress_row, 1, 3);

  grid->addWidget(bidirectional_, 2, 0, 1, 2);
  grid->addWidget(use_velora_, 2, 2);
  grid->addWidget(set_transparent_, 2, 3, Qt::AlignLeft);

  // Beside the port row, over the eXtended Address box and the transparent-mode button: showing it
  // changes neither the rows' height nor the area's width.
  grid->addWidget(frame_bitrate_, 0, 3, Qt::AlignLeft | Qt::AlignVCenter);
  grid->setColumnStretch(4, 1);

  // Keyboard order follows the rows, not the order the controls were made in.
  QWidget* order[] = {
      combo_port_,           refresh_,      bit_rates_->button(0), bit_rates_->button(1),
      bit_rates_->button(2), text_address_, use_xaddress_,         text_xaddress_,
      bidirectional_,        use_velora_,   set_transparent_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Hidden controls keep their room, so showing them does not shift the others.
  for (QWidget* w : std::initializer_list<QWidget*>{
           label_xaddress_, text_xaddress_, updown_xaddress_, set_transparent_, frame_bitrate_}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
}

void ConnectionPanel::RefreshPortList() {
  combo_port_->clear();
  for (const std::string& name : ports_.list()) {
    const PortEntry entry = ports_.describe(name);
    combo_port_->addItem(QString::fromStdString(entry.shown),
                         QString::fromStdString(entry.open_name));
    if (!entry.description.empty()) {
      combo_port_->setItemData(combo_port_->count() - 1, QString::fromStdString(entry.description),
                               Qt::ToolTipRole);
    }
  }
  for (const SimulatorEntry& e : kSimulatorEntries) combo_port_->addItem(e.caption, e.caption);
  ClearPortBox();
}

void ConnectionPanel::SetRememberedPort(const QString& name) {
  remembered_port_ = name;
  // Grey in the empty box, so it reads as a suggestion rather than an open port.
  combo_port_->lineEdit()->setPlaceholderText(name);
  combo_port_->lineEdit()->setToolTip(
      name.isEmpty() ? QString() : QString("Last used: %1. Press Enter to open it.").arg(name));
}

void ConnectionPanel::ClearPortBox() {
  combo_port_->setCurrentIndex(-1);
  combo_port_->setEditText({});
}

void ConnectionPanel::ClosePort() {
  jobs_.Run([](Link& link) { link.Close(); });
}

void ConnectionPanel::OpenSelectedPort() {
  const QString text = combo_port_->currentText().trimmed();
  const int index = combo_port_->currentIndex();
  // A list entry opens by the name behind its text; typed text opens as typed.
  const std::string name = index >= 0 && combo_port_->itemText(index) == text
                               ? combo_port_->itemData(index, kDataRole).toString().toStdString()
                               : text.toStdString();
  const int bit_rate = bit_rate_;
  sim::Simulator* simulator = &simulator_;
  const SimulatorEntry* simulated = FindSimulatorEntry(name);
  const bool new_unit = simulated && simulated->unit_type != simulated_unit_;
  if (simulated) simulated_unit_ = simulated->unit_type;
  auto open = ports_.open;
  auto opened = std::make_shared<bool>(false);
  jobs_.Run(
      [name, bit_rate, simulator, simulated, new_unit, open, opened](Link& link) {
        link.Close();
        if (name.empty()) return;
        if (simulated) {
          simulator->SetVeloraInFront(simulated->unit_type != 0);
          if (new_unit && simulated->unit_type != 0) {
            simulator->Velora().GetConfig().unit_type = simulated->unit_type;
            simulator->Velora().Restart();
          }
          link.Open(simulator->Connect(link.GetClock(), bit_rate));
        } else {
          SerialOpenResult result = open(name, bit_rate);
          if (!result.channel) {
            std::string message = "The port " + name + " could not be opened";
            if (!result.error.empty()) message += std::string(kCrLf) + result.error;
            link.GetPrompter().Message(message, Icon::kWarning);
            return;
          }
          link.Open(std::move(result.channel));
        }
        *opened = link.PortOpen();
      },
      [this, opened] {
        // The box names the open port or nothing, never one that failed to open.
        if (!*opened) ClearPortBox();
      });
}

void ConnectionPanel::ChooseBitRate(int index) {
  if (index < 0 || index >= 3 || bit_rate_ == kBitRates[index]) return;
  bit_rate_ = kBitRates[index];
  // Reopening also closes; with no port chosen it only closes.
  OpenSelectedPort();
}

void ConnectionPanel::TakeModuleAddress() {
  const AddressEntry entry = ClampModuleAddress(TypedNumber(text_address_->text().toStdString()),
                                                number_base_, use_velora_->isChecked());
  text_address_->setText(QString::number(entry.shown));
  module_address_ = entry.stored;
  jobs_.Configure([stored = entry.stored](Link& link) {
    link.State().ModuleAddress = static_cast<uint8_t>(stored);
    link.RequestReset();
  });
  emit AddressesChanged();
}

void ConnectionPanel::TakeExtendedAddress() {
  const AddressEntry entry =
      ClampExtendedAddress(TypedNumber(text_xaddress_->text().toStdString()), number_base_);
  text_xaddress_->setText(QString::number(entry.shown));
  extended_address_ = entry.stored;
  // Unlike the module address, the eXtended Address does not reset the link.
  jobs_.Configure([stored = entry.stored](Link& link) {
    link.State().ExtendedAddress = static_cast<uint8_t>(stored);
  });
  emit AddressesChanged();
}

void ConnectionPanel::ShowXAddressControls(bool shown) {
  label_address_->setText(shown ? "Channel Number" : "Module Address");
  label_xaddress_->setVisible(shown);
  text_xaddress_->setVisible(shown);
  updown_xaddress_->setVisible(shown);
}

void ConnectionPanel::SwitchVelora(bool ticked) {
  if (!ticked) {
    jobs_.Configure([](Link& link) { link.State().UseVelora = false; });
    VeloraSwitchedOff();
    return;
  }
  auto result = std::make_shared<VeloraSwitchResult>();
  jobs_.Run([result](Link& link) { *result = EnableVeloraTunneling(link); },
            [this, result] {
              use_velora_->setChecked(result->ticked);
              if (!result->ticked) {
                VeloraSwitchedOff();
                return;
              }
              // Without a confirmed protocol version the box stays ticked, but the address
              // range and the transparent-mode button stay as on the direct link.
              if (result->tunnel_ready) {
                set_transparent_->hide();
                updown_address_->SetRange(number_base_, MaxModuleAddressShown(number_base_, true));
              }
            });
}

void ConnectionPanel::VeloraSwitchedOff() {
  set_transparent_->show();
  UpdateAddressLimits();
  TakeModuleAddress();
}

void ConnectionPanel::UpdateAddressLimits() {
  updown_address_->SetRange(number_base_,
                            MaxModuleAddressShown(number_base_, use_velora_->isChecked()));
  updown_xaddress_->SetRange(number_base_, number_base_ + 95);
}

void ConnectionPanel::SetNumberBase(int number_base) {
  number_base_ = number_base;
  UpdateAddressLimits();
  text_address_->setText(QString::number(module_address_ + number_base_));
  text_xaddress_->setText(QString::number(extended_address_ + number_base_));
}

void ConnectionPanel::PortLost() {
  ClosePort();
  RefreshPortList();
}

void ConnectionPanel::SyncFromLink(const LinkState& state) {
  bidirectional_->setChecked(state.Bidirectional);
}

}  // namespace pyra

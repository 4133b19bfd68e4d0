#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include <QCheckBox>
#include <QComboBox>

#include "app/BusyStrip.h"
#include "app/GuiPrompter.h"
#include "app/ModuleArea.h"
#include "devices/ui/DeviceLibraryPanel.h"
#include "files/ui/ConfigFileController.h"
#include "files/ui/QuoteFreeText.h"
#include "helptools/ui/EditDialogs.h"
#include "helptools/ui/HelpToolDialogs.h"
#include "link/ui/CommLogWindow.h"
#include "link/ui/ConnectionPanel.h"
#include "model/AddressAssignment.h"
#include "model/ui/AddressPanel.h"
#include "monitor/ui/FeedbackMonitorPanel.h"
#include "monitor/ui/TestTabPanel.h"
#include "operations/EventControl.h"
#include "operations/ui/AddressingPanel.h"
#include "operations/ui/CompareController.h"
#include "operations/ui/DccPanel.h"
#include "operations/ui/EventControlPanel.h"
#include "operations/ui/HardwarePanel.h"
#include "operations/ui/IdentityPanel.h"
#include "operations/ui/LedPanel.h"
#include "operations/ui/QueuedCommands.h"
#include "operations/ui/SerialPortPanel.h"
#include "operations/ui/VerificationWindow.h"
#include "pinconfig/ui/PinConfigPanel.h"
#include "pins/ui/AspectEditor.h"
#include "pins/ui/DevicePanel.h"
#include "sim/SimChannel.h"
#include "widgets/MouseLabel.h"
#include "widgets/StepGrid.h"

namespace pyra {

namespace {

QGroupBox* Framed(const char* name, const char* title, QWidget* content, QWidget* parent) {
  auto* frame = new QGroupBox(title, parent);
  frame->setObjectName(name);
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(content);
  layout->addStretch(1);
  return frame;
}

}  // namespace

MainWindow::MainWindow(AppServices services, QWidget* parent) : QMainWindow(parent) {
  setObjectName("PyraConfig");
  setWindowTitle("Pyra Config");

  if (!services.clock) own_clock_ = std::make_unique<SteadyClock>();
  clock_ = services.clock ? services.clock : own_clock_.get();
  if (!services.simulator) own_simulator_ = std::make_unique<sim::Simulator>();
  simulator_ = services.simulator ? services.simulator : own_simulator_.get();
  if (!services.prompter) gui_prompter_ = new GuiPrompter(this);
  prompter_ = services.prompter ? services.prompter : gui_prompter_;
  link_thread_ = std::make_unique<LinkThread>(*clock_, *prompter_);

  connection_ =
      new ConnectionPanel(*link_thread_, *prompter_, *simulator_, std::move(services.ports), this);
  module_area_ = new ModuleArea(this);
  busy_ = new BusyStrip(this);
  release_ = new MouseLabel("Release 3.23", this);
  release_->setObjectName("Release");
  release_->setToolTip("Double-click: communication log");

  const FileChooser files = services.files;
  auto* central = new QWidget(this);
  central->setObjectName("MainArea");
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildTopArea());
  BuildTabs();
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);
  BuildDispatcher();
  BuildDialogs();
  BuildComparison();

  library_ = new DeviceLibraryPanel(Context(), files, TabPage(kTabDeviceConfiguration));
  device_->AddSideWidget(library_);
  connect(library_, &DeviceLibraryPanel::TakeEditsRequested, this, &MainWindow::TakeEdits);
  connect(library_, &DeviceLibraryPanel::ModelChanged, this, &MainWindow::ShowModel);
  config_files_ = new ConfigFileController(Context(), this, files);
  config_files_->Attach(module_area_->findChild<QAbstractButton*>("CommandSave"),
                        module_area_->findChild<QAbstractButton*>("CommandLoad"));
  connect(config_files_, &ConfigFileController::TakeEditsRequested, this, &MainWindow::TakeEdits);
  connect(config_files_, &ConfigFileController::ModelReplaced, this, &MainWindow::ShowModel);
  // The description and ID boxes: a double quote would end its field in a saved file.
  RefuseDoubleQuoteIn(this);

  connect(link_thread_.get(), &LinkThread::BusyChanged, this, &MainWindow::SetBusy);
  connect(link_thread_.get(), &LinkThread::LogLine, this,
          [this](const QString& line) { EnsureCommLog().AppendLine(line); });
  connect(link_thread_.get(), &LinkThread::Progress, busy_, &BusyStrip::ShowProgress);
  connect(link_thread_.get(), &LinkThread::LineLost, connection_, &ConnectionPanel::PortLost);
  connect(busy_, &BusyStrip::CancelClicked, this, [this] { link_thread_->RequestCancel(); });
  connect(module_area_, &ModuleArea::NumberingChanged, this, &MainWindow::ApplyNumbering);
  connect(module_area_, &ModuleArea::QueueCommand, dispatcher_, &QueuedCommands::Press);
  connect(event_control_, &EventControlPanel::QueueCommand, dispatcher_, &QueuedCommands::Press);
  connect(device_, &DevicePanel::QueueCommand, dispatcher_, &QueuedCommands::Press);
  connect(device_, &DevicePanel::CurrentPinChanged, addresses_, &AddressPanel::ShowSettings);
  connect(device_, &DevicePanel::ModelChanged, this, &MainWindow::ShowModel);
  connect(device_, &DevicePanel::ShowDetailsChanged, addresses_, &AddressPanel::ApplyShowDetails);
  // The input page of the pin configuration warns about the drivers of the pin's group.
  connect(hardware_, &HardwarePanel::DriversChanged, this,
          [this] { device_->PinConfig().ShowPinConfig(); });
  connect(connection_, &ConnectionPanel::AddressesChanged, this, &MainWindow::LinkAddressesChanged);
  connect(addressing_, &AddressingPanel::LumoAddressesChanged, addresses_,
          &AddressPanel::ShowLumoAddress);
  connect(dcc_, &DccPanel::DccBasesChanged, addresses_, [this] {
    addresses_->ShowDccAddress();
    addresses_->ShowXDccAddress();
  });
  connect(release_, &MouseLabel::Pressed, this, &MainWindow::ReleasePressed);
  connect(release_, &MouseLabel::DoubleClicked, this, &MainWindow::ShowCommLog);
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::TabChanged);

  // Start-up: the event control of every pin is what the slot boxes show (no event), the sums
  // are computed, then the numbering option is applied as the box shows it.
  CopyEventsToAll(config_, EventControlRecord{});
  ShowModel();
  ApplyNumbering(module_area_->NumberingFromOne());
  library_->LoadStandardLibrary();
  resize(1180, 860);
}

MainWindow::~MainWindow() {
  // Nobody is left to answer a question the link thread might still ask.
  if (gui_prompter_) gui_prompter_->Detach();
  // No tick may reach for the panels while they go.
  delete dispatcher_;
  dispatcher_ = nullptr;
  // The panels use the link thread until they are gone: closing the window moves the focus,
  // and a box that loses it still hands its value to the link.
  delete takeCentralWidget();
  link_thread_.reset();
}

QWidget* MainWindow::BuildTopArea() {
  auto* top = new QWidget(this);
  top->setObjectName("TopArea");
  auto* column = new QVBoxLayout(top);
  column->setContentsMargins(0, 0, 0, 0);
  auto* groups = new QHBoxLayout;
  groups->addWidget(Framed("FrameConnection", "Connection", connection_, top));
  groups->addWidget(Framed("FrameModule", "Whole Module", module_area_, top));
  groups->addStretch(1);
  column->addLayout(groups);
  // The busy strip and the release label share one line above the tabs.
  auto* status = new QHBoxLayout;
  status->addWidget(busy_, 1);
  status->addWidget(release_, 0, Qt::AlignRight | Qt::AlignVCenter);
  column->addLayout(status);
  return top;
}

void MainWindow::BuildTabs() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("SSTab_Main");
  const char* names[] = {"TabGeneral", "TabEventControl", "TabDeviceConfiguration", "TabTest"};
  const char* captions[] = {"General", "Pyra Event Control", "Pyra Device Configuration", "Test"};
  for (int i = 0; i < 4; ++i) {
    auto* page = new QWidget(tabs_);
    page->setObjectName(names[i]);
    tabs_->addTab(page, captions[i]);
  }

  BuildGeneralTab();

  event_control_ = new EventControlPanel(Context(), TabPage(kTabEventControl));
  auto* event_layout = new QVBoxLayout(TabPage(kTabEventControl));
  event_layout->addWidget(event_control_);

  // The pin editors, with the addresses of the current pin beside the pin configuration.
  addresses_ = new AddressPanel(config_, TabPage(kTabDeviceConfiguration));
  device_ = new DevicePanel(Context(), TabPage(kTabDeviceConfiguration));
  device_->AddSideWidget(addresses_);
  auto* device_layout = new QGridLayout(TabPage(kTabDeviceConfiguration));
  device_layout->addWidget(device_, 0, 0, Qt::AlignTop | Qt::AlignLeft);
  device_layout->setColumnStretch(1, 1);
  device_layout->setRowStretch(1, 1);

  test_tab_ = new TestTabPanel(
      Context(), [this] { return !link_thread_->Busy() && link_thread_->IdleLink().PortOpen(); },
      TabPage(kTabTest));
  auto* test_layout = new QVBoxLayout(TabPage(kTabTest));
  test_layout->addWidget(test_tab_);
  // A poll ten times a second must not turn the window busy and take the focus from "Monitor".
  test_tab_->Monitor().SetPollRunner([this](LinkJobs::Job job, LinkJobs::Done done) {
    link_thread_->RunQuiet(std::move(job), std::move(done));
  });
}

void MainWindow::BuildGeneralTab() {
  QWidget* page = TabPage(kTabGeneral);
  identity_ = new IdentityPanel(Context(), page);
  addressing_ = new AddressingPanel(Context(), page);
  dcc_ = new DccPanel(Context(), page);
  hardware_ = new HardwarePanel(Context(), page);
  led_ = new LedPanel(Context(), page);
  serial_ = new SerialPortPanel(Context(), page);

  // Two columns of setting groups, each group as tall as its content.
  auto* left = new QVBoxLayout;
  left->addWidget(identity_);
  left->addWidget(dcc_);
  left->addWidget(led_);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(addressing_);
  right->addWidget(hardware_);
  right->addWidget(serial_);
  right->addStretch(1);
  auto* columns = new QHBoxLayout(page);
  columns->addLayout(left);
  columns->addLayout(right);
  columns->addStretch(1);
}

void MainWindow::BuildDispatcher() {
  QueuedCommands::Hooks hooks;
  hooks.port_open = [this] { return !link_thread_->Busy() && link_thread_->IdleLink().PortOpen(); };
  hooks.take_edits = [this] { TakeEdits(); };
  hooks.refresh = [this] { ShowModel(); };
  hooks.show_report = [this](const std::string& text) { ShowVerificationReport(text); };
  hooks.module_known = [this](bool ok, const Configuration& module, const LinkState& link) {
    compare_->ModuleKnown(ok, module, link);
  };
  dispatcher_ = new QueuedCommands(Context(), std::move(hooks), this);
  connect(dispatcher_, &QueuedCommands::PendingChanged, busy_, &BusyStrip::SetQueued);
  for (const std::string& name : DevicePanel::PinCommandNames()) {
    dispatcher_->Register(name, [this, name] { device_->RunPinCommand(name); });
  }
}

void MainWindow::BuildDialogs() {
  help_tools_ = new HelpToolDialogs(config_, *prompter_, this);
  edits_ = new EditDialogs(config_, *prompter_, this);
  AspectEditor& aspects = device_->Aspects();
  StepGrid& grid = aspects.Steps();
  connect(&grid, &StepGrid::HelpToolRequested, this,
          [this, &grid](int row, int box) { help_tools_->Run(grid, row, box); });
  // A value typed into a step box but not yet left is stored before a dialog takes the pin.
  connect(&aspects, &AspectEditor::EditPinRequested, this, [this, &aspects] {
    aspects.CommitStepsAndAspect();
    if (edits_->EditPin()) ShowModel();
  });
  connect(&aspects, &AspectEditor::EditAspectRequested, this, [this, &aspects] {
    aspects.CommitStepsAndAspect();
    if (edits_->EditAspect()) ShowModel();
  });
  connect(&grid, &StepGrid::EditStepRequested, this, [this, &aspects](int row) {
    aspects.CommitStepsAndAspect();
    if (edits_->EditStep(row)) ShowModel();
  });
}

void MainWindow::BuildComparison() {
  CompareController::Hooks hooks;
  hooks.take_edits = [this] { TakeEdits(); };
  hooks.refresh = [this] { ShowModel(); };
  hooks.port_name = [this] {
    return findChild<QComboBox*>("ComboPort")->currentText().toStdString();
  };
  hooks.link_addresses = [this] {
    auto* use_xaddress = connection_->findChild<QCheckBox*>("CheckXaddress");
    return LinkAddresses{connection_->ModuleAddress(), connection_->ExtendedAddress(),
                         use_xaddress && use_xaddress->isChecked()};
  };
  compare_ = new CompareController(Context(), *dispatcher_, std::move(hooks), this);
  compare_->Attach(module_area_->findChild<QAbstractButton*>("CommandPinOverview"));
  connect(link_thread_.get(), &LinkThread::BusyChanged, compare_, &CompareController::SetBusy);
  connect(compare_, &CompareController::ShowTabRequested, this, [this](DiffGroup group) {
    tabs_->setCurrentIndex(group == DiffGroup::kPin            ? kTabDeviceConfiguration
                           : group == DiffGroup::kEventControl ? kTabEventControl
                                                               : kTabGeneral);
  });
}

void MainWindow::ShowModel() {
  // In the order the batch read leaves them: DCC, Lumo, extended DCC.
  ComputeDccStarts(config_);
  ComputeLumoStarts(config_);
  ComputeXDccStarts(config_);
  identity_->ShowSettings();
  addressing_->ShowSettings();
  dcc_->ShowSettings();  // the module ranges, which the pin labels build on
  hardware_->ShowSettings();
  led_->ShowSettings();
  serial_->ShowSettings();
  event_control_->ShowSettings();
  addresses_->ShowSettings();
  device_->Refresh();
  if (compare_) compare_->ModelShown();
}

void MainWindow::TakeEdits() {
  identity_->TakeEdits();
  addressing_->TakeEdits();
  dcc_->TakeEdits();
  event_control_->TakeEdits();
  addresses_->TakeEdits();
  device_->TakeEdits();
}

void MainWindow::LinkAddressesChanged() {
  auto* use_xaddress = connection_->findChild<QCheckBox*>("CheckXaddress");
  addresses_->SetLinkAddresses(connection_->ModuleAddress(), connection_->ExtendedAddress(),
                               use_xaddress && use_xaddress->isChecked());
}

void MainWindow::ShowVerificationReport(const std::string& text) {
  if (!verification_) verification_ = new VerificationWindow(this);
  verification_->ShowReport(text);
}

QWidget* MainWindow::TabPage(Tab tab) const { return tabs_->widget(tab); }

void MainWindow::ApplyNumbering(bool from_one) {
  // Only what is shown changes: every stored value stays 0-based.
  config_.NumberBase = from_one ? 1 : 0;
  connection_->SetNumberBase(config_.NumberBase);
  hardware_->ShowSettings();
  addressing_->ShowSettings();
  event_control_->ShowSettings();
  dcc_->ShowRanges();
  addresses_->ShowLabels();
  device_->ApplyNumberBase();
}

void MainWindow::TabChanged(int index) {
  if (index == kTabTest && !expert_mode_) {
    {
      QSignalBlocker blocker(tabs_);
      tabs_->setCurrentIndex(previous_tab_);
    }
    prompter_->Message("Sorry, This tab is disabled");
    return;
  }
  previous_tab_ = index;
  if (index == kTabGeneral) dcc_->ShowRanges();
}

void MainWindow::ReleasePressed(Qt::MouseButton button) {
  if (button != Qt::RightButton || link_thread_->Busy()) return;
  expert_mode_ = prompter_->Ask("Expert Mode?", Buttons::kYesNo) == Answer::kYes;
  module_area_->SetExpertMode(expert_mode_);
  event_control_->SetExpertMode(expert_mode_);
  device_->SetExpertMode(expert_mode_);
}

CommLogWindow& MainWindow::EnsureCommLog() {
  if (!comm_log_) comm_log_ = new CommLogWindow(this);
  return *comm_log_;
}

void MainWindow::ShowCommLog() {
  CommLogWindow& log = EnsureCommLog();
  log.show();
  log.raise();
  log.activateWindow();
}

void MainWindow::SetBusy(bool busy) {
  for (QWidget* area : std::initializer_list<QWidget*>{connection_, module_area_, tabs_}) {
    area->setEnabled(!busy);
  }
  busy_->SetBusy(busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
    SyncFromLink();
  }
}

void MainWindow::SyncFromLink() { connection_->SyncFromLink(link_thread_->IdleLink().State()); }

void MainWindow::closeEvent(QCloseEvent* event) {
  // A long operation stops at its next exchange; the window waits for it while it closes.
  if (link_thread_->Busy()) link_thread_->RequestCancel();
  event->accept();
}

}  // namespace pyra

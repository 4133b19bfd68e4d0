#include "app/MainWindow.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/BusyStrip.h"
#include "app/GuiPrompter.h"
#include "app/ModuleArea.h"
#include "app/WindowStatus.h"
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
#include "widgets/UpDown.h"

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

constexpr int kRecentFiles = 8;
constexpr int kBitRates[] = {9600, 19200, 38400};
constexpr int kDefaultBitRate = 1;  // "19k2"

// What a file or a module keeps: the editor positions, the numbering and the version a module
// last reported are the window's own.
bool SameContent(const Configuration& a, const Configuration& b) {
  ModuleSettings settings = a.Settings;
  settings.FirmwareVersion = b.Settings.FirmwareVersion;
  return a.Pins == b.Pins && a.EventControl == b.EventControl && settings == b.Settings;
}

QString WithShortcut(const QString& text, const char* keys) {
  // The buttons own the keys; the menu only shows them, so no key is bound twice.
  return text + "\t" + QKeySequence(keys).toString(QKeySequence::NativeText);
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
  noting_ =
      std::make_unique<NotingPrompter>(services.prompter ? *services.prompter : *gui_prompter_);
  prompter_ = noting_.get();
  settings_ = services.settings_file.isEmpty()
                  ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                "PyraConfig", "pyraconfig")
                  : std::make_unique<QSettings>(services.settings_file, QSettings::IniFormat);
  link_thread_ = std::make_unique<LinkThread>(*clock_, *prompter_);

  connection_ =
      new ConnectionPanel(*link_thread_, *prompter_, *simulator_, std::move(services.ports), this);
  module_area_ = new ModuleArea(this);
  busy_ = new BusyStrip(this);
  release_ = new MouseLabel("Release 3.23", this);
  release_->setObjectName("Release");
  release_->setToolTip("Double-click: communication log; right-click: expert mode");

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
  connect(config_files_, &ConfigFileController::FileChanged, this, [this](const QString& path) {
    AddRecentFile(path);
    MarkClean();
  });
  config_files_->SetReplaceGuard([this] { return ConfirmDiscard("loading another file"); });
  library_->SetApplyGuard([this] { return ConfirmDiscard("loading a device"); });
  // The description and ID boxes: a double quote would end its field in a saved file.
  RefuseDoubleQuoteIn(this);

  connect(link_thread_.get(), &LinkThread::BusyChanged, this, &MainWindow::SetBusy);
  connect(link_thread_.get(), &LinkThread::LogLine, this,
          [this](const QString& line) { EnsureCommLog().AppendLine(line); });
  connect(link_thread_.get(), &LinkThread::Progress, busy_, &BusyStrip::ShowProgress);
  connect(link_thread_.get(), &LinkThread::Progress, dispatcher_,
          [this](const QString& step) { dispatcher_->NoteProgress(step); });
  connect(link_thread_.get(), &LinkThread::LineLost, this, [this] { line_lost_ = true; });
  connect(link_thread_.get(), &LinkThread::LineLost, connection_, &ConnectionPanel::PortLost);
  connect(dispatcher_, &QueuedCommands::OperationEnded, this, &MainWindow::OperationEnded);
  connect(busy_, &BusyStrip::CancelClicked, this, [this] { link_thread_->RequestCancel(); });
  connect(module_area_, &ModuleArea::NumberingChanged, this, &MainWindow::ApplyNumbering);
  connect(module_area_, &ModuleArea::QueueCommand, this, &MainWindow::QueuePressed);
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

  BuildMenus();
  BuildStatusBar();
  WatchEdits(tabs_);
  // The tab order is the order of creation: connection area, whole-module buttons, the tabs.
  MarkClean();
  RestoreSettings();
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
  auto* groups = new QHBoxLayout(top);
  groups->setContentsMargins(0, 0, 0, 0);
  groups->addWidget(Framed("FrameConnection", "Connection", connection_, top));
  groups->addWidget(Framed("FrameModule", "Whole Module", module_area_, top));
  groups->addStretch(1);
  return top;
}

void MainWindow::BuildTabs() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("SSTab_Main");
  const char* names[] = {"TabGeneral", "TabEventControl", "TabDeviceConfiguration", "TabTest"};
  const char* captions[] = {"General", "Pyra Event Control", "Pyra Device Configuration", "Test"};
  for (int i = 0; i < 4; ++i) {
    // A page larger than the window scrolls instead of squeezing its controls together.
    auto* scroll = new QScrollArea(tabs_);
    scroll->setObjectName(QString(names[i]) + "Scroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    page->setObjectName(names[i]);
    scroll->setWidget(page);
    tabs_->addTab(scroll, captions[i]);
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
  connect(&aspects, &AspectEditor::EditPinRequested, this, &MainWindow::EditPin);
  connect(&aspects, &AspectEditor::EditAspectRequested, this, &MainWindow::EditAspect);
  connect(&grid, &StepGrid::EditStepRequested, this, &MainWindow::EditStep);
}

// A value typed into a step box but not yet left is stored before a dialog takes the pin.
void MainWindow::EditPin() {
  device_->Aspects().CommitStepsAndAspect();
  if (edits_->EditPin()) ShowModel();
}

void MainWindow::EditAspect() {
  device_->Aspects().CommitStepsAndAspect();
  if (edits_->EditAspect()) ShowModel();
}

void MainWindow::EditStep(int row) {
  device_->Aspects().CommitStepsAndAspect();
  if (edits_->EditStep(row)) ShowModel();
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
  connect(compare_, &CompareController::Ended, this,
          [this](const QString& status) { status_operation_->setText(status); });
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
  UpdateModified();
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

QWidget* MainWindow::TabPage(Tab tab) const {
  return static_cast<QScrollArea*>(tabs_->widget(tab))->widget();
}

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
  if (expert_action_) expert_action_->setChecked(expert_mode_);
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
    ShowConnection();
    UpdateModified();
    if (close_when_idle_) QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::SyncFromLink() { connection_->SyncFromLink(link_thread_->IdleLink().State()); }

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (link_thread_->Busy()) {
    // The operation stops at its next exchange; the window closes once it has ended, after the
    // question about unsaved changes.
    if (prompter_->Ask("An operation is still running.\r\nStop it and close the window?",
                       Buttons::kOkCancel, Icon::kExclamation) == Answer::kOk) {
      close_when_idle_ = true;
      link_thread_->RequestCancel();
    }
    return;
  }
  close_when_idle_ = false;
  if (!ConfirmDiscard("closing")) return;
  StoreSettings();
  event->accept();
}

void MainWindow::BuildMenus() {
  auto button = [this](const char* name) {
    auto* found = findChild<QAbstractButton*>(name);
    return [found] {
      if (found) found->click();
    };
  };
  QMenuBar* bar = menuBar();
  bar->setObjectName("MenuBar");

  QMenu* file = bar->addMenu("&File");
  file->setObjectName("MenuFile");
  file->addAction(WithShortcut("&Load File...", "Ctrl+O"), this, button("CommandLoad"))
      ->setObjectName("ActionLoad");
  file->addAction(WithShortcut("&Save File...", "Ctrl+S"), this,
                  [this] { config_files_->Save(SaveForm::kFull); })
      ->setObjectName("ActionSave");
  file->addAction("Save &Compact...", this, [this] { config_files_->Save(SaveForm::kCompact); })
      ->setObjectName("ActionSaveCompact");
  recent_menu_ = file->addMenu("Open &Recent");
  recent_menu_->setObjectName("MenuRecent");
  file->addSeparator();
  QAction* quit = file->addAction("&Quit", this, &QWidget::close);
  quit->setObjectName("ActionQuit");
  quit->setShortcut(QKeySequence::Quit);

  QMenu* module = bar->addMenu("&Module");
  module->setObjectName("MenuModule");
  module->addAction(WithShortcut("&Read All", "Ctrl+R"), this, button("CommandReadAll"))
      ->setObjectName("ActionReadAll");
  module->addAction(WithShortcut("&Write All", "Ctrl+W"), this, button("CommandWriteAll"))
      ->setObjectName("ActionWriteAll");
  module->addAction(WithShortcut("Verify &All", "Ctrl+E"), this, button("CommandVerifyAll"))
      ->setObjectName("ActionVerifyAll");
  module->addAction("Compare with Mod&ule", this, button("CommandCompare"))
      ->setObjectName("ActionCompare");
  module->addAction("Write C&hanges", this, button("CommandWriteChanges"))
      ->setObjectName("ActionWriteChanges");
  module->addSeparator();
  module->addAction("Request &Version", this, button("CommandGenVersion"))
      ->setObjectName("ActionVersion");
  module->addAction("&Erase Flash...", this, button("CommandGenEraseFlash"))
      ->setObjectName("ActionEraseFlash");

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("MenuView");
  view->addAction("&Communication Log", this, &MainWindow::ShowCommLog)
      ->setObjectName("ActionCommLog");
  view->addAction(compare_->PinOverviewAction());
  expert_action_ = view->addAction("&Expert Mode");
  expert_action_->setObjectName("ActionExpertMode");
  expert_action_->setCheckable(true);
  connect(expert_action_, &QAction::triggered, this, [this] {
    expert_action_->setChecked(expert_mode_);  // the question decides, as on the release label
    ReleasePressed(Qt::RightButton);
  });

  QMenu* tools = bar->addMenu("&Tools");
  tools->setObjectName("MenuTools");
  tools->addAction("Edit &Pin...", this, &MainWindow::EditPin)->setObjectName("ActionEditPin");
  tools->addAction("Edit &Aspect...", this, &MainWindow::EditAspect)
      ->setObjectName("ActionEditAspect");
  tools->addAction("Edit &Step...", this, [this] { EditStep(config_.CurrentStep); })
      ->setObjectName("ActionEditStep");
  tools->addSeparator();
  for (int box = 1; box <= 3; ++box) {
    tools
        ->addAction(QString("Help Tool for Par &%1 of the Step").arg(box), this,
                    [this, box] {
                      if (help_tools_->Run(device_->Aspects().Steps(), config_.CurrentStep, box)) {
                        UpdateModified();
                      }
                    })
        ->setObjectName(QString("ActionHelpTool%1").arg(box));
  }

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("MenuHelp");
  help->addAction("&About Pyra Config", this, &MainWindow::ShowAbout)->setObjectName("ActionAbout");
  ShowRecentFiles();
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  status_operation_ = new QLabel(bar);
  status_operation_->setObjectName("StatusOperation");
  status_connection_ = new QLabel(bar);
  status_connection_->setObjectName("StatusConnection");
  bar->addWidget(status_operation_, 1);
  // While an operation runs its progress and Cancel stand beside the last one's result.
  bar->addWidget(busy_);
  bar->addPermanentWidget(status_connection_);
  // The release label closes the bar, where the groups above leave it the room they need.
  bar->addPermanentWidget(release_);
  connect(findChild<QComboBox*>("ComboPort"), &QComboBox::currentTextChanged, this,
          &MainWindow::ShowConnection);
  ShowConnection();
}

void MainWindow::WatchEdits(QWidget* root) {
  // The panels take a user's edit on these signals (see PanelContext); queued, the comparison
  // runs after the panel's handler has stored it.
  const auto changed = [this] { UpdateModified(); };
  constexpr auto kAfter = Qt::QueuedConnection;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
      connect(b, &QAbstractButton::clicked, this, changed, kAfter);
    if (auto* e = qobject_cast<QLineEdit*>(w))
      connect(e, &QLineEdit::editingFinished, this, changed, kAfter);
    if (auto* c = qobject_cast<QComboBox*>(w))
      connect(c, &QComboBox::activated, this, changed, kAfter);
    if (auto* u = qobject_cast<UpDown*>(w)) connect(u, &UpDown::Changed, this, changed, kAfter);
    if (auto* u = qobject_cast<UpDown*>(w)) connect(u, &UpDown::Stepped, this, changed, kAfter);
    if (auto* s = qobject_cast<QAbstractSlider*>(w))
      connect(s, &QAbstractSlider::actionTriggered, this, changed, kAfter);
    if (auto* t = qobject_cast<QTabBar*>(w))
      connect(t, &QTabBar::tabBarClicked, this, changed, kAfter);
  }
}

void MainWindow::RestoreSettings() {
  QSettings& s = *settings_;
  // A bit rate other than the start-up one is shown, so the user sees what will be used.
  const int rate = s.value("connection/bitRate", kBitRates[kDefaultBitRate]).toInt();
  for (int i = 0; i < 3; ++i) {
    if (kBitRates[i] != rate || i == kDefaultBitRate) continue;
    if (auto* frame = findChild<QWidget*>("FrameBitrate")) frame->show();
    if (auto* option = findChild<QRadioButton*>(QString("OptionBitRate_%1").arg(i)))
      option->click();
  }
  const auto restore_box = [this](const char* name, const QVariant& stored) {
    auto* box = findChild<QLineEdit*>(name);
    if (!box || !stored.isValid()) return;
    box->setText(QString::number(stored.toInt() + config_.NumberBase));
    emit box->editingFinished();
  };
  restore_box("TextAddress", s.value("connection/moduleAddress"));
  restore_box("txtXaddr", s.value("connection/extendedAddress"));
  // A hint, not opened: the port opens when the user picks it or presses Enter in the box.
  connection_->SetRememberedPort(s.value("connection/port").toString());
  config_files_->SetFolder(s.value("files/folder").toString());
  recent_files_ = s.value("files/recent").toStringList();
  ShowRecentFiles();
  if (!restoreGeometry(s.value("window/geometry").toByteArray())) {
    const QSize wanted(1280, 860);
    const QRect room = screen() ? screen()->availableGeometry() : QRect(QPoint(), wanted);
    resize(wanted.boundedTo(room.size() - QSize(16, 48)).expandedTo(minimumSizeHint()));
  }
}

void MainWindow::StoreSettings() {
  QSettings& s = *settings_;
  s.setValue("connection/moduleAddress", connection_->ModuleAddress());
  s.setValue("connection/extendedAddress", connection_->ExtendedAddress());
  s.setValue("files/folder", config_files_->Folder());
  s.setValue("files/recent", recent_files_);
  s.setValue("window/geometry", saveGeometry());
  s.sync();
}

void MainWindow::AddRecentFile(const QString& path) {
  recent_files_.removeAll(path);
  recent_files_.prepend(path);
  while (recent_files_.size() > kRecentFiles) recent_files_.removeLast();
  settings_->setValue("files/recent", recent_files_);
  settings_->setValue("files/folder", config_files_->Folder());
  ShowRecentFiles();
}

void MainWindow::ShowRecentFiles() {
  if (!recent_menu_) return;
  recent_menu_->clear();
  for (int i = 0; i < recent_files_.size(); ++i) {
    const QString path = recent_files_[i];
    recent_menu_
        ->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this,
                    [this, path] { OpenConfigurationFile(path); })
        ->setToolTip(path);
  }
  recent_menu_->setEnabled(!recent_files_.isEmpty());
  ShowTitle();
}

void MainWindow::ShowTitle() {
  const QString file = config_files_ ? config_files_->CurrentFile() : QString();
  setWindowTitle(file.isEmpty() ? "Pyra Config[*]"
                                : QFileInfo(file).fileName() + "[*] - Pyra Config");
}

void MainWindow::MarkClean() {
  clean_ = config_;
  ShowTitle();
  UpdateModified();
}

void MainWindow::UpdateModified() { setWindowModified(!SameContent(config_, clean_)); }

bool MainWindow::Unsaved() {
  UpdateModified();
  return isWindowModified();
}

bool MainWindow::ConfirmDiscard(const QString& doing) {
  TakeEdits();
  if (!Unsaved()) return true;
  const std::string text =
      "The configuration has changes that are not saved.\r\nSave them before " +
      doing.toStdString() + "?";
  switch (prompter_->Ask(text, Buttons::kSaveDiscardCancel, Icon::kExclamation)) {
    case Answer::kYes:
      return config_files_->Save(SaveForm::kFull);
    case Answer::kNo:
      return true;
    default:
      return false;
  }
}

bool MainWindow::OpenConfigurationFile(const QString& path) {
  if (link_thread_->Busy() || !ConfirmDiscard("loading another file")) return false;
  return config_files_->LoadFile(path);
}

void MainWindow::QueuePressed(const QString& name) {
  const bool whole_module = name == "ReadAll" || name == "WriteAll" || name == "VerifyAll";
  const bool can_run = !link_thread_->Busy() && link_thread_->IdleLink().PortOpen();
  if (name == "ReadAll" && can_run && !ConfirmDiscard("reading the module")) return;
  if (whole_module) noting_->Forget();
  dispatcher_->Press(name);
}

void MainWindow::OperationEnded(const QString& name, bool ok, const QString& reached,
                                double seconds) {
  status_operation_->setText(
      OperationStatusText(name, ok, reached, noting_->LastMessage(), seconds));
  // After a write the module holds what the window shows. A read ran only with nothing unsaved
  // (saved or discarded at its question), so what it leaves, whole or in part, loses nothing.
  if (name == "Read All" || (ok && name == "Write All")) MarkClean();
}

void MainWindow::ShowConnection() {
  if (!status_connection_ || link_thread_->Busy()) return;
  const bool open = link_thread_->IdleLink().PortOpen();
  if (open) {
    line_lost_ = false;
    int rate = kBitRates[kDefaultBitRate];
    for (int i = 0; i < 3; ++i) {
      auto* option = findChild<QRadioButton*>(QString("OptionBitRate_%1").arg(i));
      if (option && option->isChecked()) rate = kBitRates[i];
    }
    const QString port = findChild<QComboBox*>("ComboPort")->currentText();
    status_connection_->setText(QString("Port %1 open, %2 bit/s").arg(port).arg(rate));
    settings_->setValue("connection/port", port);
    settings_->setValue("connection/bitRate", rate);
  } else {
    status_connection_->setText(line_lost_ ? "Connection lost" : "Port closed");
  }
}

void MainWindow::ShowAbout() {
  const DeviceLibrary& library = library_->Library();
  const QString devices = library.Names.empty()
                              ? QString("No device library loaded")
                              : QString("Device library: %1 (%2), %3 devices")
                                    .arg(QString::fromStdString(library.DefinitionsFile),
                                         QString::fromStdString(library.DefinitionsVersion))
                                    .arg(library.Names.size());
  QMessageBox::about(this, "About Pyra Config",
                     QString("Pyra Config %1\n\n%2").arg(PYRA_VERSION, devices));
}

}  // namespace pyra

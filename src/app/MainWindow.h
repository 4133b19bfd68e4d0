#pragma once

#include <QMainWindow>
#include <memory>

#include "app/AppServices.h"
#include "app/LinkWorker.h"
#include "model/Configuration.h"
#include "widgets/PanelContext.h"

class QAction;
class QLabel;
class QMenu;
class QSettings;
class QTabWidget;

namespace pyra {

class AddressPanel;
class AddressingPanel;
class BusyStrip;
class CommLogWindow;
class CompareController;
class ConfigFileController;
class DeviceLibraryPanel;
class EditDialogs;
class HelpToolDialogs;
class TestTabPanel;
class DevicePanel;
class ConnectionPanel;
class DccPanel;
class EventControlPanel;
class GuiPrompter;
class HardwarePanel;
class IdentityPanel;
class LedPanel;
class ModuleArea;
class MouseLabel;
class NotingPrompter;
class QueuedCommands;
class SerialPortPanel;
class VerificationWindow;

// The program's one window: the connection area, the whole-module buttons, the release label, the
// busy strip and the four tabs. Operations run as jobs on the link thread; while one runs the
// window takes no input but Cancel.
class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  enum Tab { kTabGeneral = 0, kTabEventControl = 1, kTabDeviceConfiguration = 2, kTabTest = 3 };

  explicit MainWindow(AppServices services = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  LinkThread& Jobs() { return *link_thread_; }
  sim::Simulator& GetSimulator() { return *simulator_; }
  Prompter& GetPrompter() { return *prompter_; }
  // The one configuration the window shows and edits; its Settings are the "General" tab's.
  Configuration& Model() { return config_; }
  ModuleSettings& Settings() { return config_.Settings; }
  bool ExpertMode() const { return expert_mode_; }
  int NumberBase() const { return config_.NumberBase; }
  // Created on the first log line or when first shown; null until then.
  CommLogWindow* CommLog() const { return comm_log_; }
  // Created when the first verification ends; null until then.
  VerificationWindow* Verification() const { return verification_; }
  QueuedCommands& Dispatcher() { return *dispatcher_; }
  CompareController& Comparison() { return *compare_; }
  // The page of a tab, for the groups that later fill it.
  QWidget* TabPage(Tab tab) const;

  // Load File on `path` without the dialog, its messages as Load File shows them (a file named on
  // the command line, a recent file). Asks first when there are unsaved changes.
  bool OpenConfigurationFile(const QString& path);
  // The window holds changes that no file and no module hold (the "*" in its title).
  bool Unsaved();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildTopArea();
  void BuildTabs();
  void BuildGeneralTab();
  void BuildDispatcher();
  void BuildDialogs();
  void BuildComparison();
  void BuildMenus();
  void BuildStatusBar();
  // Every control the user edits the model with marks the window unsaved when the model differs.
  void WatchEdits(QWidget* root);
  void RestoreSettings();
  void StoreSettings();
  void AddRecentFile(const QString& path);
  void ShowRecentFiles();
  void ShowTitle();
  void MarkClean();
  void UpdateModified();
  // With unsaved changes asks Save / Discard / Cancel before `doing`; true when the caller may go
  // on (saved, discarded, or nothing to lose).
  bool ConfirmDiscard(const QString& doing);
  void QueuePressed(const QString& name);
  void OperationEnded(const QString& name, bool ok, const QString& reached, double seconds);
  void ShowConnection();
  void ShowAbout();
  void EditPin();
  void EditAspect();
  void EditStep(int row);
  PanelContext Context() { return {*link_thread_, config_, *prompter_}; }
  // Every view from the model, after the address sums are recomputed (after Read All, a file).
  void ShowModel();
  // Every typed box into the model, as if each had lost the focus.
  void TakeEdits();
  void LinkAddressesChanged();
  void ShowVerificationReport(const std::string& text);
  void ApplyNumbering(bool from_one);
  void TabChanged(int index);
  void ReleasePressed(Qt::MouseButton button);
  void ShowCommLog();
  CommLogWindow& EnsureCommLog();
  void SetBusy(bool busy);
  void SyncFromLink();

  std::unique_ptr<Clock> own_clock_;
  std::unique_ptr<sim::Simulator> own_simulator_;
  Clock* clock_;
  sim::Simulator* simulator_;
  GuiPrompter* gui_prompter_ = nullptr;
  std::unique_ptr<NotingPrompter> noting_;
  Prompter* prompter_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<LinkThread> link_thread_;

  Configuration config_ = DefaultConfiguration();
  // What the last save, load or successful Read All / Write All left: a file or the module holds
  // it.
  Configuration clean_ = config_;
  bool line_lost_ = false;
  bool close_when_idle_ = false;
  bool expert_mode_ = false;
  int previous_tab_ = kTabGeneral;

  ConnectionPanel* connection_ = nullptr;
  ModuleArea* module_area_ = nullptr;
  BusyStrip* busy_ = nullptr;
  MouseLabel* release_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  IdentityPanel* identity_ = nullptr;
  AddressingPanel* addressing_ = nullptr;
  DccPanel* dcc_ = nullptr;
  HardwarePanel* hardware_ = nullptr;
  LedPanel* led_ = nullptr;
  SerialPortPanel* serial_ = nullptr;
  EventControlPanel* event_control_ = nullptr;
  AddressPanel* addresses_ = nullptr;
  DevicePanel* device_ = nullptr;
  DeviceLibraryPanel* library_ = nullptr;
  TestTabPanel* test_tab_ = nullptr;
  ConfigFileController* config_files_ = nullptr;
  HelpToolDialogs* help_tools_ = nullptr;
  EditDialogs* edits_ = nullptr;
  QueuedCommands* dispatcher_ = nullptr;
  CompareController* compare_ = nullptr;
  CommLogWindow* comm_log_ = nullptr;
  VerificationWindow* verification_ = nullptr;
  QLabel* status_operation_ = nullptr;
  QLabel* status_connection_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QAction* expert_action_ = nullptr;
  QStringList recent_files_;
};

}  // namespace pyra

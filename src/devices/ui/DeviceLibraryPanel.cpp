#include "devices/ui/DeviceLibraryPanel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "devices/Devices.h"
#include "widgets/ButtonPress.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

constexpr int kListWidth = 300;

}  // namespace

DeviceLibraryPanel::DeviceLibraryPanel(PanelContext context, FileChooser chooser, QWidget* parent)
    : QGroupBox("Device Definitions", parent),
      context_(context),
      chooser_(ChooserOr(std::move(chooser), this)) {
  setObjectName("FrameDeviceDefinitions");

  devices_ = new QComboBox(this);
  devices_->setObjectName("cboDevice");
  // A name may be typed as well as chosen; typing never adds an entry, and what is typed is the
  // name looked for, letter by letter, so nothing completes it.
  devices_->setEditable(true);
  devices_->setInsertPolicy(QComboBox::NoInsert);
  devices_->setCompleter(nullptr);
  devices_->setMinimumWidth(kListWidth);
  devices_->setMaxVisibleItems(20);

  load_ = MakeButton("CommandPAspPreLoad", "Load Device", this);
  load_->setToolTip("Place the chosen device on the pins from the current pin on");
  save_ = MakeButton("CommandSaveDevice", "Save Device", this);
  save_->setToolTip("Save the device of the current pin as a definition file");
  reload_ = MakeButton("CommandReloadDD", "Reload DD", this);
  reload_->setToolTip(kReloadToolTip);

  auto* caption = MakeLabel("LabelDDLoaded", "Definitions Loaded:", this);
  version_ = MakeLabel("lblDDVersion", QString::fromStdString(library_.VersionCaption), this);
  version_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* grid = new QGridLayout(this);
  grid->addWidget(devices_, 0, 0, 1, 3);
  grid->addWidget(load_, 1, 0);
  grid->addWidget(save_, 1, 1);
  grid->addWidget(reload_, 1, 2);
  auto* version_row = new QHBoxLayout;
  version_row->addWidget(caption);
  version_row->addWidget(version_, 1);
  grid->addLayout(version_row, 2, 0, 1, 3);

  connect(load_, &QPushButton::clicked, this, [this] { ApplySelectedDevice(); });
  connect(save_, &QPushButton::clicked, this, [this] { SaveCurrentDevice(); });
  ActOnPress(reload_, [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    ReloadPressed(button, modifiers);
  });
}

bool DeviceLibraryPanel::LoadStandardLibrary() {
  return LoadStandardLibrary(QCoreApplication::applicationDirPath());
}

bool DeviceLibraryPanel::LoadStandardLibrary(const QString& program_dir) {
  const bool listed =
      LoadStandardDefinitions(library_, StandardDefinitionPaths(LocalPath(program_dir)),
                              CoreChooser(chooser_, LibraryRequest()), context_.prompter);
  ShowLibrary(false);
  return listed;
}

bool DeviceLibraryPanel::ReloadPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  if (button != Qt::LeftButton || context_.jobs.Busy()) return false;
  const bool append = modifiers.testFlag(Qt::ShiftModifier);
  if (!ReloadDefinitions(library_, append, CoreChooser(chooser_, LibraryRequest()),
                         context_.prompter)) {
    return false;
  }
  ShowLibrary(append);
  return true;
}

bool DeviceLibraryPanel::ApplySelectedDevice() {
  if (context_.jobs.Busy()) return false;
  emit TakeEditsRequested();
  if (apply_guard_ && !apply_guard_()) return false;
  const QString name = devices_->currentText();
  const int index = devices_->currentIndex();
  // The text may have been typed over the chosen entry: then it names the device by itself.
  const int entry = index >= 0 && devices_->itemText(index) == name ? index : -1;
  // The views follow before the message about overwritten pins is shown.
  bool shown = false;
  const RefreshFn refresh = [this, &shown](LoadRefresh) {
    if (shown) return;
    shown = true;
    emit ModelChanged();
  };
  return ApplyDevice(context_.model, library_, entry, name.toStdString(), context_.prompter,
                     refresh);
}

bool DeviceLibraryPanel::SaveCurrentDevice() {
  if (context_.jobs.Busy()) return false;
  emit TakeEditsRequested();
  const auto pins_before = context_.model.Pins;
  const bool saved =
      SaveDevice(context_.model, CoreChooser(chooser_, SaveDeviceRequest()), context_.prompter);
  if (context_.model.Pins != pins_before) emit ModelChanged();
  return saved;
}

FileDialogRequest DeviceLibraryPanel::LibraryRequest() {
  return {"cdDevice", "Device Definitions", false, kDefinitionsFileFilter, ""};
}

FileDialogRequest DeviceLibraryPanel::SaveDeviceRequest() {
  return {"cdMyDevice", "Save Device", true, kDefinitionsFileFilter, ""};
}

void DeviceLibraryPanel::ShowLibrary(bool keep_choice) {
  const QSignalBlocker blocker(devices_);
  const int chosen = devices_->currentIndex();
  const QString text = devices_->currentText();
  devices_->clear();
  for (const std::string& name : library_.Names) devices_->addItem(QString::fromStdString(name));
  if (keep_choice) {
    devices_->setCurrentIndex(chosen);
    devices_->setEditText(text);
  } else {
    devices_->setCurrentIndex(-1);
    devices_->clearEditText();
  }
  version_->setText(QString::fromStdString(library_.VersionCaption));
}

}  // namespace pyra

#pragma once

#include <QGroupBox>
#include <functional>

#include "files/DeviceFile.h"
#include "widgets/FileDialogs.h"
#include "widgets/PanelContext.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace pyra {

// The device library on the "Pyra Device Configuration" tab: the list of loaded device
// definitions, "Load Device" (applies the chosen one from CurrentPin on), "Save Device" (the
// device of CurrentPin as a file of its own), "Reload DD" (another library; with Shift added to
// the list) and the version text(s) of the loaded libraries.
class DeviceLibraryPanel final : public QGroupBox {
  Q_OBJECT

 public:
  // `chooser` replaces the platform dialogs cdDevice and cdMyDevice.
  DeviceLibraryPanel(PanelContext context, FileChooser chooser = {}, QWidget* parent = nullptr);

  // Start-up: lists the standard library from beside the program or from its installation's
  // data folder. When neither has it the user is told and offered the dialog; with nothing
  // usable chosen the list stays empty. True when a list was built.
  bool LoadStandardLibrary();
  bool LoadStandardLibrary(const QString& program_dir);

  // "Reload DD": the left button replaces the list, with Shift the chosen library is appended;
  // other buttons do nothing. True when a library was listed.
  bool ReloadPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  // "Load Device": the entry of the list (or the name typed into it) at CurrentPin.
  bool ApplySelectedDevice();
  // "Save Device".
  bool SaveCurrentDevice();

  const DeviceLibrary& Library() const { return library_; }
  // Asked before "Load Device" changes the pins, after the typed boxes were taken; false keeps
  // everything as it is.
  void SetApplyGuard(std::function<bool()> guard) { apply_guard_ = std::move(guard); }

  static FileDialogRequest LibraryRequest();
  static FileDialogRequest SaveDeviceRequest();

 signals:
  // Before the model is used: the window moves what is still typed in its boxes into it.
  void TakeEditsRequested();
  // A device was applied (or a save dropped a servo block's status bit): the address sums are
  // already recomputed; the pin editor, pin configuration and address labels show the model anew.
  void ModelChanged();

 private:
  // The list and the version caption from library_; an appended list keeps the entry chosen.
  void ShowLibrary(bool keep_choice);

  PanelContext context_;
  FileChooser chooser_;
  DeviceLibrary library_;
  std::function<bool()> apply_guard_;
  QComboBox* devices_;
  QLabel* version_;
  QPushButton* load_;
  QPushButton* save_;
  QPushButton* reload_;
};

}  // namespace pyra

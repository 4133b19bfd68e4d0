#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "files/ConfigFile.h"
#include "widgets/FileDialogs.h"
#include "widgets/PanelContext.h"

class QAbstractButton;
class QWidget;

namespace pyra {

// "Save File" and "Load File": the window's configuration to and from a configuration data file
// through the cdConfig dialog. Both act on the window's one model and only while no link job
// runs; a cancelled dialog changes nothing and says nothing.
class ConfigFileController final : public QObject {
  Q_OBJECT

 public:
  // The dialogs open over `window`, which also owns the controller. `chooser` replaces the
  // platform dialog.
  ConfigFileController(PanelContext context, QWidget* window, FileChooser chooser = {});

  // Binds the window's buttons: `save` acts on a mouse press (SavePressed) and gets the tool tip
  // that tells about the compact form, `load` acts on its click.
  void Attach(QAbstractButton* save, QAbstractButton* load);

  // The left button alone saves the full form, with Shift alone the compact form; any other
  // button or modifier does nothing. True when a file was written.
  bool SavePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  bool Save(SaveForm form);
  // True when a file was loaded into the model.
  bool Load();
  // Load File on a path already chosen (the command line, a recent file); the loader's messages
  // as Load File shows them.
  bool LoadFile(const QString& path);

  // Asked before a load replaces the model, after the typed boxes were taken; false keeps
  // everything as it is.
  void SetReplaceGuard(std::function<bool()> guard) { replace_guard_ = std::move(guard); }
  // The file last saved or loaded; "" until then.
  const QString& CurrentFile() const { return current_file_; }
  // Where the dialogs start.
  void SetFolder(const QString& folder) { folder_ = folder; }
  const QString& Folder() const { return folder_; }

  static FileDialogRequest SaveRequest();
  static FileDialogRequest LoadRequest();

 signals:
  // Before the model is used: the window moves what is still typed in its boxes into it.
  void TakeEditsRequested();
  // The model was replaced by a load, or a save dropped the status bit of a servo block: the
  // window recomputes the address sums and shows every view anew.
  void ModelReplaced();
  // A save or load succeeded: the model now is what `path` holds.
  void FileChanged(const QString& path);

 private:
  void Chosen(const QString& path);

  PanelContext context_;
  FileChooser chooser_;
  std::function<bool()> replace_guard_;
  QString current_file_;
  QString folder_;
};

}  // namespace pyra

#pragma once

#include <QObject>

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

  static FileDialogRequest SaveRequest();
  static FileDialogRequest LoadRequest();

 signals:
  // Before the model is used: the window moves what is still typed in its boxes into it.
  void TakeEditsRequested();
  // The model was replaced by a load, or a save dropped the status bit of a servo block: the
  // window recomputes the address sums and shows every view anew.
  void ModelReplaced();

 private:
  PanelContext context_;
  FileChooser chooser_;
};

}  // namespace pyra

#pragma once

#include <QString>
#include <functional>
#include <string>

#include "files/DeviceFile.h"

class QWidget;

namespace pyra {

// One of the window's file dialogs, as the caller asks for it.
struct FileDialogRequest {
  QString name;  // the dialog's objectName: "cdConfig", "cdDevice" or "cdMyDevice"
  QString title;
  bool save = false;
  QString filter;        // "Description|*.ext", as the file constants spell it
  QString default_name;  // "" = the name box starts empty
};

// Shows a dialog and returns the chosen path, or "" when the user cancelled. Tests put a script in
// place of the platform dialog.
using FileChooser = std::function<QString(const FileDialogRequest&)>;

// The filter as the platform dialog takes it: "Pyra Config Data|*.dat" becomes
// "Pyra Config Data (*.dat)".
QString QtNameFilter(const QString& filter);

// The platform's open or save dialog, modal over `parent`. A save dialog asks before it replaces
// a file and adds the filter's extension to a name typed without one.
QString ShowFileDialog(QWidget* parent, const FileDialogRequest& request);

// `chooser` when one is given, else the platform dialog over `parent`.
FileChooser ChooserOr(FileChooser chooser, QWidget* parent);

// A path as the file functions open it.
std::string LocalPath(const QString& path);

// The file dialog in the form the device library functions call it: they pass the name the
// dialog starts with and get the chosen path.
ChooseFile CoreChooser(const FileChooser& chooser, FileDialogRequest request);

}  // namespace pyra

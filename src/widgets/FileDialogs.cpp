#include "widgets/FileDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QWidget>

namespace pyra {

QString QtNameFilter(const QString& filter) {
  const qsizetype bar = filter.indexOf('|');
  if (bar < 0) return filter;
  return QString("%1 (%2)").arg(filter.left(bar), filter.mid(bar + 1));
}

QString ShowFileDialog(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title);
  dialog.setObjectName(request.name);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(QtNameFilter(request.filter));
  if (request.save) {
    const qsizetype dot = request.filter.lastIndexOf("*.");
    if (dot >= 0) dialog.setDefaultSuffix(request.filter.mid(dot + 2));
  }
  dialog.selectFile(request.default_name);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.first();
}

FileChooser ChooserOr(FileChooser chooser, QWidget* parent) {
  if (chooser) return chooser;
  return [parent](const FileDialogRequest& request) { return ShowFileDialog(parent, request); };
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

ChooseFile CoreChooser(const FileChooser& chooser, FileDialogRequest request) {
  return [chooser, request](const std::string& default_name) {
    FileDialogRequest asked = request;
    asked.default_name = QFile::decodeName(QByteArray::fromStdString(default_name));
    return LocalPath(chooser(asked));
  };
}

}  // namespace pyra

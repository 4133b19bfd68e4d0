#include "files/ui/ConfigFileController.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "widgets/ButtonPress.h"

namespace pyra {

ConfigFileController::ConfigFileController(PanelContext context, QWidget* window,
                                           FileChooser chooser)
    : QObject(window), context_(context), chooser_(ChooserOr(std::move(chooser), window)) {
  setObjectName("ConfigFileController");
}

void ConfigFileController::Attach(QAbstractButton* save, QAbstractButton* load) {
  save->setToolTip(kSaveCompactToolTip);
  ActOnPress(save, [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    SavePressed(button, modifiers);
  });
  connect(load, &QAbstractButton::clicked, this, [this] { Load(); });
}

bool ConfigFileController::SavePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers others =
      modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const std::optional<SaveForm> form = SaveFormForPress(
      button == Qt::LeftButton, modifiers.testFlag(Qt::ShiftModifier), others != Qt::NoModifier);
  return form && Save(*form);
}

bool ConfigFileController::Save(SaveForm form) {
  if (context_.jobs.Busy()) return false;
  emit TakeEditsRequested();
  FileDialogRequest request = SaveRequest();
  if (!folder_.isEmpty()) {
    request.default_name = QDir(folder_).filePath(QFileInfo(current_file_).fileName());
  }
  const QString path = chooser_(request);
  if (path.isEmpty()) return false;
  const auto pins_before = context_.model.Pins;
  const bool saved =
      SaveConfigurationFile(LocalPath(path), context_.model, form, context_.prompter);
  if (context_.model.Pins != pins_before) emit ModelReplaced();
  if (saved) Chosen(path);
  return saved;
}

bool ConfigFileController::Load() {
  if (context_.jobs.Busy()) return false;
  emit TakeEditsRequested();
  if (replace_guard_ && !replace_guard_()) return false;
  FileDialogRequest request = LoadRequest();
  if (!folder_.isEmpty()) request.default_name = QDir(folder_).filePath("");
  const QString path = chooser_(request);
  if (path.isEmpty()) return false;
  return LoadFile(path);
}

bool ConfigFileController::LoadFile(const QString& path) {
  if (context_.jobs.Busy()) return false;
  if (!LoadConfigurationFile(LocalPath(path), context_.model, context_.prompter)) return false;
  emit ModelReplaced();
  Chosen(path);
  return true;
}

void ConfigFileController::Chosen(const QString& path) {
  current_file_ = QFileInfo(path).absoluteFilePath();
  folder_ = QFileInfo(current_file_).absolutePath();
  emit FileChanged(current_file_);
}

FileDialogRequest ConfigFileController::SaveRequest() {
  return {"cdConfig", "Save File", true, kConfigFileFilter, ""};
}

FileDialogRequest ConfigFileController::LoadRequest() {
  return {"cdConfig", "Load File", false, kConfigFileFilter, ""};
}

}  // namespace pyra

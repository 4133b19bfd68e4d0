#include "helptools/ui/EditDialogs.h"

#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "widgets/Controls.h"

namespace pyra {

namespace {

struct EditButton {
  const char* name;
  const char* caption;
  // Returns whether the dialog closes; only a paste without a copy keeps it open.
  std::function<bool()> action;
};

// The buttons one under the other, all as wide as the widest, Cancel apart at the bottom.
void BuildButtons(QDialog* dialog, const char* title, std::initializer_list<EditButton> buttons,
                  const char* cancel_name) {
  dialog->setObjectName(QString("dlg") + title);
  dialog->setModal(true);
  auto* column = new QVBoxLayout(dialog);
  column->setSpacing(6);
  std::vector<QPushButton*> made;
  for (const EditButton& b : buttons) {
    QPushButton* button = MakeButton(b.name, b.caption, dialog);
    column->addWidget(button);
    made.push_back(button);
    QObject::connect(button, &QPushButton::clicked, dialog, [dialog, action = b.action] {
      if (action()) dialog->accept();
    });
  }
  column->addSpacing(10);
  QPushButton* cancel = MakeButton(cancel_name, "Cancel", dialog);
  column->addWidget(cancel);
  made.push_back(cancel);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  int width = 120;
  for (QPushButton* button : made) width = std::max(width, button->sizeHint().width());
  for (QPushButton* button : made) button->setFixedWidth(width);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

// Runs the dialog modally and tells whether the pins differ afterwards (a clear or paste may
// reach other pins of a device).
bool PinsChangedBy(QDialog& dialog, const Configuration& model) {
  const auto before = model.Pins;
  dialog.exec();
  return model.Pins != before;
}

template <class Dialog, class... Args>
Dialog& Kept(QPointer<Dialog>& dialog, Args&&... args) {
  if (!dialog) dialog = new Dialog(std::forward<Args>(args)...);
  return *dialog;
}

}  // namespace

EditPinDialog::EditPinDialog(Configuration& model, PinClipboard& clipboard, Prompter& prompter,
                             QWidget* parent)
    : QDialog(parent), model_(model), clipboard_(clipboard), prompter_(prompter) {
  setWindowTitle("Edit Pin");
  BuildButtons(
      this, "EditPin",
      {{"CommandCopyPin", "Copy Pin",
        [this] {
          CopyPin(model_, clipboard_);
          return true;
        }},
       {"CommandPastePin", "Paste Pin", [this] { return PastePin(model_, clipboard_, prompter_); }},
       {"CommandClearPin", "Clear Pin",
        [this] {
          ClearPin(model_);
          return true;
        }}},
      "CommandCancel");
}

bool EditPinDialog::Run() { return PinsChangedBy(*this, model_); }

EditAspectDialog::EditAspectDialog(Configuration& model, AspectClipboard& clipboard,
                                   Prompter& prompter, QWidget* parent)
    : QDialog(parent), model_(model), clipboard_(clipboard), prompter_(prompter) {
  setWindowTitle("Edit Aspect");
  BuildButtons(this, "EditAspect",
               {{"CommandCopy", "Copy Aspect",
                 [this] {
                   CopyAspect(model_, clipboard_);
                   return true;
                 }},
                {"CommandPaste", "Paste Aspect",
                 [this] { return PasteAspect(model_, clipboard_, prompter_); }},
                {"CommandClear", "Clear Aspect",
                 [this] {
                   ClearAspect(model_);
                   return true;
                 }},
                {"CommandClean", "Cleanup Aspect",
                 [this] {
                   CleanupAspect(model_);
                   return true;
                 }}},
               "CommandCancel");
}

bool EditAspectDialog::Run() { return PinsChangedBy(*this, model_); }

EditStepDialog::EditStepDialog(Configuration& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle("Edit Step");
  BuildButtons(this, "EditStep",
               {{"commandInsert", "Insert Step",
                 [this] {
                   InsertStep(model_);
                   return true;
                 }},
                {"commandDelete", "Delete Step",
                 [this] {
                   DeleteStep(model_);
                   return true;
                 }}},
               "commandCancel");
}

bool EditStepDialog::Run() { return PinsChangedBy(*this, model_); }

EditDialogs::EditDialogs(Configuration& model, Prompter& prompter, QWidget* window)
    : QObject(window), model_(model), prompter_(prompter), window_(window) {}

EditDialogs::~EditDialogs() {
  delete pin_;
  delete aspect_;
  delete step_;
}

bool EditDialogs::EditPin() {
  return Kept(pin_, model_, pin_clipboard_, prompter_, window_.data()).Run();
}

bool EditDialogs::EditAspect() {
  return Kept(aspect_, model_, aspect_clipboard_, prompter_, window_.data()).Run();
}

bool EditDialogs::EditStep(int row) {
  if (row < 0 || row > LastStep(model_.Pins[model_.CurrentPin])) return false;
  model_.CurrentStep = row;
  return Kept(step_, model_, window_.data()).Run();
}

}  // namespace pyra

#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

#include "helptools/EditOps.h"
#include "link/Prompter.h"
#include "model/Configuration.h"

namespace pyra {

// The edit dialogs of the aspect editor. Each works on CurrentPin, CurrentAspect and
// CurrentStep of the model and hides after any button, except a paste without a copy, which
// shows "Nothing to Paste" and leaves the dialog open. The clipboards are not the dialogs': they
// are handed in, so a copy outlives the dialog that made it.

// dlgEditPin, "Edit Pin".
class EditPinDialog final : public QDialog {
  Q_OBJECT

 public:
  EditPinDialog(Configuration& model, PinClipboard& clipboard, Prompter& prompter,
                QWidget* parent = nullptr);

  // Shows the dialog modally; true when a paste or clear changed the pins.
  bool Run();

 private:
  Configuration& model_;
  PinClipboard& clipboard_;
  Prompter& prompter_;
};

// dlgEditAspect, "Edit Aspect".
class EditAspectDialog final : public QDialog {
  Q_OBJECT

 public:
  EditAspectDialog(Configuration& model, AspectClipboard& clipboard, Prompter& prompter,
                   QWidget* parent = nullptr);

  bool Run();

 private:
  Configuration& model_;
  AspectClipboard& clipboard_;
  Prompter& prompter_;
};

// dlgEditStep, "Edit Step".
class EditStepDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit EditStepDialog(Configuration& model, QWidget* parent = nullptr);

  bool Run();

 private:
  Configuration& model_;
};

// What the window keeps for the run: the two clipboards and the three dialogs, each dialog
// created on first use and kept, parented to the window so it is shown modally over it. After a
// call that returns true the aspect editor shows the pin anew (and, for a pin, its address sums
// and pin configuration follow).
class EditDialogs final : public QObject {
  Q_OBJECT

 public:
  EditDialogs(Configuration& model, Prompter& prompter, QWidget* window);
  ~EditDialogs() override;

  // AspectEditor::EditPinRequested.
  bool EditPin();
  // AspectEditor::EditAspectRequested.
  bool EditAspect();
  // StepGrid::EditStepRequested(row): CurrentStep := row first.
  bool EditStep(int row);

  const PinClipboard& PinCopy() const { return pin_clipboard_; }
  const AspectClipboard& AspectCopy() const { return aspect_clipboard_; }

 private:
  Configuration& model_;
  Prompter& prompter_;
  QPointer<QWidget> window_;
  PinClipboard pin_clipboard_;
  AspectClipboard aspect_clipboard_;
  QPointer<EditPinDialog> pin_;
  QPointer<EditAspectDialog> aspect_;
  QPointer<EditStepDialog> step_;
};

}  // namespace pyra

#pragma once

#include <QGroupBox>

#include "widgets/PanelContext.h"

class QLabel;
class QLineEdit;

namespace pyra {

// The identity group of the "General" tab: ID string, firmware version, flash erase.
class IdentityPanel final : public QGroupBox {
  Q_OBJECT

 public:
  IdentityPanel(PanelContext context, QWidget* parent = nullptr);

  // model -> controls (after a file load or a batch read)
  void ShowSettings();
  // controls -> model: the ID box, when the user typed in it and nothing took it yet
  void TakeEdits();

 private:
  // The box's own edit: an ID that a configuration file could not carry is refused with a
  // message and the box shows the ID it had.
  void TakeIDString();
  void ShowIDString();
  void ShowVersion();

  PanelContext context_;
  QLineEdit* id_string_;
  QLabel* version_;
};

}  // namespace pyra

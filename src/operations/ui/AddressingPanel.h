#pragma once

#include <QGroupBox>
#include <array>

#include "widgets/PanelContext.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace pyra {

class UpDown;

// "Module Addressing" of the "General" tab: native mode, Lumo flexible addressing with its start
// address, the module's eXtended Address (or the enforced one) and the eXtended Group Mask.
class AddressingPanel final : public QGroupBox {
  Q_OBJECT

 public:
  AddressingPanel(PanelContext context, QWidget* parent = nullptr);

  // model -> controls, including the numbering base; no handler runs.
  void ShowSettings();
  // Typed boxes -> model, as when they lose the focus.
  void TakeEdits();

 signals:
  // The settings that decide the pins' serial addresses changed.
  void LumoAddressesChanged();

 private:
  void ApplyVisibility();
  void LumoFlexClicked(bool ticked);
  void TakeLumoStart();
  void StepLumoStart(int steps);
  void ShowLumoStart();
  void TakeXAddress();

  PanelContext context_;
  QCheckBox* native_;
  QCheckBox* lumo_flex_;
  QLabel* label_start_;
  QLineEdit* text_start_;
  UpDown* updown_start_;
  QCheckBox* force_xa_;
  QLabel* label_xaddress_;
  QLineEdit* text_xaddress_;
  UpDown* updown_xaddress_;
  QLabel* label_mask_;
  QWidget* mask_numbers_;
  std::array<QCheckBox*, 16> mask_{};
};

}  // namespace pyra

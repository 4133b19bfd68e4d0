#pragma once

#include <QGroupBox>
#include <array>

#include "widgets/PanelContext.h"

class QCheckBox;
class QLabel;

namespace pyra {

// "Hardware Config" of the "General" tab: sink and source drivers of each group of eight pins.
class HardwarePanel final : public QGroupBox {
  Q_OBJECT

 public:
  HardwarePanel(PanelContext context, QWidget* parent = nullptr);

  // model -> controls, including the pin-group caption of the numbering base.
  void ShowSettings();

 signals:
  // The pin-configuration panel warns about the drivers of the current pin's group.
  void DriversChanged();

 private:
  // Puts each pair of boxes under its pin group in the caption.
  void LayOutDrivers();

  PanelContext context_;
  QWidget* drivers_;
  QLabel* caption_;
  QLabel* label_sink_;
  QLabel* label_source_;
  std::array<QCheckBox*, 4> sink_{};
  std::array<QCheckBox*, 4> source_{};
};

}  // namespace pyra

#pragma once

#include <QGroupBox>
#include <array>

#include "widgets/PanelContext.h"

class QCheckBox;

namespace pyra {

// "LED Control" of the "General" tab: the events the green and the orange LED signal. Box 7 of
// each colour is grey exactly when no event is chosen (the module's default behaviour).
class LedPanel final : public QGroupBox {
  Q_OBJECT

 public:
  LedPanel(PanelContext context, QWidget* parent = nullptr);

  void ShowSettings();

 private:
  void BoxClicked(std::array<int, 8>& boxes, const std::array<QCheckBox*, 8>& shown, int index);
  static void Show(const std::array<int, 8>& boxes, const std::array<QCheckBox*, 8>& shown);

  PanelContext context_;
  std::array<QCheckBox*, 8> green_{};
  std::array<QCheckBox*, 8> orange_{};
};

}  // namespace pyra

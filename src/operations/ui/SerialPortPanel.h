#pragma once

#include <QGroupBox>

#include "widgets/PanelContext.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace pyra {

// "Serial Port" of the "General" tab: the module's own serial port.
class SerialPortPanel final : public QGroupBox {
  Q_OBJECT

 public:
  SerialPortPanel(PanelContext context, QWidget* parent = nullptr);

  void ShowSettings();

 private:
  PanelContext context_;
  QCheckBox* enable_;
  QComboBox* baud_;
  QButtonGroup* data_bits_;
  QButtonGroup* parity_;
  QButtonGroup* stop_bits_;
};

}  // namespace pyra

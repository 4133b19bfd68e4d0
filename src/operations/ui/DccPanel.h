#pragma once

#include <QGroupBox>

#include "widgets/PanelContext.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;

namespace pyra {

class UpDown;

// "DCC" of the "General" tab: the basic and eXtended DCC decoder addresses with the output ranges
// they give the module, and the DCC options.
class DccPanel final : public QGroupBox {
  Q_OBJECT

 public:
  DccPanel(PanelContext context, QWidget* parent = nullptr);

  // model -> controls, then the range labels.
  void ShowSettings();
  // Recomputes the module's DCC and extended-DCC ranges (DccBase, XDccBase) and shows them.
  void ShowRanges();
  void TakeEdits();

 signals:
  // DccBase or XDccBase may have moved: the pins' DCC address labels follow.
  void DccBasesChanged();

 private:
  void TakeDccAddress();
  void TakeXDccAddress();
  void UpdateLimits();

  PanelContext context_;
  QLineEdit* text_dcc_;
  UpDown* updown_dcc_;
  QLineEdit* text_xdcc_;
  UpDown* updown_xdcc_;
  QLabel* dcc_output_;
  QLabel* xdcc_output_;
  QButtonGroup* retention_;
  QCheckBox* invert_;
  QCheckBox* allow0_;
};

}  // namespace pyra

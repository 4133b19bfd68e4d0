#pragma once

#include <QGroupBox>

#include "model/Configuration.h"

class QLabel;
class QLineEdit;

namespace pyra {

class UpDown;

// The "Addresses" group of the current pin: its first DCC, extended-DCC, serial and pin address,
// and how many addresses of each scheme it occupies.
class AddressPanel final : public QGroupBox {
  Q_OBJECT

 public:
  AddressPanel(Configuration& model, QWidget* parent = nullptr);

  // The link's addresses, which the serial and pin address labels include.
  void SetLinkAddresses(int module_address, int extended_address, bool use_xaddress);
  // The three count boxes of the current pin and the four labels.
  void ShowSettings();
  void ShowDccAddress();
  void ShowXDccAddress();
  void ShowLumoAddress();
  void ShowLabels();
  void TakeEdits();
  // "Show Details": a count box is shown when details are, or when it holds anything but 1.
  void ApplyShowDetails(bool details);

 private:
  enum Count { kDcc, kXDcc, kLumo };
  void TakeCount(Count count, bool from_spin);

  void ShowCountBoxes();

  Configuration& model_;
  bool details_ = false;  // "Show Details" is unticked at start
  QLabel* count_heading_;
  int module_address_ = 0;
  int extended_address_ = 0;
  bool use_xaddress_ = false;
  QLabel* dcc_address_;
  QLabel* xdcc_address_;
  QLabel* serial_address_;
  QLabel* pin_address_;
  QLineEdit* counts_[3];
  UpDown* updowns_[3];
};

}  // namespace pyra

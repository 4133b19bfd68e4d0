#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "link/Prompter.h"
#include "link/serial/SerialPort.h"
#include "widgets/LinkJobs.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pyra {

namespace sim {
class Simulator;
}
class MouseLabel;
class UpDown;

// One system port as the port list shows it.
struct PortEntry {
  std::string open_name;    // what the opener is given
  std::string shown;        // the list's text
  std::string description;  // the list entry's tool tip
};

// The link in `by_id_dir` (normally /dev/serial/by-id) that leads to the device `location`, as
// a path in that folder; empty when none does. Several links to one device: the first by name.
std::string StablePortPath(const std::string& location, const std::string& by_id_dir);

// A system port by its list name: its stable name and description where the system has them,
// else the plain name.
PortEntry DescribeSerialPort(const std::string& name);

// How the port list is filled and a system port opened; tests replace them.
struct PortAccess {
  std::function<std::vector<std::string>()> list = ListSerialPorts;
  std::function<PortEntry(const std::string& name)> describe = DescribeSerialPort;
  std::function<SerialOpenResult(const std::string& name, int bit_rate)> open = OpenSerialPort;
};

// The connection area: port, bit rate, bidirectional mode, module and eXtended address, Velora
// tunnelling and transparent mode. It keeps the link configuration the controls show and hands
// it to the link; the exchanges themselves run as link jobs.
class ConnectionPanel final : public QWidget {
  Q_OBJECT

 public:
  ConnectionPanel(LinkJobs& jobs, Prompter& prompter, sim::Simulator& simulator, PortAccess ports,
                  QWidget* parent = nullptr);

  // Fills the port list with the system's ports and the simulated module, alone and behind each
  // kind of Velora unit; nothing selected.
  void RefreshPortList();
  // The port of the last run: a hint in the empty Port box, opened by Return there. The port
  // stays closed until the user acts, and the box shows only a port that is open.
  void SetRememberedPort(const QString& name);
  // The numbering option changed: new limits, both boxes re-shown from the stored values.
  void SetNumberBase(int number_base);
  // Re-reads what the link may have changed during a job.
  void SyncFromLink(const LinkState& state);
  // The open port went away during a job (the user has been told): it is closed, and the list is
  // filled anew because the port may be gone from the system for good. Nothing is selected, so
  // the user picks a port again.
  void PortLost();

  int ModuleAddress() const { return module_address_; }
  int ExtendedAddress() const { return extended_address_; }

 signals:
  // The module or eXtended address (or its use) changed: the address assignment is refreshed.
  void AddressesChanged();

 private:
  void BuildLayout();
  void OpenSelectedPort();
  void ClosePort();
  void ClearPortBox();
  QString remembered_port_;
  void ChooseBitRate(int index);
  void TakeModuleAddress();
  void TakeExtendedAddress();
  void ShowXAddressControls(bool shown);
  void SwitchVelora(bool ticked);
  void VeloraSwitchedOff();
  void UpdateAddressLimits();

  LinkJobs& jobs_;
  Prompter& prompter_;
  sim::Simulator& simulator_;
  PortAccess ports_;

  int number_base_ = 1;
  int module_address_ = 0;
  int extended_address_ = 0;
  int bit_rate_;
  // The Velora unit type the simulator was last connected behind, 0 for none: choosing another
  // kind is plugging in another unit, which starts out of transparent mode.
  int simulated_unit_ = 0;

  MouseLabel* label_port_;
  QComboBox* combo_port_;
  QPushButton* refresh_;
  QFrame* frame_bitrate_;
  QButtonGroup* bit_rates_;
  QCheckBox* bidirectional_;
  QLabel* label_address_;
  QLineEdit* text_address_;
  UpDown* updown_address_;
  QCheckBox* use_xaddress_;
  QLabel* label_xaddress_;
  QLineEdit* text_xaddress_;
  UpDown* updown_xaddress_;
  QCheckBox* use_velora_;
  QPushButton* set_transparent_;
};

}  // namespace pyra

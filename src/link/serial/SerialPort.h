#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/ByteChannel.h"

namespace pyra {

// Names of the system's serial ports as the port list shows them ("ttyUSB0", "ttyS0", ...).
// Listed from the system's port information; no port is opened to probe it.
std::vector<std::string> ListSerialPorts();

struct SerialOpenResult {
  std::unique_ptr<ByteChannel> channel;  // null when the port could not be opened
  std::string error;                     // why, for the user
};

// Opens a port by list name or device path at the bit rate, odd parity, 8 data bits, 1 stop bit.
// The channel belongs to the calling thread (the link thread) and must be used only there.
SerialOpenResult OpenSerialPort(const std::string& name, int bit_rate);

}  // namespace pyra

#include "operations/Dispatcher.h"

#include <algorithm>

namespace pyra {

bool IsCommandName(std::string_view name) {
  return std::find(std::begin(kCommandNames), std::end(kCommandNames), name) !=
         std::end(kCommandNames);
}

std::string QueueRefusal(std::string_view name, bool port_open, const Configuration& c) {
  if ((name == "VerifyAll" || name == "VerifyAllPins" || name == "ECVerify") && !port_open) {
    return "Select communications port";
  }
  if (name == "WriteDevice") {
    const int head = c.CurrentPin + c.Pins[c.CurrentPin].DeviceLink;
    if (head < 0 || head >= kPinCount || c.Pins[head].DeviceLink != 0) {
      return "Referral is not a device";
    }
  }
  return {};
}

}  // namespace pyra

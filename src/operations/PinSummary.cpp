#include "operations/PinSummary.h"

#include "model/AddressAssignment.h"
#include "operations/ConfigTexts.h"

namespace pyra {

std::string RoleName(const PinRecord& pin) {
  switch (pin.PinConfig[0]) {
    case 0:
      return "lamp";  // a plain output: what an unconfigured pin drives
    case 1:
      return "servo";
    case 2:
      return "PWM";
    case 3:
      return "PWM, inverted";
    case 4:
      return "input";
    case 5:
      return "input, low active";
    default:
      return "unknown configuration " + std::to_string(pin.PinConfig[0]);
  }
}

std::string DeviceText(const Configuration& c, int p, int number_base) {
  const PinRecord& pin = c.Pins[p];
  if (pin.DeviceLink == 0) {
    return pin.DeviceName.empty() ? "" : "device " + QuotedText(pin.DeviceName) + " (head)";
  }
  const int head = p + pin.DeviceLink;
  const std::string name = head >= 0 && head < kPinCount ? c.Pins[head].DeviceName : "";
  return "member of the device at " + PinText(head, number_base) +
         (name.empty() ? "" : " " + QuotedText(name));
}

std::array<PinSummary, kPinCount> SummarizePins(const Configuration& c, const LinkAddresses& link) {
  Configuration shown = c;
  ComputeDccStarts(shown);
  ComputeLumoStarts(shown);
  ComputeXDccStarts(shown);
  ShowModuleDccRange(shown);
  ShowModuleXDccRange(shown);
  std::array<PinSummary, kPinCount> rows;
  for (int p = 0; p < kPinCount; ++p) {
    const PinRecord& pin = c.Pins[p];
    shown.CurrentPin = p;
    PinSummary& row = rows[p];
    row.pin = std::to_string(p + c.NumberBase);
    row.description = pin.Description;
    row.role = RoleName(pin);
    row.device = DeviceText(c, p, c.NumberBase);
    row.aspects = AspectLayoutText(pin.AspectMode);
    row.dcc = ShowPinDccAddress(shown);
    row.xdcc = ShowPinXDccAddress(shown);
    row.serial = ShowPinLumoAddress(shown, link.module_address, link.extended_address,
                                    link.use_extended_address)
                     .serial_address;
    row.initial_aspect = InitialAspectText(pin.InitialAspect);
  }
  return rows;
}

}  // namespace pyra

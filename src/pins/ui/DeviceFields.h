#pragma once

#include <string>
#include <string_view>

#include "model/Configuration.h"

namespace pyra {

inline constexpr char kReferralIsNoDevice[] = "<Referral is no Device !>";

// The two device fields of the pin editor: the head pin of CurrentPin's device as the user counts
// pins, and the device's name. Only a pin that heads its device (or stands alone) may rename it.
struct DeviceFieldsView {
  std::string head_pin;
  std::string name;
  bool name_editable = false;
};

// What the pin editor shows when it shows a pin; the model is left alone.
DeviceFieldsView DeviceFieldsOf(const Configuration& c);
// The head-pin box was clicked or left: as DeviceFieldsOf, but a member pin also forgets a name
// of its own, since the name belongs to the head.
DeviceFieldsView ShowDevice(Configuration& c);
// The head-pin box changed: a whole number naming a pin makes that pin CurrentPin's head. Anything
// else changes nothing. True when DeviceLink was set.
bool SetDeviceLink(Configuration& c, std::string_view text);
// The name box changed; ignored unless CurrentPin heads its device.
void SetDeviceName(Configuration& c, std::string_view text);

}  // namespace pyra

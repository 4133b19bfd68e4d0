#include "pins/ui/DeviceFields.h"

#include <gtest/gtest.h>

namespace pyra {
namespace {

struct LinkCase {
  const char* typed;
  int number_base;
  bool taken;
  int link;  // DeviceLink of pin 4 afterwards (it starts at 0)
};

TEST(SetDeviceLinkTest, OnlyAWholeNumberNamingAPinIsTaken) {
  const LinkCase kCases[] = {{"3", 1, true, -2},  {" 3 ", 1, true, -2}, {"3", 0, true, -1},
                             {"32", 1, true, 27}, {"32", 0, false, 0},  {"0", 1, false, 0},
                             {"40", 1, false, 0}, {"", 1, false, 0},    {"3a", 1, false, 0},
                             {"-1", 0, false, 0}};
  for (const LinkCase& k : kCases) {
    SCOPED_TRACE(std::string("\"") + k.typed + "\" base " + std::to_string(k.number_base));
    Configuration c = DefaultConfiguration();
    c.CurrentPin = 4;
    c.NumberBase = k.number_base;
    EXPECT_EQ(SetDeviceLink(c, k.typed), k.taken);
    EXPECT_EQ(c.Pins[4].DeviceLink, k.link);
  }
}

TEST(DeviceFieldsTest, MemberShowsItsHeadsNameAndCannotRenameIt) {
  Configuration c = DefaultConfiguration();
  c.Pins[2].DeviceName = "Signal";
  c.Pins[4].DeviceLink = -2;
  c.Pins[4].DeviceName = "stale";
  c.CurrentPin = 4;
  const DeviceFieldsView shown = DeviceFieldsOf(c);
  EXPECT_EQ(shown.head_pin, "3");
  EXPECT_EQ(shown.name, "Signal");
  EXPECT_FALSE(shown.name_editable);
  EXPECT_EQ(c.Pins[4].DeviceName, "stale");

  ShowDevice(c);
  EXPECT_EQ(c.Pins[4].DeviceName, "");
  SetDeviceName(c, "renamed");
  EXPECT_EQ(c.Pins[4].DeviceName, "");
  EXPECT_EQ(c.Pins[2].DeviceName, "Signal");
}

TEST(DeviceFieldsTest, ReferralToAMemberIsNoDevice) {
  Configuration c = DefaultConfiguration();
  c.NumberBase = 0;
  c.Pins[2].DeviceLink = -1;
  c.Pins[3].DeviceLink = -1;
  c.CurrentPin = 3;
  const DeviceFieldsView shown = DeviceFieldsOf(c);
  EXPECT_EQ(shown.head_pin, "2");
  EXPECT_EQ(shown.name, kReferralIsNoDevice);
}

TEST(DeviceFieldsTest, HeadRenamesItsDevice) {
  Configuration c = DefaultConfiguration();
  c.CurrentPin = 7;
  SetDeviceName(c, "Turnout");
  const DeviceFieldsView shown = ShowDevice(c);
  EXPECT_EQ(shown.head_pin, "8");
  EXPECT_EQ(shown.name, "Turnout");
  EXPECT_TRUE(shown.name_editable);
}

}  // namespace
}  // namespace pyra

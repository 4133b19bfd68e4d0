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

class SetDeviceLinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SetDeviceLinkTest, OnlyAWholeNumberNamingAPinIsTaken) {
  Configuration c = DefaultConfiguration();
  c.CurrentPin = 4;
  c.NumberBase = GetParam().number_base;
  EXPECT_EQ(SetDeviceLink(c, GetParam().typed), GetParam().taken) << GetParam().typed;
  EXPECT_EQ(c.Pins[4].DeviceLink, GetParam().link) << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(Texts, SetDeviceLinkTest,
                         ::testing::Values(LinkCase{"3", 1, true, -2}, LinkCase{" 3 ", 1, true, -2},
                                           LinkCase{"3", 0, true, -1}, LinkCase{"32", 1, true, 27},
                                           LinkCase{"32", 0, false, 0}, LinkCase{"0", 1, false, 0},
                                           LinkCase{"40", 1, false, 0}, LinkCase{"", 1, false, 0},
                                           LinkCase{"3a", 1, false, 0},
                                           LinkCase{"-1", 0, false, 0}));

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

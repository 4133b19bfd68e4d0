// Known answers of the address assignment: the module's output ranges, with their overflow
// words, and the Lumo labels of a pin in each addressing mode.
#include <gtest/gtest.h>

#include "model/AddressAssignment.h"

namespace pyra {
namespace {

TEST(AddressAssignmentTest, StartUpGivesOneAddressPerPin) {
  Configuration c = DefaultConfiguration();
  for (int i = 0; i <= kPinCount; ++i)
    EXPECT_EQ(c.DccStart[i] + c.XDccStart[i] + c.LumoStart[i], 3 * i);
  EXPECT_EQ(ShowModuleDccRange(c).text, "Output 1 .. 32");
  c.CurrentPin = 4;
  EXPECT_EQ(ShowPinDccAddress(c), "5");
  EXPECT_EQ(HardwareGroupsCaption(0), "Pin       0..7         8..15      16..23       24..31");
}

TEST(AddressAssignmentTest, DccRangeFollowsAddressTotalAndNumbering) {
  struct Row {
    int address, total;
    bool allow0;
    int base;
    const char* text;
    bool overflow;
  };
  for (Row r :
       {Row{500, 44, false, 1, "Output 1997 .. 2040", false},
        Row{500, 45, false, 1, "Output 1997 .. OVFLOW", true},
        Row{0, 8, true, 1, "Output 1 .. 8", false}, Row{0, 8, true, 0, "Output 0 .. 7", false},
        Row{2, 4, false, 0, "Output 5 .. 8", false},
        Row{1, 0, false, 1, "No addr in use", false}}) {
    Configuration c = DefaultConfiguration();
    for (int i = 0, left = r.total; i < kPinCount; ++i, left -= 6) {
      c.Pins[i].DccCount = static_cast<uint8_t>(std::clamp(left, 0, 6));
    }
    ComputeDccStarts(c);
    c.Settings.DccAddress = r.address;
    c.Settings.AllowAddress0 = r.allow0;
    c.NumberBase = r.base;
    EXPECT_EQ(ShowModuleDccRange(c).text, r.text);
    EXPECT_EQ(ShowModuleDccRange(c).overflow, r.overflow) << r.text;
  }
}

TEST(AddressAssignmentTest, ExtendedRangeSaysOverflowAndNoAddrInUse) {
  Configuration c = DefaultConfiguration();
  c.Settings.XDccAddress = 2015;  // 2015 + 32 = 2047 > 2046
  EXPECT_EQ(ShowModuleXDccRange(c).text, "Output 2015 .. OVERFLOW");
  EXPECT_TRUE(ShowModuleXDccRange(c).overflow);
  c.Settings.XDccAddress = 2014;
  EXPECT_EQ(ShowModuleXDccRange(c).text, "Output 2014 .. 2045");
  for (int i = 0; i < kPinCount; ++i) c.Pins[i].XDccCount = 0;
  ComputeXDccStarts(c);
  EXPECT_EQ(ShowModuleXDccRange(c).text, "No addr in use");
  EXPECT_EQ(ShowPinXDccAddress(c), "-");
}

TEST(AddressAssignmentTest, LumoLabelsFollowTheAddressingMode) {
  struct Row {
    bool flex, native;
    int pin, count;  // earlier pins carry 6 addresses each
    bool use_xa;
    const char *serial, *pin_address;
  };
  for (Row r :
       {Row{true, false, 1, 6, false, "27", "3.7"}, Row{false, false, 1, 6, false, "71", "3.7"},
        Row{false, true, 1, 6, true, "263", "3.12.7"},
        Row{false, false, 6, 6, false, "-", "3.37"},  // from 32 on: no serial address
        Row{true, false, 1, 0, false, "-", "-"},
        Row{false, true, 22, 6, false, "-", "-"}}) {  // above 127: no pin address
    Configuration c = DefaultConfiguration();
    for (int i = 0; i < kPinCount; ++i) c.Pins[i].LumoCount = 6;
    c.Pins[r.pin].LumoCount = static_cast<uint8_t>(r.count);
    ComputeLumoStarts(c);
    c.CurrentPin = r.pin;
    c.Settings.LumoFlex = r.flex;
    c.Settings.PRNative = r.native;
    c.Settings.LumoModeAddress = 5;
    const LumoLabels l = ShowPinLumoAddress(c, 2, 11, r.use_xa);
    EXPECT_EQ(l.serial_address, r.serial) << r.pin << " " << r.flex << r.native;
    EXPECT_EQ(l.pin_address, r.pin_address) << r.pin << " " << r.flex << r.native;
  }
}

}  // namespace
}  // namespace pyra

#include <gtest/gtest.h>

#include "model/AddressAssignment.h"

namespace pyra {
namespace {

TEST(AddressAssignmentTest, StartUpGivesOneAddressPerPinAndTheSpareRecordNone) {
  Configuration c = DefaultConfiguration();
  for (int i = 0; i <= 32; ++i) {
    EXPECT_EQ(c.DccStart[i], i);
    EXPECT_EQ(c.XDccStart[i], i);
    EXPECT_EQ(c.LumoStart[i], i);
  }
  EXPECT_EQ(c.DccTotal, 32);
  EXPECT_EQ(c.XDccTotal, 32);
  RangeCaption dcc = ShowModuleDccRange(c);
  EXPECT_EQ(dcc.text, "Output 1 .. 32");
  EXPECT_FALSE(dcc.overflow);
  c.CurrentPin = 4;
  EXPECT_EQ(ShowPinDccAddress(c), "5");
}

TEST(AddressAssignmentTest, CopyOfAPinRecordOwnsItsStrings) {
  Configuration c = DefaultConfiguration();
  c.Pins[3].Description = "Signal";
  PinRecord copy = c.Pins[3];
  copy.Description = "Changed";
  EXPECT_EQ(c.Pins[3].Description, "Signal");
}

struct DccRangeCase {
  int address;
  int total;
  bool allow0;
  int number_base;
  std::string text;
  bool overflow;
};

class DccRangeTest : public ::testing::TestWithParam<DccRangeCase> {};

TEST_P(DccRangeTest, CaptionAndOverflowFollowTheAddressAndTotal) {
  const auto& p = GetParam();
  Configuration c = DefaultConfiguration();
  // Spread the requested total over the pins: six outputs each, the rest on the last pin.
  for (int i = 0; i < kPinCount; ++i) c.Pins[i].DccCount = 0;
  int left = p.total;
  for (int i = 0; left > 0; ++i) {
    c.Pins[i].DccCount = static_cast<uint8_t>(std::min(left, 6));
    left -= c.Pins[i].DccCount;
  }
  ComputeDccStarts(c);
  c.Settings.DccAddress = p.address;
  c.Settings.AllowAddress0 = p.allow0;
  c.NumberBase = p.number_base;
  RangeCaption r = ShowModuleDccRange(c);
  EXPECT_EQ(r.text, p.text);
  EXPECT_EQ(r.overflow, p.overflow);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, DccRangeTest,
    ::testing::Values(DccRangeCase{500, 44, false, 1, "Output 1997 .. 2040", false},
                      DccRangeCase{500, 45, false, 1, "Output 1997 .. OVFLOW", true},
                      DccRangeCase{0, 8, true, 1, "Output 1 .. 8", false},
                      DccRangeCase{0, 8, true, 0, "Output 0 .. 7", false},
                      DccRangeCase{2, 4, false, 0, "Output 5 .. 8", false},
                      DccRangeCase{1, 0, false, 1, "No addr in use", false}));

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

struct LumoCase {
  const char* name;
  bool flex;
  bool native;
  int lumo_start_pin;  // pin whose labels are shown; earlier pins carry 6 addresses
  int lumo_count;
  bool use_xa;
  std::string serial;
  std::string pin;
};

class LumoLabelTest : public ::testing::TestWithParam<LumoCase> {};

TEST_P(LumoLabelTest, SerialAndPinAddressFollowTheAddressingMode) {
  const auto& p = GetParam();
  Configuration c = DefaultConfiguration();
  for (int i = 0; i < kPinCount; ++i) c.Pins[i].LumoCount = 6;
  c.Pins[p.lumo_start_pin].LumoCount = static_cast<uint8_t>(p.lumo_count);
  ComputeLumoStarts(c);
  c.CurrentPin = p.lumo_start_pin;
  c.Settings.LumoFlex = p.flex;
  c.Settings.PRNative = p.native;
  c.Settings.LumoModeAddress = 5;
  LumoLabels l = ShowPinLumoAddress(c, 2, 11, p.use_xa);
  EXPECT_EQ(l.serial_address, p.serial) << p.name;
  EXPECT_EQ(l.pin_address, p.pin) << p.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LumoLabelTest,
    ::testing::Values(
        // pin 1 starts at 6: L = 7
        LumoCase{"flexible", true, false, 1, 6, false, "27", "3.7"},
        LumoCase{"neither", false, false, 1, 6, false, "71", "3.7"},
        LumoCase{"native", false, true, 1, 6, true, "263", "3.12.7"},
        // pin 6 starts at 36: not flexible, not native: no serial address, pin address kept
        LumoCase{"neither from 32 on", false, false, 6, 6, false, "-", "3.37"},
        LumoCase{"no Lumo addresses", true, false, 1, 0, false, "-", "-"},
        // pin 22 starts at 132: above 127 there is no pin address either
        LumoCase{"native above 127", false, true, 22, 6, false, "-", "-"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (ch == ' ') ch = '_';
      }
      return n;
    });

TEST(AddressAssignmentTest, HardwareGroupCaptionFollowsTheNumbering) {
  EXPECT_EQ(HardwareGroupsCaption(1), "Pin       1..8         9..16      17..24       25..32");
  EXPECT_EQ(HardwareGroupsCaption(0), "Pin       0..7         8..15      16..23       24..31");
}

}  // namespace
}  // namespace pyra

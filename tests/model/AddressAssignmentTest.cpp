// Known answers of the address assignment: the module's output ranges, with their overflow
// words, and the Lumo labels of a pin in each addressing mode.
#include <gtest/gtest.h>

#include <tuple>

#include "model/AddressAssignment.h"

namespace pyra {
namespace {

TEST(AddressAssignmentTest, OutputRangesFollowAddressTotalAndNumbering) {
  struct Row {
    bool extended;
    int address, total;
    bool allow0;
    int base;
    const char* text;
    bool overflow;
  };
  for (Row r : {Row{false, 500, 44, false, 1, "Output 1997 .. 2040", false},
                Row{false, 500, 45, false, 1, "Output 1997 .. OVFLOW", true},
                Row{false, 0, 8, true, 1, "Output 1 .. 8", false},
                Row{false, 0, 8, true, 0, "Output 0 .. 7", false},
                Row{false, 2, 4, false, 0, "Output 5 .. 8", false},
                Row{false, 1, 0, false, 1, "No addr in use", false},
                Row{true, 2015, 32, false, 1, "Output 2015 .. OVERFLOW", true},  // 2047 > 2046
                Row{true, 2014, 32, false, 1, "Output 2014 .. 2045", false},
                Row{true, 1, 0, false, 1, "No addr in use", false}}) {
    Configuration c = DefaultConfiguration();
    // Six DCC outputs per pin, or one extended address, until the total is reached.
    for (int i = 0, left = r.total; i < kPinCount; ++i, left -= r.extended ? 1 : 6) {
      (r.extended ? c.Pins[i].XDccCount : c.Pins[i].DccCount) =
          static_cast<uint8_t>(std::clamp(left, 0, r.extended ? 1 : 6));
    }
    ComputeDccStarts(c);
    ComputeXDccStarts(c);
    (r.extended ? c.Settings.XDccAddress : c.Settings.DccAddress) = r.address;
    c.Settings.AllowAddress0 = r.allow0;
    c.NumberBase = r.base;
    const RangeCaption got = r.extended ? ShowModuleXDccRange(c) : ShowModuleDccRange(c);
    EXPECT_EQ(got.text, r.text);
    EXPECT_EQ(got.overflow, r.overflow) << r.text;
  }
}

TEST(AddressAssignmentTest, LumoLabelsFollowTheAddressingMode) {
  // The shown pin's Lumo count; earlier pins carry 6 addresses each.
  for (auto [flex, native, pin, count, use_xa, serial, pin_address] :
       {std::tuple{true, false, 1, 6, false, "27", "3.7"},
        {false, false, 1, 6, false, "71", "3.7"},
        {false, true, 1, 6, true, "263", "3.12.7"},
        {false, false, 6, 6, false, "-", "3.37"},  // from 32 on: no serial address
        {true, false, 1, 0, false, "-", "-"},
        {false, true, 22, 6, false, "-", "-"}}) {  // above 127: no pin address
    Configuration c = DefaultConfiguration();
    for (int i = 0; i < kPinCount; ++i) c.Pins[i].LumoCount = 6;
    c.Pins[pin].LumoCount = static_cast<uint8_t>(count);
    ComputeLumoStarts(c);
    c.CurrentPin = pin;
    c.Settings.LumoFlex = flex;
    c.Settings.PRNative = native;
    c.Settings.LumoModeAddress = 5;
    const LumoLabels l = ShowPinLumoAddress(c, 2, 11, use_xa);
    EXPECT_EQ(l.serial_address, serial) << pin << " " << flex << native;
    EXPECT_EQ(l.pin_address, pin_address) << pin << " " << flex << native;
  }
}

}  // namespace
}  // namespace pyra

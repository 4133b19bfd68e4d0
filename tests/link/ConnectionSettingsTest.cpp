#include <gtest/gtest.h>

#include "link/ConnectionSettings.h"

namespace pyra {
namespace {

struct ClampCase {
  int typed;
  int number_base;
  bool velora;
  int shown;
  int stored;
};

class ModuleAddressClampTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ModuleAddressClampTest, ShowsTheNearestLimitAndStoresZeroBased) {
  const auto& c = GetParam();
  AddressEntry e = ClampModuleAddress(c.typed, c.number_base, c.velora);
  EXPECT_EQ(e.shown, c.shown) << "typed " << c.typed << " base " << c.number_base;
  EXPECT_EQ(e.stored, c.stored) << "typed " << c.typed << " base " << c.number_base;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ModuleAddressClampTest,
    ::testing::Values(ClampCase{0, 1, false, 1, 0},  // below the base
                      ClampCase{1, 1, false, 1, 0}, ClampCase{16, 1, false, 16, 15},
                      ClampCase{40, 1, false, 16, 15},  // above the limit
                      ClampCase{40, 1, true, 32, 31},   // tunnelling: 0..31
                      ClampCase{20, 1, true, 20, 19}, ClampCase{0, 0, false, 0, 0},
                      ClampCase{16, 0, false, 15, 15}, ClampCase{-5, 0, true, 0, 0}));

TEST(ExtendedAddressClampTest, KeepsZeroTo95) {
  EXPECT_EQ(ClampExtendedAddress(200, 1).shown, 96);
  EXPECT_EQ(ClampExtendedAddress(200, 1).stored, 95);
  EXPECT_EQ(ClampExtendedAddress(0, 1).stored, 0);
  EXPECT_EQ(ClampExtendedAddress(95, 0).shown, 95);
  EXPECT_EQ(ClampExtendedAddress(-1, 0).shown, 0);
}

TEST(SettingsStringTest, IsOddParityEightDataBitsOneStopBit) {
  EXPECT_EQ(SettingsString(9600), "9600,o,8,1");
  EXPECT_EQ(SettingsString(38400), "38400,o,8,1");
}

}  // namespace
}  // namespace pyra

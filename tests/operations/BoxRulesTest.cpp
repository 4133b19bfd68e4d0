// The rules of the number boxes that the link and the settings operations own: a typed value is
// never refused but pulled to the nearest limit. Known answers at each limit.
#include <gtest/gtest.h>

#include <tuple>

#include "link/ConnectionSettings.h"
#include "operations/EventControl.h"
#include "operations/SettingsCodec.h"

namespace pyra {
namespace {

TEST(BoxRulesTest, AddressBoxesPullTypedValuesToTheirLimits) {
  const std::tuple<int, int, bool, int, int> rows[] = {
      {0, 1, false, 1, 0},   {16, 1, false, 16, 15}, {40, 1, false, 16, 15}, {40, 1, true, 32, 31},
      {20, 1, true, 20, 19}, {16, 0, false, 15, 15}, {-5, 0, true, 0, 0}};
  for (auto [typed, base, velora, shown, stored] : rows) {
    const AddressEntry e = ClampModuleAddress(typed, base, velora);
    EXPECT_EQ(e.shown, shown) << typed << " base " << base << " velora " << velora;
    EXPECT_EQ(e.stored, stored) << typed << " base " << base << " velora " << velora;
  }
  EXPECT_EQ(ClampExtendedAddress(200, 1).shown, 96);
  EXPECT_EQ(ClampExtendedAddress(200, 1).stored, 95);
  EXPECT_EQ(ClampExtendedAddress(-1, 0).shown, 0);
  EXPECT_EQ(ClampModuleXAddress(200, 1), 96);
  EXPECT_EQ(ClampDccAddress(0, false), 1);
  EXPECT_EQ(ClampDccAddress(0, true), 0);
  EXPECT_EQ(ClampDccAddress(600, false), 510);
  EXPECT_EQ(ClampXDccAddress(3000, true), 2046);
  EXPECT_EQ(LumoModeAddressFromText(23, 0), 5);     // a block starts every 4 addresses
  EXPECT_EQ(LumoModeAddressFromText(600, 0), 127);  // 508 is the last block start
  EXPECT_EQ(LumoModeAddressFromText(0, 1), 0);
  EXPECT_EQ(ClampEventValue(20), 11);
  EXPECT_EQ(ClampEventValue(-5), -1);
  EXPECT_EQ(SettingsString(38400), "38400,o,8,1");
}

TEST(BoxRulesTest, LedDefaultBoxIsGreyExactlyWhenNoFunctionIsChosen) {
  std::array<int, 8> boxes{0, 0, 0, 0, 0, 0, 0, 2};
  ClickLedBox(boxes, 3, 1);
  ClickLedBox(boxes, 5, 1);
  ClickLedBox(boxes, 3, 0);
  EXPECT_EQ(boxes, (std::array<int, 8>{0, 0, 0, 0, 0, 1, 0, 0})) << "function 5 is still chosen";
  ClickLedBox(boxes, 5, 0);
  EXPECT_EQ(boxes[7], 2);
  ClickLedBox(boxes, 2, 1);
  ClickLedBox(boxes, 7, 1);  // choosing the default clears every function
  EXPECT_EQ(boxes, (std::array<int, 8>{0, 0, 0, 0, 0, 0, 0, 2}));
}

}  // namespace
}  // namespace pyra

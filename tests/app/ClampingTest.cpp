#include <QLineEdit>
#include <QtTest/QTest>

#include "AppTestSupport.h"

namespace pyra::test {
namespace {

// Typed numbers are never refused: a value outside its range becomes the nearest limit, in the
// box and in the model.
struct ClampCase {
  const char* name;
  MainWindow::Tab tab;
  bool numbering_from_zero;
  bool lumo_flex;
  const char* box;
  const char* typed;
  const char* shown;
  int (*stored)(const Configuration&);
  int expected;
};

class ClampingTest : public AppTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(ClampingTest, TypedValueIsPulledToTheNearestLimit) {
  const ClampCase& c = GetParam();
  if (c.numbering_from_zero) Click("CheckKLnumber");
  if (c.lumo_flex) Click("CheckGenLMaddr");  // the scripted prompter answers OK
  SelectTab(c.tab);
  Type(c.box, c.typed);
  EXPECT_EQ(TextOf(c.box).toStdString(), c.shown);
  EXPECT_EQ(c.stored(window_->Model()), c.expected);
}

int DccAddress(const Configuration& c) { return c.Settings.DccAddress; }
int XDccAddress(const Configuration& c) { return c.Settings.XDccAddress; }
int LumoModeAddress(const Configuration& c) { return c.Settings.LumoModeAddress; }
int ModuleXAddress(const Configuration& c) { return c.Settings.ModuleXAddress; }
int EventOn0(const Configuration& c) { return c.EventControl[c.ECPin].EventOn[0]; }
int EventOff3(const Configuration& c) { return c.EventControl[c.ECPin].EventOff[3]; }
int ECPin(const Configuration& c) { return c.ECPin; }
int DccCount(const Configuration& c) { return c.Pins[c.CurrentPin].DccCount; }
int XDccCount(const Configuration& c) { return c.Pins[c.CurrentPin].XDccCount; }
int LumoCount(const Configuration& c) { return c.Pins[c.CurrentPin].LumoCount; }

constexpr auto kGeneral = MainWindow::kTabGeneral;
constexpr auto kEvents = MainWindow::kTabEventControl;
constexpr auto kDevice = MainWindow::kTabDeviceConfiguration;

INSTANTIATE_TEST_SUITE_P(
    BoxFamilies, ClampingTest,
    ::testing::Values(
        ClampCase{"DccAbove", kGeneral, false, false, "TextGenDCCAddress", "600", "510", DccAddress,
                  510},
        ClampCase{"DccZeroNotAllowed", kGeneral, false, false, "TextGenDCCAddress", "0", "1",
                  DccAddress, 1},
        ClampCase{"XDccAbove", kGeneral, false, false, "TextGenXDCCAddress", "3000", "2046",
                  XDccAddress, 2046},
        ClampCase{"LumoStartSnapsToItsBlock", kGeneral, true, true, "TextGenLMaddr", "23", "20",
                  LumoModeAddress, 5},
        ClampCase{"LumoStartFromOne", kGeneral, false, true, "TextGenLMaddr", "23", "21",
                  LumoModeAddress, 5},
        ClampCase{"LumoStartAbove", kGeneral, true, true, "TextGenLMaddr", "600", "508",
                  LumoModeAddress, 127},
        ClampCase{"ModuleXAddressAbove", kGeneral, false, false, "TextGenXaddr", "200", "96",
                  ModuleXAddress, 95},
        ClampCase{"ModuleXAddressBelow", kGeneral, false, false, "TextGenXaddr", "0", "1",
                  ModuleXAddress, 0},
        ClampCase{"EventAbove", kEvents, false, false, "TextECon_0", "20", "11", EventOn0, 11},
        ClampCase{"EventBelow", kEvents, false, false, "TextECon_0", "-5", "-1", EventOn0, -1},
        ClampCase{"EventOffInRange", kEvents, false, false, "TextECoff_3", "7", "7", EventOff3, 7},
        ClampCase{"EventPinAbove", kEvents, false, false, "TextECpin", "40", "32", ECPin, 31},
        ClampCase{"EventPinFromZero", kEvents, true, false, "TextECpin", "0", "0", ECPin, 0},
        ClampCase{"DccCountAbove", kDevice, false, false, "TextPaspDCCn", "9", "6", DccCount, 6},
        ClampCase{"DccCountBelow", kDevice, false, false, "TextPaspDCCn", "-2", "0", DccCount, 0},
        ClampCase{"XDccCountAbove", kDevice, false, false, "TextPAspXDCCn", "3", "1", XDccCount, 1},
        ClampCase{"LumoCountAbove", kDevice, false, false, "TextPaspLumon", "7", "6", LumoCount,
                  6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClampingTest, EventBoxIsGreyExactlyWhileItHoldsNoEvent) {
  SelectTab(MainWindow::kTabEventControl);
  auto* box = Find<QLineEdit>("TextECon_2");
  ASSERT_NE(box, nullptr);
  const QColor grey(224, 224, 224);
  EXPECT_EQ(box->palette().color(QPalette::Base), grey) << "no event at start";
  Type("TextECon_2", "4");
  EXPECT_NE(box->palette().color(QPalette::Base), grey);
  Type("TextECon_2", "-5");
  EXPECT_EQ(box->text(), "-1");
  EXPECT_EQ(box->palette().color(QPalette::Base), grey);
}

TEST_F(ClampingTest, CountsMoveThePinsAddressLabels) {
  SelectTab(MainWindow::kTabDeviceConfiguration);
  EXPECT_EQ(TextOf("lblDCCAddress"), "1");
  EXPECT_EQ(TextOf("lblXDCCAddress"), "1");
  EXPECT_EQ(TextOf("lblSerialAddress"), "1");
  EXPECT_EQ(TextOf("lblPinAddress"), "1.1");
  Type("TextPaspDCCn", "0");
  Type("TextPAspXDCCn", "0");
  Type("TextPaspLumon", "0");
  for (const char* label :
       {"lblDCCAddress", "lblXDCCAddress", "lblSerialAddress", "lblPinAddress"}) {
    EXPECT_EQ(TextOf(label), "-") << label;
  }
  // The module ranges are left to the next refresh; the sums already follow.
  EXPECT_EQ(window_->Model().DccTotal, 31);
  EXPECT_EQ(window_->Model().DccStart[1], 0);
}

TEST_F(ClampingTest, PinAddressFollowsTheConnectionsAddresses) {
  Type("TextAddress", "4");
  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckXaddress");
  Type("txtXaddr", "12");
  SelectTab(MainWindow::kTabDeviceConfiguration);
  EXPECT_EQ(TextOf("lblPinAddress"), "4.12.1");
  EXPECT_EQ(TextOf("lblSerialAddress"), "97") << "1 + 32 x module address 3";
}

}  // namespace
}  // namespace pyra::test

#include <QLineEdit>

#include "AppTestSupport.h"

namespace pyra::test {
namespace {

enum Setup { kNone = 0, kFromZero = 1, kLumoFlex = 2, kXAddress = 4 };

// Typed numbers are never refused: a value outside its range becomes the nearest limit, in the
// box and in what is stored, without a message.
struct ClampCase {
  int setup;
  MainWindow::Tab tab;
  const char* box;
  const char* typed;
  const char* shown;
  int (*stored)(MainWindow&);
  int expected;
};

class ClampingTest : public AppTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(ClampingTest, TypedValueIsPulledToTheNearestLimit) {
  const ClampCase& c = GetParam();
  if (c.setup & kFromZero) Click("CheckKLnumber");
  if (c.setup & kLumoFlex) Click("CheckGenLMaddr");  // the scripted prompter answers OK
  if (c.setup & kXAddress) Click("CheckXaddress");
  prompter_.Clear();
  IdleLink().State().ToggleBit = 64;
  SelectTab(c.tab);
  Type(c.box, c.typed);
  EXPECT_EQ(TextOf(c.box).toStdString(), c.shown);
  EXPECT_EQ(c.stored(*window_), c.expected);
  // Only a new module address resets the link.
  EXPECT_EQ(IdleLink().State().ToggleBit, std::string(c.box) == "TextAddress" ? 128 : 64);
  EXPECT_TRUE(prompter_.All().empty());
}

const LinkState& State(MainWindow& w) { return w.Jobs().IdleLink().State(); }
int Address(MainWindow& w) { return State(w).ModuleAddress; }
int XAddress(MainWindow& w) { return State(w).ExtendedAddress; }
int Dcc(MainWindow& w) { return w.Settings().DccAddress; }
int XDcc(MainWindow& w) { return w.Settings().XDccAddress; }
int LumoStart(MainWindow& w) { return w.Settings().LumoModeAddress; }
int ModuleX(MainWindow& w) { return w.Settings().ModuleXAddress; }
int On0(MainWindow& w) { return w.Model().EventControl[w.Model().ECPin].EventOn[0]; }
int Off3(MainWindow& w) { return w.Model().EventControl[w.Model().ECPin].EventOff[3]; }
int ECPin(MainWindow& w) { return w.Model().ECPin; }
int DccN(MainWindow& w) { return w.Model().Pins[w.Model().CurrentPin].DccCount; }
int XDccN(MainWindow& w) { return w.Model().Pins[w.Model().CurrentPin].XDccCount; }
int LumoN(MainWindow& w) { return w.Model().Pins[w.Model().CurrentPin].LumoCount; }

constexpr auto kGeneral = MainWindow::kTabGeneral;
constexpr auto kEvents = MainWindow::kTabEventControl;
constexpr auto kDevice = MainWindow::kTabDeviceConfiguration;

const ClampCase kCases[] = {
    {kNone, kGeneral, "TextAddress", "0", "1", Address, 0},
    {kNone, kGeneral, "TextAddress", "40", "16", Address, 15},
    {kNone, kGeneral, "TextAddress", "7", "7", Address, 6},
    {kNone, kGeneral, "TextAddress", "16", "16", Address, 15},
    {kNone, kGeneral, "TextAddress", "-3", "1", Address, 0},
    {kNone, kGeneral, "TextAddress", "x9", "1", Address, 0},
    {kNone, kGeneral, "TextAddress", " 12abc", "12", Address, 11},
    {kFromZero, kGeneral, "TextAddress", "0", "0", Address, 0},
    {kFromZero, kGeneral, "TextAddress", "16", "15", Address, 15},
    {kFromZero, kGeneral, "TextAddress", "40", "15", Address, 15},
    {kXAddress, kGeneral, "txtXaddr", "200", "96", XAddress, 95},
    {kXAddress, kGeneral, "txtXaddr", "0", "1", XAddress, 0},
    {kXAddress, kGeneral, "txtXaddr", "50", "50", XAddress, 49},
    {kXAddress | kFromZero, kGeneral, "txtXaddr", "200", "95", XAddress, 95},
    {kXAddress | kFromZero, kGeneral, "txtXaddr", "0", "0", XAddress, 0},
    {kNone, kGeneral, "TextGenDCCAddress", "600", "510", Dcc, 510},
    {kNone, kGeneral, "TextGenDCCAddress", "0", "1", Dcc, 1},
    {kNone, kGeneral, "TextGenXDCCAddress", "3000", "2046", XDcc, 2046},
    // The Lumo start snaps to the first address of its block of four.
    {kLumoFlex | kFromZero, kGeneral, "TextGenLMaddr", "23", "20", LumoStart, 5},
    {kLumoFlex, kGeneral, "TextGenLMaddr", "23", "21", LumoStart, 5},
    {kLumoFlex | kFromZero, kGeneral, "TextGenLMaddr", "600", "508", LumoStart, 127},
    {kNone, kGeneral, "TextGenXaddr", "200", "96", ModuleX, 95},
    {kNone, kGeneral, "TextGenXaddr", "0", "1", ModuleX, 0},
    {kNone, kEvents, "TextECon_0", "20", "11", On0, 11},
    {kNone, kEvents, "TextECon_0", "-5", "-1", On0, -1},
    {kNone, kEvents, "TextECoff_3", "7", "7", Off3, 7},
    {kNone, kEvents, "TextECpin", "40", "32", ECPin, 31},
    {kFromZero, kEvents, "TextECpin", "0", "0", ECPin, 0},
    {kNone, kDevice, "TextPaspDCCn", "9", "6", DccN, 6},
    {kNone, kDevice, "TextPaspDCCn", "-2", "0", DccN, 0},
    {kNone, kDevice, "TextPAspXDCCn", "3", "1", XDccN, 1},
    {kNone, kDevice, "TextPaspLumon", "7", "6", LumoN, 6},
};
INSTANTIATE_TEST_SUITE_P(Boxes, ClampingTest, ::testing::ValuesIn(kCases));

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
  const auto labels = {"lblDCCAddress", "lblXDCCAddress", "lblSerialAddress", "lblPinAddress"};
  EXPECT_EQ(States(labels), "1|1|1|1.1");
  Type("TextPaspDCCn", "0");
  Type("TextPAspXDCCn", "0");
  Type("TextPaspLumon", "0");
  EXPECT_EQ(States(labels), "-|-|-|-");
  // The module ranges are left to the next refresh; the sums already follow.
  EXPECT_EQ(window_->Model().DccTotal, 31);
  EXPECT_EQ(window_->Model().DccStart[1], 0);
}

TEST_F(ClampingTest, PinAddressFollowsTheConnectionsAddresses) {
  Type("TextAddress", "4");
  Click("CheckXaddress");
  Type("txtXaddr", "12");
  SelectTab(MainWindow::kTabDeviceConfiguration);
  EXPECT_EQ(TextOf("lblPinAddress"), "4.12.1");
  EXPECT_EQ(TextOf("lblSerialAddress"), "97") << "1 + 32 x module address 3";
}

// "Start numbering at 1" changes only what is shown: every stored value stays 0-based.
class NumberingTest : public AppTest {
 protected:
  std::string Stored() {
    const Configuration& c = window_->Model();
    return std::to_string(c.Settings.LumoModeAddress) + "|" +
           std::to_string(c.Settings.ModuleXAddress) + "|" + std::to_string(c.ECPin);
  }
};

TEST_F(NumberingTest, EveryNumberIsShownFromTheNewBase) {
  // Lumo start 21 (block 5), module eXtended Address 10 (9), event pin 6 (5), address 0 allowed.
  Click("CheckGenLMaddr");
  Type("TextGenLMaddr", "21");
  Type("TextGenXaddr", "10");
  Click("ChkGenDCCAllow0");
  SelectTab(MainWindow::kTabEventControl);
  Type("TextECpin", "6");
  SelectTab(MainWindow::kTabGeneral);
  const auto outputs = {"LabelGenDCCOutput", "LabelGenXDCCOutput"};
  EXPECT_EQ(TextOf("LabelGenHWCPin"), "Pin       1..8         9..16      17..24       25..32");
  EXPECT_EQ(States(outputs), "Output 5 .. 36|Output 2 .. 33");

  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 0);
  EXPECT_EQ(TextOf("LabelGenHWCPin"), "Pin       0..7         8..15      16..23       24..31");
  EXPECT_EQ(States(outputs), "Output 4 .. 35|Output 1 .. 32");
  // The serial address is Lumo start 4 x 5 + pin 0 from 0.
  EXPECT_EQ(States({"TextGenLMaddr", "TextGenXaddr", "TextECpin", "lblDCCAddress",
                    "lblSerialAddress", "lblPinAddress"}),
            "20|9|5|4|20|0.0");
  EXPECT_EQ(Limits("UpDownECpin"), std::make_pair(0, 31));
  EXPECT_EQ(Limits("UpDownGenXaddr"), std::make_pair(0, 95));
  EXPECT_EQ(Stored(), "5|9|5");

  Click("CheckKLnumber");
  EXPECT_EQ(States({"TextGenLMaddr", "TextGenXaddr", "TextECpin", "lblPinAddress"}), "21|10|6|1.1");
  EXPECT_EQ(Limits("UpDownECpin"), std::make_pair(1, 32));
  EXPECT_EQ(Stored(), "5|9|5");
}

TEST_F(NumberingTest, BothAddressBoxesAreRewrittenFromTheStoredValues) {
  Type("TextAddress", "5");
  Click("CheckXaddress");
  Type("txtXaddr", "10");
  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 0);
  EXPECT_EQ(States({"TextAddress", "txtXaddr"}), "4|9");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 4);
  EXPECT_EQ(IdleLink().State().ExtendedAddress, 9);
  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 1);
  EXPECT_EQ(States({"TextAddress", "txtXaddr"}), "5|10");
}

TEST_F(NumberingTest, TypedNumbersAreReadBackFromTheShownBase) {
  Click("CheckKLnumber");
  SelectTab(MainWindow::kTabEventControl);
  Type("TextECpin", "6");
  EXPECT_EQ(window_->Model().ECPin, 6);
  SelectTab(MainWindow::kTabGeneral);
  Type("TextGenXaddr", "10");
  EXPECT_EQ(window_->Settings().ModuleXAddress, 10);
}

}  // namespace
}  // namespace pyra::test

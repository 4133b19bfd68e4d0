#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "app/UpDown.h"

namespace pyra::test {
namespace {

// "Start numbering at 1" changes only what is shown: every stored value stays 0-based.
class NumberingTest : public AppTest {
 protected:
  // Lumo start 21 (block 5), module eXtended Address 10 (9), event pin 6 (5), address 0 allowed.
  void EnterValuesFromOne() {
    Click("CheckGenLMaddr");
    Type("TextGenLMaddr", "21");
    Type("TextGenXaddr", "10");
    Click("ChkGenDCCAllow0");
    SelectTab(MainWindow::kTabEventControl);
    Type("TextECpin", "6");
    SelectTab(MainWindow::kTabGeneral);
  }
  void ExpectStoredValuesUnchanged() {
    const Configuration& c = window_->Model();
    EXPECT_EQ(c.Settings.LumoModeAddress, 5);
    EXPECT_EQ(c.Settings.ModuleXAddress, 9);
    EXPECT_EQ(c.ECPin, 5);
  }
};

TEST_F(NumberingTest, EveryNumberIsShownFromTheNewBase) {
  EnterValuesFromOne();
  EXPECT_EQ(TextOf("LabelGenHWCPin"), "Pin       1..8         9..16      17..24       25..32");
  EXPECT_EQ(TextOf("LabelGenDCCOutput"), "Output 5 .. 36");
  EXPECT_EQ(TextOf("LabelGenXDCCOutput"), "Output 2 .. 33");

  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 0);
  EXPECT_EQ(TextOf("TextGenLMaddr"), "20");
  EXPECT_EQ(TextOf("TextGenXaddr"), "9");
  EXPECT_EQ(TextOf("TextECpin"), "5");
  EXPECT_EQ(TextOf("LabelGenHWCPin"), "Pin       0..7         8..15      16..23       24..31");
  EXPECT_EQ(TextOf("LabelGenDCCOutput"), "Output 4 .. 35");
  EXPECT_EQ(TextOf("LabelGenXDCCOutput"), "Output 1 .. 32");
  EXPECT_EQ(TextOf("lblDCCAddress"), "4");
  EXPECT_EQ(TextOf("lblSerialAddress"), "20") << "Lumo start 4 x 5 + pin 0 from 0";
  EXPECT_EQ(TextOf("lblPinAddress"), "0.0");
  auto* pin_spin = Find<UpDown>("UpDownECpin");
  ASSERT_NE(pin_spin, nullptr);
  EXPECT_EQ(pin_spin->Minimum(), 0);
  EXPECT_EQ(pin_spin->Maximum(), 31);
  auto* xaddress_spin = Find<UpDown>("UpDownGenXaddr");
  ASSERT_NE(xaddress_spin, nullptr);
  EXPECT_EQ(xaddress_spin->Minimum(), 0);
  EXPECT_EQ(xaddress_spin->Maximum(), 95);
  ExpectStoredValuesUnchanged();

  Click("CheckKLnumber");
  EXPECT_EQ(TextOf("TextGenLMaddr"), "21");
  EXPECT_EQ(TextOf("TextGenXaddr"), "10");
  EXPECT_EQ(TextOf("TextECpin"), "6");
  EXPECT_EQ(TextOf("lblPinAddress"), "1.1");
  EXPECT_EQ(pin_spin->Minimum(), 1);
  EXPECT_EQ(pin_spin->Maximum(), 32);
  ExpectStoredValuesUnchanged();
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

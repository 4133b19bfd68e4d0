#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "PinsUiTestSupport.h"
#include "pinconfig/LiveControl.h"
#include "pinconfig/PinConfig.h"

namespace pyra::test {
namespace {

class PinConfigPanelTest : public PinsUiTest {
 protected:
  // Chooses a tab the way a user does, by clicking its tab.
  void ChooseTab(int tab) {
    auto* tabs = Find<QTabWidget>("SSTabPCFG");
    ASSERT_TRUE(tabs->isVisible());
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    ASSERT_EQ(tabs->currentIndex(), tab);
  }
  // The live commands the module received, each as its four payload bytes.
  std::vector<std::vector<int>> LiveCommands() {
    std::vector<std::vector<int>> out;
    for (const auto& command : Module().LayoutCommands()) out.push_back(command.bytes);
    return out;
  }
};

TEST_F(PinConfigPanelTest, ServoTabForAPwmPinLoadsTheServoDefaults) {
  Pin(6).PinConfig = {2, 9, 3, 20, 4, 25};
  Pin(6).LiveLevel = 17;
  ShowPin(6);
  EXPECT_EQ(Find<QTabWidget>("SSTabPCFG")->currentIndex(), kTabPwm);
  EXPECT_EQ(Find<QLineEdit>("TextPWMOnLevel")->text(), "25");

  ChooseTab(kTabServo);
  const PinConfigDefaults& servo = TabDefaults(kTabServo);
  EXPECT_TRUE(std::equal(servo.block.begin(), servo.block.end(), Pin(6).PinConfig.begin()));
  EXPECT_EQ(Pin(6).LiveLevel, 64);
  EXPECT_EQ(Find<QLineEdit>("TextSrvInitPos")->text(), "0");
  EXPECT_EQ(Find<QLineEdit>("TextSrvFriction")->text(), "58");
  EXPECT_EQ(Find<QLineEdit>("TextSrvMaxSpd")->text(), "127");
  EXPECT_EQ(Find<QLineEdit>("TextPosition")->text(), "0");
  EXPECT_TRUE(Find<QAbstractButton>("OptionServoRange_0")->isChecked());
}

TEST_F(PinConfigPanelTest, OtherTabsLoadTheirDefaults) {
  Pin(1).PinConfig = {3, 9, 1, 20, 4, 25};
  Pin(1).LiveLevel = 12;
  ShowPin(1);
  EXPECT_TRUE(Find<QCheckBox>("CheckPWMInverted")->isChecked());
  EXPECT_TRUE(Find<QAbstractButton>("OptionPWMDriveMode_1")->isChecked());
  EXPECT_TRUE(Find<QAbstractButton>("OptionPWMAccelMode_0")->isChecked());
  EXPECT_EQ(Find<QSlider>("SliderPWM")->value(), 12);

  ChooseTab(kTabClear);
  EXPECT_EQ(Pin(1).PinConfig, (std::array<uint8_t, 13>{}));
  EXPECT_EQ(Pin(1).LiveLevel, 0);
  ChooseTab(kTabPwm);
  EXPECT_EQ(Pin(1).PinConfig[0], kConfigPwm);
  EXPECT_EQ(Pin(1).PinConfig[3], 28);
  EXPECT_EQ(Pin(1).PinConfig[5], 31);
  EXPECT_FALSE(Find<QCheckBox>("CheckPWMInverted")->isChecked());

  ChooseTab(kTabInput);
  EXPECT_EQ(Pin(1).PinConfig[0], kConfigInputLowActive);
  EXPECT_TRUE(Find<QCheckBox>("CheckInputInvert")->isChecked());
  EXPECT_EQ(Find<QLineEdit>("TextInputDelay_0")->text(), "4");
  EXPECT_EQ(Find<QLineEdit>("TextInputDelay_1")->text(), "4");
  Click("CheckInputInvert");
  EXPECT_EQ(Pin(1).PinConfig[0], kConfigInput);
}

TEST_F(PinConfigPanelTest, UnknownTypeIsReportedAndLeavesTheTab) {
  Pin(0).PinConfig[0] = kConfigServo;
  ShowPin(0);
  Pin(5).PinConfig[0] = 9;
  Type("TextPAspOutput", "6");
  EXPECT_EQ(model_.CurrentPin, 5);
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Unknown configuration: 9"});
  EXPECT_EQ(Find<QTabWidget>("SSTabPCFG")->currentIndex(), kTabServo);
  EXPECT_EQ(Pin(5).PinConfig[0], 9);
}

struct ParamCase {
  const char* box;
  const char* typed;
  const char* shown;
  int byte;
  int stored;
};

class ParamBoxTest : public PinConfigPanelTest, public ::testing::WithParamInterface<ParamCase> {};

TEST_P(ParamBoxTest, TypedValueIsPulledIntoRangeAndStored) {
  const ParamCase& c = GetParam();
  Pin(8).PinConfig[0] = std::string(c.box).starts_with("TextPWM")     ? 2
                        : std::string(c.box).starts_with("TextInput") ? 4
                                                                      : 1;
  ShowPin(8);
  Type(c.box, c.typed);
  EXPECT_EQ(Find<QLineEdit>(c.box)->text(), c.shown);
  EXPECT_EQ(Pin(8).PinConfig[c.byte], c.stored);
}

INSTANTIATE_TEST_SUITE_P(Boxes, ParamBoxTest,
                         ::testing::Values(ParamCase{"TextSrvMaxSpd", "200", "127", 6, 127},
                                           ParamCase{"TextSrvMaxSpd", "0", "1", 6, 1},
                                           ParamCase{"TextSrvInitPos", "-64", "-64", 1, 0},
                                           ParamCase{"TextMidpoint", "99", "63", 3, 127},
                                           ParamCase{"TextBounceUp", "5", "0", 10, 64},
                                           ParamCase{"TextBounceDown", "-3", "0", 8, 64},
                                           ParamCase{"TextBounceDownFactor", "77", "77", 9, 77},
                                           ParamCase{"TextPWMAccel", "32", "31", 3, 31},
                                           ParamCase{"TextPWMOffLevel", "7", "7", 4, 7},
                                           ParamCase{"TextInputDelay_1", "-2", "0", 4, 0}),
                         [](const auto& info) {
                           return std::string(info.param.box).substr(4) + "_" +
                                  std::to_string(info.index);
                         });

TEST_F(PinConfigPanelTest, SpinButtonsAndModesGoStraightIntoTheBlock) {
  Pin(3).PinConfig[0] = kConfigServo;
  ShowPin(3);
  QTest::mouseClick(Find("UpDownMaxSpeed")->findChild<QWidget*>("down"), Qt::LeftButton);
  EXPECT_EQ(Pin(3).PinConfig[6], 1);
  EXPECT_EQ(Find<QLineEdit>("TextSrvMaxSpd")->text(), "1");

  Click("OptionServoRange_2");
  Click("ChkSrvAutoSuspend");
  EXPECT_EQ(Pin(3).PinConfig[2], 26);  // "M" + 8 + 16
}

TEST_F(PinConfigPanelTest, ServoSliderSendsOnlyWhileItHasTheFocus) {
  Pin(4).PinConfig[0] = kConfigServo;
  Pin(4).LiveLevel = 64;
  ShowPin(4);
  auto* slider = Find<QSlider>("SliderServo");

  slider->setValue(-10);  // moved from code: stored and shown, not sent
  WaitIdle();
  EXPECT_EQ(Pin(4).LiveLevel, 54);
  EXPECT_EQ(Find<QLineEdit>("TextPosition")->text(), "-10");
  EXPECT_TRUE(LiveCommands().empty());

  slider->setFocus();
  ASSERT_TRUE(slider->hasFocus());
  QTest::keyClick(slider, Qt::Key_Right);
  WaitIdle();
  Click("CheckSrvDynamic");
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Home);
  WaitIdle();
  EXPECT_EQ(LiveCommands(), (std::vector<std::vector<int>>{{0, 39, 4, 55}, {0, 55, 4, 0}}));
  EXPECT_EQ(Pin(4).LiveLevel, 0);
  EXPECT_EQ(Find<QLineEdit>("TextPosition")->text(), "-64");

  // Showing another servo moves the slider silently.
  Pin(5).PinConfig[0] = kConfigServo;
  Pin(5).LiveLevel = 100;
  Type("TextPAspOutput", "6");
  WaitIdle();
  EXPECT_EQ(slider->value(), 36);
  EXPECT_EQ(LiveCommands().size(), 2u);
}

TEST_F(PinConfigPanelTest, LevelButtonClampsMovesTheSliderAndSends) {
  Pin(2).PinConfig = {2, 0, 0, 28, 0, 31};
  ShowPin(2);
  Type("TextPWMLevel", "40");
  Click("CommandPWMLevel");
  WaitIdle();
  EXPECT_EQ(Find<QLineEdit>("TextPWMLevel")->text(), "31");
  EXPECT_EQ(Find<QSlider>("SliderPWM")->value(), 31);
  EXPECT_EQ(Pin(2).LiveLevel, 31);

  Click("CheckPWMSlow");
  Type("TextPWMLevel", "12");
  Click("CommandPWMLevel");
  WaitIdle();
  Click("CommandPWMJump");  // never slow
  WaitIdle();
  EXPECT_EQ(LiveCommands(),
            (std::vector<std::vector<int>>{{0, 38, 2, 31}, {0, 54, 2, 12}, {0, 38, 2, 12}}));
}

TEST_F(PinConfigPanelTest, LiveValueIsTakenOverAsTheInitialOne) {
  Pin(4).PinConfig[0] = kConfigServo;
  Pin(4).LiveLevel = 54;  // -10
  ShowPin(4);
  QTest::mouseDClick(Find<QLineEdit>("TextSrvInitPos"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>("TextSrvInitPos")->text(), "-10");
  EXPECT_EQ(Pin(4).PinConfig[1], 54);

  Pin(2).PinConfig = {2, 0, 0, 28, 0, 31};
  Pin(2).LiveLevel = 17;
  Type("TextPAspOutput", "3");
  QTest::mouseClick(Find("LabelPWMInitialLevel"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>("TextPWMInitLevel")->text(), "17");
  EXPECT_EQ(Pin(2).PinConfig[1], 17);
}

TEST_F(PinConfigPanelTest, SetAndGetWorkOnTheWorkingCopyWithItsPosition) {
  Pin(9).PinConfig[0] = kConfigServo;
  ShowPin(9);
  ChooseTab(kTabServo);  // already a servo: keeps its values
  EXPECT_EQ(Pin(9).PinConfig[1], 0);
  Pin(9).PinConfig = {1, 64, 26 + 64, 64, 127, 58, 127, 127, 64, 0, 64, 0};
  Pin(9).LiveLevel = 70;
  Refresh();
  EXPECT_TRUE(Find<QCheckBox>("ChkSrvInitialized")->isChecked());
  TypeOver("TextSrvMaxSpd", "500");  // typed, never confirmed
  Click("CommandPCFGSetParam_0");
  WaitIdle();
  EXPECT_EQ(Module().Memory().pins[9].working_block,
            (std::vector<int>{1, 70, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0}));
  EXPECT_EQ(Pin(9).PinConfig[2], 26);
  EXPECT_EQ(Find<QLineEdit>("TextSrvMaxSpd")->text(), "127");

  Pin(9).LiveLevel = 0;
  Click("CommandPCFGGetParam_0");
  WaitIdle();
  EXPECT_EQ(Pin(9).LiveLevel, 70);
  EXPECT_EQ(Find<QLineEdit>("TextPosition")->text(), "6");
  EXPECT_EQ(Pin(9).PinConfig[1], 64);
}

TEST_F(PinConfigPanelTest, StoredBlockIsWrittenAndReadInExpertMode) {
  Pin(12).PinConfig = {4, 0, 0, 9, 11};
  ShowPin(12);
  panel_->SetExpertMode(true);
  Click("CommandPCFGSetParam_1");
  WaitIdle();
  EXPECT_EQ(Module().Memory().pins[12].stored_block, (std::vector<int>{4, 0, 0, 9, 11}));

  Pin(12).PinConfig = {};
  Refresh();
  Click("CommandPCFGGetParam_1");
  WaitIdle();
  EXPECT_EQ(Pin(12).PinConfig[4], 11);
  EXPECT_EQ(Find<QLineEdit>("TextInputDelay_0")->text(), "9");
  EXPECT_FALSE(Find<QCheckBox>("CheckInputInvert")->isChecked());
}

TEST_F(PinConfigPanelTest, DriversOnTheGroupOfAServoWarnOfAMismatch) {
  Pin(9).PinConfig[0] = kConfigServo;
  Pin(17).PinConfig[0] = kConfigServo;
  model_.Settings.HwcSink[1] = true;
  ShowPin(9);
  EXPECT_TRUE(Find<QLabel>("LabelSrvHWCWarn")->isVisible());
  EXPECT_EQ(Find<QLabel>("LabelSrvHWCWarn")->text(), "Warning: Hardware Configuration Mismatch");
  Type("TextPAspOutput", "18");
  EXPECT_FALSE(Find<QLabel>("LabelSrvHWCWarn")->isVisible());
}

}  // namespace
}  // namespace pyra::test

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "app/UpDown.h"

namespace pyra::test {
namespace {

using ConnectionPanelTest = AppTest;

constexpr char kNoResponse[] = "No response received, resetting bidirectional communication";

TEST_F(ConnectionPanelTest, AddressIsAlsoTakenWhenTheBoxLosesFocus) {
  QApplication::setActiveWindow(window_.get());
  auto* box = Find<QLineEdit>("TextAddress");
  ASSERT_NE(box, nullptr);
  box->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([box] { return box->hasFocus(); }, 5000));
  box->selectAll();
  QTest::keyClicks(box, "99");
  Find("TextGenIDString")->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([box] { return !box->hasFocus(); }, 5000));
  EXPECT_EQ(box->text(), "16");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 15);
}

TEST_F(ConnectionPanelTest, SpinButtonsStepWithinTheLimits) {
  auto* updown = Find<UpDown>("UpDownAddress");
  auto* box = Find<QLineEdit>("TextAddress");
  ASSERT_NE(updown, nullptr);
  EXPECT_EQ(Limits("UpDownAddress"), std::make_pair(1, 16));
  auto* up = updown->findChild<QToolButton*>("up");
  auto* down = updown->findChild<QToolButton*>("down");
  ASSERT_TRUE(up && down);

  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(box->text(), "2");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 1);
  for (int i = 0; i < 2; ++i) QTest::mouseClick(down, Qt::LeftButton);
  EXPECT_EQ(box->text(), "1") << "the lower limit holds";
  EXPECT_EQ(IdleLink().State().ModuleAddress, 0);

  Type("TextAddress", "16");
  QTest::keyClick(box, Qt::Key_Up);
  EXPECT_EQ(box->text(), "16") << "the upper limit holds";
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(box->text(), "15");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 14);

  Click("CheckKLnumber");
  EXPECT_EQ(Limits("UpDownAddress"), std::make_pair(0, 15));
  EXPECT_EQ(Limits("UpDownXaddr"), std::make_pair(0, 95));
}

TEST_F(ConnectionPanelTest, ExtendedAddressingIsTickedOnlyWhenTheWarningIsAccepted) {
  for (Answer answer : {Answer::kCancel, Answer::kOk}) {
    const bool ticked = answer == Answer::kOk;
    SCOPED_TRACE(ticked ? "accepted" : "cancelled");
    prompter_.Clear();
    prompter_.QueueAnswer(answer);
    Click("CheckXaddress");
    ASSERT_EQ(prompter_.All().size(), 1u);
    const auto shown = prompter_.All()[0];
    EXPECT_EQ(shown.text, "eXtended Addressing is intended for\r\nexperienced users only!");
    EXPECT_EQ(shown.buttons, Buttons::kOkCancel);
    EXPECT_EQ(shown.icon, Icon::kWarning);
    EXPECT_EQ(IsChecked("CheckXaddress"), ticked);
    EXPECT_EQ(TextOf("LabelAddress"), ticked ? "Channel Number" : "Module Address");
    ExpectVisible({"LabelXaddress", "txtXaddr", "UpDownXaddr"}, ticked);
    EXPECT_EQ(IdleLink().State().UseXAddress, ticked);
  }
  Click("CheckXaddress");
  EXPECT_EQ(prompter_.All().size(), 1u) << "unticking asks nothing";
  EXPECT_FALSE(Find("txtXaddr")->isVisible());
  EXPECT_EQ(TextOf("LabelAddress"), "Module Address");
  EXPECT_FALSE(IdleLink().State().UseXAddress);
}

TEST_F(ConnectionPanelTest, TypedAddressesReachTheModuleInTheFrame) {
  Module().GetConfig().address = 5;
  Module().GetConfig().extended_address = 7;
  ChoosePort("Simulator");
  Type("TextAddress", "6");
  Click("CheckXaddress");
  Type("txtXaddr", "8");
  prompter_.Clear();
  Run("CommandGenVersion");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_TRUE(prompter_.All().empty());
  ASSERT_FALSE(Module().Requests().empty());
  EXPECT_EQ(Module().Requests().back().extended_address, 7);

  Type("TextAddress", "5");
  Run("CommandGenVersion");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "Unknown");
  EXPECT_EQ(prompter_.Last(), kNoResponse);
}

TEST_F(ConnectionPanelTest, MissingReplyUnticksBidirectionalAndTheNextReadTicksItAgain) {
  ChoosePort("Simulator");
  Module().InjectFault(sim::Fault::kNoReply);
  Run("CommandGenVersion");
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kNoResponse});
  EXPECT_EQ(States({"CheckPyraBD", "LabelGenVersionString"}), "0|Unknown");

  Run("CommandGenVersion");
  EXPECT_EQ(States({"CheckPyraBD", "LabelGenVersionString"}), "1|3.2.0.17");
  EXPECT_EQ(prompter_.Texts().size(), 1u);

  Click("CheckPyraBD");
  EXPECT_FALSE(IdleLink().State().Bidirectional);
  Click("CheckPyraBD");
  EXPECT_TRUE(IdleLink().State().Bidirectional);
}

TEST_F(ConnectionPanelTest, PortThatCannotBeOpenedStaysClosedAndTheUserIsTold) {
  ChoosePort("ttyFAKE0");
  EXPECT_FALSE(IdleLink().PortOpen());
  EXPECT_EQ(OpenedPorts(), (std::vector<std::pair<std::string, int>>{{"ttyFAKE0", 19200}}));
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "The port ttyFAKE0 could not be opened\r\nPermission denied");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kWarning);

  Run("CommandGenVersion");
  EXPECT_EQ(prompter_.Last(), "Select communications port");
}

TEST_F(ConnectionPanelTest, TypedPortNameIsOpenedOnReturn) {
  auto* combo = Find<QComboBox>("ComboPort");
  ASSERT_NE(combo, nullptr);
  auto enter = [&](const char* name) {
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), name);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    WaitIdle();
  };
  enter("/dev/ttyX9");
  ASSERT_EQ(OpenedPorts().size(), 1u);
  EXPECT_EQ(OpenedPorts()[0].first, "/dev/ttyX9");
  enter("Simulator");
  EXPECT_TRUE(IdleLink().PortOpen());
  EXPECT_EQ(OpenedPorts().size(), 1u) << "the simulator is no system port";
  // A typed name that is also in the list is opened once, not once per signal.
  enter("ttyFAKE0");
  EXPECT_EQ(OpenedPorts().size(), 2u);
}

TEST_F(ConnectionPanelTest, RefreshClosesThePortAndRefillsTheList) {
  ChoosePort("Simulator");
  ASSERT_TRUE(IdleLink().PortOpen());
  system_ports_ = {"ttyFAKE0", "ttyUSB3"};
  Run("cmdRefreshComm");
  EXPECT_FALSE(IdleLink().PortOpen());
  EXPECT_EQ(ItemsOf("ComboPort"), (QStringList{"ttyFAKE0", "ttyUSB3", "Simulator"}));
  EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1);
  EXPECT_EQ(TextOf("ComboPort"), "");
}

TEST_F(ConnectionPanelTest, BitRateChangeReopensThePortWithALinkReset) {
  // The bit rates are hidden until the port label is double-clicked.
  QTest::mouseDClick(Find("LabelPort"), Qt::LeftButton);
  EXPECT_TRUE(Find("FrameBitrate")->isVisible());
  ChoosePort("Simulator");
  Run("CommandGenVersion");
  ASSERT_EQ(Module().ResetFrames(), 1);

  Run("OptionBitRate_2");
  EXPECT_TRUE(IdleLink().PortOpen());
  EXPECT_EQ(IdleLink().State().ToggleBit, 128);
  Run("CommandGenVersion");
  EXPECT_EQ(Module().ResetFrames(), 2);
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");

  ChoosePort("ttyFAKE0");
  ASSERT_EQ(OpenedPorts().size(), 1u);
  EXPECT_EQ(OpenedPorts()[0].second, 38400);
  QTest::mouseDClick(Find("LabelPort"), Qt::LeftButton);
  EXPECT_FALSE(Find("FrameBitrate")->isVisible());
}

TEST_F(ConnectionPanelTest, VeloraTunnellingWidensTheAddressRangeUntilSwitchedOff) {
  window_->GetSimulator().SetVeloraInFront(true);
  ChoosePort("Simulator");
  Run("CheckVelora");
  EXPECT_TRUE(IsChecked("CheckVelora"));
  ExpectVisible({"cmdSetTM"}, false);
  EXPECT_TRUE(IdleLink().State().UseVelora);
  EXPECT_EQ(Limits("UpDownAddress"), std::make_pair(1, 32));
  EXPECT_TRUE(prompter_.All().empty());

  Type("TextAddress", "40");
  EXPECT_EQ(TextOf("TextAddress"), "32");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 31);

  Run("CheckVelora");
  EXPECT_FALSE(IdleLink().State().UseVelora);
  EXPECT_TRUE(Find("cmdSetTM")->isVisible());
  EXPECT_EQ(TextOf("TextAddress"), "16");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 15);
  EXPECT_EQ(Limits("UpDownAddress"), std::make_pair(1, 16));
}

TEST_F(ConnectionPanelTest, VeloraStaysUntickedWithoutAPortOrAVeloraSystem) {
  Run("CheckVelora");
  EXPECT_FALSE(IsChecked("CheckVelora"));
  EXPECT_TRUE(Find("cmdSetTM")->isVisible());
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Select communications port"});

  ChoosePort("Simulator");
  Run("CheckVelora");
  EXPECT_FALSE(IsChecked("CheckVelora"));
  EXPECT_FALSE(IdleLink().State().UseVelora);
  EXPECT_EQ(prompter_.Last(), "No answer from Velora");
}

TEST_F(ConnectionPanelTest, TransparentModeIsConfirmedByTheInterfaceUnit) {
  window_->GetSimulator().Velora().GetConfig().protocol_hi = 24;  // 3000: no tunnelling
  window_->GetSimulator().SetVeloraInFront(true);
  ChoosePort("Simulator");
  Run("cmdSetTM");
  EXPECT_EQ(prompter_.Last(), "Your HB-A has been put in Transparent Mode");
  EXPECT_TRUE(window_->GetSimulator().Velora().Transparent());
}

}  // namespace
}  // namespace pyra::test

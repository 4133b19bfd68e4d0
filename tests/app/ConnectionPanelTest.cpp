#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "app/UpDown.h"

namespace pyra::test {
namespace {

using ConnectionPanelTest = AppTest;

struct AddressCase {
  bool numbering_from_one;
  const char* typed;
  const char* shown;
  int stored;
};

class ModuleAddressTest : public AppTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(ModuleAddressTest, TypedAddressIsClampedShownAndStored) {
  const AddressCase& c = GetParam();
  if (!c.numbering_from_one) Click("CheckKLnumber");
  IdleLink().State().ToggleBit = 0;
  Type("TextAddress", c.typed);
  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text().toStdString(), c.shown);
  EXPECT_EQ(IdleLink().State().ModuleAddress, c.stored);
  EXPECT_EQ(IdleLink().State().ToggleBit, 128) << "an address change resets the link";
  EXPECT_TRUE(prompter_.All().empty()) << "a correction shows no message";
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ModuleAddressTest,
    ::testing::Values(AddressCase{true, "0", "1", 0}, AddressCase{true, "40", "16", 15},
                      AddressCase{true, "7", "7", 6}, AddressCase{true, "16", "16", 15},
                      AddressCase{true, "-3", "1", 0}, AddressCase{true, "x9", "1", 0},
                      AddressCase{true, " 12abc", "12", 11}, AddressCase{false, "0", "0", 0},
                      AddressCase{false, "16", "15", 15}, AddressCase{false, "40", "15", 15}));

class ExtendedAddressTest : public AppTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(ExtendedAddressTest, TypedExtendedAddressIsClampedWithoutLinkReset) {
  const AddressCase& c = GetParam();
  if (!c.numbering_from_one) Click("CheckKLnumber");
  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckXaddress");
  IdleLink().State().ToggleBit = 64;
  Type("txtXaddr", c.typed);
  EXPECT_EQ(Find<QLineEdit>("txtXaddr")->text().toStdString(), c.shown);
  EXPECT_EQ(IdleLink().State().ExtendedAddress, c.stored);
  EXPECT_EQ(IdleLink().State().ToggleBit, 64);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ExtendedAddressTest,
                         ::testing::Values(AddressCase{true, "200", "96", 95},
                                           AddressCase{true, "0", "1", 0},
                                           AddressCase{true, "50", "50", 49},
                                           AddressCase{false, "200", "95", 95},
                                           AddressCase{false, "0", "0", 0}));

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
  EXPECT_EQ(updown->Minimum(), 1);
  EXPECT_EQ(updown->Maximum(), 16);
  auto* up = updown->findChild<QToolButton*>("up");
  auto* down = updown->findChild<QToolButton*>("down");
  ASSERT_NE(up, nullptr);
  ASSERT_NE(down, nullptr);

  QTest::mouseClick(up, Qt::LeftButton);
  EXPECT_EQ(box->text(), "2");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 1);
  QTest::mouseClick(down, Qt::LeftButton);
  QTest::mouseClick(down, Qt::LeftButton);
  EXPECT_EQ(box->text(), "1") << "the lower limit holds";
  EXPECT_EQ(IdleLink().State().ModuleAddress, 0);

  Type("TextAddress", "16");
  QTest::keyClick(box, Qt::Key_Up);
  EXPECT_EQ(box->text(), "16") << "the upper limit holds";
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(box->text(), "15");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 14);

  Click("CheckKLnumber");
  EXPECT_EQ(updown->Minimum(), 0);
  EXPECT_EQ(updown->Maximum(), 15);
  auto* xupdown = Find<UpDown>("UpDownXaddr");
  ASSERT_NE(xupdown, nullptr);
  EXPECT_EQ(xupdown->Minimum(), 0);
  EXPECT_EQ(xupdown->Maximum(), 95);
}

struct XWarningCase {
  Answer answer;
  bool ticked;
  const char* address_label;
};

class ExtendedWarningTest : public AppTest, public ::testing::WithParamInterface<XWarningCase> {};

TEST_P(ExtendedWarningTest, AnswerDecidesTickAndControls) {
  prompter_.QueueAnswer(GetParam().answer);
  Click("CheckXaddress");
  ASSERT_EQ(prompter_.All().size(), 1u);
  const auto shown = prompter_.All()[0];
  EXPECT_EQ(shown.text, "eXtended Addressing is intended for\r\nexperienced users only!");
  EXPECT_EQ(shown.buttons, Buttons::kOkCancel);
  EXPECT_EQ(shown.icon, Icon::kWarning);

  const bool ticked = GetParam().ticked;
  EXPECT_EQ(Find<QCheckBox>("CheckXaddress")->isChecked(), ticked);
  EXPECT_EQ(Find<QLabel>("LabelAddress")->text().toStdString(), GetParam().address_label);
  for (const char* name : {"LabelXaddress", "txtXaddr", "UpDownXaddr"}) {
    EXPECT_EQ(Find(name)->isVisible(), ticked) << name;
  }
  EXPECT_EQ(IdleLink().State().UseXAddress, ticked);

  if (ticked) {
    Click("CheckXaddress");
    EXPECT_EQ(prompter_.All().size(), 1u) << "unticking asks nothing";
    EXPECT_FALSE(Find("txtXaddr")->isVisible());
    EXPECT_EQ(Find<QLabel>("LabelAddress")->text(), "Module Address");
    EXPECT_FALSE(IdleLink().State().UseXAddress);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ExtendedWarningTest,
                         ::testing::Values(XWarningCase{Answer::kCancel, false, "Module Address"},
                                           XWarningCase{Answer::kOk, true, "Channel Number"}));

TEST_F(ConnectionPanelTest, ExtendedAddressReachesTheModuleInTheFrame) {
  Module().GetConfig().extended_address = 7;
  ChoosePort("Simulator");
  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckXaddress");
  Type("txtXaddr", "8");
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "3.2.0.17");
  ASSERT_FALSE(Module().Requests().empty());
  EXPECT_EQ(Module().Requests().back().extended_address, 7);
}

TEST_F(ConnectionPanelTest, TypedModuleAddressSelectsWhichModuleAnswers) {
  Module().GetConfig().address = 5;
  ChoosePort("Simulator");
  Type("TextAddress", "6");
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "3.2.0.17");
  EXPECT_TRUE(prompter_.All().empty());

  Type("TextAddress", "5");
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "Unknown");
  EXPECT_EQ(prompter_.Last(), "No response received, resetting bidirectional communication");
}

TEST_F(ConnectionPanelTest, MissingReplyUnticksBidirectionalAndTheNextReadTicksItAgain) {
  ChoosePort("Simulator");
  Module().InjectFault(sim::Fault::kNoReply);
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{
                                   "No response received, resetting bidirectional communication"});
  EXPECT_FALSE(Find<QCheckBox>("CheckPyraBD")->isChecked());
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "Unknown");

  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_TRUE(Find<QCheckBox>("CheckPyraBD")->isChecked());
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "3.2.0.17");
  EXPECT_EQ(prompter_.Texts().size(), 1u);
}

TEST_F(ConnectionPanelTest, UntickingBidirectionalReachesTheLink) {
  Click("CheckPyraBD");
  EXPECT_FALSE(IdleLink().State().Bidirectional);
  Click("CheckPyraBD");
  EXPECT_TRUE(IdleLink().State().Bidirectional);
}

TEST_F(ConnectionPanelTest, PortThatCannotBeOpenedStaysClosedAndTheUserIsTold) {
  ChoosePort("ttyFAKE0");
  EXPECT_FALSE(IdleLink().PortOpen());
  ASSERT_EQ(OpenedPorts().size(), 1u);
  EXPECT_EQ(OpenedPorts()[0], std::make_pair(std::string("ttyFAKE0"), 19200));
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "The port ttyFAKE0 could not be opened\r\nPermission denied");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kWarning);

  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(prompter_.Last(), "Select communications port");
}

TEST_F(ConnectionPanelTest, TypedPortNameIsOpenedOnReturn) {
  auto* combo = Find<QComboBox>("ComboPort");
  ASSERT_NE(combo, nullptr);
  QTest::keyClicks(combo->lineEdit(), "/dev/ttyX9");
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  WaitIdle();
  ASSERT_EQ(OpenedPorts().size(), 1u);
  EXPECT_EQ(OpenedPorts()[0].first, "/dev/ttyX9");

  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "Simulator");
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  WaitIdle();
  EXPECT_TRUE(IdleLink().PortOpen());
  EXPECT_EQ(OpenedPorts().size(), 1u) << "the simulator is no system port";

  // A typed name that is also in the list is opened once, not once per signal.
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "ttyFAKE0");
  QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  WaitIdle();
  EXPECT_EQ(OpenedPorts().size(), 2u);
}

TEST_F(ConnectionPanelTest, RefreshClosesThePortAndRefillsTheList) {
  ChoosePort("Simulator");
  ASSERT_TRUE(IdleLink().PortOpen());
  system_ports_ = {"ttyFAKE0", "ttyUSB3"};
  Click("cmdRefreshComm");
  WaitIdle();
  EXPECT_FALSE(IdleLink().PortOpen());
  auto* combo = Find<QComboBox>("ComboPort");
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(1), "ttyUSB3");
  EXPECT_EQ(combo->itemText(2), "Simulator");
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->currentText(), "");
}

TEST_F(ConnectionPanelTest, PortLabelDoubleClickTogglesTheBitrateFrame) {
  QWidget* label = Find("LabelPort");
  QTest::mouseDClick(label, Qt::LeftButton);
  EXPECT_TRUE(Find("FrameBitrate")->isVisible());
  QTest::mouseDClick(label, Qt::LeftButton);
  EXPECT_FALSE(Find("FrameBitrate")->isVisible());
}

TEST_F(ConnectionPanelTest, BitRateChangeReopensThePortWithALinkReset) {
  QTest::mouseDClick(Find("LabelPort"), Qt::LeftButton);
  ChoosePort("Simulator");
  Click("CommandGenVersion");
  WaitIdle();
  ASSERT_EQ(Module().ResetFrames(), 1);

  Click("OptionBitRate_2");
  WaitIdle();
  EXPECT_TRUE(IdleLink().PortOpen());
  EXPECT_EQ(IdleLink().State().ToggleBit, 128);
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Module().ResetFrames(), 2);
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "3.2.0.17");

  ChoosePort("ttyFAKE0");
  ASSERT_EQ(OpenedPorts().size(), 1u);
  EXPECT_EQ(OpenedPorts()[0].second, 38400);
}

TEST_F(ConnectionPanelTest, VeloraTunnellingWidensTheAddressRangeUntilSwitchedOff) {
  window_->GetSimulator().SetVeloraInFront(true);
  ChoosePort("Simulator");
  Click("CheckVelora");
  WaitIdle();
  EXPECT_TRUE(Find<QCheckBox>("CheckVelora")->isChecked());
  EXPECT_FALSE(Find("cmdSetTM")->isVisible());
  EXPECT_TRUE(IdleLink().State().UseVelora);
  EXPECT_EQ(Find<UpDown>("UpDownAddress")->Maximum(), 32);
  EXPECT_TRUE(prompter_.All().empty());

  Type("TextAddress", "40");
  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text(), "32");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 31);

  Click("CheckVelora");
  WaitIdle();
  EXPECT_FALSE(IdleLink().State().UseVelora);
  EXPECT_TRUE(Find("cmdSetTM")->isVisible());
  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text(), "16");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 15);
  EXPECT_EQ(Find<UpDown>("UpDownAddress")->Maximum(), 16);
}

TEST_F(ConnectionPanelTest, VeloraCannotBeTickedWithoutAnOpenPort) {
  Click("CheckVelora");
  WaitIdle();
  EXPECT_FALSE(Find<QCheckBox>("CheckVelora")->isChecked());
  EXPECT_TRUE(Find("cmdSetTM")->isVisible());
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Select communications port"});
}

TEST_F(ConnectionPanelTest, VeloraIsUntickedWhenNoVeloraSystemAnswers) {
  ChoosePort("Simulator");
  Click("CheckVelora");
  WaitIdle();
  EXPECT_FALSE(Find<QCheckBox>("CheckVelora")->isChecked());
  EXPECT_FALSE(IdleLink().State().UseVelora);
  EXPECT_EQ(prompter_.Last(), "No answer from Velora");
}

TEST_F(ConnectionPanelTest, TransparentModeIsConfirmedByTheInterfaceUnit) {
  window_->GetSimulator().Velora().GetConfig().protocol_hi = 24;  // 3000: no tunnelling
  window_->GetSimulator().SetVeloraInFront(true);
  ChoosePort("Simulator");
  Click("cmdSetTM");
  WaitIdle();
  EXPECT_EQ(prompter_.Last(), "Your HB-A has been put in Transparent Mode");
  EXPECT_TRUE(window_->GetSimulator().Velora().Transparent());
}

}  // namespace
}  // namespace pyra::test

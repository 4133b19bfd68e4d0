#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "link/ui/CommLogWindow.h"

namespace pyra::test {
namespace {

struct CaptionCase {
  const char* name;
  const char* caption;
};

class MainWindowCaptionTest : public AppTest, public ::testing::WithParamInterface<CaptionCase> {};

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
  return w->windowTitle();
}

TEST_P(MainWindowCaptionTest, ControlCarriesItsCaption) {
  QWidget* w = Find(GetParam().name);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(CaptionOf(w).toStdString(), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    AllAreas, MainWindowCaptionTest,
    ::testing::Values(
        CaptionCase{"LabelPort", "Port:"}, CaptionCase{"cmdRefreshComm", "Refresh"},
        CaptionCase{"FrameBitrate", "Bitrate"}, CaptionCase{"OptionBitRate_0", "  9k6"},
        CaptionCase{"OptionBitRate_1", "19k2"}, CaptionCase{"OptionBitRate_2", "38k4"},
        CaptionCase{"CheckPyraBD", "Bidirectional Comm."},
        CaptionCase{"LabelAddress", "Module Address"},
        CaptionCase{"CheckXaddress", "Use eXtended Addr"},
        CaptionCase{"LabelXaddress", "eXtended address"},
        CaptionCase{"CheckVelora", "Use Velora Tunneling"},
        CaptionCase{"cmdSetTM", "Activate Transparent Mode"},
        CaptionCase{"CheckKLnumber", "Start numbering at 1"},
        CaptionCase{"CommandReadAll", "Read All"}, CaptionCase{"CommandWriteAll", "Write All"},
        CaptionCase{"CommandVerifyAll", "Verify All"}, CaptionCase{"CommandSave", "Save File"},
        CaptionCase{"CommandLoad", "Load File"},
        CaptionCase{"CommandVerifyAllPins", "Verify All Pins"},
        CaptionCase{"CommandReadPin", "Read Pin"}, CaptionCase{"CommandWritePin", "Write Pin"},
        CaptionCase{"CommandECVerify", "Verify Event Control"},
        CaptionCase{"LabelAction", "  Working ... Please WAIT"},
        CaptionCase{"Release", "Release 3.23"}, CaptionCase{"LabelGenIDString", "ID String"},
        CaptionCase{"CommandGenIDRead", "Read String"},
        CaptionCase{"CommandGenIDWrite", "Write String"},
        CaptionCase{"LabelGenVersion", "Firmware Version:"},
        CaptionCase{"LabelGenVersionString", "Unknown"},
        CaptionCase{"CommandGenVersion", "Request Version"},
        CaptionCase{"CommandGenEraseFlash", "Erase Flash"},
        CaptionCase{"CheckGenPRNative", "Native Pyra Mode"},
        CaptionCase{"CheckGenLMaddr", "Lumo Flex-Addresss"}, CaptionCase{"LabelGenXA_4", "Start"},
        CaptionCase{"CheckGenForceXA", "Enforced eXtended Address"},
        CaptionCase{"LabelGenXA_1", "Module eXtended Address"},
        CaptionCase{"LabelGenXA_2", "eXt Group Mask"},
        CaptionCase{"CommandGenAddrRead", "Read Settings"},
        CaptionCase{"CommandGenAddrWrite", "Write Settings"},
        CaptionCase{"LabelGenDCCAddress", "Basic Decoder Addr"},
        CaptionCase{"LabelGenXDCCAddress", "Extended Dec. Addr"},
        CaptionCase{"LabelGenDCC_PRP", "Packet Retention"},
        CaptionCase{"OptGenDCC_PRP_0", "62.5ms"}, CaptionCase{"OptGenDCC_PRP_1", "125ms"},
        CaptionCase{"OptGenDCC_PRP_2", "250ms"}, CaptionCase{"OptGenDCC_PRP_3", "500ms"},
        CaptionCase{"ChkGenDCC_BPSI", "Basic Packet State Invert"},
        CaptionCase{"ChkGenDCCAllow0", "Allow Address 0"},
        CaptionCase{"LabelGenDCCOutput", "Output 1 .. 32"},
        CaptionCase{"LabelGenXDCCOutput", "Output 1 .. 32"},
        CaptionCase{"CommandGenDCCRead", "Read Settings"},
        CaptionCase{"CommandGenDCCWrite", "Write Settings"},
        CaptionCase{"FrameGenHWC", "Hardware Config"},
        CaptionCase{"LabelGenHWCSink", "Sink Driver"},
        CaptionCase{"LabelGenHWCSource", "Source Driver"},
        CaptionCase{"LabelGenHWCPin", "Pin       1..8         9..16      17..24       25..32"},
        CaptionCase{"CommandGenHWCRead", "Read Config"},
        CaptionCase{"CommandGenHWCWrite", "Write Config"}, CaptionCase{"FrameLC", "LED Control"},
        CaptionCase{"CheckLCGreen_0", "Basic DCC Packet"},
        CaptionCase{"CheckLCGreen_1", "eXtd DCC Packet"},
        CaptionCase{"CheckLCGreen_2", "Lumo Message"},
        CaptionCase{"CheckLCGreen_3", "Pyra Message"}, CaptionCase{"CheckLCGreen_6", "Green 6"},
        CaptionCase{"CheckLCGreen_7", "Idle Flash"},
        CaptionCase{"CheckLCOrange_0", "DCC Checksum Error"},
        CaptionCase{"CheckLCOrange_4", "Orange 4"},
        CaptionCase{"CheckLCOrange_7", "All Received Datagrams"},
        CaptionCase{"CommandLCRead", "Read Settings"},
        CaptionCase{"CommandLCWrite", "Write Settings"},
        CaptionCase{"FrameGenSerial", "Serial Port"}, CaptionCase{"CheckGenSerialEnable", "Enable"},
        CaptionCase{"LabelGenBaud", "Baudrate"}, CaptionCase{"OptionGenSerialDatabits_0", "7"},
        CaptionCase{"OptionGenSerialDatabits_1", "8"}, CaptionCase{"OptionGenSerialParity_0", "No"},
        CaptionCase{"OptionGenSerialParity_2", "Even"},
        CaptionCase{"OptionGenSerialParity_3", "Odd"}, CaptionCase{"OptionGenSerialStop_0", "1"},
        CaptionCase{"OptionGenSerialStop_1", "2"},
        CaptionCase{"CommandGenSerialRead", "Read Settings"},
        CaptionCase{"CommandGenSerialWrite", "Write Settings"}, CaptionCase{"LabelEC_0", "Pin"},
        CaptionCase{"LabelEC_1", "ON:"}, CaptionCase{"LabelEC_2", "OFF:"},
        CaptionCase{"LabelECinput_0", "Input 0"}, CaptionCase{"LabelECinput_8", "Input 1"},
        CaptionCase{"LabelECinput_9", "Input 2"}, CaptionCase{"LabelECinput_10", "Input 3"},
        CaptionCase{"CommandECReadSingle", "Read"}, CaptionCase{"CommandECWriteSingle", "Write"},
        CaptionCase{"CommandECcopy", "Copy to All"},
        CaptionCase{"CheckInitEE_0", "InitialEvent_ON Enable "},
        CaptionCase{"CheckInitEE_4", "Initial Event_OFF Enable "},
        CaptionCase{"CommandECInitRead", "Read Enable Map"},
        CaptionCase{"CommandECInitWrite", "Write Enable Map"},
        CaptionCase{"CommandECRead", "Read All Events"},
        CaptionCase{"CommandECWrite", "Write All Events"}),
    [](const auto& info) { return std::string(info.param.name); });

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, StartsWithTheDefaultsAndThePortClosed) {
  EXPECT_EQ(window_->objectName(), "PyraConfig");
  EXPECT_EQ(window_->windowTitle(), "Pyra Config");

  auto* tabs = Find<QTabWidget>("SSTab_Main");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 4);
  EXPECT_EQ(tabs->tabText(0), "General");
  EXPECT_EQ(tabs->tabText(1), "Pyra Event Control");
  EXPECT_EQ(tabs->tabText(2), "Pyra Device Configuration");
  EXPECT_EQ(tabs->tabText(3), "Test");
  EXPECT_EQ(tabs->currentIndex(), 0);

  auto* ports = Find<QComboBox>("ComboPort");
  ASSERT_NE(ports, nullptr);
  ASSERT_EQ(ports->count(), 2);
  EXPECT_EQ(ports->itemText(0), "ttyFAKE0");
  EXPECT_EQ(ports->itemText(1), "Simulator");
  EXPECT_EQ(ports->currentIndex(), -1);
  EXPECT_EQ(ports->currentText(), "");
  EXPECT_FALSE(IdleLink().PortOpen());
  EXPECT_TRUE(OpenedPorts().empty());

  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text(), "1");
  EXPECT_EQ(Find<QLineEdit>("txtXaddr")->text(), "1");
  EXPECT_TRUE(Find<QCheckBox>("CheckPyraBD")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("CheckKLnumber")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CheckXaddress")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CheckVelora")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("OptionBitRate_1")->isChecked());
  EXPECT_EQ(Find<QWidget>("cmdSetTM")->toolTip(),
            "Switch HB-A or Tavi in Transparant Mode for Pyra Configuration");
  EXPECT_EQ(Find<QLineEdit>("TextGenIDString")->maxLength(), 12);

  for (const char* hidden :
       {"FrameBitrate", "LabelXaddress", "txtXaddr", "UpDownXaddr", "LabelAction", "ProgressAction",
        "CommandCancel", "CommandVerifyAllPins", "CommandReadPin", "CommandWritePin",
        "CommandECVerify"}) {
    EXPECT_FALSE(Find(hidden)->isVisible()) << hidden;
  }
  for (const char* hidden : {"TextGenLMaddr", "UpDownGenLMaddr", "LabelGenXA_4"}) {
    EXPECT_FALSE(Find(hidden)->isVisible()) << hidden;
  }
  EXPECT_EQ(Find<QCheckBox>("CheckLCGreen_7")->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(Find<QComboBox>("ComboGenBaud")->currentText(), "9600");
  for (const char* shown : {"ComboPort", "TextAddress", "UpDownAddress", "cmdSetTM", "Release",
                            "CommandReadAll", "TextGenIDString", "CheckGenPRNative",
                            "CheckGenLMaddr", "TextGenXaddr", "CheckGenXGM_15"}) {
    EXPECT_TRUE(Find(shown)->isVisible()) << shown;
  }
  EXPECT_EQ(window_->CommLog(), nullptr);
  const LinkState& state = IdleLink().State();
  EXPECT_EQ(state.ModuleAddress, 0);
  EXPECT_EQ(state.ExtendedAddress, 0);
  EXPECT_TRUE(state.Bidirectional);
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(MainWindowTest, TestTabIsRefusedOutsideExpertModeAndThePreviousTabReturns) {
  auto* tabs = Find<QTabWidget>("SSTab_Main");
  ASSERT_NE(tabs, nullptr);
  QTabBar* bar = tabs->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
  ASSERT_EQ(tabs->currentIndex(), 2);

  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
  EXPECT_EQ(tabs->currentIndex(), 2);
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Sorry, This tab is disabled"});

  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
  EXPECT_EQ(tabs->currentIndex(), 3);
  EXPECT_EQ(prompter_.Texts().size(), 2u) << "only the expert question came after the refusal";
}

TEST_F(MainWindowTest, RightClickOnReleaseAsksForExpertModeAndSetsTheExpertButtons) {
  const char* expert_buttons[] = {"CommandVerifyAllPins", "CommandReadPin", "CommandWritePin",
                                  "CommandECVerify"};
  QWidget* release = Find("Release");
  ASSERT_NE(release, nullptr);

  QTest::mouseClick(release, Qt::LeftButton);
  EXPECT_TRUE(prompter_.All().empty()) << "a left click does nothing";

  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(release, Qt::RightButton);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "Expert Mode?");
  EXPECT_TRUE(prompter_.All()[0].question);
  EXPECT_EQ(prompter_.All()[0].buttons, Buttons::kYesNo);
  EXPECT_TRUE(window_->ExpertMode());
  // "Verify Event Control" lives on a tab that is not shown: only its own state counts.
  for (const char* name : expert_buttons) EXPECT_FALSE(Find(name)->isHidden()) << name;

  prompter_.QueueAnswer(Answer::kNo);
  QTest::mouseClick(release, Qt::RightButton);
  EXPECT_FALSE(window_->ExpertMode());
  for (const char* name : expert_buttons) EXPECT_TRUE(Find(name)->isHidden()) << name;
}

TEST_F(MainWindowTest, DoubleClickOnReleaseShowsTheLogWhichClearEmpties) {
  ChoosePort("Simulator");
  Click("CommandGenVersion");
  WaitIdle();
  ASSERT_NE(window_->CommLog(), nullptr) << "the first log line creates the window";
  EXPECT_FALSE(window_->CommLog()->isVisible()) << "without showing it";

  QTest::mouseDClick(Find("Release"), Qt::LeftButton);
  auto* log = Find("frmVeloraComm");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  EXPECT_EQ(log->windowTitle(), "Communication");
  EXPECT_TRUE(prompter_.All().empty()) << "a double-click is no right click";
  auto* text = Find<QPlainTextEdit>("txtVeloraCommunication");
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(text->toPlainText().isEmpty());

  Click("cmdClear");
  EXPECT_TRUE(text->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, DoubleClickOnReleaseCreatesTheLogBeforeAnyTraffic) {
  QTest::mouseDClick(Find("Release"), Qt::LeftButton);
  ASSERT_NE(window_->CommLog(), nullptr);
  EXPECT_TRUE(window_->CommLog()->isVisible());
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(MainWindowTest, RunningJobLeavesOnlyCancelUsable) {
  ChoosePort("Simulator");
  Module().InjectFault(sim::Fault::kNoReply);
  gate_.Close();
  Click("CommandGenVersion");
  // The no-reply message is held back: the job is still running.
  ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, 30000));
  EXPECT_TRUE(window_->Jobs().Busy());

  EXPECT_TRUE(Find("LabelAction")->isVisible());
  EXPECT_TRUE(Find("ProgressAction")->isVisible());
  EXPECT_TRUE(Find("CommandCancel")->isVisible());
  EXPECT_TRUE(Find("CommandCancel")->isEnabled());
  for (const char* name :
       {"SSTab_Main", "ComboPort", "cmdRefreshComm", "TextAddress", "CheckPyraBD", "CommandReadAll",
        "CommandLoad", "CheckKLnumber", "CommandGenVersion"}) {
    EXPECT_FALSE(Find(name)->isEnabled()) << name;
  }

  Click("CommandCancel");
  EXPECT_TRUE(window_->Jobs().CancelRequested());

  gate_.Open();
  WaitIdle();
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_FALSE(Find("CommandCancel")->isVisible());
  for (const char* name : {"SSTab_Main", "ComboPort", "CommandReadAll", "CommandGenVersion"}) {
    EXPECT_TRUE(Find(name)->isEnabled()) << name;
  }
  EXPECT_EQ(prompter_.Last(), "No response received, resetting bidirectional communication");
}

TEST_F(MainWindowTest, NumberingOptionRewritesBothAddressBoxesFromTheStoredValues) {
  Type("TextAddress", "5");
  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckXaddress");
  Type("txtXaddr", "10");

  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 0);
  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text(), "4");
  EXPECT_EQ(Find<QLineEdit>("txtXaddr")->text(), "9");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 4);
  EXPECT_EQ(IdleLink().State().ExtendedAddress, 9);

  Click("CheckKLnumber");
  EXPECT_EQ(window_->NumberBase(), 1);
  EXPECT_EQ(Find<QLineEdit>("TextAddress")->text(), "5");
  EXPECT_EQ(Find<QLineEdit>("txtXaddr")->text(), "10");
}

}  // namespace
}  // namespace pyra::test

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "link/ui/CommLogWindow.h"
#include "monitor/TestCommands.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

using MainWindowTest = AppTest;

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
  return w ? w->windowTitle() : QString();
}

// clang-format off
constexpr std::pair<const char*, const char*> kCaptions[] = {
    {"LabelPort", "Port:"}, {"cmdRefreshComm", "Refresh"}, {"FrameBitrate", "Bitrate"},
    {"OptionBitRate_0", "  9k6"}, {"OptionBitRate_1", "19k2"}, {"OptionBitRate_2", "38k4"},
    {"CheckPyraBD", "Bidirectional Comm."}, {"LabelAddress", "Module Address"},
    {"CheckXaddress", "Use eXtended Addr"}, {"LabelXaddress", "eXtended address"},
    {"CheckVelora", "Use Velora Tunneling"}, {"cmdSetTM", "Activate Transparent Mode"},
    {"CheckKLnumber", "Start numbering at 1"}, {"CommandReadAll", "Read All"},
    {"CommandWriteAll", "Write All"}, {"CommandVerifyAll", "Verify All"},
    {"CommandSave", "Save File"}, {"CommandLoad", "Load File"},
    {"CommandVerifyAllPins", "Verify All Pins"}, {"CommandReadPin", "Read Pin"},
    {"CommandWritePin", "Write Pin"}, {"CommandECVerify", "Verify Event Control"},
    {"LabelAction", "  Working ... Please WAIT"}, {"Release", "Release 3.23"},
    {"LabelGenIDString", "ID String"}, {"CommandGenIDRead", "Read String"},
    {"CommandGenIDWrite", "Write String"}, {"LabelGenVersion", "Firmware Version:"},
    {"LabelGenVersionString", "Unknown"}, {"CommandGenVersion", "Request Version"},
    {"CommandGenEraseFlash", "Erase Flash"}, {"CheckGenPRNative", "Native Pyra Mode"},
    {"CheckGenLMaddr", "Lumo Flex-Addresss"}, {"LabelGenXA_4", "Start"},
    {"CheckGenForceXA", "Enforced eXtended Address"}, {"LabelGenXA_1", "Module eXtended Address"},
    {"LabelGenXA_2", "eXt Group Mask"}, {"CommandGenAddrRead", "Read Settings"},
    {"CommandGenAddrWrite", "Write Settings"}, {"LabelGenDCCAddress", "Basic Decoder Addr"},
    {"LabelGenXDCCAddress", "Extended Dec. Addr"}, {"LabelGenDCC_PRP", "Packet Retention"},
    {"OptGenDCC_PRP_0", "62.5ms"}, {"OptGenDCC_PRP_1", "125ms"}, {"OptGenDCC_PRP_2", "250ms"},
    {"OptGenDCC_PRP_3", "500ms"}, {"ChkGenDCC_BPSI", "Basic Packet State Invert"},
    {"ChkGenDCCAllow0", "Allow Address 0"}, {"LabelGenDCCOutput", "Output 1 .. 32"},
    {"LabelGenXDCCOutput", "Output 1 .. 32"}, {"CommandGenDCCRead", "Read Settings"},
    {"CommandGenDCCWrite", "Write Settings"}, {"FrameGenHWC", "Hardware Config"},
    {"LabelGenHWCSink", "Sink Driver"}, {"LabelGenHWCSource", "Source Driver"},
    {"LabelGenHWCPin", "Pin       1..8         9..16      17..24       25..32"},
    {"CommandGenHWCRead", "Read Config"}, {"CommandGenHWCWrite", "Write Config"},
    {"FrameLC", "LED Control"}, {"CheckLCGreen_0", "Basic DCC Packet"},
    {"CheckLCGreen_1", "eXtd DCC Packet"}, {"CheckLCGreen_2", "Lumo Message"},
    {"CheckLCGreen_3", "Pyra Message"}, {"CheckLCGreen_6", "Green 6"},
    {"CheckLCGreen_7", "Idle Flash"}, {"CheckLCOrange_0", "DCC Checksum Error"},
    {"CheckLCOrange_4", "Orange 4"}, {"CheckLCOrange_7", "All Received Datagrams"},
    {"CommandLCRead", "Read Settings"}, {"CommandLCWrite", "Write Settings"},
    {"FrameGenSerial", "Serial Port"}, {"CheckGenSerialEnable", "Enable"},
    {"LabelGenBaud", "Baudrate"}, {"OptionGenSerialDatabits_0", "7"},
    {"OptionGenSerialDatabits_1", "8"}, {"OptionGenSerialParity_0", "No"},
    {"OptionGenSerialParity_2", "Even"}, {"OptionGenSerialParity_3", "Odd"},
    {"OptionGenSerialStop_0", "1"}, {"OptionGenSerialStop_1", "2"},
    {"CommandGenSerialRead", "Read Settings"}, {"CommandGenSerialWrite", "Write Settings"},
    {"LabelEC_0", "Pin"}, {"LabelEC_1", "ON:"}, {"LabelEC_2", "OFF:"},
    {"LabelECinput_0", "Input 0"}, {"LabelECinput_8", "Input 1"}, {"LabelECinput_9", "Input 2"},
    {"LabelECinput_10", "Input 3"}, {"CommandECReadSingle", "Read"},
    {"CommandECWriteSingle", "Write"}, {"CommandECcopy", "Copy to All"},
    {"CheckInitEE_0", "InitialEvent_ON Enable "}, {"CheckInitEE_4", "Initial Event_OFF Enable "},
    {"CommandECInitRead", "Read Enable Map"}, {"CommandECInitWrite", "Write Enable Map"},
    {"CommandECRead", "Read All Events"}, {"CommandECWrite", "Write All Events"}};
// clang-format on

TEST_F(MainWindowTest, EveryControlCarriesItsCaption) {
  for (const auto& [name, caption] : kCaptions) {
    EXPECT_EQ(CaptionOf(Find(name)).toStdString(), caption) << name;
  }
}

TEST_F(MainWindowTest, StartsWithTheDefaultsAndThePortClosed) {
  EXPECT_EQ(window_->objectName(), "PyraConfig");
  EXPECT_EQ(window_->windowTitle(), "Pyra Config");
  auto* tabs = Find<QTabWidget>("SSTab_Main");
  ASSERT_NE(tabs, nullptr);
  QStringList tab_texts;
  for (int i = 0; i < tabs->count(); ++i) tab_texts << tabs->tabText(i);
  EXPECT_EQ(tab_texts,
            (QStringList{"General", "Pyra Event Control", "Pyra Device Configuration", "Test"}));
  EXPECT_EQ(tabs->currentIndex(), 0);

  EXPECT_EQ(ItemsOf("ComboPort"), (QStringList{"ttyFAKE0", "Simulator"}));
  EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1);
  EXPECT_EQ(TextOf("ComboPort"), "");
  EXPECT_FALSE(IdleLink().PortOpen());
  EXPECT_TRUE(OpenedPorts().empty());

  EXPECT_EQ(States({"TextAddress", "txtXaddr", "CheckPyraBD", "CheckKLnumber", "CheckXaddress",
                    "CheckVelora", "CheckLCGreen_7", "ComboGenBaud"}),
            "1|1|1|1|0|0|2|9600");
  EXPECT_EQ(Ticks("OptionBitRate_", 3), "010");
  EXPECT_EQ(Find("cmdSetTM")->toolTip(),
            "Switch HB-A or Tavi in Transparant Mode for Pyra Configuration");
  EXPECT_EQ(Find<QLineEdit>("TextGenIDString")->maxLength(), 12);

  ExpectVisible(
      {"FrameBitrate", "LabelXaddress", "txtXaddr", "UpDownXaddr", "LabelAction", "ProgressAction",
       "CommandCancel", "CommandVerifyAllPins", "CommandReadPin", "CommandWritePin",
       "CommandECVerify", "TextGenLMaddr", "UpDownGenLMaddr", "LabelGenXA_4"},
      false);
  ExpectVisible(
      {"ComboPort", "TextAddress", "UpDownAddress", "cmdSetTM", "Release", "CommandReadAll",
       "TextGenIDString", "CheckGenPRNative", "CheckGenLMaddr", "TextGenXaddr", "CheckGenXGM_15"},
      true);
  EXPECT_EQ(window_->CommLog(), nullptr);
  const LinkState& state = IdleLink().State();
  EXPECT_EQ(state.ModuleAddress, 0);
  EXPECT_EQ(state.ExtendedAddress, 0);
  EXPECT_TRUE(state.Bidirectional);
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(MainWindowTest, RightClickOnReleaseSwitchesExpertModeTheTestTabAndTheExpertButtons) {
  auto* tabs = Find<QTabWidget>("SSTab_Main");
  QWidget* release = Find("Release");
  ASSERT_TRUE(tabs && release);
  QTabBar* bar = tabs->tabBar();
  auto click_tab = [bar](int tab) {
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
  };
  QTest::mouseClick(release, Qt::LeftButton);
  EXPECT_TRUE(prompter_.All().empty()) << "a left click does nothing";
  click_tab(2);
  ASSERT_EQ(tabs->currentIndex(), 2);
  click_tab(3);
  EXPECT_EQ(tabs->currentIndex(), 2) << "the previous tab returns";
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Sorry, This tab is disabled"});

  prompter_.Clear();
  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(release, Qt::RightButton);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "Expert Mode?");
  EXPECT_TRUE(prompter_.All()[0].question);
  EXPECT_EQ(prompter_.All()[0].buttons, Buttons::kYesNo);
  EXPECT_TRUE(window_->ExpertMode());
  // "Verify Event Control" lives on a tab that is not shown: only its own state counts.
  const char* expert_buttons[] = {"CommandVerifyAllPins", "CommandReadPin", "CommandWritePin",
                                  "CommandECVerify"};
  for (const char* name : expert_buttons) EXPECT_FALSE(Find(name)->isHidden()) << name;
  click_tab(3);
  EXPECT_EQ(tabs->currentIndex(), 3);
  EXPECT_EQ(prompter_.All().size(), 1u);

  prompter_.QueueAnswer(Answer::kNo);
  QTest::mouseClick(release, Qt::RightButton);
  EXPECT_FALSE(window_->ExpertMode());
  for (const char* name : expert_buttons) EXPECT_TRUE(Find(name)->isHidden()) << name;
}

TEST_F(MainWindowTest, FirstLogLineCreatesTheLogHiddenAndDoubleClickOnReleaseShowsIt) {
  ChoosePort("Simulator");
  Run("CommandGenVersion");
  ASSERT_NE(window_->CommLog(), nullptr);
  EXPECT_FALSE(window_->CommLog()->isVisible());

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

std::string FileText(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(MainWindowTest, StartUpListsTheShippedDeviceLibrary) {
  auto* devices = Find<QComboBox>("cboDevice");
  ASSERT_NE(devices, nullptr);
  EXPECT_GE(devices->count(), 8);
  EXPECT_NE(TextOf("lblDDVersion"), "None");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(MainWindowTest, SaveThenLoadRestoresTheSettingsThroughTheFileDialogs) {
  QTemporaryDir dir;
  const QString path = dir.filePath("yard.dat");
  // The file quotes its strings, so the box refuses a double quote.
  Type("TextGenIDString", "Yard \"East\"");
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard East");
  Type("TextGenDCCAddress", "300");
  chosen_files_.push_back(path);
  QTest::mousePress(Find("CommandSave"), Qt::LeftButton);
  QTest::mouseRelease(Find("CommandSave"), Qt::LeftButton);
  ASSERT_EQ(dialogs_, std::vector<std::string>{"cdConfig"});
  EXPECT_EQ(FileText(path).rfind("\"PyraConfiguration 3230\"\r\n", 0), 0u);

  Type("TextGenIDString", "Changed");
  Type("TextGenDCCAddress", "5");
  Click("CommandLoad");  // cancelled: nothing changes
  EXPECT_EQ(TextOf("TextGenIDString"), "Changed");
  chosen_files_.push_back(path);
  Click("CommandLoad");
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard East");
  EXPECT_EQ(TextOf("TextGenDCCAddress"), "300");
  EXPECT_EQ(window_->Model().Settings.DccAddress, 300);
}

TEST_F(MainWindowTest, MonitorPollsWithoutTurningTheWindowBusy) {
  ChoosePort("Simulator");
  EnterExpertMode();
  SelectTab(MainWindow::kTabTest);
  Click("CommandFBM_1");
  ASSERT_TRUE(Find("CommandFBM_1")->hasFocus());
  EXPECT_TRUE(TextOf("textFBM").startsWith("Start Monitoring"));
  QTRY_VERIFY_WITH_TIMEOUT(TextOf("textFBM").contains("<0> <0> <0> <0> "), 5000);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_TRUE(Find("CommandFBM_1")->hasFocus()) << "a poll must not take the focus";
  Click("CommandFBM_2");
  EXPECT_TRUE(TextOf("textFBM").trimmed().endsWith("Monitoring Stopped"));
}

// The frames the simulated module took as layout commands, one line each.
std::vector<std::string> LayoutFrames(const sim::SimModule& module) {
  std::vector<std::string> frames;
  for (const sim::LayoutCommand& c : module.LayoutCommands()) {
    std::string line = c.older_format ? "older " + std::to_string(c.address_byte) + ":" : "pyra:";
    for (int b : c.bytes) line += " " + std::to_string(b);
    frames.push_back(line);
  }
  return frames;
}

TEST_F(MainWindowTest, AspectTestButtonSendsOnMouseDownInTheFormatTheKeysChoose) {
  ChoosePort("Simulator");
  SelectTab(MainWindow::kTabDeviceConfiguration);
  Type("TextPAspOutput", "6");  // pin 5
  Click("OptionPAspConf_1");
  Type("TextPAspAspect", "2");
  const std::string s = std::to_string(window_->Model().LumoStart[5]);
  auto press = [this](Qt::KeyboardModifiers keys) {
    auto* test = Find<QAbstractButton>("CommandPAspTestAspect");
    QTest::mousePress(test, Qt::LeftButton, keys);
    WaitIdle();
    QTest::mouseRelease(test, Qt::LeftButton, keys);
  };
  press({});
  press(Qt::ShiftModifier);
  press(Qt::ControlModifier);
  press(Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  press(Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{TestAspectHelp()}));
  EXPECT_EQ(LayoutFrames(Module()),
            (std::vector<std::string>{"pyra: 0 0 5 2", "older 3: 0 5 2", "pyra: 0 1 " + s + " 2",
                                      "older 3: 1 " + s + " 2"}));

  // With "Lumo Flex-Addresss" from 4 x 9, Shift addresses the pin's entry in that block.
  SelectTab(MainWindow::kTabGeneral);
  Click("CheckGenLMaddr");
  Type("TextGenLMaddr", "37");
  SelectTab(MainWindow::kTabDeviceConfiguration);
  press(Qt::ShiftModifier);
  const int a = 36 + window_->Model().LumoStart[5];
  EXPECT_EQ(LayoutFrames(Module()).back(),
            "older " + std::to_string(a / 32 * 4 + 3) + ": 1 " + std::to_string(a % 32) + " 2");

  // Without a serial address the map cannot be used: an error, and nothing is sent.
  Click("CheckPAspShowDetails");
  Type("TextPaspLumon", "0");
  prompter_.Clear();
  press(Qt::ControlModifier);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 6");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kError);
  EXPECT_EQ(LayoutFrames(Module()).size(), 5u);
}

}  // namespace
}  // namespace pyra::test

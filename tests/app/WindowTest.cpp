#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "AppTestSupport.h"
#include "link/Protocol.h"
#include "link/ui/CommLogWindow.h"
#include "monitor/TestCommands.h"
#include "operations/ui/VerificationWindow.h"

namespace pyra::test {
namespace {

using WindowTest = AppTest;
using PortLostTest = AppTest;
using Texts = std::vector<std::string>;

TEST_F(WindowTest, ConnectionAreaReachesTheLink) {
  Do("!CommandGenVersion");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  // The bit rates show on a double-click; a new one reopens the port with a link reset.
  QTest::mouseDClick(Find("LabelPort"), Qt::LeftButton);
  Do({"!OptionBitRate_2", "!CommandGenVersion"});
  EXPECT_EQ(Module().ResetFrames(), 2);
  Do("ComboPort:ttyFAKE0");
  EXPECT_EQ(opened_, (std::vector<std::pair<std::string, int>>{{"ttyFAKE0", 38400}}));
  EXPECT_EQ(prompter_.Texts(), Texts{"The port ttyFAKE0 could not be opened\r\nPermission denied"});
  system_ports_ = {"ttyFAKE0", "ttyUSB3"};
  Do("!cmdRefreshComm");
  EXPECT_EQ(Find<QComboBox>("ComboPort")->count(), 6);  // two system ports, four simulator entries
  EXPECT_FALSE(IdleLink().PortOpen());

  // Typed and spun addresses reach the frame; a missing reply unticks "Bidirectional Comm.".
  Module().GetConfig().address = 5;
  Module().GetConfig().extended_address = 7;
  Do({"ComboPort:Simulator", "TextAddress=6", "^UpDownAddress", "_UpDownAddress", "?O",
      "CheckXaddress", "txtXaddr=8", "!CommandGenVersion"});
  EXPECT_EQ(Module().Requests().back().extended_address, 7);
  EXPECT_EQ(prompter_.Texts().size(), 2u) << prompter_.Last();
  Do({"txtXaddr=9", "!CommandGenVersion"});
  EXPECT_FALSE(IdleLink().State().Bidirectional);
  Do("CheckPyraBD");
  EXPECT_TRUE(IdleLink().State().Bidirectional);
  Do("CheckKLnumber");
  EXPECT_EQ(TextOf("TextAddress"), "5");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 5);
}

TEST_F(WindowTest, VeloraTunnellingAndTransparentMode) {
  Do("!cmdRefreshComm");
  Do({"ComboPort:Simulator behind HB-A", "!CheckVelora"});
  EXPECT_TRUE(IdleLink().State().UseVelora);
  Do({"!CommandGenVersion", "!CheckVelora"});
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_FALSE(IdleLink().State().UseVelora);
  window_->GetSimulator().Velora().GetConfig().protocol_hi = 24;  // 3000: no tunnelling
  Do("!cmdSetTM");
  EXPECT_EQ(prompter_.Texts(), Texts{"Your HB-A has been put in Transparent Mode"});
  EXPECT_TRUE(window_->GetSimulator().Velora().Transparent());
}

TEST_F(WindowTest, ReleaseLabelSwitchesExpertModeAndShowsTheLog) {
  QTabBar* bar = Find<QTabWidget>("SSTab_Main")->tabBar();
  for (bool expert : {false, true}) {
    if (expert) Do("*");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(MainWindow::kTabTest).center());
    EXPECT_EQ(bar->currentIndex(), expert ? MainWindow::kTabTest : MainWindow::kTabGeneral);
  }
  EXPECT_EQ(prompter_.Texts(), (Texts{"Sorry, This tab is disabled", "Expert Mode?"}));
  prompter_.QueueAnswer(Answer::kNo);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  EXPECT_FALSE(window_->ExpertMode());
  Do({"#0", "!CommandGenVersion"});
  QTest::mouseDClick(Find("Release"), Qt::LeftButton);
  ASSERT_TRUE(window_->CommLog() && window_->CommLog()->isVisible());
  EXPECT_EQ(window_->CommLog()->Text().toStdString(),
            ">  [43] [62] [70] [00]\n<  [43] [66] [70] [00] [03] [02] [00] [11]");
  Do("cmdClear");
  EXPECT_EQ(window_->CommLog()->Text(), "");
}

TEST_F(WindowTest, VerifyButtonsReportOkOrTheFirstDifference) {
  auto report = [this] { return TextOf("txtVerification").toStdString(); };
  Do({"TextGenIDString=Station", "!CommandWriteAll", "!CommandVerifyAll"});
  EXPECT_TRUE(report().ends_with("\nVerify OK")) << report();
  window_->Verification()->close();  // it is modal
  Memory().led_green = 1;
  Do("!CommandVerifyAll");
  EXPECT_TRUE(report().ends_with("compare\nVerification Stopped")) << report();
  EXPECT_NE(report().find("\nGreen LED configuration does not compare\n"), std::string::npos);
  window_->Verification()->close();
  Do({"*", "!CommandVerifyAllPins"});
  EXPECT_TRUE(report().ends_with("\nVerify OK")) << report();
  window_->Verification()->close();
  Memory().pins[0].event_off[2] = 32 + 9;
  Do({"#1", "!CommandECVerify"});
  EXPECT_EQ(report(),
            "Start EC Verification\nNote: Numbering starts at 1\nEvent-Off(2) for pin 1 "
            "does not compare: Configured Action = -1, Pyra Reply = 9\n");
}

// Runs `act` on the link thread the first time the running job reports `step`: Progress is
// emitted there, so a direct connection acts between two exchanges.
void AtStep(LinkThread& jobs, const QString& step, std::function<void()> act) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  QObject::connect(
      &jobs, &LinkThread::Progress, &jobs,
      [=](const QString& reported, int, int) {
        if (reported == step && !done->exchange(true)) act();
      },
      Qt::DirectConnection);
}

// Read All held on the link thread at the DCC settings until the test lets it go on.
class HeldReadAllTest : public AppTest {
 protected:
  void StartHeld() {
    AtStep(window_->Jobs(), "Reading the DCC settings", [this] {
      reached_ = true;
      while (held_) std::this_thread::yield();
    });
    Do("CommandReadAll");
    ASSERT_TRUE(QTest::qWaitFor([this] { return reached_.load(); }, 30000));
  }
  void TearDown() override {
    held_ = false;  // a failed check must not leave the link thread waiting
    AppTest::TearDown();
  }
  std::atomic<bool> reached_ = false, held_ = true;
};

TEST_F(HeldReadAllTest, CancelStopsReadAllAfterTheStepUnderWay) {
  StartHeld();
  auto* progress = Find<QProgressBar>("ProgressAction");
  EXPECT_TRUE(QTest::qWaitFor([progress] { return progress->value() == 2; }, 30000));
  EXPECT_FALSE(Find("SSTab_Main")->isEnabled());
  Do("CommandCancel");
  held_ = false;
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(), Texts{"Cancelled by the user"});
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 12), 1) << "the step under way ends";
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 8), 0) << "the addressing was never asked";
  EXPECT_TRUE(Find("SSTab_Main")->isEnabled());
  EXPECT_FALSE(Find("CommandCancel")->isVisible());
}

// Closing while Read All runs asks first; OK stops the read and closes once it has ended.
TEST_F(HeldReadAllTest, ClosingWhileAnOperationRunsStopsItFirst) {
  StartHeld();
  Do("?C");
  window_->close();
  Do("?O");
  window_->close();
  EXPECT_TRUE(window_->isVisible()) << "the read is still under way";
  held_ = false;
  WaitIdle();
  QCoreApplication::processEvents();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 8), 0) << "the read stopped";
  const std::string asked = "An operation is still running.\r\nStop it and close the window?";
  EXPECT_EQ(prompter_.Texts(), (Texts{asked, asked, "Cancelled by the user"}));
}

// The menus run the code of the buttons and controls they stand for.
TEST_F(WindowTest, MenuItemsDoWhatTheirButtonsDo) {
  QTemporaryDir dir;
  auto trigger = [this](const char* name) {
    Find<QAction>(name)->trigger();
    WaitIdle();
  };
  trigger("ActionReadAll");
  EXPECT_TRUE(TextOf("StatusOperation").startsWith("Read All finished in"))
      << TextOf("StatusOperation").toStdString();
  Do("TextGenIDString=Yard");
  trigger("ActionCompare");
  EXPECT_TRUE(Find("TreeCompare")->isVisible());
  EXPECT_EQ(TextOf("StatusOperation"), "Compare with Module: 1 difference");
  trigger("ActionPinOverview");
  EXPECT_TRUE(Find("TablePinOverview")->isVisible());
  Do("?Y");
  trigger("ActionExpertMode");
  EXPECT_TRUE(window_->ExpertMode());
  EXPECT_TRUE(Find<QAction>("ActionExpertMode")->isChecked());
  EXPECT_TRUE(Find("CommandReadPin")->isVisible());
  chosen_files_ = {dir.filePath("menu.dat")};
  trigger("ActionSave");
  EXPECT_TRUE(QFile::exists(dir.filePath("menu.dat")));
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(prompter_.Texts(), Texts{"Expert Mode?"});
}

constexpr char kLost[] =
    "The connection to the module was lost: the simulated line was disconnected";

// The port vanishing while "Read All" runs: one message, the port closed, the list refilled, and
// a window that works again once a port is picked.
TEST_F(PortLostTest, ReadAllEndsWithOneMessageAndWorksOnceThePortIsPickedAgain) {
  Memory().id_string = "Gleis 7";
  Memory().pins[6].aspect_mode = 3;  // read only if the line lasted to pin 7
  auto* channel = static_cast<sim::SimChannel*>(IdleLink().Channel());
  AtStep(window_->Jobs(), "Reading pin 5 of 32", [channel] { channel->Unplug(); });
  Do("!CommandReadAll");
  EXPECT_EQ(prompter_.Texts(), Texts{kLost});
  EXPECT_EQ(IdleLink().Channel(), nullptr);
  EXPECT_EQ(TextOf("ComboPort"), "");
  EXPECT_EQ(window_->Model().Settings.IDString, "Gleis 7");
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 0);
  Do({"ComboPort:Simulator", "!CommandReadAll"});
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 3);
  EXPECT_EQ(prompter_.Texts().size(), 1u) << prompter_.Last();
}

TEST_F(PortLostTest, FoundGoneByAJobThatSendsNothing) {
  static_cast<sim::SimChannel*>(IdleLink().Channel())->Unplug();
  window_->Jobs().Run([](Link&) {});
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(), Texts{kLost});
  EXPECT_EQ(IdleLink().Channel(), nullptr);
}

TEST_F(WindowTest, IdBoxRefusesWhatTheFileCannotCarry) {
  Do("TextGenIDString=Yard \"East\"");
  EXPECT_EQ(window_->Settings().IDString, "Yard East");
  auto* box = Find<QLineEdit>("TextGenIDString");
  QGuiApplication::clipboard()->setText("a\nb");
  box->selectAll();
  QTest::keySequence(box, QKeySequence::Paste);
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(prompter_.Texts(), Texts{"The ID String cannot hold a line break."});
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard East");
  Do({"TextGenIDString=Br\xC3\xBC"
      "cke",
      "!CommandGenIDWrite"});
  EXPECT_EQ(Module().CountRequests(kCmdWriteGeneral, kSubIDString), 0);
  EXPECT_NE(prompter_.Last().find("Nothing was sent."), std::string::npos) << prompter_.Last();
}

TEST_F(WindowTest, AspectTestButtonSendsOnMouseDownInTheFormatTheKeysChoose) {
  Do({"#2", "TextPAspOutput=6", "OptionPAspConf_1", "TextPAspAspect=2"});
  const std::string s = std::to_string(window_->Model().LumoStart[5]);
  auto press = [this](Qt::KeyboardModifiers keys) {
    auto* test = Find<QAbstractButton>("CommandPAspTestAspect");
    QTest::mousePress(test, Qt::LeftButton, keys);
    WaitIdle();
    QTest::mouseRelease(test, Qt::LeftButton, keys);
  };
  for (auto keys : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier}) press(keys);
  press(Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  press(Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(prompter_.Texts(), Texts{TestAspectHelp()});
  EXPECT_EQ(LayoutFrames(), (Texts{"pyra: 0 0 5 2", "older 3: 0 5 2", "pyra: 0 1 " + s + " 2",
                                   "older 3: 1 " + s + " 2"}));
  // With "Lumo Flex-Addresss" from 4 x 9, Shift addresses the pin's entry in that block.
  Do({"#0", "?O", "CheckGenLMaddr", "TextGenLMaddr=37", "#2"});
  press(Qt::ShiftModifier);
  const int a = 36 + window_->Model().LumoStart[5];
  EXPECT_EQ(LayoutFrames().back(),
            "older " + std::to_string(a / 32 * 4 + 3) + ": 1 " + std::to_string(a % 32) + " 2");
  // Without a serial address the map cannot be used: an error, and nothing is sent.
  Do({"CheckPAspShowDetails", "TextPaspLumon=0"});
  prompter_.Clear();
  press(Qt::ControlModifier);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 6");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kError);
  EXPECT_EQ(LayoutFrames().size(), 5u);
}

TEST_F(WindowTest, LiveControlsSendToTheLayout) {
  Do({"#2", "CheckPAspShowDetails", "TextPAspOutput=3", "SSTabPCFG:PWM", "TextPWMLevel=40",
      "!CommandPWMLevel", "CheckPWMSlow", "TextPWMLevel=12", "!CommandPWMLevel",
      "!CommandPWMJump"});
  QTest::mouseClick(Find("LabelPWMInitialLevel"), Qt::LeftButton);
  EXPECT_EQ(window_->Model().Pins[2].PinConfig[1], 12) << "the live level taken over";
  Do({"TextPAspOutput=5", "SSTabPCFG:Servo"});
  auto* slider = Find<QSlider>("SliderServo");
  slider->setValue(-10);  // moved from code: not sent
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  WaitIdle();
  Do({"CheckSrvDynamic", "!CommandSrvLevel", "!CommandStopSrv"});
  EXPECT_EQ(LayoutFrames(), (Texts{"pyra: 0 38 2 31", "pyra: 0 54 2 12", "pyra: 0 38 2 12",
                                   "pyra: 0 39 4 55", "pyra: 0 55 4 55", "pyra: 0 39 4 55"}));
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of section [name] in tests/data/app/window.txt, "\r\n" spelt as the two escapes.
Texts Golden(const std::string& name) {
  std::ifstream in(PYRA_TEST_DATA "/app/window.txt");
  Texts lines;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("[")) {
      inside = line == "[" + name + "]";
    } else if (inside && !line.empty() && !line.starts_with("#")) {
      for (std::size_t i; (i = line.find("\\r\\n")) != std::string::npos;)
        line.replace(i, 4, "\r\n");
      lines.push_back(line);
    }
  }
  return lines;
}

TEST_F(WindowTest, UnsavedChangesAreAskedAboutBeforeTheyAreLost) {
  QTemporaryDir dir;
  const QString yard = dir.filePath("yard.dat");
  Texts titles;
  auto title = [&] {
    QCoreApplication::processEvents();  // the edit's handler runs first, then the comparison
    titles.push_back(window_->windowTitle()
                         .replace("[*]", window_->isWindowModified() ? "*" : "")
                         .toStdString());
  };
  // Nothing to lose yet: Read All asks nothing; browsing pins and aspects is no edit.
  Memory().pins[2].aspect_mode = 3;
  Do({"!CommandReadAll", "#2", "^UpDownPAspOutput", "^UpDownPAspOutput", "^UpDownPAspAspect", "#1",
      "^UpDownECpin"});
  title();
  // An edit: Read All and Close with the answer Cancel keep it.
  Do({"#0", "TextGenIDString=Yard"});
  title();
  Do({"?C", "!CommandReadAll"});
  window_->close();  // the scripted default answers neither Save nor Discard
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->Model().Settings.IDString, "Yard");
  // Save runs the normal save first; the load dialog is then cancelled.
  chosen_files_ = {yard};
  Do({"?Y", "CommandLoad"});
  EXPECT_EQ(dialogs_, (Texts{"cdConfig", "cdConfig"}));
  title();
  // A device applied is an edit; Discard lets Load File replace it.
  Do("#2");
  Do("cboDevice:" + Find<QComboBox>("cboDevice")->itemText(0).toStdString());
  Do("CommandPAspPreLoad");
  title();
  chosen_files_ = {yard};
  Do({"?N", "CommandLoad"});
  EXPECT_EQ(window_->Model().Pins[1].DeviceName, "");
  title();
  Do({"#0", "TextGenIDString=Shed", "?N", "!CommandReadAll"});
  EXPECT_EQ(TextOf("TextGenIDString"), "");
  title();
  window_->close();  // nothing unsaved: no question
  EXPECT_FALSE(window_->isVisible());
  Texts seen = titles;
  for (const std::string& text : prompter_.Texts()) seen.push_back(text);
  EXPECT_EQ(seen, Golden("UnsavedChanges"));
}

TEST_F(WindowTest, StatusBarSaysHowTheLastWholeModuleOperationEnded) {
  Texts status;
  auto note = [&] {
    status.push_back(TextOf("StatusOperation").toStdString() + " | " +
                     TextOf("StatusConnection").toStdString());
  };
  Do({"TextGenIDString=Hill", "!CommandWriteAll"});
  note();
  Do("!CommandReadAll");
  note();
  // A write stops only when the line goes; reads and verifications also when a reply is missing.
  auto* channel = static_cast<sim::SimChannel*>(IdleLink().Channel());
  AtStep(window_->Jobs(), "Writing pin 9 of 32", [channel] { channel->Unplug(); });
  Do("!CommandWriteAll");
  note();
  Do("ComboPort:Simulator");
  Module().InjectFault(sim::Fault::kNoReply, 12);
  Do("!CommandReadAll");
  note();
  Module().InjectFault(sim::Fault::kNoReply, 3);
  Do("!CommandVerifyAll");
  note();
  window_->Verification()->close();
  EXPECT_EQ(status, Golden("Status"));
}

TEST_F(WindowTest, NextRunRestoresTheSettingsAndOpensTheFileNamedOnItsCommandLine) {
  QTemporaryDir dir;
  const QString yard = dir.filePath("yard.dat");
  chosen_files_ = {yard};
  Do({"TextGenIDString=Yard", "CommandSave", "TextAddress=5"});
  QTest::mouseDClick(Find("LabelPort"), Qt::LeftButton);
  Do({"!OptionBitRate_2", "?O", "CheckXaddress", "txtXaddr=12"});
  window_->resize(1260, 650);
  window_->close();

  StartWindow();
  // Offered, not open: the box shows only an open port; Enter in the empty box opens the last one.
  EXPECT_EQ(TextOf("ComboPort"), "");
  EXPECT_FALSE(IdleLink().PortOpen());
  EXPECT_EQ(TextOf("StatusConnection"), "Port closed");
  EXPECT_TRUE(Find("FrameBitrate")->isVisible());
  EXPECT_TRUE(Find<QAbstractButton>("OptionBitRate_2")->isChecked());
  EXPECT_EQ(TextOf("TextAddress"), "5");
  EXPECT_EQ(IdleLink().State().ModuleAddress, 4);
  EXPECT_EQ(IdleLink().State().ExtendedAddress, 11);
  EXPECT_FALSE(Find<QAbstractButton>("CheckXaddress")->isChecked());
  EXPECT_EQ(window_->size(), QSize(1260, 650));
  EXPECT_TRUE(window_->minimumSizeHint().boundedTo(QSize(1280, 700)) == window_->minimumSizeHint());
  const QList<QAction*> recent = Find<QMenu>("MenuRecent")->actions();
  ASSERT_EQ(recent.size(), 1);
  EXPECT_EQ(recent[0]->text(), "&1 yard.dat");
  QTest::keyClick(Find("ComboPort"), Qt::Key_Return);
  WaitIdle();
  EXPECT_TRUE(IdleLink().PortOpen());
  EXPECT_EQ(TextOf("ComboPort"), "Simulator");

  // `pyraconfig FILE` opens it as Load File does, messages included.
  prompter_.Clear();
  EXPECT_TRUE(window_->OpenConfigurationFile(yard));
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard");
  EXPECT_EQ(window_->windowTitle(), "yard.dat[*] - Pyra Config");
  EXPECT_FALSE(window_->OpenConfigurationFile(dir.filePath("gone.dat")));
  chosen_files_ = {dir.filePath("gone.dat")};
  Do("CommandLoad");
  const Texts texts = prompter_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], texts[1]);
  EXPECT_TRUE(texts[0].starts_with("The configuration file ")) << texts[0];
}

TEST_F(WindowTest, SaveAndLoadGoThroughTheFileDialogs) {
  QTemporaryDir dir;
  const QString full = dir.filePath("full.dat"), compact = dir.filePath("compact.dat");
  Do({"#2", "TextPAspOutput=6", "TextPAspDesc=Entry \"home\"", "TextDeviceDescription=Block"});
  chosen_files_ = {full, compact};
  Do("CommandSave");
  Do("CommandSave", Qt::ShiftModifier);
  Do("CommandSave", Qt::ControlModifier);  // neither form: no dialog
  EXPECT_EQ(dialogs_, (Texts{"cdConfig", "cdConfig"}));
  EXPECT_EQ(FileBytes(full).count("\"Pin\","), 32);
  EXPECT_EQ(FileBytes(compact).count("\"Pin\","), 1);
  EXPECT_TRUE(FileBytes(full).contains(",\"Entry home\"\r\n"));

  Do({"TextPAspDesc=Changed", "?N", "CommandLoad"});  // discarded, then the dialog cancelled
  EXPECT_EQ(window_->Model().Pins[5].Description, "Changed");
  chosen_files_ = {full};
  Do({"?N", "CommandLoad"});
  EXPECT_EQ(TextOf("TextPAspDesc"), "Entry home");
  EXPECT_EQ(window_->Model().Pins[5].DeviceName, "Block");

  QFile bad(dir.filePath("bad.dat"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly) &&
              bad.write("\"PyraConfiguration 3230\"\r\n\"ID$\",\"Changed\"\r\n\"DCC\",abc\r\n"));
  bad.close();
  chosen_files_ = {bad.fileName()};
  prompter_.Clear();
  Do("CommandLoad");
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"Invalid configuration file\r\nLine 3: \"abc\" is not a number (DCC address)"}));
  EXPECT_EQ(window_->Model().Pins[5].Description, "Entry home");
}

TEST_F(WindowTest, DeviceLibraryButtons) {
  QTemporaryDir dir;
  const QString mine = dir.filePath("mine.def");
  Do({"#2", "TextPAspOutput=11"});
  auto* list = Find<QComboBox>("cboDevice");
  const int shipped = list->count();
  ASSERT_GT(shipped, 0) << "the library beside the program is listed at start-up";
  const QString device = list->itemText(0);
  Do("cboDevice:" + device.toStdString());
  Do({"CommandPAspPreLoad", "TextDeviceDescription=Mine"});
  EXPECT_EQ(window_->Model().Pins[10].DeviceName, "Mine");
  chosen_files_ = {mine, mine, mine};
  Do("CommandSaveDevice");
  Do("CommandReloadDD", Qt::ShiftModifier);
  EXPECT_EQ(list->count(), shipped + 1);
  EXPECT_EQ(list->itemText(shipped), "Mine");
  Do("CommandReloadDD");
  EXPECT_EQ(list->count(), 1);
  EXPECT_EQ(dialogs_, (Texts{"cdMyDevice", "cdDevice", "cdDevice"}));
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

}  // namespace
}  // namespace pyra::test

#include <QComboBox>
#include <QProgressBar>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <tuple>

#include "AppTestSupport.h"
#include "link/Protocol.h"
#include "operations/ui/QueuedCommands.h"
#include "operations/ui/VerificationWindow.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

using DispatcherTest = SimulatorTest;

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return QObject::eventFilter(watched, event);
  }
};

std::string Tail(const QString& text, std::size_t size) {
  const std::string s = text.toStdString();
  return s.substr(s.size() - std::min(size, s.size()));
}

TEST_F(DispatcherTest, ReadAllShowsTheBusyLabelAtOnceThenFillsTheWindowOnTheNextTick) {
  auto* timer = window_->findChild<QTimer*>("Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 200);

  Module().Memory().dcc_address = {36, 1};  // 100
  Module().Memory().id_string = "Yard";
  Module().Memory().led_orange = 2;
  Module().Memory().serial_address = {1, 5};  // Lumo flexible addressing from 21
  Click("CommandReadAll");
  EXPECT_TRUE(Find("LabelAction")->isVisible());
  EXPECT_FALSE(Find("CommandCancel")->isVisible()) << "nothing runs before the tick";
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "ReadAll");
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 0);

  WaitForDispatch();
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  // Ticking "Lumo Flex-Addresss" from the module asks nothing.
  EXPECT_EQ(States({"LabelGenVersionString", "TextGenIDString", "TextGenDCCAddress",
                    "CheckLCOrange_1", "CheckGenLMaddr", "TextGenLMaddr"}),
            "3.2.0.17|Yard|100|1|1|21");
  EXPECT_TRUE(prompter_.Texts().empty());
  // The closing refresh: ranges and the pin's labels follow the address read.
  EXPECT_EQ(States({"LabelGenDCCOutput", "lblDCCAddress", "lblSerialAddress"}),
            "Output 397 .. 428|397|21");
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 11), 1) << "the enable map comes last";
}

TEST_F(DispatcherTest, ExpertReadPinFillsThePinEditorsAndVerifyAllPinsReports) {
  EnterExpertMode();
  Module().Memory().pins[0].aspect_mode = 3;
  Module().Memory().pins[0].initial_aspect = 2;
  Click("CommandReadPin");
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "ReadPin");
  WaitForDispatch();
  EXPECT_EQ(window_->Model().Pins[0].AspectMode, 3);
  EXPECT_EQ(window_->Model().Pins[0].InitialAspect, 3) << "aspect number + 1";
  // The editor shows four aspects.
  EXPECT_EQ(States({"OptionPAspConf_1", "TextPAspInit"}), "1|2");

  Run("CommandVerifyAllPins");
  ASSERT_NE(window_->Verification(), nullptr);
  EXPECT_EQ(Tail(TextOf("txtVerification"), 9), "Verify OK");
}

TEST_F(DispatcherTest, SecondPressWithinOnePeriodReplacesTheFirst) {
  Click("CommandReadAll");
  Click("CommandVerifyAll");
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "VerifyAll");
  WaitForDispatch();
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 0) << "Read All never ran";
  EXPECT_GT(Module().CountRequests(kCmdReadGeneral, kSubIDString), 0);
  ASSERT_NE(window_->Verification(), nullptr);
  EXPECT_TRUE(window_->Verification()->isVisible());
}

using DispatcherClosedPortTest = AppTest;

TEST_F(DispatcherClosedPortTest, VerifyAllWithThePortClosedAsksForAPortAndQueuesNothing) {
  Click("CommandVerifyAll");
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "Select communications port");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kNone);
  EXPECT_FALSE(prompter_.All()[0].question);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "");
}

TEST_F(DispatcherTest, VerifyAllStopsAtADifferenceAndTheKeptReportIsRefilledNextTime) {
  Module().Memory().led_green = 1;
  Run("CommandVerifyAll");
  VerificationWindow* report = window_->Verification();
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report, Find("frmPyraVerification"));
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(report->windowTitle(), "PyraConfig - Verification Report");
  EXPECT_EQ(report->windowModality(), Qt::ApplicationModal);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  std::string text = TextOf("txtVerification").toStdString();
  EXPECT_NE(text.find("\nGreen LED configuration does not compare\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Start EC Verification"), std::string::npos) << text;
  EXPECT_EQ(Tail(TextOf("txtVerification"), 21), "\nVerification Stopped");

  report->close();
  Module().Memory().led_green = 0;
  Run("CommandVerifyAll");
  EXPECT_EQ(window_->Verification(), report);
  text = TextOf("txtVerification").toStdString();
  EXPECT_EQ(text.rfind("Start General Settings Verification\n", 0), 0u) << text;
  EXPECT_EQ(Tail(TextOf("txtVerification"), 10), "\nVerify OK");
  EXPECT_EQ(text.find("Green LED"), std::string::npos) << "the log was cleared first";
}

TEST_F(DispatcherTest, WriteAllThenVerifyAllAgree) {
  Type("TextGenIDString", "Station");
  Type("TextGenDCCAddress", "77");
  Click("ChkGenHWCSource_2");
  Click("CheckGenSerialEnable");
  Run("CommandWriteAll");
  EXPECT_EQ(Module().Memory().id_string, "Station");
  EXPECT_EQ(Module().Memory().dcc_address, (std::array<int, 2>{13, 1}));
  EXPECT_EQ(Module().Memory().hardware_groups, (std::array<int, 4>{0, 0, 2, 0}));
  Run("CommandVerifyAll");
  EXPECT_EQ(Tail(TextOf("txtVerification"), 10), "\nVerify OK");
}

TEST_F(DispatcherTest, WhileReadAllRunsOnlyCancelIsUsableTheWindowIsDrawnAndShowsProgress) {
  // The third reply (the DCC options) comes short: its message holds the job mid-way.
  Module().InjectFault(sim::Fault::kShortReply, 3);
  RunHeld("CommandReadAll");
  auto* progress = Find<QProgressBar>("ProgressAction");
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(
      QTest::qWaitFor([progress] { return progress->text() == "Reading the DCC settings"; }, 30000))
      << progress->text().toStdString();
  EXPECT_EQ(progress->value(), 2) << "two steps done";
  EXPECT_GT(progress->maximum(), 2);
  ExpectVisible({"LabelAction", "ProgressAction", "CommandCancel"}, true);
  ExpectEnabled({"CommandCancel"}, true);
  ExpectEnabled({"SSTab_Main", "ComboPort", "cmdRefreshComm", "TextAddress", "CheckPyraBD",
                 "CommandReadAll", "CommandLoad", "CheckKLnumber", "CommandGenVersion"},
                false);

  PaintCounter painted;
  progress->installEventFilter(&painted);
  progress->update();
  EXPECT_TRUE(QTest::qWaitFor([&painted] { return painted.count > 0; }, 30000))
      << "the window is drawn while the job waits";
  progress->removeEventFilter(&painted);

  Click("CommandCancel");
  EXPECT_TRUE(window_->Jobs().CancelRequested());
  gate_.Open();
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"Received Address, cannot read DCC options",
                                      "Cancelled by the user"}));
  // The DCC step under way finished; the addressing that follows was never asked.
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 12), 1);
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 8), 0);
  ExpectVisible({"LabelAction", "ProgressAction", "CommandCancel"}, false);
  ExpectEnabled({"SSTab_Main", "ComboPort", "CommandReadAll", "CommandGenVersion"}, true);
}

constexpr char kLost[] =
    "The connection to the module was lost: the simulated line was disconnected";

// The port vanishing while the window runs "Read All": one clear message, the port closed, the
// port list filled anew, and a window that works again once a port is picked.
class PortLostTest : public SimulatorTest {
 protected:
  // Pulls the simulated line when the running operation reports `step`. The progress signal is
  // emitted on the link thread; a direct connection acts there, between two exchanges, as an
  // adapter pulled at that moment would.
  void UnplugAt(const QString& step) {
    auto* channel = static_cast<sim::SimChannel*>(IdleLink().Channel());
    ASSERT_NE(channel, nullptr);
    unplug_ = QObject::connect(
        &window_->Jobs(), &LinkThread::Progress, &window_->Jobs(),
        [this, channel, step](const QString& reported, int, int) {
          if (reported != step || unplugged_.exchange(true)) return;
          channel->Unplug();
        },
        Qt::DirectConnection);
  }
  void TearDown() override {
    QObject::disconnect(unplug_);
    SimulatorTest::TearDown();
  }

  QMetaObject::Connection unplug_;
  std::atomic<bool> unplugged_{false};
};

TEST_F(PortLostTest, ReadAllEndsWithOneMessageAndTheWindowWorksOnceThePortIsPickedAgain) {
  Module().Memory().id_string = "Gleis 7";
  Module().Memory().pins[6].aspect_mode = 3;  // read only if the line lasted to pin 7
  UnplugAt("Reading pin 5 of 32");
  system_ports_ = {"ttyFAKE0", "ttyUSB3"};  // an adapter came meanwhile

  Run("CommandReadAll");
  EXPECT_TRUE(unplugged_);
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kLost}));
  EXPECT_EQ(IdleLink().Channel(), nullptr) << "the port is closed";
  EXPECT_EQ(ItemsOf("ComboPort"), (QStringList{"ttyFAKE0", "ttyUSB3", "Simulator"}));
  EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1) << "nothing is selected";
  EXPECT_EQ(TextOf("ComboPort"), "");
  // What was read before the line went is shown; later pins were not read.
  EXPECT_EQ(TextOf("TextGenIDString"), "Gleis 7");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 0);
  ExpectEnabled({"ConnectionArea", "CommandReadAll"}, true);
  EXPECT_FALSE(Find("LabelAction")->isVisible());

  prompter_.Clear();
  ChoosePort("Simulator");
  Run("CommandReadAll");
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(window_->Model().Pins[6].AspectMode, 3) << "the whole module was read";
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 11), 1) << "up to the enable map";
  EXPECT_TRUE(IdleLink().PortOpen());
}

TEST_F(PortLostTest, PortFoundGoneByAJobThatSendsNothingIsClosedWithTheMessageToo) {
  static_cast<sim::SimChannel*>(IdleLink().Channel())->Unplug();
  // A job that does not talk to the module still finds the port gone once it ends.
  window_->Jobs().Run([](Link&) {});
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kLost}));
  EXPECT_EQ(IdleLink().Channel(), nullptr);
  EXPECT_EQ(TextOf("ComboPort"), "");
}

// A module holding values that no editor of the window would let a user type: a Wait of time 100
// and base 5 with a byte in its unused Par1, a Jump to aspect 20, an offset of 40, an undefined
// opcode, a level of 100, an initial aspect the pin's aspect mode does not have, seven addresses,
// eXtended Address 100, events 12..14, servo, PWM and input bytes outside their boxes' ranges.
void HoldValuesOutsideTheEditors(sim::ModuleMemory& m) {
  m.x_address = 100;
  sim::PinMemory& four = m.pins[0];
  four.aspect_mode = 3;
  four.initial_aspect = 9;
  four.steps[0][0] = {102, 0, 9, 100, 5};
  four.steps[0][1] = {39, 3, 127, 0, 0};
  four.steps[1][2] = {1, 2, 20, 30, 0};
  four.steps[2][4] = {25, 40, 100, 0, 0};
  four.steps[3][8] = {96, 50, 100, 70, 3};
  four.steps[3][7] = {19, 5, 6, 7, 8};
  sim::PinMemory& twelve = m.pins[1];
  twelve.aspect_mode = 2;
  twelve.steps[11][2] = {38, 0, 100, 0, 0};
  twelve.address_config = {7, 23, 64};
  m.pins[2].stored_block = {1, 64, 8, 64, 0, 0, 0, 0, 10, 0, 70, 0};
  m.pins[2].servo_initialised = true;
  m.pins[5].stored_block = {2, 10, 3, 40, 45, 31};
  m.pins[6].stored_block = {4, 0, 0, 50, 60};
  for (sim::PinMemory& pin : m.pins) pin.working_block = pin.stored_block;
  m.pins[4].event_on = {12, 16 + 13, 32 + 14, 48 + 15};
  m.pins[4].event_off = {14, 16 + 12, 32 + 15, 48 + 13};
}

auto Fields(const sim::PinMemory& p) {
  return std::tie(p.initial_aspect, p.event_on, p.event_off, p.aspect_mode, p.address_config,
                  p.stored_block, p.working_block, p.servo_initialised, p.steps);
}

void ExpectSameMemory(const sim::ModuleMemory& a, const sim::ModuleMemory& b) {
  EXPECT_TRUE(std::tie(a.id_string, a.hardware_groups, a.x_address, a.group_mask, a.dcc_address,
                       a.dcc_options, a.led_green, a.led_orange, a.serial_address, a.enable_map,
                       a.xdcc_address, a.serial_port) ==
              std::tie(b.id_string, b.hardware_groups, b.x_address, b.group_mask, b.dcc_address,
                       b.dcc_options, b.led_green, b.led_orange, b.serial_address, b.enable_map,
                       b.xdcc_address, b.serial_port))
      << "x_address " << a.x_address << " / " << b.x_address;
  for (std::size_t p = 0; p < a.pins.size(); ++p) {
    EXPECT_TRUE(Fields(a.pins[p]) == Fields(b.pins[p])) << "pin " << p;
  }
}

class UntouchedValuesTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    HoldValuesOutsideTheEditors(Module().Memory());
    before_ = Module().Memory();
    SelectTab(MainWindow::kTabDeviceConfiguration);
    // Counts of 1 hide their boxes while "Show Details" is unticked, from the start on.
    ExpectVisible({"TextPaspDCCn", "TextPAspXDCCn", "TextPaspLumon", "LabelPASPAdrCnt"}, false);
    Run("CommandReadAll");
    Click("CheckPAspShowDetails");
  }

  void Spin(const char* updown, bool up) {
    QTest::mouseClick(Find(updown)->findChild<QWidget*>(up ? "up" : "down"), Qt::LeftButton);
  }

  sim::ModuleMemory before_;
};

TEST_F(UntouchedValuesTest, BrowsingEveryPinAndAspectThenWriteAllWritesBackWhatWasRead) {
  for (int pin = 0; pin < kPinCount; ++pin) {
    if (Find("TextPAspAspect")->isVisible()) {
      for (int i = 0; i < 12; ++i) Spin("UpDownPAspAspect", true);
      for (int i = 0; i < 12; ++i) Spin("UpDownPAspAspect", false);
    }
    Spin("UpDownPAspOutput", true);
  }
  SelectTab(MainWindow::kTabEventControl);
  for (int pin = 0; pin < kPinCount; ++pin) Spin("UpDownECpin", true);
  SelectTab(MainWindow::kTabGeneral);
  Run("CommandWriteAll");
  ExpectSameMemory(Module().Memory(), before_);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(UntouchedValuesTest, ChoosingAnInstructionAndQueueingACommandChangesOnlyThatRow) {
  ChooseItem("ComboPAspInst_2", "Wait");  // pin 0, aspect 0: the Wait of 100 is row 0
  Run("CommandWriteAll");
  before_.pins[0].steps[0][2] = {102, 0, 0, 0, 0};
  ExpectSameMemory(Module().Memory(), before_);
}

}  // namespace
}  // namespace pyra::test

#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "link/Protocol.h"
#include "operations/ui/QueuedCommands.h"
#include "operations/ui/VerificationWindow.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

using DispatcherTest = AppTest;

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

TEST_F(DispatcherTest, TimerOneTicksEveryTwoHundredMilliseconds) {
  auto* timer = window_->findChild<QTimer*>("Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 200);
}

TEST_F(DispatcherTest, ReadAllShowsTheBusyLabelAtOnceThenFillsTheWindow) {
  ChoosePort("Simulator");
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
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard");
  EXPECT_EQ(TextOf("TextGenDCCAddress"), "100");
  EXPECT_TRUE(IsChecked("CheckLCOrange_1"));
  // The closing refresh: ranges and the pin's labels follow the address read.
  EXPECT_EQ(TextOf("LabelGenDCCOutput"), "Output 397 .. 428");
  EXPECT_EQ(TextOf("lblDCCAddress"), "397");
  EXPECT_EQ(TextOf("lblSerialAddress"), "21");
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 11), 1) << "the enable map comes last";
  // Ticking "Lumo Flex-Addresss" from the module asks nothing.
  EXPECT_TRUE(IsChecked("CheckGenLMaddr"));
  EXPECT_EQ(TextOf("TextGenLMaddr"), "21");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(DispatcherTest, ReadPinInExpertModeFillsThePinEditorsFromTheModule) {
  ChoosePort("Simulator");
  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  Module().Memory().pins[0].aspect_mode = 3;
  Module().Memory().pins[0].initial_aspect = 2;
  Click("CommandReadPin");
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "ReadPin");
  WaitForDispatch();
  EXPECT_EQ(window_->Model().Pins[0].AspectMode, 3);
  EXPECT_EQ(window_->Model().Pins[0].InitialAspect, 3) << "aspect number + 1";
  EXPECT_TRUE(IsChecked("OptionPAspConf_1")) << "the editor shows four aspects";
  EXPECT_EQ(TextOf("TextPAspInit"), "2");
}

TEST_F(DispatcherTest, VerifyAllPinsEndsWithItsReport) {
  ChoosePort("Simulator");
  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  Click("CommandVerifyAllPins");
  WaitForDispatch();
  ASSERT_NE(window_->Verification(), nullptr);
  EXPECT_TRUE(TextOf("txtVerification").endsWith("Verify OK"));
}

TEST_F(DispatcherTest, SecondPressWithinOnePeriodReplacesTheFirst) {
  ChoosePort("Simulator");
  Click("CommandReadAll");
  Click("CommandVerifyAll");
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "VerifyAll");
  WaitForDispatch();
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, kSubVersion), 0) << "Read All never ran";
  EXPECT_GT(Module().CountRequests(kCmdReadGeneral, kSubIDString), 0);
  ASSERT_NE(window_->Verification(), nullptr);
  EXPECT_TRUE(window_->Verification()->isVisible());
}

TEST_F(DispatcherTest, VerifyAllWithThePortClosedAsksForAPortAndQueuesNothing) {
  Click("CommandVerifyAll");
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "Select communications port");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kNone);
  EXPECT_FALSE(prompter_.All()[0].question);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_EQ(window_->Dispatcher().PendingCommand(), "");
}

TEST_F(DispatcherTest, VerifyAllOfAFreshModuleEndsVerifyOkInTheModalReport) {
  ChoosePort("Simulator");
  Click("CommandVerifyAll");
  WaitForDispatch();
  auto* report = Find<QWidget>("frmPyraVerification");
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(report->windowTitle(), "PyraConfig - Verification Report");
  EXPECT_EQ(report->windowModality(), Qt::ApplicationModal);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  const std::string text = TextOf("txtVerification").toStdString();
  EXPECT_EQ(text.rfind("Start General Settings Verification\n", 0), 0u) << text;
  ASSERT_GE(text.size(), 9u);
  EXPECT_EQ(text.substr(text.size() - 10), "\nVerify OK") << text;
}

TEST_F(DispatcherTest, VerifyAllStopsAtADifferingGeneralSetting) {
  ChoosePort("Simulator");
  Module().Memory().led_green = 1;
  Click("CommandVerifyAll");
  WaitForDispatch();
  const std::string text = TextOf("txtVerification").toStdString();
  EXPECT_NE(text.find("\nGreen LED configuration does not compare\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Start EC Verification"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 21), "\nVerification Stopped") << text;
}

TEST_F(DispatcherTest, ReportWindowIsKeptAndRefilledByTheNextVerification) {
  ChoosePort("Simulator");
  Module().Memory().led_green = 1;
  Click("CommandVerifyAll");
  WaitForDispatch();
  VerificationWindow* first = window_->Verification();
  ASSERT_NE(first, nullptr);
  first->close();
  Module().Memory().led_green = 0;
  Click("CommandVerifyAll");
  WaitForDispatch();
  EXPECT_EQ(window_->Verification(), first);
  EXPECT_EQ(TextOf("txtVerification").count("Green LED"), 0) << "the log was cleared first";
}

TEST_F(DispatcherTest, WriteAllThenVerifyAllAgree) {
  ChoosePort("Simulator");
  Type("TextGenIDString", "Station");
  Type("TextGenDCCAddress", "77");
  Click("ChkGenHWCSource_2");
  Click("CheckGenSerialEnable");
  Click("CommandWriteAll");
  WaitForDispatch();
  EXPECT_EQ(Module().Memory().id_string, "Station");
  EXPECT_EQ(Module().Memory().dcc_address, (std::array<int, 2>{13, 1}));
  EXPECT_EQ(Module().Memory().hardware_groups, (std::array<int, 4>{0, 0, 2, 0}));
  Click("CommandVerifyAll");
  WaitForDispatch();
  const std::string text = TextOf("txtVerification").toStdString();
  EXPECT_EQ(text.substr(text.size() - 10), "\nVerify OK") << text;
}

TEST_F(DispatcherTest, WhileReadAllRunsTheWindowIsDrawnShowsProgressAndCancelStopsIt) {
  ChoosePort("Simulator");
  // The third reply (the DCC options) comes short: its message holds the job mid-way.
  Module().InjectFault(sim::Fault::kShortReply, 3);
  gate_.Close();
  Click("CommandReadAll");
  ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, 30000));
  EXPECT_TRUE(window_->Jobs().Busy());

  auto* progress = Find<QProgressBar>("ProgressAction");
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(
      QTest::qWaitFor([progress] { return progress->text() == "Reading the DCC settings"; }, 30000))
      << progress->text().toStdString();
  EXPECT_EQ(progress->value(), 2) << "two steps done";
  EXPECT_GT(progress->maximum(), 2);
  EXPECT_TRUE(Find("LabelAction")->isVisible());
  EXPECT_TRUE(progress->isVisible());

  PaintCounter painted;
  progress->installEventFilter(&painted);
  progress->update();
  EXPECT_TRUE(QTest::qWaitFor([&painted] { return painted.count > 0; }, 30000))
      << "the window is drawn while the job waits";
  progress->removeEventFilter(&painted);

  Click("CommandCancel");
  gate_.Open();
  WaitIdle();
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"Received Address, cannot read DCC options",
                                      "Cancelled by the user"}));
  // The DCC step under way finished; the addressing that follows was never asked.
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 12), 1);
  EXPECT_EQ(Module().CountRequests(kCmdReadGeneral, 8), 0);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_FALSE(progress->isVisible());
}

TEST_F(DispatcherTest, ReadAllShowsWhichPinItIsReading) {
  ChoosePort("Simulator");
  // Past the general settings (twelve replies) the pins are read; a silent reply holds the job.
  Module().InjectFault(sim::Fault::kNoReply, 24);
  gate_.Close();
  Click("CommandReadAll");
  ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, 30000));
  auto* progress = Find<QProgressBar>("ProgressAction");
  ASSERT_NE(progress, nullptr);
  const QRegularExpression pin_of_32("pin \\d+ of 32");
  ASSERT_TRUE(QTest::qWaitFor([&] { return pin_of_32.match(progress->text()).hasMatch(); }, 30000))
      << progress->text().toStdString();
  gate_.Open();
  WaitIdle();
  EXPECT_EQ(prompter_.Last(), "No response received, resetting bidirectional communication");
}

}  // namespace
}  // namespace pyra::test

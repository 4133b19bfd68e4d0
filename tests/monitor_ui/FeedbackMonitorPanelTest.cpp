#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>
#include <future>
#include <string>

#include "MonitorUiTestSupport.h"
#include "monitor/ui/FeedbackMonitorPanel.h"

namespace pyra::test {
namespace {

using std::chrono::milliseconds;

constexpr char kMonitor[] = "CommandFBM_1";

class FeedbackMonitorPanelTest : public MonitorUiTest {
 protected:
  void SetUp() override {
    MonitorUiTest::SetUp();
    HoldRealTicks();
  }
  // The module reports 1, 2, 3, 4 whatever the clock says.
  void SteadyFeedback() {
    Module().SetTogglingInput(std::nullopt);
    Module().SetFeedback({1, 2, 3, 4});
  }
  bool Polling() { return Find<QTimer>("Timer2")->isActive(); }
  bool CaretAtEnd() const { return Find<QPlainTextEdit>("textFBM")->textCursor().atEnd(); }
};

TEST_F(FeedbackMonitorPanelTest, ListsEveryPollUntilStopTakesTheFocus) {
  SteadyFeedback();
  Click(kMonitor);
  EXPECT_TRUE(Find<QPushButton>(kMonitor)->hasFocus());
  EXPECT_TRUE(Polling());
  Tick();
  Tick();
  Click("CommandFBM_2");
  EXPECT_FALSE(Polling());
  Tick();
  EXPECT_EQ(MonitorText(),
            "Start Monitoring\n<1> <2> <3> <4> \n<1> <2> <3> <4> \nMonitoring Stopped\n");
  EXPECT_EQ(Polls(), 2) << "a stopped monitor does not poll";
  EXPECT_TRUE(CaretAtEnd());
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(FeedbackMonitorPanelTest, TheSimulatedInputShowsEveryOtherHalfSecond) {
  Click(kMonitor);
  Tick();
  clock_.Advance(milliseconds(500));
  Tick();
  clock_.Advance(milliseconds(500));
  Tick();
  EXPECT_EQ(MonitorText(),
            "Start Monitoring\n<0> <0> <0> <0> \n<1> <0> <0> <0> \n<0> <0> <0> <0> \n");
}

TEST_F(FeedbackMonitorPanelTest, SecondMonitorClickDoesNotAnnounceAgain) {
  Click(kMonitor);
  Click(kMonitor);
  EXPECT_EQ(MonitorText(), "Start Monitoring\n");
  EXPECT_TRUE(Polling());
}

TEST_F(FeedbackMonitorPanelTest, MonitorWithThePortClosedAsksForAPortAndStaysStopped) {
  OnLink([](Link& link) { link.Close(); });
  Click(kMonitor);
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Select Comm-port"}));
  EXPECT_FALSE(Polling());
  Tick();
  EXPECT_EQ(MonitorText(), "");
}

// "Clear" takes the focus from "Monitor" before its own click empties the list.
TEST_F(FeedbackMonitorPanelTest, ClearWhileRunningStopsThenEmpties) {
  Click(kMonitor);
  Tick();
  Click("CommandFBM_0");
  EXPECT_EQ(MonitorText(), "");
  EXPECT_FALSE(Polling());
  Tick();
  EXPECT_EQ(Polls(), 1);
  Click(kMonitor);
  EXPECT_EQ(MonitorText(), "Start Monitoring\n") << "a new run announces itself again";
}

TEST_F(FeedbackMonitorPanelTest, TypingIntoAnotherBoxStopsTheMonitor) {
  Click(kMonitor);
  Type("TextPyraSendAspectOutput", "3");
  EXPECT_FALSE(Polling());
  EXPECT_EQ(MonitorText(), "Start Monitoring\nMonitoring Stopped\n");
}

TEST_F(FeedbackMonitorPanelTest, NoPollStartsWhileAnotherJobHoldsTheLink) {
  Click(kMonitor);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  jobs_->Run([released](Link&) { released.wait(); });
  FireTimer2();
  FireTimer2();
  release.set_value();
  WaitIdle();
  EXPECT_EQ(Polls(), 0) << "the ticks were dropped, not queued";
  EXPECT_FALSE(Find<FeedbackMonitorPanel>("FrameFBM")->Monitor().Polling());
  Tick();
  EXPECT_EQ(Polls(), 1);
}

// A poll runner that keeps the poll instead of running it: the link looks idle meanwhile, as it
// does to a runner that does not show the busy state.
TEST_F(FeedbackMonitorPanelTest, OnlyOnePollIsUnderWayAtATime) {
  SteadyFeedback();
  std::vector<std::pair<LinkJobs::Job, LinkJobs::Done>> held;
  panel_->Monitor().SetPollRunner(
      [&held](LinkJobs::Job job, LinkJobs::Done done) { held.emplace_back(job, done); });
  Click(kMonitor);
  FireTimer2();
  FireTimer2();
  ASSERT_EQ(held.size(), 1u);
  jobs_->Run(held[0].first, held[0].second);
  WaitIdle();
  FireTimer2();
  EXPECT_EQ(held.size(), 2u) << "the next tick polls again";
  EXPECT_EQ(MonitorText(), "Start Monitoring\n<1> <2> <3> <4> \n");
  jobs_->Run(held[1].first, held[1].second);
}

TEST_F(FeedbackMonitorPanelTest, WithoutBidirectionalModeNothingIsListed) {
  OnLink([](Link& link) { link.State().Bidirectional = false; });
  Click(kMonitor);
  Tick();
  EXPECT_EQ(Polls(), 1);
  EXPECT_EQ(MonitorText(), "Start Monitoring\n");
}

TEST_F(FeedbackMonitorPanelTest, NewLineBringsTheCaretBackToTheEnd) {
  SteadyFeedback();
  Click(kMonitor);
  Tick();
  auto* list = Find<QPlainTextEdit>("textFBM");
  QTextCursor start = list->textCursor();
  start.movePosition(QTextCursor::Start);
  list->setTextCursor(start);
  ASSERT_FALSE(CaretAtEnd());
  Tick();
  EXPECT_TRUE(CaretAtEnd());
  EXPECT_TRUE(Find<QPushButton>(kMonitor)->hasFocus()) << "looking at the list keeps it running";
}

// The window takes all input away while a job runs, and with it the focus of "Monitor"; polls
// must therefore reach the link without that busy state. This runner exchanges on the idle link
// at once, which the manual clock makes safe here.
TEST_F(MonitorUiTest, QuietPollsKeepTheMonitorRunningInAWindowThatDisablesWhileBusy) {
  QWidget window;
  auto* panel = new TestTabPanel(
      PanelContext{*jobs_, model_, prompter_}, [this] { return jobs_->IdleLink().PortOpen(); },
      &window);
  QObject::connect(jobs_.get(), &LinkThread::BusyChanged, &window,
                   [&window](bool busy) { window.setEnabled(!busy); });
  panel->Monitor().SetPollRunner([this](LinkJobs::Job job, LinkJobs::Done done) {
    job(jobs_->IdleLink());
    QTimer::singleShot(0, jobs_.get(), done);
  });
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* timer = window.findChild<QTimer*>("Timer2");
  timer->setInterval(std::chrono::hours(1));
  QTest::mouseClick(window.findChild<QPushButton*>(kMonitor), Qt::LeftButton);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
    while (panel->Monitor().Monitor().Polling()) QCoreApplication::processEvents();
  }
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("textFBM")->toPlainText().toStdString(),
            "Start Monitoring\n<0> <0> <0> <0> \n<0> <0> <0> <0> \n<0> <0> <0> <0> \n");
}

// The one test on the real timer: it polls on its own, every 100 ms.
TEST_F(MonitorUiTest, Timer2PollsByItselfWhileMonitorHasTheFocus) {
  auto* timer = Find<QTimer>("Timer2");
  EXPECT_EQ(timer->intervalAsDuration(), milliseconds(100));
  EXPECT_FALSE(timer->isActive()) << "stopped at start";
  Click(kMonitor);
  EXPECT_TRUE(timer->isActive());
  auto poll_lines = [this] {
    const std::string text = MonitorText();
    return std::count(text.begin(), text.end(), '<') / 4;
  };
  for (int waited = 0; poll_lines() < 2 && waited < 10000; waited += 20) QTest::qWait(20);
  Click("CommandFBM_2");
  WaitIdle();
  EXPECT_GE(poll_lines(), 2);
  EXPECT_EQ(poll_lines(), Polls()) << "every poll listed once";
}

}  // namespace
}  // namespace pyra::test

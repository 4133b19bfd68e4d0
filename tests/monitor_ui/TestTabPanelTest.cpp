// The "Test" tab driven through its controls against the simulated module: every button once,
// and what the module took or the feedback monitor listed.
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <future>

#include "monitor/ui/FeedbackMonitorPanel.h"
#include "monitor/ui/TestTabPanel.h"
#include "support/PanelUiTest.h"
#include "support/QtApplicationEnvironment.h"

namespace pyra::test {
namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("monitor_tests");

class TestTabPanelTest : public PanelUiTest<TestTabPanel> {
 protected:
  void SetUp() override {
    PanelUiTest::SetUp();
    Show(std::make_unique<TestTabPanel>(PanelContext{*jobs_, model_, prompter_},
                                        [this] { return jobs_->IdleLink().PortOpen(); }));
    // Timer2 fires only when the test says, so the list holds exactly the polls asked for.
    Find<QTimer>("Timer2")->setInterval(std::chrono::hours(1));
  }
  void Press(const QString& name) {
    Click(name);
    WaitIdle();
  }
  void Tick() {
    ASSERT_TRUE(QMetaObject::invokeMethod(Find<QTimer>("Timer2"), "timeout"));
    WaitIdle();
  }
  std::string List() { return Find<QPlainTextEdit>("textFBM")->toPlainText().toStdString(); }
  long Polls() {
    return std::ranges::count_if(Module().Requests(),
                                 [](const auto& r) { return r.payload.empty(); });
  }
};

TEST_F(TestTabPanelTest, EveryButtonSendsItsCommands) {
  auto press = [this](const char* name, int i) { Press(QString("%1_%2").arg(name).arg(i)); };
  TypeOver("TextPyraSendAspectOutput", "12");
  for (int i : {0, 1, 2, 3, 4, 5, 6, 4}) press("CommandPyraSetAspect", i);
  for (int i = 0; i < kMatrixBoxes; ++i) Click(QString("ChkMatrix_%1").arg(i));
  press("CmdSetMatrix", 5);
  for (int i = 0; i < kMatrixBoxes - 1; ++i) Click(QString("ChkMatrix_%1").arg(i));
  for (int i = 0; i < kMatrixButtons; ++i) press("CmdSetMatrix", i);
  for (int i = 0; i < kLumoParameterBoxes; ++i)
    TypeOver(QString("TextLumoParameter_%1").arg(i), QStringList{"9", "4.6", "30"}[i]);
  Press("CommandSendLumo");
  for (int i : {0, 1}) press("CommandReset", i);
  for (int i : {0, 1}) press("Command_Clr", i);
  for (int i : {0, 1, 2}) press("Command_LT", i);
  std::ifstream golden(std::string(PYRA_TEST_DATA) + "/monitor/test_tab.txt");
  std::vector<std::string> expected, received;
  for (std::string line; std::getline(golden, line);)
    if (line[0] != '#') expected.push_back(line);
  for (const sim::LayoutCommand& c : Module().LayoutCommands()) received.push_back(c.text);
  EXPECT_EQ(received, expected);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

// "Stop", "Clear" and any other control stop the monitor by taking the focus from "Monitor".
TEST_F(TestTabPanelTest, MonitorListsEachPollWhileItHasTheFocus) {
  Click("CommandFBM_1");
  Click("CommandFBM_1");
  Tick();
  Click("CommandFBM_2");
  Tick();
  Click("CommandFBM_1");
  Tick();
  TypeOver("TextPyraSendAspectOutput", "3");
  EXPECT_EQ(List(),
            "Start Monitoring\n<0> <0> <0> <0> \nMonitoring Stopped\n"
            "Start Monitoring\n<0> <0> <0> <0> \nMonitoring Stopped\n");
  EXPECT_TRUE(Find<QPlainTextEdit>("textFBM")->textCursor().atEnd());
  Click("CommandFBM_1");
  Click("CommandFBM_0");
  Tick();
  EXPECT_EQ(List(), "");
  EXPECT_EQ(Polls(), 2);

  jobs_->Run([](Link& link) { link.Close(); });
  WaitIdle();
  Click("CommandFBM_1");
  Tick();
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Select Comm-port"});
  EXPECT_EQ(List(), "");
}

// A tick that finds the link taken by another job is dropped, and only one poll is under way at
// a time even when the link looks idle meanwhile.
TEST_F(TestTabPanelTest, PollsNeverQueueUp) {
  Click("CommandFBM_1");
  std::promise<void> release;
  jobs_->Run([done = release.get_future().share()](Link&) { done.wait(); });
  QMetaObject::invokeMethod(Find<QTimer>("Timer2"), "timeout");
  release.set_value();
  WaitIdle();
  EXPECT_EQ(Polls(), 0);
  std::vector<std::pair<LinkJobs::Job, LinkJobs::Done>> held;
  panel_->Monitor().SetPollRunner([&held](auto job, auto done) { held.emplace_back(job, done); });
  Tick();
  Tick();
  ASSERT_EQ(held.size(), 1u);
  jobs_->Run(held[0].first, held[0].second);
  WaitIdle();
  EXPECT_EQ(List(), "Start Monitoring\n<0> <0> <0> <0> \n");
}

}  // namespace
}  // namespace pyra::test

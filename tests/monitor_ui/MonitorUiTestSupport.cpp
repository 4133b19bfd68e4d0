#include "MonitorUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("monitor_ui_tests");

}  // namespace

void MonitorUiTest::SetUp() {
  PanelUiTest::SetUp();
  Show(std::make_unique<TestTabPanel>(PanelContext{*jobs_, model_, prompter_},
                                      [this] { return jobs_->IdleLink().PortOpen(); }));
}

void MonitorUiTest::Press(const QString& name) {
  Click(name);
  WaitIdle();
}

void MonitorUiTest::OnLink(const std::function<void(Link&)>& job) {
  jobs_->Run(job);
  WaitIdle();
}

void MonitorUiTest::HoldRealTicks() {
  auto* timer = Find<QTimer>("Timer2");
  ASSERT_NE(timer, nullptr);
  timer->setInterval(std::chrono::hours(1));
}

void MonitorUiTest::FireTimer2() {
  auto* timer = Find<QTimer>("Timer2");
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

void MonitorUiTest::Tick() {
  FireTimer2();
  WaitIdle();
}

std::string MonitorUiTest::MonitorText() const {
  return Find<QPlainTextEdit>("textFBM")->toPlainText().toStdString();
}

int MonitorUiTest::Polls() {
  int polls = 0;
  for (const sim::SimModule::Request& r : Module().Requests()) {
    if (r.payload.empty()) ++polls;
  }
  return polls;
}

}  // namespace pyra::test

#include "MonitorUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("monitor_ui_tests");

constexpr int kGuardMs = 30000;
constexpr int kBitRate = 19200;

}  // namespace

void MonitorUiTest::SetUp() {
  jobs_ = std::make_unique<LinkThread>(clock_, prompter_);
  OnLink([this](Link& link) { link.Open(simulator_.Connect(clock_, kBitRate)); });
  panel_ = std::make_unique<TestTabPanel>(PanelContext{*jobs_, model_, prompter_},
                                          [this] { return jobs_->IdleLink().PortOpen(); });
  panel_->show();
  panel_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel_.get()));
}

void MonitorUiTest::TearDown() {
  WaitIdle();
  panel_.reset();
  jobs_.reset();
}

void MonitorUiTest::WaitIdle() {
  if (!jobs_->Busy()) return;
  QEventLoop loop;
  QObject::connect(jobs_.get(), &LinkThread::BusyChanged, &loop, [&loop](bool busy) {
    if (!busy) loop.quit();
  });
  QTimer::singleShot(kGuardMs, &loop, &QEventLoop::quit);
  loop.exec();
  ASSERT_FALSE(jobs_->Busy()) << "a link job did not finish";
}

void MonitorUiTest::Click(const QString& name) {
  auto* button = Find<QAbstractButton>(name);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << name.toStdString() << " is hidden";
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void MonitorUiTest::Press(const QString& name) {
  Click(name);
  WaitIdle();
}

void MonitorUiTest::Type(const QString& name, const QString& text) {
  auto* box = Find<QLineEdit>(name);
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
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

#include "PinsUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QTest>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("pins_ui_tests");

constexpr int kGuardMs = 30000;
constexpr int kBitRate = 19200;

}  // namespace

void PinsUiTest::SetUp() {
  jobs_ = std::make_unique<LinkThread>(clock_, prompter_);
  jobs_->Run([this](Link& link) { link.Open(simulator_.Connect(clock_, kBitRate)); });
  WaitIdle();
  panel_ = std::make_unique<DevicePanel>(PanelContext{*jobs_, model_, prompter_});
  panel_->show();
  panel_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel_.get()));
}

void PinsUiTest::TearDown() {
  WaitIdle();
  panel_.reset();
  jobs_.reset();
}

void PinsUiTest::WaitIdle() {
  if (!jobs_->Busy()) return;
  QEventLoop loop;
  QObject::connect(jobs_.get(), &LinkThread::BusyChanged, &loop, [&loop](bool busy) {
    if (!busy) loop.quit();
  });
  QTimer::singleShot(kGuardMs, &loop, &QEventLoop::quit);
  loop.exec();
  ASSERT_FALSE(jobs_->Busy()) << "a link job did not finish";
}

void PinsUiTest::Click(const QString& name) {
  auto* button = Find<QAbstractButton>(name);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << name.toStdString() << " is hidden";
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void PinsUiTest::Type(const QString& name, const QString& text) {
  auto* box = Find<QLineEdit>(name);
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
  QTest::keyClick(box, Qt::Key_Return);
}

void PinsUiTest::ChooseInstruction(int row, int code) {
  auto* combo = Find<QComboBox>(QString("ComboPAspInst_%1").arg(row));
  ASSERT_NE(combo, nullptr);
  const int index = combo->findData(code);
  ASSERT_GE(index, 0) << "code " << code << " is not offered";
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  view->scrollTo(view->model()->index(index, 0));
  const QRect item = view->visualRect(view->model()->index(index, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  ASSERT_EQ(combo->currentData().toInt(), code);
}

void PinsUiTest::TickShowDetails() {
  auto* details = Find<QCheckBox>("CheckPAspShowDetails");
  ASSERT_NE(details, nullptr);
  if (!details->isChecked()) Click("CheckPAspShowDetails");
  ASSERT_TRUE(details->isChecked());
}

}  // namespace pyra::test

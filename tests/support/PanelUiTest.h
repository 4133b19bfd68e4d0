#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <QtTest/QTest>
#include <memory>

#include "app/LinkWorker.h"
#include "link/Clock.h"
#include "model/Configuration.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// One tab's panel shown on its own, bound to a fresh configuration and a link thread on a manual
// clock whose port is the simulated module. The deriving fixture builds the panel in its SetUp
// and hands it to Show.
template <class Panel>
class PanelUiTest : public ::testing::Test {
 protected:
  static constexpr int kGuardMs = 30000;
  static constexpr int kBitRate = 19200;

  void SetUp() override {
    jobs_ = std::make_unique<LinkThread>(clock_, prompter_);
    jobs_->Run([this](Link& link) { link.Open(simulator_.Connect(clock_, kBitRate)); });
    WaitIdle();
  }

  void TearDown() override {
    WaitIdle();
    panel_.reset();
    jobs_.reset();
  }

  void Show(std::unique_ptr<Panel> panel) {
    panel_ = std::move(panel);
    panel_->show();
    panel_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel_.get()));
  }

  template <class T = QWidget>
  T* Find(const QString& name) const {
    T* found = panel_->template findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
  }

  // Spins the event loop until no link job is queued or running. Quiet jobs (a live slider's)
  // end without a BusyChanged, so the state itself is watched.
  void WaitIdle() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !jobs_->Busy(); }, kGuardMs))
        << "a link job did not finish";
  }

  // A left click near the left end, where even a stretched check box or option button has its
  // box; it moves the keyboard focus as a user's click does.
  void Click(const QString& name) {
    auto* button = Find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible()) << name.toStdString() << " is hidden";
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
  }

  // Replaces the text of a box by typing.
  void TypeOver(const QString& name, const QString& text) {
    auto* box = Find<QLineEdit>(name);
    ASSERT_NE(box, nullptr);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
  }

  sim::SimModule& Module() { return simulator_.Module(); }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  sim::Simulator simulator_;
  Configuration model_ = DefaultConfiguration();
  std::unique_ptr<LinkThread> jobs_;
  std::unique_ptr<Panel> panel_;
};

}  // namespace pyra::test

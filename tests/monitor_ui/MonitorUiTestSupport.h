#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/LinkWorker.h"
#include "link/Clock.h"
#include "model/Configuration.h"
#include "monitor/ui/TestTabPanel.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// A shown "Test" tab on its own, on a link thread with a manual clock whose port is the simulated
// module. Bidirectional mode is on, as after start-up.
class MonitorUiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <class T = QWidget>
  T* Find(const QString& name) const {
    T* found = panel_->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
  }

  // Spins the event loop until no link job is queued or running.
  void WaitIdle();
  // A click of the left mouse button, which also moves the keyboard focus as a user's click does.
  void Click(const QString& name);
  // Clicks and waits for the link job the click started.
  void Press(const QString& name);
  // Replaces the text of a box by typing.
  void Type(const QString& name, const QString& text);
  // Runs a link job now and waits for it.
  void OnLink(const std::function<void(Link&)>& job);

  // Lets Timer2 fire only when the test says (Tick), so the list holds exactly the polls asked
  // for however slowly the machine runs.
  void HoldRealTicks();
  // What Timer2's expiry does, at once; Tick also waits for the poll it started.
  void FireTimer2();
  void Tick();
  // textFBM as shown.
  std::string MonitorText() const;
  // Empty command messages the module has received.
  int Polls();

  sim::SimModule& Module() { return simulator_.Module(); }
  const std::vector<sim::LayoutCommand>& Layout() { return Module().LayoutCommands(); }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  sim::Simulator simulator_;
  Configuration model_ = DefaultConfiguration();
  std::unique_ptr<LinkThread> jobs_;
  std::unique_ptr<TestTabPanel> panel_;
};

}  // namespace pyra::test

#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <memory>

#include "app/LinkWorker.h"
#include "link/Clock.h"
#include "model/Configuration.h"
#include "pins/ui/DevicePanel.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// A shown DevicePanel on its own, bound to a fresh configuration and a link thread on a manual
// clock whose port is the simulated module.
class PinsUiTest : public ::testing::Test {
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
  // Clicks near the left end, where even a stretched check box or option button has its box.
  void Click(const QString& name);
  // Replaces the text of a box by typing, then presses Return.
  void Type(const QString& name, const QString& text);
  // Picks the entry of an instruction list whose item data is `code`, through its popup.
  void ChooseInstruction(int row, int code);
  void TickShowDetails();
  // Makes `pin` the current one and shows it with its details.
  void ShowPin(int pin) {
    model_.CurrentPin = pin;
    Refresh();
    TickShowDetails();
  }
  // Model -> panel, as after a read.
  void Refresh() { panel_->Refresh(); }
  sim::SimModule& Module() { return simulator_.Module(); }
  PinRecord& Pin(int pin) { return model_.Pins[pin]; }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  sim::Simulator simulator_;
  Configuration model_ = DefaultConfiguration();
  std::unique_ptr<LinkThread> jobs_;
  std::unique_ptr<DevicePanel> panel_;
};

}  // namespace pyra::test

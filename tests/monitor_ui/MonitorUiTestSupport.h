#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/ui/TestTabPanel.h"
#include "support/PanelUiTest.h"

namespace pyra::test {

// A shown "Test" tab on its own. Bidirectional mode is on, as after start-up.
class MonitorUiTest : public PanelUiTest<TestTabPanel> {
 protected:
  void SetUp() override;

  // Clicks and waits for the link job the click started.
  void Press(const QString& name);
  void Type(const QString& name, const QString& text) { TypeOver(name, text); }
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

  const std::vector<sim::LayoutCommand>& Layout() { return Module().LayoutCommands(); }
};

}  // namespace pyra::test

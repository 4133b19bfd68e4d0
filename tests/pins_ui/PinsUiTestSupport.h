#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "pins/ui/DevicePanel.h"
#include "support/PanelUiTest.h"

namespace pyra::test {

// A shown DevicePanel on its own.
class PinsUiTest : public PanelUiTest<DevicePanel> {
 protected:
  void SetUp() override;

  // Replaces the text of a box by typing, then presses Return.
  void Type(const QString& name, const QString& text) {
    TypeOver(name, text);
    if (auto* box = Find<QLineEdit>(name)) QTest::keyClick(box, Qt::Key_Return);
  }
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
  PinRecord& Pin(int pin) { return model_.Pins[pin]; }
};

}  // namespace pyra::test

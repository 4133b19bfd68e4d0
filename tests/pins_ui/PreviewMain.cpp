// Renders the "Pyra Device Configuration" tab of a 1280 x 900 window into a PNG, with the pin
// editors placed beside the window's "Addresses" group the way the window places them.
//   pins_ui_preview <file.png> [expert] [servo|pwm|input|twelve]
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QTabWidget>
#include <QtTest/QTest>

#include "app/MainWindow.h"
#include "pins/ui/DevicePanel.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  pyra::MainWindow window;
  window.resize(1280, 900);
  QWidget* page = window.TabPage(pyra::MainWindow::kTabDeviceConfiguration);
  auto* addresses = page->findChild<QGroupBox*>("FramePAspAddresses");
  auto* device = new pyra::DevicePanel(
      pyra::PanelContext{window.Jobs(), window.Model(), window.GetPrompter()}, page);
  pyra::Configuration& c = window.Model();
  c.CurrentPin = 4;
  pyra::PinRecord& pin = c.Pins[4];
  pin.Description = "Turnout 12 servo";
  pin.DeviceName = "Servo turnout";
  pin.AspectMode = pyra::kAspectMode4x9;
  pin.InitialAspect = 1;
  pin.Aspects[0].Description = "Straight";
  pin.Aspects[0].Steps[0] = {100, 0, 0, 44, 12, 1};
  pin.Aspects[0].Steps[1] = {9, 1, 1, 20, 0, 0};
  pin.Aspects[0].Steps[2] = {102, 0, 0, 0, 25, 2};
  pin.Aspects[0].Steps[3] = {127, 0, 0, 0, 10, 1};
  pin.PinConfig = {1, 84, 26, 64, 127, 58, 100, 90, 70, 10, 60, 5};
  pin.LiveLevel = 84;
  if (auto* grid = qobject_cast<QGridLayout*>(page->layout()); grid && addresses) {
    grid->removeWidget(addresses);
    device->AddSideWidget(addresses);
    grid->addWidget(device, 0, 0, Qt::AlignTop | Qt::AlignLeft);
  }
  device->Refresh();
  device->findChild<QCheckBox*>("CheckPAspShowDetails")->click();
  const QString variant = argc > 3 ? argv[3] : "servo";
  if (variant == "pwm") {
    pin.PinConfig = {3, 12, 1, 20, 0, 31};
    pin.LiveLevel = 25;
  } else if (variant == "input") {
    pin.PinConfig = {5, 0, 0, 4, 6};
    c.Settings.HwcSink[0] = true;
  } else if (variant == "twelve") {
    pin.AspectMode = pyra::kAspectMode12x3;
  }
  device->Refresh();
  device->SetExpertMode(argc > 2 && QString(argv[2]) == "expert");
  window.findChild<QTabWidget*>("SSTab_Main")->setCurrentIndex(2);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  QTest::qWait(200);
  return window.grab().save(argv[1]) ? 0 : 1;
}

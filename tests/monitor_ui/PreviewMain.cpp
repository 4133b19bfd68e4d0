// Renders the "Test" tab with a running feedback monitor into a PNG, on the simulated module:
//   monitor_ui_preview <file.png>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/GuiPrompter.h"
#include "app/LinkWorker.h"
#include "link/Clock.h"
#include "model/Configuration.h"
#include "monitor/ui/TestTabPanel.h"
#include "sim/SimChannel.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  pyra::SteadyClock clock;
  pyra::sim::Simulator simulator;
  pyra::GuiPrompter prompter(nullptr);
  pyra::LinkThread jobs(clock, prompter);
  jobs.Run([&](pyra::Link& link) { link.Open(simulator.Connect(clock, 19200)); });
  pyra::Configuration model = pyra::DefaultConfiguration();
  pyra::TestTabPanel panel(pyra::PanelContext{jobs, model, prompter},
                           [&jobs] { return jobs.IdleLink().PortOpen(); });
  panel.resize(1240, 560);
  panel.show();
  panel.activateWindow();
  if (!QTest::qWaitForWindowExposed(&panel)) return 1;
  panel.findChild<QLineEdit*>("TextPyraSendAspectOutput")->setText("5");
  panel.findChild<QCheckBox*>("ChkMatrix_0")->setChecked(true);
  panel.findChild<QCheckBox*>("ChkMatrix_3")->setChecked(true);
  QTest::mouseClick(panel.findChild<QPushButton*>("CommandFBM_1"), Qt::LeftButton);
  QTest::qWait(1700);
  return panel.grab().save(argv[1]) ? 0 : 1;
}

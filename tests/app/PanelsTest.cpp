#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "link/ui/ConnectionPanel.h"
#include "monitor/ui/TestTabPanel.h"

namespace pyra::test {
namespace {

using PanelsTest = AppTest;
using Texts = std::vector<std::string>;

// A folder of links standing in for /dev/serial/by-id, beside files standing in for the ttys.
TEST(StablePortPathTest, FindsTheLinkThatLeadsToThePort) {
  namespace fs = std::filesystem;
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const fs::path dev = temp.path().toStdString();
  const fs::path by_id = dev / "serial" / "by-id";
  fs::create_directories(by_id);
  for (const char* tty : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"}) std::ofstream(dev / tty);
  fs::create_symlink("../../ttyUSB0", by_id / "usb-FTDI_FT232R_A1-if00-port0");
  fs::create_symlink(dev / "ttyACM0", by_id / "usb-Arduino_Uno_B2-if00");
  fs::create_symlink("../../ttyUSB1", by_id / "usb-B_second-if00");
  fs::create_symlink("../../ttyUSB1", by_id / "usb-A_first-if00");
  fs::create_symlink("../../ttyUSB9", by_id / "usb-Gone_C3-if00");

  struct Case {
    const char* tty;
    fs::path folder;
    std::string expected;
  };
  const Case cases[] = {
      {"ttyUSB0", by_id, (by_id / "usb-FTDI_FT232R_A1-if00-port0").string()},  // relative link
      {"ttyACM0", by_id, (by_id / "usb-Arduino_Uno_B2-if00").string()},        // absolute link
      {"ttyUSB1", by_id, (by_id / "usb-A_first-if00").string()},  // two links: first by name
      {"ttyS0", by_id, ""},                                       // no link: the plain name
      {"ttyUSB9", by_id, ""},                                     // a dangling link matches none
      {"ttyUSB0", dev / "serial" / "by-path", ""},                // no such folder
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StablePortPath((dev / c.tty).string(), c.folder.string()), c.expected)
        << c.tty << " in " << c.folder;
  }
}

// The box names the open port or nothing: never a port that failed to open.
TEST_F(PanelsTest, PortBoxAfterAFailedOpenShowsNothing) {
  ASSERT_TRUE(IdleLink().PortOpen());
  Do("ComboPort:ttyFAKE0");
  WaitIdle();
  EXPECT_EQ(TextOf("ComboPort"), "");
  EXPECT_EQ(Find<QComboBox>("ComboPort")->currentIndex(), -1);
  EXPECT_FALSE(IdleLink().PortOpen());

  auto* typed = Find<QComboBox>("ComboPort")->lineEdit();
  typed->setFocus();
  QTest::keyClicks(typed, "ttyGONE7");
  QTest::keyClick(typed, Qt::Key_Return);
  WaitIdle();
  EXPECT_EQ(TextOf("ComboPort"), "");
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"The port ttyFAKE0 could not be opened\r\nPermission denied",
                   "The port ttyGONE7 could not be opened\r\nPermission denied"}));
}

// The simulator behind each kind of Velora unit, one after the other in one window: tunnelling
// reaches the module (above address 16 too), and transparent mode is taken or refused as the unit
// type and its version (1.023) say. A new kind of unit starts out of transparent mode.
TEST_F(PanelsTest, VeloraUnitsOfTheWindowsSimulator) {
  struct Case {
    const char* entry;
    int module_address;
    const char* typed_address;
    Texts transparent_texts;
    bool transparent;
  };
  const char* kStillActivate =
      "Your Velora system supports Pyra Tunneling\r\nWe recommend to use the Velora Tunneling "
      "option instead\r\nDo you still want to activate Transparant Mode?";
  const Case cases[] = {
      {"Simulator behind HB-A",
       19,
       "20",
       {kStillActivate, "Your HB-A has been put in Transparent Mode"},
       true},
      {"Simulator behind Tavi",
       4,
       "5",
       {kStillActivate, "Your Tavi does not support this function"},
       false},
      {"Simulator behind HB-B",
       31,
       "32",
       {kStillActivate, "Your HB-B has been put in Transparent Mode"},
       true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    ++n;
    Module().GetConfig().address = c.module_address;
    Module().GetConfig().firmware = {3, 2, n, 17};
    Do(std::string("ComboPort:") + c.entry);
    EXPECT_EQ(TextOf("ComboPort"), c.entry);
    Do("!CheckVelora");
    ASSERT_TRUE(IdleLink().State().UseVelora);
    Do(std::string("TextAddress=") + c.typed_address);
    Do("!CommandGenVersion");
    EXPECT_EQ(TextOf("LabelGenVersionString"), QString("3.2.%1.17").arg(n));
    EXPECT_EQ(Module().Requests().back().address, c.module_address);

    Do({"!CheckVelora", "?Y", "!cmdSetTM"});
    EXPECT_EQ(prompter_.Texts(), c.transparent_texts);
    EXPECT_EQ(window_->GetSimulator().Velora().Transparent(), c.transparent);
    prompter_.Clear();
  }
  // Back to the plain simulator: the module answers directly.
  Module().GetConfig().address = 2;
  Do({"ComboPort:Simulator", "TextAddress=3", "!CommandGenVersion"});
  EXPECT_EQ(Module().Requests().back().address, 2);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

// A lost tool tip is caught here: every setting named in the table explains itself, and so does
// the Test tab while it is locked.
TEST_F(PanelsTest, SettingsWhoseCaptionsDoNotExplainThemCarryAToolTip) {
  std::ifstream in(PYRA_TEST_DATA "/app/tooltips.txt");
  ASSERT_TRUE(in) << "tooltips.txt";
  int names = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    ++names;
    QWidget* w = Find(QString::fromStdString(line));
    if (w) {
      EXPECT_FALSE(w->toolTip().trimmed().isEmpty()) << line;
    }
  }
  EXPECT_GT(names, 50);
  auto* tabs = Find<QTabWidget>("SSTab_Main");
  EXPECT_EQ(tabs->tabToolTip(MainWindow::kTabTest), kTestTabToolTip);
}

}  // namespace
}  // namespace pyra::test

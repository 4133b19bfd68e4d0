#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>
#include <sstream>

#include "AppTestSupport.h"
#include "link/Protocol.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

// The panels of every tab working together inside the one window.
using WindowAssemblyTest = AppTest;

std::string FileText(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(WindowAssemblyTest, StartUpListsTheShippedDeviceLibrary) {
  auto* devices = Find<QComboBox>("cboDevice");
  ASSERT_NE(devices, nullptr);
  EXPECT_GE(devices->count(), 8);
  EXPECT_NE(TextOf("lblDDVersion"), "None");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(WindowAssemblyTest, SaveThenLoadRestoresTheSettingsThroughTheFileDialogs) {
  QTemporaryDir dir;
  const QString path = dir.filePath("yard.dat");
  Type("TextGenIDString", "Yard East");
  Type("TextGenDCCAddress", "300");
  chosen_files_.push_back(path);
  QTest::mousePress(Find("CommandSave"), Qt::LeftButton);
  QTest::mouseRelease(Find("CommandSave"), Qt::LeftButton);
  ASSERT_EQ(dialogs_, std::vector<std::string>{"cdConfig"});
  EXPECT_EQ(FileText(path).rfind("\"PyraConfiguration 3230\"\r\n", 0), 0u);

  Type("TextGenIDString", "Changed");
  Type("TextGenDCCAddress", "5");
  Click("CommandLoad");  // cancelled: nothing changes
  EXPECT_EQ(TextOf("TextGenIDString"), "Changed");
  chosen_files_.push_back(path);
  Click("CommandLoad");
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard East");
  EXPECT_EQ(TextOf("TextGenDCCAddress"), "300");
  EXPECT_EQ(window_->Model().Settings.DccAddress, 300);
}

TEST_F(WindowAssemblyTest, MonitorPollsWithoutTurningTheWindowBusy) {
  ChoosePort("Simulator");
  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  SelectTab(MainWindow::kTabTest);
  Click("CommandFBM_1");
  ASSERT_TRUE(Find("CommandFBM_1")->hasFocus());
  EXPECT_TRUE(TextOf("textFBM").startsWith("Start Monitoring"));
  QTRY_VERIFY_WITH_TIMEOUT(TextOf("textFBM").contains("<0> <0> <0> <0> "), 5000);
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_TRUE(Find("CommandFBM_1")->hasFocus()) << "a poll must not take the focus";
  Click("CommandFBM_2");
  EXPECT_TRUE(TextOf("textFBM").trimmed().endsWith("Monitoring Stopped"));
}

TEST_F(WindowAssemblyTest, DescriptionAndIdBoxesRefuseADoubleQuote) {
  Type("TextGenIDString", "Yard \"East\"");
  EXPECT_EQ(TextOf("TextGenIDString").count('"'), 0);
}

}  // namespace
}  // namespace pyra::test

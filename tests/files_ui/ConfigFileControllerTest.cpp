#include "files/ui/ConfigFileController.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <filesystem>
#include <memory>
#include <optional>

#include "FilesUiTestSupport.h"
#include "app/ModuleArea.h"
#include "files/Cp1252.h"
#include "files/RichConfiguration.h"
#include "files/TempDir.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

// The window's whole-module buttons with the controller bound to them, over a configuration.
class ConfigFileControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<QWidget>();
    auto* area = new ModuleArea(host_.get());
    controller_ = new ConfigFileController(PanelContext{jobs_, model_, prompter_}, host_.get(),
                                           chooser_.Chooser());
    controller_->Attach(Button("CommandSave"), Button("CommandLoad"));
    area->adjustSize();
    host_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
  }

  QPushButton* Button(const char* name) {
    auto* button = host_->findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
  }
  void PressSave(Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(Button("CommandSave"), button, modifiers);
  }
  void ClickLoad() { QTest::mouseClick(Button("CommandLoad"), Qt::LeftButton); }

  // The file text of the model as it stands; a first save's servo reduction is applied already.
  std::string FileOf(SaveForm form) {
    Configuration copy = model_;
    return Utf8ToCp1252(ConfigurationText(copy, form));
  }

  TempDir dir_;
  IdleJobs jobs_;
  ScriptedPrompter prompter_;
  ScriptedChooser chooser_;
  Configuration model_ = DefaultConfiguration();
  std::unique_ptr<QWidget> host_;
  ConfigFileController* controller_ = nullptr;
};

TEST_F(ConfigFileControllerTest, SavedFileLoadsBackIntoAFreshModel) {
  model_ = RichConfiguration();
  model_.Pins[0].PinConfig[2] |= 64;  // the servo's status bit, which the module keeps itself
  EXPECT_EQ(Button("CommandSave")->toolTip(), "Shift+Save File to save compact");
  QSignalSpy edits(controller_, &ConfigFileController::TakeEditsRequested);
  QSignalSpy replaced(controller_, &ConfigFileController::ModelReplaced);

  chooser_.Answer(QString::fromStdString(dir_.File("module.dat")));
  Button("CommandSave")->setFocus();
  QTest::keyClick(Button("CommandSave"), Qt::Key_Space);  // the keyboard saves the full form
  ASSERT_EQ(chooser_.Asked().size(), 1u);
  EXPECT_EQ(Describe(chooser_.Asked()[0]), "cdConfig save \"Pyra Config Data|*.dat\" \"\"");
  EXPECT_EQ(edits.count(), 1);
  // The servo's P2 loses its status bit in the model too, so the views must follow.
  EXPECT_EQ(replaced.count(), 1);
  EXPECT_EQ(model_.Pins[0].PinConfig[2] & 64, 0);
  const std::string saved = ReadBytes(dir_.File("module.dat"));
  EXPECT_EQ(saved, FileOf(SaveForm::kFull));

  model_ = DefaultConfiguration();
  chooser_.Answer(QString::fromStdString(dir_.File("module.dat")));
  ClickLoad();
  ASSERT_EQ(chooser_.Asked().size(), 2u);
  EXPECT_EQ(Describe(chooser_.Asked()[1]), "cdConfig open \"Pyra Config Data|*.dat\" \"\"");
  EXPECT_EQ(replaced.count(), 2);
  EXPECT_EQ(FileOf(SaveForm::kFull), saved);
  EXPECT_EQ(model_.Pins[0].LiveLevel, model_.Pins[0].PinConfig[1]);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

struct PressCase {
  const char* name;
  Qt::MouseButton button;
  Qt::KeyboardModifiers modifiers;
  std::optional<SaveForm> form;  // nothing: no dialog, no file
};

class SavePressTest : public ConfigFileControllerTest,
                      public ::testing::WithParamInterface<PressCase> {};

TEST_P(SavePressTest, OnlyTheLeftButtonSavesAndShiftAloneMakesItCompact) {
  const PressCase& c = GetParam();
  // Compact and full differ: only pin 5 is described.
  model_.Pins[5].Description = "Entry signal";
  model_.Pins[5].AspectMode = kAspectMode12x3;
  model_.Pins[5].Aspects[0].Description = "Stop";
  model_.Pins[5].Aspects[0].Steps[0].Opcode = 9;
  if (c.form) chooser_.Answer(QString::fromStdString(dir_.File("press.dat")));
  PressSave(c.button, c.modifiers);
  if (c.form) {
    EXPECT_EQ(ReadBytes(dir_.File("press.dat")), FileOf(*c.form)) << c.name;
  } else {
    EXPECT_TRUE(chooser_.Asked().empty()) << c.name;
    EXPECT_EQ(dir_.Entries(), 0) << c.name;
  }
  EXPECT_TRUE(prompter_.Texts().empty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Presses, SavePressTest,
    ::testing::Values(PressCase{"Left", Qt::LeftButton, Qt::NoModifier, SaveForm::kFull},
                      PressCase{"ShiftLeft", Qt::LeftButton, Qt::ShiftModifier, SaveForm::kCompact},
                      PressCase{"CtrlLeft", Qt::LeftButton, Qt::ControlModifier, std::nullopt},
                      PressCase{"AltLeft", Qt::LeftButton, Qt::AltModifier, std::nullopt},
                      PressCase{"ShiftCtrlLeft", Qt::LeftButton,
                                Qt::ShiftModifier | Qt::ControlModifier, std::nullopt},
                      PressCase{"Right", Qt::RightButton, Qt::NoModifier, std::nullopt},
                      PressCase{"ShiftRight", Qt::RightButton, Qt::ShiftModifier, std::nullopt},
                      PressCase{"Middle", Qt::MiddleButton, Qt::NoModifier, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigFileControllerTest, CancelledDialogsOrARunningLinkJobChangeNothing) {
  model_ = RichConfiguration();
  const std::string before = FileOf(SaveForm::kFull);
  QSignalSpy replaced(controller_, &ConfigFileController::ModelReplaced);
  jobs_.busy = true;
  PressSave();
  ClickLoad();
  EXPECT_TRUE(chooser_.Asked().empty());
  jobs_.busy = false;
  chooser_.Answer("");
  ClickLoad();
  chooser_.Answer("");
  PressSave(Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(chooser_.Asked().size(), 2u);
  EXPECT_EQ(FileOf(SaveForm::kFull), before);
  EXPECT_EQ(replaced.count(), 0);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(dir_.Entries(), 0);
}

TEST_F(ConfigFileControllerTest, RefusedFileLeavesTheModelAsItWas) {
  model_ = RichConfiguration();
  const std::string before = FileOf(SaveForm::kFull);
  QSignalSpy replaced(controller_, &ConfigFileController::ModelReplaced);
  WriteBytes(dir_.File("bad.dat"),
             "\"PyraConfiguration 3230\"\r\n\"ID$\",\"Changed\"\r\n\"DCC\",abc\r\n");
  chooser_.Answer(QString::fromStdString(dir_.File("bad.dat")));
  ClickLoad();
  EXPECT_EQ(prompter_.Texts(),
            std::vector<std::string>{
                "Invalid configuration file\r\nLine 3: \"abc\" is not a number (DCC address)"});
  EXPECT_EQ(FileOf(SaveForm::kFull), before);
  EXPECT_EQ(replaced.count(), 0);
}

TEST_F(ConfigFileControllerTest, PlatformDialogsAreNamedFilteredAndCancellable) {
  // A controller of its own, with the platform dialogs.
  auto* real = new ConfigFileController(PanelContext{jobs_, model_, prompter_}, host_.get());
  model_ = RichConfiguration();
  const std::string before = FileOf(SaveForm::kFull);
  QStringList filters;
  bool opens = false;
  WhenShown("cdConfig", [&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    opens = dialog->acceptMode() == QFileDialog::AcceptOpen;
    dialog->reject();
  });
  EXPECT_FALSE(real->Load());
  EXPECT_EQ(filters, QStringList{"Pyra Config Data (*.dat)"});
  EXPECT_TRUE(opens);
  EXPECT_EQ(FileOf(SaveForm::kFull), before);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();

  // A name typed without extension gets the filter's.
  const QString typed = QString::fromStdString(dir_.File("typed"));
  WhenShown("cdConfig", [&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    auto* file_name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(file_name, nullptr);
    file_name->setText(typed);
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_TRUE(real->Save(SaveForm::kFull));
  EXPECT_EQ(ReadBytes(dir_.File("typed.dat")), before);
}

TEST_F(ConfigFileControllerTest, SaveIntoAMissingFolderSaysSoAndCreatesNothing) {
  const std::string path = dir_.File("gone") + "/module.dat";
  chooser_.Answer(QString::fromStdString(path));
  PressSave(Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "The configuration could not be saved to " + path +
                                         ":\r\nNo such file or directory\r\nThe file was not "
                                         "changed.");
  EXPECT_EQ(dir_.Entries(), 0);
}

TEST_F(ConfigFileControllerTest, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
  const std::string path = dir_.File("module.dat");
  WriteBytes(path, "previous content");
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::filesystem::permissions(
      folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access(folder.c_str(), W_OK) == 0) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    GTEST_SKIP() << "this user writes into read-only folders";
  }
  chooser_.Answer(QString::fromStdString(path));
  PressSave();
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text, "The configuration could not be saved to " + path +
                                         ":\r\nPermission denied\r\nThe file was not changed.");
  EXPECT_EQ(ReadBytes(path), "previous content");
}

}  // namespace
}  // namespace pyra::test

#include "devices/ui/DeviceLibraryPanel.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FilesUiTestSupport.h"
#include "devices/Devices.h"
#include "files/Cp1252.h"
#include "files/RichConfiguration.h"
#include "files/TempDir.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

using Texts = std::vector<std::string>;

// A library: the header text, then each device as its name and the descriptions of its pins.
struct DeviceDef {
  std::string name;
  Texts pins;
  int aspect_mode = kAspectMode12x3;
};

std::string LibraryText(const std::string& header, const std::vector<DeviceDef>& devices) {
  std::string text = "\"PyraDeviceDefinitions " + header + "\"\r\n";
  for (const DeviceDef& d : devices) {
    text += "\"Dev\",\"" + d.name + "\"\r\n";
    for (std::size_t p = 0; p < d.pins.size(); ++p) {
      text += "  \"Pin\"," + std::to_string(p) + "," + std::to_string(d.aspect_mode) + ",0,\"" +
              d.pins[p] + "\"\r\n    \"Cfg\",0\r\n    \"PAM\",1,2,1\r\n";
    }
  }
  return text + "\"End\"\r\n";
}

const std::vector<DeviceDef> kStandard = {
    {"Signal", {"Signal red", "Signal green"}},
    {"Triple", {"Lamp A", "Lamp B", "Lamp C"}},
};
const std::vector<DeviceDef> kExtra = {{"Crossing", {"Crossing light"}, kAspectMode4x9}};

class DeviceLibraryPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_ = std::make_unique<DeviceLibraryPanel>(PanelContext{jobs_, model_, prompter_},
                                                  chooser_.Chooser());
    panel_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
    WriteBytes(dir_.File("standard.def"), LibraryText("Standard 1.0", kStandard));
    WriteBytes(dir_.File("extra.def"), LibraryText("Extra 2", kExtra));
  }

  template <class T = QWidget>
  T* Find(const char* name) const {
    T* found = panel_->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
  }
  QString Path(const std::string& name) const { return QString::fromStdString(dir_.File(name)); }

  // The program folder with the standard library beside it.
  void StartWithStandardLibrary() {
    std::filesystem::create_directories(dir_.File("bin"));
    WriteBytes(dir_.File("bin/PyraDevices.def"), LibraryText("Standard 1.0", kStandard));
    ASSERT_TRUE(panel_->LoadStandardLibrary(Path("bin")));
  }
  Texts Listed() const {
    Texts names;
    auto* list = Find<QComboBox>("cboDevice");
    for (int i = 0; i < list->count(); ++i) names.push_back(list->itemText(i).toStdString());
    return names;
  }
  std::string Caption() const { return Find<QLabel>("lblDDVersion")->text().toStdString(); }
  void Press(const char* name, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(Find<QPushButton>(name), button, modifiers);
  }
  // Picks an entry of the device list through its popup, as a user does.
  void Choose(int row) {
    auto* list = Find<QComboBox>("cboDevice");
    list->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->view()->window()));
    const QModelIndex item = list->view()->model()->index(row, 0);
    list->view()->scrollTo(item);
    QTest::mouseClick(list->view()->viewport(), Qt::LeftButton, {},
                      list->view()->visualRect(item).center());
    ASSERT_EQ(list->currentIndex(), row);
  }
  void TypeName(const QString& text) {
    QLineEdit* edit = Find<QComboBox>("cboDevice")->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }

  TempDir dir_;
  IdleJobs jobs_;
  ScriptedPrompter prompter_;
  ScriptedChooser chooser_;
  Configuration model_ = DefaultConfiguration();
  std::unique_ptr<DeviceLibraryPanel> panel_;
};

TEST_F(DeviceLibraryPanelTest, ControlsCarryTheirCaptions) {
  EXPECT_EQ(Find<QPushButton>("CommandPAspPreLoad")->text(), "Load Device");
  EXPECT_EQ(Find<QPushButton>("CommandSaveDevice")->text(), "Save Device");
  EXPECT_EQ(Find<QPushButton>("CommandReloadDD")->text(), "Reload DD");
  EXPECT_EQ(Find<QPushButton>("CommandReloadDD")->toolTip(),
            "Reload DD to load new file, Shift + Reload DD to append");
  EXPECT_EQ(Find<QLabel>("LabelDDLoaded")->text(), "Definitions Loaded:");
  EXPECT_EQ(Caption(), "None");
}

TEST_F(DeviceLibraryPanelTest, StartUpPrefersTheLibraryBesideTheProgramToTheDataFolder) {
  std::filesystem::create_directories(dir_.File("share/pyraconfig"));
  WriteBytes(dir_.File("share/pyraconfig/PyraDevices.def"), LibraryText("Installed", kExtra));
  std::filesystem::create_directories(dir_.File("bin"));
  ASSERT_TRUE(panel_->LoadStandardLibrary(Path("bin")));
  EXPECT_EQ(Listed(), Texts{"Crossing"});
  EXPECT_EQ(Caption(), "Installed");
  StartWithStandardLibrary();
  EXPECT_EQ(Listed(), (Texts{"Signal", "Triple"}));
  EXPECT_EQ(Caption(), "Standard 1.0");
  EXPECT_EQ(Find<QComboBox>("cboDevice")->currentText(), "");
  EXPECT_TRUE(chooser_.Asked().empty());
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(DeviceLibraryPanelTest, StartUpWithoutLibraryOffersTheDialogAndTakesTheFileChosen) {
  const std::string not_found = "Can not find Device Configuration file at standard location";
  chooser_.Answer("");
  EXPECT_FALSE(panel_->LoadStandardLibrary(Path("nowhere")));
  EXPECT_EQ(prompter_.Texts(), (Texts{not_found, "No Device Configuration available"}));
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(Caption(), "None");

  chooser_.Answer(Path("extra.def"));
  EXPECT_TRUE(panel_->LoadStandardLibrary(Path("nowhere")));
  EXPECT_EQ(prompter_.Texts().size(), 3u);
  EXPECT_EQ(prompter_.Last(), not_found);
  EXPECT_EQ(Listed(), Texts{"Crossing"});
  EXPECT_EQ(Caption(), "Extra 2");
  ASSERT_EQ(chooser_.Asked().size(), 2u);
  for (const FileDialogRequest& asked : chooser_.Asked()) {
    EXPECT_EQ(Describe(asked),
              "cdDevice open \"Pyra Device Definitions|*.def\" \"PyraDevices.def\"");
  }
}

TEST_F(DeviceLibraryPanelTest, ReloadReplacesTheListShiftReloadAppendsAndAFailureKeepsIt) {
  StartWithStandardLibrary();
  Press("CommandReloadDD", Qt::RightButton);  // only the left button acts
  Press("CommandReloadDD", Qt::MiddleButton, Qt::ShiftModifier);
  chooser_.Answer(Path("extra.def"));
  Press("CommandReloadDD");
  ASSERT_EQ(chooser_.Asked().size(), 1u);
  EXPECT_EQ(Describe(chooser_.Asked()[0]), "cdDevice open \"Pyra Device Definitions|*.def\" \"\"");
  EXPECT_EQ(Listed(), Texts{"Crossing"});
  EXPECT_EQ(Caption(), "Extra 2");

  Choose(0);
  chooser_.Answer(Path("standard.def"));
  Press("CommandReloadDD", Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(Listed(), (Texts{"Crossing", "Signal", "Triple"}));
  EXPECT_EQ(Caption(), "Extra 2 + Standard 1.0");
  EXPECT_EQ(Find<QComboBox>("cboDevice")->currentText(), "Crossing");
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();

  // Reloads that list nothing keep the list.
  chooser_.Answer("");
  Press("CommandReloadDD");
  WriteBytes(dir_.File("other.def"), "\"SomethingElse 1\"\r\n\"End\"\r\n");
  chooser_.Answer(Path("other.def"));
  Press("CommandReloadDD", Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"No Device Configuration file selected", "Invalid definition file"}));
  EXPECT_EQ(Listed(), (Texts{"Crossing", "Signal", "Triple"}));
  EXPECT_EQ(Caption(), "Extra 2 + Standard 1.0");
}

TEST_F(DeviceLibraryPanelTest, LoadDeviceAtPin30WrapsToPin0AndNamesTheOverwrittenPins) {
  StartWithStandardLibrary();
  model_.CurrentPin = 30;
  model_.Pins[31].Description = "Old lamp";
  model_.Pins[0].Description = "Old relay";
  QSignalSpy changed(panel_.get(), &DeviceLibraryPanel::ModelChanged);
  std::size_t messages_when_changed = 99;
  QObject::connect(panel_.get(), &DeviceLibraryPanel::ModelChanged,
                   [&] { messages_when_changed = prompter_.All().size(); });
  Choose(1);
  Press("CommandPAspPreLoad");

  // How the pins are filled is checked in tests/files; here what the panel adds to it.
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(messages_when_changed, 0u);  // the views follow before the message shows
  EXPECT_EQ(model_.Pins[30].DeviceName, "Triple");
  EXPECT_EQ(model_.Pins[0].Description, "Lamp C");
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text,
            "Information: The following Pin numbers were\n\ralready used and have been "
            "overwritten:\n\r 32, 1");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kExclamation);
}

TEST_F(DeviceLibraryPanelTest, EachEntryIsReadFromTheFileItWasListedFrom) {
  // Two libraries with a device of the same name but other pins.
  WriteBytes(dir_.File("second.def"),
             LibraryText("Second", {{"Signal", {"Second red", "Second green", "Second yellow"}}}));
  StartWithStandardLibrary();
  chooser_.Answer(Path("second.def"));
  Press("CommandReloadDD", Qt::LeftButton, Qt::ShiftModifier);
  ASSERT_EQ(Listed(), (Texts{"Signal", "Triple", "Signal"}));
  model_.CurrentPin = 10;
  Choose(2);
  Press("CommandPAspPreLoad");
  EXPECT_EQ(model_.Pins[12].Description, "Second yellow");
  EXPECT_EQ(model_.Pins[12].DeviceLink, -2);
}

struct TypedCase {
  const char* typed;    // over the chosen entry "Triple"
  const char* message;  // "" when the device is applied
};
void PrintTo(const TypedCase& c, std::ostream* out) { *out << "typed \"" << c.typed << "\""; }

class TypedNameTest : public DeviceLibraryPanelTest,
                      public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedNameTest, IsLookedUpInTheListExactly) {
  StartWithStandardLibrary();
  QSignalSpy changed(panel_.get(), &DeviceLibraryPanel::ModelChanged);
  const bool applies = *GetParam().message == '\0';
  model_.CurrentPin = 3;
  Choose(1);
  TypeName(GetParam().typed);
  Press("CommandPAspPreLoad");
  EXPECT_EQ(prompter_.Texts(), applies ? Texts{} : Texts{GetParam().message});
  EXPECT_EQ(model_.Pins[3].DeviceName, applies ? "Signal" : "");
  EXPECT_EQ(model_.Pins[4].DeviceLink, applies ? -1 : 0);
  EXPECT_EQ(model_.Pins[5].DeviceLink, 0);
  EXPECT_EQ(changed.count(), applies ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Names, TypedNameTest,
                         ::testing::Values(TypedCase{"Signal", ""},
                                           TypedCase{"", "Select Devicename to load"},
                                           TypedCase{"Signa", "No match found"},
                                           TypedCase{"signal", "No match found"}));

TEST_F(DeviceLibraryPanelTest, SavedDeviceAppendsAndAppliesElsewhereShiftedByTheHeads) {
  StartWithStandardLibrary();
  model_ = RichConfiguration();     // "Home signal" on pins 20..22
  model_.Pins[21].Aspects[0] = {};  // steps of an aspect without description are not saved
  model_.Pins[22].PinConfig = {3, 12, 1, 20, 0, 31};
  model_.CurrentPin = 21;  // a member pin saves its head's device

  chooser_.Answer(Path("mine.def"));
  Press("CommandSaveDevice");
  ASSERT_EQ(chooser_.Asked().size(), 1u);
  EXPECT_EQ(Describe(chooser_.Asked()[0]),
            "cdMyDevice save \"Pyra Device Definitions|*.def\" \"\"");
  EXPECT_EQ(ReadBytes(dir_.File("mine.def")), Utf8ToCp1252(DeviceText(model_, 20)));

  chooser_.Answer(Path("mine.def"));
  Press("CommandReloadDD", Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(Listed(), (Texts{"Signal", "Triple", "Home signal"}));
  EXPECT_EQ(Caption(), "Standard 1.0 + Home signal");

  model_.CurrentPin = 12;
  Choose(2);
  Press("CommandPAspPreLoad");
  for (int k : {0, 1, 2}) EXPECT_EQ(model_.Pins[12 + k], model_.Pins[20 + k]) << "pin " << 12 + k;
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(DeviceLibraryPanelTest, SaveDeviceRefusesAPinWhoseHeadIsNoDevice) {
  model_.Pins[4].DeviceLink = -1;
  model_.Pins[5].DeviceLink = -1;
  model_.CurrentPin = 5;
  Press("CommandSaveDevice");
  EXPECT_EQ(prompter_.Texts(), Texts{"Referral is not a device"});
  EXPECT_TRUE(chooser_.Asked().empty());
}

TEST_F(DeviceLibraryPanelTest, NothingHappensWhileALinkJobRuns) {
  StartWithStandardLibrary();
  Choose(0);
  jobs_.busy = true;
  Press("CommandPAspPreLoad");
  Press("CommandSaveDevice");
  Press("CommandReloadDD");
  EXPECT_TRUE(chooser_.Asked().empty());
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(model_.Pins[0].DeviceName, "");
}

}  // namespace
}  // namespace pyra::test

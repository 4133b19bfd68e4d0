#include "files/DeviceFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::WriteBytes;
using Names = std::vector<std::string>;

std::string Library(const std::string& header, const Names& devices, bool end = true) {
  std::string text = "\"" + header + "\"\r\n";
  for (const std::string& d : devices) {
    text += "\"Dev\",\"" + d + "\"\r\n  \"Pin\",0,0,0,\"Lamp\"\r\n    \"Cfg\",0\r\n";
  }
  if (end) text += "\"End\"\r\n";
  return text;
}

class DeviceLibraryTest : public ::testing::Test {
 protected:
  ChooseFile Chooser(std::string path) {
    return [this, path](const std::string& default_name) {
      offered_.push_back(default_name);
      return path;
    };
  }

  TempDir dir_;
  DeviceLibrary library_;
  ScriptedPrompter prompter_;
  Names offered_;  // default names the dialog was opened with
};

TEST_F(DeviceLibraryTest, StandardLibraryIsTakenFromTheFirstPlaceThatHasIt) {
  WriteBytes(dir_.File("share.def"), Library("PyraDeviceDefinitions V2.1", {"Signal", "Servo"}));
  ASSERT_TRUE(LoadStandardDefinitions(library_, {dir_.File("missing.def"), dir_.File("share.def")},
                                      Chooser(""), prompter_));
  EXPECT_EQ(library_.Names, (Names{"Signal", "Servo"}));
  EXPECT_EQ(library_.DeviceFiles, (Names{dir_.File("share.def"), dir_.File("share.def")}));
  EXPECT_EQ(library_.DefinitionsVersion, "V2.1");
  EXPECT_EQ(library_.VersionCaption, "V2.1");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_TRUE(offered_.empty());
}

TEST_F(DeviceLibraryTest, StandardPathsAreBesideTheProgramThenInTheDataFolder) {
  EXPECT_EQ(
      StandardDefinitionPaths("/opt/pc/bin"),
      (Names{"/opt/pc/bin/PyraDevices.def", "/opt/pc/bin/../share/pyraconfig/PyraDevices.def"}));
}

TEST_F(DeviceLibraryTest, MissingStandardLibraryOffersTheDialog) {
  WriteBytes(dir_.File("mine.def"), Library("PyraDeviceDefinitions Mine", {"A"}));
  ASSERT_TRUE(LoadStandardDefinitions(library_, {dir_.File("missing.def")},
                                      Chooser(dir_.File("mine.def")), prompter_));
  EXPECT_EQ(prompter_.Texts(),
            Names{"Can not find Device Configuration file at standard location"});
  EXPECT_EQ(offered_, Names{"PyraDevices.def"});
  EXPECT_EQ(library_.Names, Names{"A"});
  EXPECT_EQ(library_.DefinitionsFile, dir_.File("mine.def"));
}

TEST_F(DeviceLibraryTest, CancelledDialogAtStartLeavesAnEmptyList) {
  EXPECT_FALSE(
      LoadStandardDefinitions(library_, {dir_.File("missing.def")}, Chooser(""), prompter_));
  EXPECT_EQ(prompter_.Texts(), (Names{"Can not find Device Configuration file at standard location",
                                      "No Device Configuration available"}));
  EXPECT_TRUE(library_.Names.empty());
  EXPECT_EQ(library_.VersionCaption, "None");
}

TEST_F(DeviceLibraryTest, HeaderOfExactlyTheKeywordAndBlankGivesNoVersionText) {
  WriteBytes(dir_.File("a.def"), Library("PyraDeviceDefinitions ", {"A"}));
  WriteBytes(dir_.File("b.def"), Library("PyraDeviceDefinitions X", {"B"}));
  ASSERT_TRUE(LoadStandardDefinitions(library_, {dir_.File("a.def")}, Chooser(""), prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, "Unknown");
  EXPECT_EQ(library_.VersionCaption, "Unknown");
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("a.def")), prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, "");
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("b.def")), prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, "X");
  EXPECT_EQ(library_.Names, Names{"B"});
}

// Found by fuzzing: the 22nd character was skipped as one byte, so a code-page letter in its
// place left the caption starting with half a UTF-8 character.
TEST_F(DeviceLibraryTest, LetterInPlaceOfTheBlankIsSkippedAsAWholeCharacter) {
  WriteBytes(dir_.File("v.def"), "\"PyraDeviceDefinitions\xE4V1\"\r\n\"End\"\r\n");
  WriteBytes(dir_.File("e.def"), "\"PyraDeviceDefinitions\xE4\"\r\n\"End\"\r\n");
  ASSERT_TRUE(LoadStandardDefinitions(library_, {dir_.File("e.def")}, Chooser(""), prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, "Unknown");
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("v.def")), prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, "V1");
  EXPECT_EQ(library_.VersionCaption, "V1");
  EXPECT_EQ(DefinitionsHeaderText("PyraDeviceDefinitions\xE2\x82\xAC 2.0"), " 2.0");
}

TEST_F(DeviceLibraryTest, AppendListsAfterTheFirstAndShortensALongCaption) {
  const std::string first(30, 'a');
  const std::string second = "0123456789012345678901";
  WriteBytes(dir_.File("1.def"), Library("PyraDeviceDefinitions " + first, {"A", "B"}));
  WriteBytes(dir_.File("2.def"), Library("PyraDeviceDefinitions " + second, {"C", "A"}));
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("1.def")), prompter_));
  ASSERT_TRUE(ReloadDefinitions(library_, true, Chooser(dir_.File("2.def")), prompter_));
  EXPECT_EQ(library_.Names, (Names{"A", "B", "C", "A"}));
  EXPECT_EQ(library_.DeviceFiles[1], dir_.File("1.def"));
  EXPECT_EQ(library_.DeviceFiles[3], dir_.File("2.def"));
  const std::string full = first + " + " + second;  // 55 characters
  EXPECT_EQ(library_.VersionCaption, ".." + full.substr(full.size() - 48));
  EXPECT_EQ(library_.VersionCaption.size(), 50u);
}

TEST_F(DeviceLibraryTest, CaptionLimitCountsCharactersNotBytes) {
  // 48 characters on disk, 96 bytes once in UTF-8.
  WriteBytes(dir_.File("u.def"),
             "\"PyraDeviceDefinitions " + std::string(48, '\xE4') + "\"\r\n\"End\"\r\n");
  std::string umlauts;
  for (int i = 0; i < 48; ++i) umlauts += "\xC3\xA4";
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("u.def")), prompter_));
  EXPECT_EQ(library_.VersionCaption, umlauts);
  ASSERT_TRUE(ReloadDefinitions(library_, true, Chooser(dir_.File("u.def")), prompter_));
  EXPECT_EQ(library_.VersionCaption, ".." + umlauts);
}

TEST_F(DeviceLibraryTest, ReloadFailuresLeaveTheListUnchanged) {
  WriteBytes(dir_.File("1.def"), Library("PyraDeviceDefinitions One", {"A"}));
  WriteBytes(dir_.File("bad.def"), Library("PyraConfiguration 3230", {"X"}));
  ASSERT_TRUE(ReloadDefinitions(library_, false, Chooser(dir_.File("1.def")), prompter_));
  EXPECT_FALSE(ReloadDefinitions(library_, false, Chooser(""), prompter_));
  EXPECT_FALSE(ReloadDefinitions(library_, false, Chooser(dir_.File("bad.def")), prompter_));
  EXPECT_EQ(prompter_.Texts(),
            (Names{"No Device Configuration file selected", "Invalid definition file"}));
  EXPECT_EQ(library_.Names, Names{"A"});
  EXPECT_EQ(library_.VersionCaption, "One");
}

TEST_F(DeviceLibraryTest, LibraryWithoutEndIsListedToTheEndOfTheFile) {
  EXPECT_EQ(ListDefinitions(Library("PyraDeviceDefinitions V", {"A", "B"}, false)),
            (Names{"A", "B"}));
  EXPECT_EQ(ListDefinitions("\"PyraDeviceDefinitions V\"\r\n\"Dev\""), Names{});
  EXPECT_EQ(
      ListDefinitions("\"PyraDeviceDefinitions V\"\r\n\"Dev\",\"A\"\r\n\"End\",\"Dev\",\"B\""),
      Names{"A"});
}

TEST_F(DeviceLibraryTest, ShippedLibraryListsItsDevicesWithAVersion) {
  ASSERT_TRUE(LoadStandardDefinitions(library_, {PYRA_DEVICE_LIBRARY}, Chooser(""), prompter_));
  EXPECT_GE(library_.Names.size(), 8u);
  EXPECT_NE(library_.VersionCaption, "None");
  EXPECT_TRUE(prompter_.Texts().empty());
}

}  // namespace
}  // namespace pyra

#include "files/DeviceFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "support/ScriptedPrompter.h"

// The start-up messages, the reload failures and the default-location search are driven through
// the panel in tests/files_ui; these cases hold what the panel cannot show.
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
  // Reloads `name` from the test folder, replacing the list or appended to it.
  bool Reload(const std::string& name, bool append = false) {
    return ReloadDefinitions(
        library_, append, [&](const std::string&) { return dir_.File(name); }, prompter_);
  }

  TempDir dir_;
  DeviceLibrary library_;
  ScriptedPrompter prompter_;
};

TEST_F(DeviceLibraryTest, StandardLibraryIsTakenFromTheFirstPlaceThatHasIt) {
  WriteBytes(dir_.File("share.def"), Library("PyraDeviceDefinitions V2.1", {"Signal", "Servo"}));
  bool asked = false;
  ASSERT_TRUE(LoadStandardDefinitions(
      library_, {dir_.File("missing.def"), dir_.File("share.def")},
      [&](const std::string&) {
        asked = true;
        return std::string();
      },
      prompter_));
  EXPECT_EQ(library_.Names, (Names{"Signal", "Servo"}));
  EXPECT_EQ(library_.DeviceFiles, (Names{dir_.File("share.def"), dir_.File("share.def")}));
  EXPECT_EQ(library_.DefinitionsVersion, "V2.1");
  EXPECT_EQ(library_.VersionCaption, "V2.1");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_FALSE(asked);
}

struct HeaderCase {
  const char* name;
  std::string header;    // the first field as it is on disk
  const char* at_start;  // version and caption when found as the standard library
  const char* reloaded;  // version and caption when chosen with Reload DD
};

class DefinitionsHeaderTest : public DeviceLibraryTest,
                              public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(DefinitionsHeaderTest, VersionIsTheTextAfterThe22ndCharacter) {
  WriteBytes(dir_.File("h.def"), "\"" + GetParam().header + "\"\r\n\"End\"\r\n");
  ASSERT_TRUE(LoadStandardDefinitions(library_, {dir_.File("h.def")}, {}, prompter_));
  EXPECT_EQ(library_.DefinitionsVersion, GetParam().at_start);
  EXPECT_EQ(library_.VersionCaption, GetParam().at_start);
  ASSERT_TRUE(Reload("h.def"));
  EXPECT_EQ(library_.DefinitionsVersion, GetParam().reloaded);
  EXPECT_EQ(library_.VersionCaption, GetParam().reloaded);
}

// Found by fuzzing: the 22nd character was skipped as one byte, so a code-page letter in its
// place left the caption starting with half a UTF-8 character.
INSTANTIATE_TEST_SUITE_P(
    Headers, DefinitionsHeaderTest,
    ::testing::Values(HeaderCase{"KeywordAndBlank", "PyraDeviceDefinitions ", "Unknown", ""},
                      HeaderCase{"Version", "PyraDeviceDefinitions X", "X", "X"},
                      HeaderCase{"LetterForTheBlank", "PyraDeviceDefinitions\xE4V1", "V1", "V1"},
                      HeaderCase{"LetterOnly", "PyraDeviceDefinitions\xE4", "Unknown", ""},
                      HeaderCase{"EuroForTheBlank", "PyraDeviceDefinitions\x80 2.0", " 2.0",
                                 " 2.0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceLibraryTest, AppendListsAfterTheFirstAndShortensALongCaption) {
  const std::string first(30, 'a');
  const std::string second = "0123456789012345678901";
  WriteBytes(dir_.File("1.def"), Library("PyraDeviceDefinitions " + first, {"A", "B"}));
  WriteBytes(dir_.File("2.def"), Library("PyraDeviceDefinitions " + second, {"C", "A"}));
  ASSERT_TRUE(Reload("1.def"));
  ASSERT_TRUE(Reload("2.def", true));
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
  ASSERT_TRUE(Reload("u.def"));
  EXPECT_EQ(library_.VersionCaption, umlauts);
  ASSERT_TRUE(Reload("u.def", true));
  EXPECT_EQ(library_.VersionCaption, ".." + umlauts);
}

TEST(ListDefinitionsTest, LibraryWithoutEndIsListedToTheEndOfTheFile) {
  EXPECT_EQ(ListDefinitions(Library("PyraDeviceDefinitions V", {"A", "B"}, false)),
            (Names{"A", "B"}));
  EXPECT_EQ(ListDefinitions("\"PyraDeviceDefinitions V\"\r\n\"Dev\""), Names{});
  EXPECT_EQ(
      ListDefinitions("\"PyraDeviceDefinitions V\"\r\n\"Dev\",\"A\"\r\n\"End\",\"Dev\",\"B\""),
      Names{"A"});
}

}  // namespace
}  // namespace pyra

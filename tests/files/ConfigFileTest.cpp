#include "files/ConfigFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/resource.h>

#include "RichConfiguration.h"
#include "TempDir.h"
#include "files/Cp1252.h"
#include "link/Link.h"
#include "model/AddressAssignment.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using test::ReadBytes;
using test::RichConfiguration;
using test::ScriptedPrompter;
using test::Step;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

std::string Saved(Configuration c, SaveForm form = SaveForm::kFull) {
  return ConfigurationText(c, form);
}

// The settings the file keeps (not the firmware version, enforced address or enable map).
auto SavedSettings(const ModuleSettings& s) {
  return std::tie(s.IDString, s.PRNative, s.LumoFlex, s.LumoModeAddress, s.ModuleXAddress,
                  s.GroupMask, s.DccAddress, s.XDccAddress, s.PacketRetention,
                  s.BasicPacketStateInvert, s.AllowAddress0, s.HwcSink, s.HwcSource, s.LedGreen,
                  s.LedOrange, s.SerialEnable, s.SerialBaudIndex, s.SerialDataBits8, s.SerialParity,
                  s.SerialStop2);
}

TEST(ConfigFileLayoutTest, DefaultConfigurationIsWrittenExactly) {
  const std::vector<std::string> lines = Lines(Saved(DefaultConfiguration()));
  ASSERT_EQ(lines.size(), 1u + 6 + 64 + 32 * 4 + 1);
  const std::vector<std::string> head(lines.begin(), lines.begin() + 8);
  EXPECT_EQ(head,
            (std::vector<std::string>{"\"PyraConfiguration 3230\"", "\"ID$\",\"\"", "\"DCC\",1,1,2",
                                      "\"XAD\",0,0,0,0,0,0,0", "\"HWC\",0,0,0,0", "\"LED\",0,0",
                                      "\"SPC\",0,\"9600\",7,0,1", "\"Eon\",0,0,0,0,0"}));
  EXPECT_EQ(lines[7 + 32], "\"Eof\",0,0,0,0,0");
  EXPECT_EQ(lines[71], "\"Pin\",0,0,0,\"\"");
  EXPECT_EQ(lines[72], "  \"Dev\",0,\"\"");
  EXPECT_EQ(lines[73], "  \"Cfg\",0");
  EXPECT_EQ(lines[74], "  \"PAM\",1,1,1");
  EXPECT_EQ(lines.back(), "\"End\"");
}

TEST(ConfigFileLayoutTest, PinWithTwelveAspectsWritesEveryAspectAndStep) {
  Configuration c = DefaultConfiguration();
  c.Pins[4].AspectMode = kAspectMode12x3;
  c.Pins[4].Description = "Signal";
  c.Pins[4].Aspects[1].Steps[2] = Step(9, 1, 5, 0, 0, 1);
  const std::string text = Saved(c);
  const std::string block =
      "\"Pin\",4,2,0,\"Signal\"\r\n  \"Dev\",0,\"\"\r\n  \"Cfg\",0\r\n  \"PAM\",1,1,1\r\n"
      "  \"Asp\",0,\"\"\r\n    \"Ins\",0,0,0,0,0,0\r\n    \"Ins\",1,0,0,0,0,0\r\n"
      "    \"Ins\",2,0,0,0,0,0\r\n  \"Asp\",1,\"\"\r\n    \"Ins\",0,0,0,0,0,0\r\n"
      "    \"Ins\",1,0,0,0,0,0\r\n    \"Ins\",2,25,1,5,0,0\r\n  \"Asp\",2,\"\"\r\n";
  EXPECT_NE(text.find(block), std::string::npos) << text.substr(text.find("\"Pin\",4"), 400);
  EXPECT_EQ(Lines(text).size(), 200u + 12 * 4);
}

TEST(ConfigFileLayoutTest, SettingsRecordsFollowTheControls) {
  const std::vector<std::string> lines = Lines(Saved(RichConfiguration()));
  EXPECT_EQ(lines[1], "\"ID$\",\"Bahnhof Sued\"");
  EXPECT_EQ(lines[2], "\"DCC\",17,300,5");
  EXPECT_EQ(lines[3], "\"XAD\",64,0,12,5,2,8,3");
  EXPECT_EQ(lines[4], "\"HWC\",1,2,0,3");
  EXPECT_EQ(lines[5], "\"LED\",69,0");
  EXPECT_EQ(lines[6], "\"SPC\",1,\"38400\",8,3,1");
  EXPECT_EQ(lines[7], "\"Eon\",0,1,4,0,12");
  EXPECT_EQ(lines[7 + 32], "\"Eof\",0,2,0,0,0");
  EXPECT_EQ(lines[7 + 63], "\"Eof\",31,0,8,9,0");
}

TEST(ConfigFileLayoutTest, FlexibleLumoAddressingWritesTheStartNotTheNativeFlag) {
  Configuration c = DefaultConfiguration();
  c.Settings.LumoFlex = true;
  c.Settings.LumoModeAddress = 37;
  EXPECT_EQ(Lines(Saved(c))[3], "\"XAD\",37,1,0,0,0,0,0");
}

TEST(ConfigFileLayoutTest, ConfigBytesPerTypeAndServoStatusBitDroppedInTheModel) {
  Configuration c = DefaultConfiguration();
  c.Pins[0].PinConfig = {1, 64, 2 + 8 + 64, 64, 127, 58, 127, 127, 64, 0, 64, 0, 9};
  c.Pins[1].PinConfig = {2, 0, 0, 28, 0, 31, 7, 7, 7, 7, 7, 7, 7};
  c.Pins[2].PinConfig = {5, 0, 0, 4, 4, 9, 9, 9, 9, 9, 9, 9, 9};
  c.Pins[3].PinConfig = {9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::string text = ConfigurationText(c, SaveForm::kFull);
  EXPECT_NE(text.find("  \"Cfg\",1,64,10,64,127,58,127,127,64,0,64,0\r\n"), std::string::npos);
  EXPECT_NE(text.find("  \"Cfg\",2,0,0,28,0,31\r\n"), std::string::npos);
  EXPECT_NE(text.find("  \"Cfg\",5,0,0,4,4\r\n"), std::string::npos);
  EXPECT_NE(text.find("  \"Cfg\",9\r\n"), std::string::npos);
  EXPECT_EQ(c.Pins[0].PinConfig[2], 10);
}

TEST(ConfigFileRoundTripTest, FullSaveAndLoadRestoreEverySavedField) {
  Configuration original = RichConfiguration();
  const std::string text = ConfigurationText(original, SaveForm::kFull);
  Configuration loaded = DefaultConfiguration();
  const ConfigLoadResult r = LoadConfigurationText(text, loaded);
  ASSERT_TRUE(r.ok) << r.error.line << ": " << r.error.reason;
  EXPECT_EQ(r.version, 3230);
  // The rich pins keep no data outside the file's records, and their live levels equal P1.
  EXPECT_EQ(SavedSettings(loaded.Settings), SavedSettings(original.Settings));
  EXPECT_TRUE(loaded.EventControl == original.EventControl);
  for (int p = 0; p < kPinCount; ++p) EXPECT_EQ(loaded.Pins[p], original.Pins[p]) << "pin " << p;
  EXPECT_EQ(ConfigurationText(loaded, SaveForm::kFull), text);
}

TEST(ConfigFileRoundTripTest, CompactFileHoldsOnlyTheDescribedPinAndLeavesOthersUntouched) {
  Configuration c = DefaultConfiguration();
  c.Pins[5].Description = "Only pin";
  c.Pins[5].AspectMode = kAspectMode4x9;
  c.Pins[5].Aspects[1].Description = "Lit";
  c.Pins[5].Aspects[1].Steps[0] = Step(9);
  c.Pins[5].Aspects[1].Steps[3] = Step(102, 0, 0, 5, 1);
  c.Pins[5].Aspects[2].Steps[0] = Step(9);  // no description: left out with its steps
  const std::vector<std::string> lines = Lines(Saved(c, SaveForm::kCompact));
  const std::vector<std::string> pin_block(lines.begin() + 71, lines.end());
  EXPECT_EQ(lines.size(), 1u + 6 + 64 + 4 + 1 + 2 + 1);
  EXPECT_EQ(pin_block, (std::vector<std::string>{"\"Pin\",5,3,0,\"Only pin\"", "  \"Dev\",0,\"\"",
                                                 "  \"Cfg\",0", "  \"PAM\",1,1,1",
                                                 "  \"Asp\",1,\"Lit\"", "    \"Ins\",0,9,0,0,0,0",
                                                 "    \"Ins\",3,102,0,0,5,1", "\"End\""}));

  Configuration other = RichConfiguration();
  const Configuration before = other;
  std::string text = Saved(c, SaveForm::kCompact);
  ASSERT_TRUE(LoadConfigurationText(text, other).ok);
  for (int p = 0; p < kPinCount; ++p) {
    if (p != 5) {
      EXPECT_EQ(other.Pins[p], before.Pins[p]) << "pin " << p;
    }
  }
  EXPECT_EQ(other.Pins[5].Description, "Only pin");
  EXPECT_EQ(other.Pins[5].Aspects[2].Steps[0], StepRecord{});  // cleared by the Pin record
}

TEST(ConfigFileRoundTripTest, EventWithoutNumberIsWrittenAsZeroAndReadBackAsMinusOne) {
  Configuration c = DefaultConfiguration();
  c.EventControl[3].EventOn = {-1, 0, 11, -1, -1};
  const std::string text = Saved(c);
  EXPECT_NE(text.find("\"Eon\",3,0,1,12,0\r\n"), std::string::npos);
  Configuration loaded = DefaultConfiguration();
  loaded.EventControl[3].EventOn = {5, 5, 5, 5, -1};
  ASSERT_TRUE(LoadConfigurationText(text, loaded).ok);
  EXPECT_EQ(loaded.EventControl[3].EventOn, (std::array<int, 5>{-1, 0, 11, -1, -1}));
}

TEST(ConfigFileRoundTripTest, TextInTheCodePageSurvivesTheDiskFileItReplaces) {
  TempDir dir;
  WriteBytes(dir.File("a.dat"), "old");
  Configuration c = DefaultConfiguration();
  c.Pins[2].Description = "Straßenlaterne – Süd";
  ScriptedPrompter prompter;
  ASSERT_TRUE(SaveConfigurationFile(dir.File("a.dat"), c, SaveForm::kCompact, prompter));
  const std::string bytes = ReadBytes(dir.File("a.dat"));
  EXPECT_EQ(bytes, Utf8ToCp1252(Saved(c, SaveForm::kCompact)));
  EXPECT_EQ(dir.Entries(), 1) << "the temporary file was left behind";
  EXPECT_NE(bytes.find("\"Stra\xDF"
                       "enlaterne \x96 S\xFC"
                       "d\""),
            std::string::npos);
  Configuration loaded = DefaultConfiguration();
  ASSERT_TRUE(LoadConfigurationFile(dir.File("a.dat"), loaded, prompter));
  EXPECT_EQ(loaded.Pins[2].Description, "Straßenlaterne – Süd");
  EXPECT_TRUE(prompter.Texts().empty());
}

std::string File(const std::string& version, const std::string& body);
Configuration Loaded(const std::string& text, Configuration c = DefaultConfiguration());

// ---- Golden files: every field at the top (full form) and the bottom (compact form, with
// Enforced eXtended Address and the zeros its write sends) of what its frame carries, and a file
// of the older tool, which knows neither the enforced flag nor the enable map ----

struct GoldenCase {
  const char* file;
  SaveForm form;
  bool knows_module_flags;
};

class GoldenFileTest : public ::testing::TestWithParam<GoldenCase> {
 protected:
  std::string Bytes() const { return ReadBytes(std::string(PYRA_TEST_DATA "/") + GetParam().file); }
  Configuration Load(const std::string& bytes) const {
    Configuration c = DefaultConfiguration();
    const ConfigLoadResult r = LoadConfigurationText(Cp1252ToUtf8(bytes), c);
    EXPECT_TRUE(r.ok) << r.error.line << ": " << r.error.reason;
    return c;
  }
  std::string Saved(Configuration c) const {
    return Utf8ToCp1252(ConfigurationText(c, GetParam().form));
  }
};

TEST_P(GoldenFileTest, LoadThenSaveReproducesTheFileByteForByte) {
  const std::string bytes = Bytes();
  ASSERT_FALSE(bytes.empty());
  const Configuration c = Load(bytes);
  EXPECT_EQ(Saved(c), bytes);
  EXPECT_EQ(c.Settings.ForceXAKnown, GetParam().knows_module_flags);
  EXPECT_EQ(c.Settings.InitEEKnown, GetParam().knows_module_flags);
}

// Write All onto a factory-fresh module, then Read All over the loaded file (which keeps the
// descriptions a module does not hold): the same file comes back. (A file of the older tool
// comes back with the two records a module always tells.)
TEST_P(GoldenFileTest, WriteAllThenReadAllBringsTheSameFileBack) {
  if (!GetParam().knows_module_flags) return;
  const Configuration loaded = Load(Bytes());
  ManualClock clock;
  ScriptedPrompter prompter;
  sim::Simulator simulator;
  Link link(clock, prompter);
  link.Open(simulator.Connect(clock, 19200));
  link.State().Bidirectional = true;
  ASSERT_TRUE(WriteAll(link, loaded));
  Configuration back = loaded;
  ASSERT_TRUE(ReadAll(link, back));
  EXPECT_TRUE(prompter.Texts().empty()) << prompter.Last();
  EXPECT_EQ(Saved(back), Bytes());
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFileTest,
                         ::testing::Values(GoldenCase{"limits_full.dat", SaveForm::kFull, true},
                                           GoldenCase{"limits_compact.dat", SaveForm::kCompact,
                                                      true},
                                           GoldenCase{"older_tool.dat", SaveForm::kFull, false}),
                         [](const auto& info) {
                           const std::string f = info.param.file;
                           return f.substr(0, f.find('.'));
                         });

TEST(ConfigFileLoadTest, EnforcedFlagAndEnableMapAreTakenOnlyFromTheirRecords) {
  Configuration c = DefaultConfiguration();
  c.Settings.ModuleXAddress = 40;
  c = Loaded(File("3230", "\"XAE\",1\r\n\"EEM\",5,10\r\n"), c);
  EXPECT_TRUE(c.Settings.ForceXA && c.Settings.ForceXAKnown && c.Settings.InitEEKnown);
  EXPECT_EQ(c.Settings.ModuleXAddress, 40);  // the box keeps its value, as after a read
  EXPECT_EQ(c.Settings.InitEE, (std::array<bool, 8>{0, 1, 0, 1, 1, 0, 1, 0}));
  // The module's own mark for Enforced in the eXtended Address field means the same.
  c = Loaded(File("3230", "\"XAD\",0,0,127,0,0,0,0\r\n"));
  EXPECT_TRUE(c.Settings.ForceXA && c.Settings.ForceXAKnown);
  EXPECT_EQ(c.Settings.ModuleXAddress, 0);
  EXPECT_FALSE(c.Settings.InitEEKnown);
}

// ---- Loading rules ----

std::string File(const std::string& version, const std::string& body) {
  return "\"PyraConfiguration " + version + "\"\r\n" + body + "\"End\"\r\n";
}

Configuration Loaded(const std::string& text, Configuration c) {
  const ConfigLoadResult r = LoadConfigurationText(text, c);
  EXPECT_TRUE(r.ok) << r.error.line << ": " << r.error.reason;
  return c;
}

TEST(ConfigFileLoadTest, Version0019FileIsAnnouncedAndItsPwmPinGetsDefaultLevels) {
  TempDir dir;
  WriteBytes(dir.File("old.dat"), File("0019",
                                       "\"ID$\",\"Old\"\r\n\"DCC\",12\r\n"
                                       "\"Pin\",3,0,0,\"Dimmer\"\r\n  \"Cfg\",2,7,1,20\r\n"
                                       "  \"PAM\",2,3\r\n"));
  Configuration c = DefaultConfiguration();
  c.Pins[3].PinConfig = {2, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0};
  c.Pins[3].XDccCount = 1;
  c.Settings.XDccAddress = 99;
  ScriptedPrompter prompter;
  EXPECT_TRUE(LoadConfigurationFile(dir.File("old.dat"), c, prompter));
  ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"Data File Version = 19"});
  EXPECT_EQ(prompter.All()[0].icon, Icon::kInformation);
  EXPECT_EQ(c.Settings.IDString, "Old");
  EXPECT_EQ(c.Pins[3].PinConfig,
            (std::array<uint8_t, 13>{2, 7, 1, 20, 0, 31, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.Pins[3].LiveLevel, 7);
  EXPECT_EQ(c.Pins[3].DccCount, 2);
  EXPECT_EQ(c.Pins[3].LumoCount, 3);
  EXPECT_EQ(c.Pins[3].XDccCount, 1);  // set by the Pin record, not read
  EXPECT_EQ(c.Settings.DccAddress, 12);
  EXPECT_EQ(c.Settings.XDccAddress, 99);
}

struct VersionCase {
  const char* version;
  const char* dcc;
  int xdcc;
  int retention;
  bool allow0;
};

class DccVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(DccVersionTest, DccRecordFieldsDependOnTheVersion) {
  Configuration c = DefaultConfiguration();
  c.Settings.XDccAddress = 7;
  c.Settings.PacketRetention = 3;
  ASSERT_TRUE(LoadConfigurationText(File(GetParam().version, GetParam().dcc), c).ok);
  EXPECT_EQ(c.Settings.DccAddress, 40);
  EXPECT_EQ(c.Settings.XDccAddress, GetParam().xdcc);
  EXPECT_EQ(c.Settings.PacketRetention, GetParam().retention);
  EXPECT_EQ(c.Settings.AllowAddress0, GetParam().allow0);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, DccVersionTest,
    ::testing::Values(VersionCase{"0022", "\"DCC\",40\r\n", 7, 3, false},
                      VersionCase{"0023", "\"DCC\",40,9\r\n", 7, 1, true},
                      VersionCase{"0032", "\"DCC\",40,300,12\r\n", 300, 0, true},
                      VersionCase{"3230", "\"DCC\",40.75,1,2\r\n", 1, 2, false}));

TEST(ConfigFileLoadTest, NativeFlagIsReadFromVersion3100On) {
  for (const auto& [version, native] : {std::pair{"3099", false}, std::pair{"3100", true}}) {
    const Configuration c = Loaded(File(version, "\"XAD\",64,0,95,15,0,0,1\r\n"));
    EXPECT_EQ(c.Settings.PRNative, native) << version;
    EXPECT_FALSE(c.Settings.LumoFlex);
    EXPECT_EQ(c.Settings.LumoModeAddress, 0);
    EXPECT_EQ(c.Settings.ModuleXAddress, 95);
    EXPECT_TRUE(c.Settings.GroupMask[3]);
    EXPECT_TRUE(c.Settings.GroupMask[12]);
    EXPECT_FALSE(c.Settings.GroupMask[4]);
  }
}

TEST(ConfigFileLoadTest, LedMaskZeroGreysTheNothingBox) {
  const Configuration c = Loaded(File("3230", "\"LED\",5,0\r\n"));
  EXPECT_EQ(c.Settings.LedGreen, (std::array<int, 8>{1, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(c.Settings.LedOrange, (std::array<int, 8>{0, 0, 0, 0, 0, 0, 0, 2}));
}

TEST(ConfigFileLoadTest, SerialPortRecordSelectsByTextAndKeepsAnUnknownRate) {
  Configuration c = DefaultConfiguration();
  c.Settings.SerialBaudIndex = 2;
  c = Loaded(File("3230", "\"SPC\",1,\"12345\",8,1,2\r\n"), c);
  EXPECT_TRUE(c.Settings.SerialEnable);
  EXPECT_EQ(c.Settings.SerialBaudIndex, 2);
  EXPECT_TRUE(c.Settings.SerialDataBits8);
  EXPECT_EQ(c.Settings.SerialParity, 0);
  EXPECT_TRUE(c.Settings.SerialStop2);
  c = Loaded(File("3230", "\"SPC\",2,\"115200\",7,2,1\r\n"), c);
  EXPECT_FALSE(c.Settings.SerialEnable);
  EXPECT_EQ(c.Settings.SerialBaudIndex, 7);
  EXPECT_EQ(c.Settings.SerialParity, 2);
}

TEST(ConfigFileLoadTest, CfgRecordConvertsAnOldServoRangeClearsAnUnknownTypeKeepsAnInputsTail) {
  Configuration c = DefaultConfiguration();
  c.Pins[1].PinConfig = {1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  c.Pins[2].PinConfig = {1, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  c = Loaded(File("3230",
                  "\"Pin\",0,0,0,\"\"\r\n\"Cfg\",1,64,48,64,1,2,3,4,64,0,64,0\r\n"
                  "\"Pin\",1,0,0,\"\"\r\n\"Cfg\",7\r\n\"Pin\",2,0,0,\"\"\r\n\"Cfg\",4,1,2,3,4\r\n"),
             c);
  EXPECT_EQ(c.Pins[0].PinConfig[2], 43);  // the range was in the high nibble
  EXPECT_EQ(c.Pins[0].LiveLevel, 64);
  EXPECT_EQ(c.Pins[1].PinConfig, (std::array<uint8_t, 13>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}));
  EXPECT_EQ(c.Pins[2].PinConfig, (std::array<uint8_t, 13>{4, 1, 2, 3, 4, 9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST(ConfigFileLoadTest, CombinedOpcodeIsSplitOnlyWhenTheInstructionHasFade) {
  const std::string text =
      File("3230", "\"Pin\",0,2,0,\"\"\r\n\"Asp\",0,\"\"\r\n\"Ins\",1,20,0,7,0,0\r\n");
  Configuration with_fade = DefaultConfiguration();
  ASSERT_TRUE(LoadConfigurationText(text, with_fade, [](int code) { return code == 4; }).ok);
  EXPECT_EQ(with_fade.Pins[0].Aspects[0].Steps[1], (StepRecord{4, 1, 0, 7, 0, 0}));

  Configuration without = DefaultConfiguration();
  ASSERT_TRUE(LoadConfigurationText(text, without, [](int) { return false; }).ok);
  EXPECT_EQ(without.Pins[0].Aspects[0].Steps[1].Opcode, 20);
  EXPECT_EQ(without.Pins[0].Aspects[0].Steps[1].Fade, 0);

  Configuration table = DefaultConfiguration();  // the real table: SendSerial 1 has no fade
  ASSERT_TRUE(LoadConfigurationText(text, table).ok);
  EXPECT_EQ(table.Pins[0].Aspects[0].Steps[1].Opcode, 20);
}

TEST(ConfigFileLoadTest, UnknownFieldsAreSkippedOneByOneAndTheHeaderNeedsNoQuotes) {
  EXPECT_EQ(Loaded(File("3230", "\"Xyz\",1,\"two\",3\r\n\"ID$\",\"Kept\"\r\n")).Settings.IDString,
            "Kept");
  EXPECT_EQ(Loaded("PyraConfiguration 3230\r\n\"ID$\",\"X\"\r\n\"End\"\r\n").Settings.IDString,
            "X");
}

// Found by fuzzing: a text with a double quote was loaded as it stood and turned into an
// apostrophe only by the next save, so saving and loading again changed the configuration.
TEST(ConfigFileLoadTest, DoubleQuoteInAnUnquotedTextIsTakenAsTheSaveWritesIt) {
  const Configuration c = Loaded(
      File("3230", "\"ID$\",Yard \"A\"\r\n\"Pin\",2,3,0,12\" lamp\r\n  \"Dev\",0,Gate\"\r\n"));
  EXPECT_EQ(c.Settings.IDString, "Yard 'A'");
  EXPECT_EQ(c.Pins[2].Description, "12' lamp");
  EXPECT_EQ(c.Pins[2].DeviceName, "Gate'");
  const Configuration again = Loaded(Saved(c));
  EXPECT_EQ(again.Settings.IDString, c.Settings.IDString);
  EXPECT_EQ(again.Pins[2], c.Pins[2]);
}

struct MalformedCase {
  const char* name;
  std::string text;  // with line 0 the header, else what follows the good lines 1..3
  int line;
  std::string reason;
};

class MalformedFileTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedFileTest, IsReportedWithLineAndReasonAndChangesNothing) {
  const MalformedCase& m = GetParam();
  TempDir dir;
  WriteBytes(dir.File("bad.dat"), m.line == 0
                                      ? m.text + "\"ID$\",\"X\"\r\n\"End\"\r\n"
                                      : "\"PyraConfiguration 3230\"\r\n\"ID$\",\"Changed\"\r\n"
                                        "\"Pin\",0,3,0,\"Changed\"\r\n" +
                                            m.text);
  Configuration c = RichConfiguration();
  const Configuration before = c;
  ScriptedPrompter prompter;
  EXPECT_FALSE(LoadConfigurationFile(dir.File("bad.dat"), c, prompter));
  const std::string where =
      m.line == 0 ? "" : "\r\nLine " + std::to_string(m.line) + ": " + m.reason;
  ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid configuration file" + where});
  EXPECT_EQ(prompter.All()[0].icon, Icon::kExclamation);
  EXPECT_EQ(c.Settings.IDString, before.Settings.IDString);
  EXPECT_TRUE(c.Pins == before.Pins);
  EXPECT_TRUE(c.EventControl == before.EventControl);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MalformedFileTest,
    ::testing::Values(
        MalformedCase{"header_of_23_characters", "\"PyraConfiguration  3230\"\r\n", 0, ""},
        MalformedCase{"header_misspelt", "\"PyraConfiguratio 03230\"\r\n", 0, ""},
        MalformedCase{"header_of_a_library", "\"PyraDeviceDefinitions \"\r\n", 0, ""},
        MalformedCase{"header_missing", "\r\n", 0, ""},
        MalformedCase{"no_end", "\"PAM\",1,1,1\r\n", 4, "the file ends before \"End\""},
        MalformedCase{"cut_record", "\"PAM\",1,1", 4, "the file ends before \"End\""},
        MalformedCase{"not_a_number", "\"Dev\",abc,\"x\"\r\n\"End\"\r\n", 4,
                      "\"abc\" is not a whole number (device link)"},
        MalformedCase{"not_a_general_number", "\"DCC\",abc,0,0\r\n\"End\"\r\n", 4,
                      "\"abc\" is not a number (DCC address)"},
        MalformedCase{"pin_index", "\"Eon\",33,0,0,0,0\r\n\"End\"\r\n", 4,
                      "pin index 33 is out of range 0..32"},
        MalformedCase{"aspect_index", "\"Asp\",13,\"x\"\r\n\"End\"\r\n", 4,
                      "aspect index 13 is out of range 0..12"},
        MalformedCase{"step_index", "\"Asp\",1,\"\"\r\n\"Ins\",10,9,0,0,0,0\r\n\"End\"\r\n", 5,
                      "step index 10 is out of range 0..9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigFileLoadTest, RefreshRunsAfterTheSwapInTheFixedOrder) {
  TempDir dir;
  Configuration rich = RichConfiguration();
  ScriptedPrompter prompter;
  ASSERT_TRUE(SaveConfigurationFile(dir.File("r.dat"), rich, SaveForm::kFull, prompter));
  Configuration c = DefaultConfiguration();
  std::vector<LoadRefresh> order;
  std::vector<int> dcc_totals;
  ASSERT_TRUE(LoadConfigurationFile(dir.File("r.dat"), c, prompter, [&](LoadRefresh r) {
    order.push_back(r);
    dcc_totals.push_back(c.DccTotal);
  }));
  using R = LoadRefresh;
  EXPECT_EQ(order, (std::vector<R>{R::kShowModuleDccRange, R::kShowPinDccAddressAfterDcc,
                                   R::kShowModuleXDccRange, R::kShowPinXDccAddressAfterDcc,
                                   R::kShowPin, R::kShowPinConfig, R::kApplyShowDetails,
                                   R::kShowPinEvents, R::kComputeDccStarts, R::kShowPinDccAddress,
                                   R::kComputeLumoStarts, R::kShowPinLumoAddress,
                                   R::kComputeXDccStarts, R::kShowPinXDccAddress}));
  // Pin 1 has no DCC output and pin 4 two: the sums are new from their step on.
  EXPECT_EQ(dcc_totals[7], 32);
  EXPECT_EQ(dcc_totals[8], 32);
  EXPECT_EQ(c.DccStart[5], 5);
  EXPECT_EQ(c.LumoStart[5], 6);
  EXPECT_EQ(c.DccBase, 65);
}

// ---- Saving ----

TEST(ConfigFileSaveTest, CancelledDialogDoesNothing) {
  Configuration c = DefaultConfiguration();
  ScriptedPrompter prompter;
  EXPECT_FALSE(SaveConfigurationFile("", c, SaveForm::kFull, prompter));
  EXPECT_FALSE(LoadConfigurationFile("", c, prompter));
  EXPECT_TRUE(prompter.Texts().empty());
}

// A file size limit makes the write run out of room as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

TEST(ConfigFileSaveTest, FailedSaveLeavesThePreviousFileByteIdenticalAndSaysSo) {
  TempDir dir;
  const std::string path = dir.File("layout.dat");
  const std::string previous = "\"PyraConfiguration 3230\"\r\n\"End\"\r\n";
  WriteBytes(path, previous);
  Configuration c = RichConfiguration();
  ScriptedPrompter prompter;
  bool saved = true;
  {
    FileSizeLimit limit(1000);
    saved = SaveConfigurationFile(path, c, SaveForm::kFull, prompter);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadBytes(path), previous);
  EXPECT_EQ(dir.Entries(), 1) << "the temporary file was left behind";
  ASSERT_EQ(prompter.Texts().size(), 1u);
  EXPECT_EQ(prompter.All()[0].icon, Icon::kExclamation);
  const std::string text = prompter.Last();
  EXPECT_EQ(text.rfind("The configuration could not be saved to " + path + ":\r\n", 0), 0u) << text;
  EXPECT_TRUE(text.ends_with("\r\nThe file was not changed.")) << text;
}

}  // namespace
}  // namespace pyra

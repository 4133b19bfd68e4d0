// Configuration files, device libraries and the edit operations against golden files: each row
// of tests/data/files/cases.txt runs steps over a configuration and compares the file it saves
// with an expected file byte for byte; text_cases.txt holds the files that must be refused.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "devices/Devices.h"
#include "files/ConfigFile.h"
#include "files/Cp1252.h"
#include "helptools/EditOps.h"
#include "link/Link.h"
#include "operations/Batch.h"
#include "operations/FieldLimits.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"
#include "support/Split.h"

namespace pyra {
namespace {

using test::ReadBytes;
using test::ScriptedPrompter;
using Texts = std::vector<std::string>;

std::string Data(const std::string& name) { return PYRA_TEST_DATA "/files/" + name; }

using test::Split;

// \r, \n and \xHH as written in the tables.
std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : 0;
    if (text[i] != '\\' || (next != 'r' && next != 'n' && next != 'x')) {
      out += text[i];
    } else if (next == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += next == 'r' ? '\r' : '\n';
      ++i;
    }
  }
  return out;
}

// The rows of a table: tab-separated columns, '#' lines and blank lines left out.
std::vector<Texts> Rows(const std::string& table) {
  std::ifstream in(Data(table));
  std::vector<Texts> rows;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') rows.push_back(Split(line, "\t"));
  }
  return rows;
}

DeviceLibrary LibraryOf(const std::string& path) {
  DeviceLibrary library;
  library.Names = ListDefinitions(Cp1252ToUtf8(ReadBytes(path)));
  library.DeviceFiles.assign(library.Names.size(), path);
  return library;
}

TEST(GoldenFileTest, StepsOverAConfigurationSaveTheExpectedFile) {
  const std::vector<Texts> rows = Rows("cases.txt");
  ASSERT_GE(rows.size(), 15u);
  for (const Texts& row : rows) {
    ASSERT_EQ(row.size(), 4u) << row[0];
    SCOPED_TRACE(row[0]);
    Configuration c = DefaultConfiguration();
    ScriptedPrompter prompter;
    PinClipboard pins;
    AspectClipboard aspects;
    const std::map<std::string, std::function<void()>> edits = {
        {"copy-pin", [&] { CopyPin(c, pins); }},
        {"paste-pin", [&] { PastePin(c, pins, prompter); }},
        {"clear-pin", [&] { ClearPin(c); }},
        {"copy-aspect", [&] { CopyAspect(c, aspects); }},
        {"paste-aspect", [&] { PasteAspect(c, aspects, prompter); }},
        {"clear-aspect", [&] { ClearAspect(c); }},
        {"cleanup", [&] { CleanupAspect(c); }},
        {"insert-step", [&] { InsertStep(c); }},
        {"delete-step", [&] { DeleteStep(c); }}};
    for (const std::string& step : Split(row[1], " ")) {
      const Texts a = Split(step, ":");
      if (a[0] == "load") {
        const Configuration before = c;
        if (!LoadConfigurationFile(Data(a[1]), c, prompter)) {
          EXPECT_EQ(c, before);
        }
        for (const PinRecord& pin : c.Pins) EXPECT_EQ(pin.LiveLevel, pin.PinConfig[1]);
      } else if (a[0] == "apply") {
        const Texts at = Split(a[2], "@");
        const DeviceLibrary library = LibraryOf(Data(a[1]));
        c.CurrentPin = std::stoi(at[1]);
        const int entry = std::stoi(at[0]);
        ApplyDevice(c, library, entry, library.Names.at(entry), prompter);
      } else if (a[0] == "pin" || a[0] == "aspect" || a[0] == "step") {
        (a[0] == "pin"      ? c.CurrentPin
         : a[0] == "aspect" ? c.CurrentAspect
                            : c.CurrentStep) = std::stoi(a[1]);
      } else {
        ASSERT_EQ(edits.count(step), 1u) << step;
        edits.at(step)();
      }
    }
    EXPECT_EQ(prompter.Texts(), row[3].empty() ? Texts{} : Split(Unescape(row[3]), " | "));

    const Texts out = Split(row[2], ":");
    const Configuration before_save = c;
    const std::string saved =
        out[0] == "device"
            ? DeviceText(c, std::stoi(out[1]))
            : ConfigurationText(c, out[0] == "full" ? SaveForm::kFull : SaveForm::kCompact);
    EXPECT_EQ(Utf8ToCp1252(saved), ReadBytes(Data(out.back())));
    if (out[0] != "device") {  // what was saved is a current file: it comes back as it is
      Configuration again = DefaultConfiguration();
      ASSERT_TRUE(LoadConfigurationText(saved, again).ok);
      EXPECT_EQ(ConfigurationText(again, out[0] == "full" ? SaveForm::kFull : SaveForm::kCompact),
                saved);
    }
  }
}

// Files that are refused: the message, and nothing changed.
TEST(GoldenFileTest, RefusedFilesSayWhyAndChangeNothing) {
  test::TempDir dir;
  for (const Texts& row : Rows("text_cases.txt")) {
    ASSERT_EQ(row.size(), 4u) << row[0];
    SCOPED_TRACE(row[1]);
    const std::string path = dir.File("case");
    test::WriteBytes(path, Unescape(row[2]));
    Configuration c = DefaultConfiguration();
    ScriptedPrompter prompter;
    ASSERT_TRUE(LoadConfigurationFile(Data("limits_full.dat"), c, prompter));
    const Configuration before = c;
    std::string got;
    if (row[0] == "dat") {
      EXPECT_FALSE(LoadConfigurationFile(path, c, prompter));
    } else if (row[0] == "def") {
      const DeviceLibrary library = LibraryOf(path);
      EXPECT_FALSE(ApplyDevice(c, library, 0, library.Names.at(0), prompter));
    } else {  // a library: its caption and list at start-up, then the caption once appended
      DeviceLibrary library;
      LoadStandardDefinitions(library, {path}, {}, prompter);
      got = library.VersionCaption;
      for (const std::string& name : library.Names) got += "|" + name;
      ReloadDefinitions(
          library, true, [&](const std::string&) { return path; }, prompter);
      got += " + " + library.VersionCaption;
    }
    for (const std::string& text : prompter.Texts()) got += text;
    EXPECT_EQ(got, Unescape(row[3]));
    EXPECT_EQ(c, before);
  }
}

// Write All checks every value before its first frame: the limits files hold each field at its
// ends, and one value beyond is refused with nothing sent.
TEST(FieldLimitsTest, WriteAllRefusesAnUnwritableValueBeforeTheFirstFrame) {
  for (const char* file : {"limits_full.dat", "limits_compact.dat"}) {
    Configuration c = DefaultConfiguration();
    ASSERT_TRUE(LoadConfigurationText(Cp1252ToUtf8(ReadBytes(Data(file))), c).ok);
    EXPECT_EQ(UnwritableValue(c), std::nullopt) << file;
  }
  ManualClock clock;
  ScriptedPrompter prompter;
  sim::Simulator simulator;
  Link link(clock, prompter);
  link.Open(simulator.Connect(clock, 19200));
  link.State().Bidirectional = true;
  Configuration c = DefaultConfiguration();
  c.Pins[2].AspectMode = kAspectMode12x3;
  c.Pins[2].Aspects[1].Steps[0] = StepRecord{9, 0, 0, 200, 0, 0};
  EXPECT_FALSE(WriteAll(link, c));
  EXPECT_EQ(prompter.Texts(), Texts{"Pin 3, aspect 1, step 0: Par 1 200 is out of range 0..127, "
                                    "which no frame can carry.\r\nNothing was sent."});
  EXPECT_TRUE(simulator.Module().Requests().empty());
  EXPECT_EQ(simulator.Module().ResetFrames(), 0);
}

TEST(StandardLibraryTest, EveryShippedDeviceApplies) {
  const DeviceLibrary library = LibraryOf(PYRA_DEVICE_LIBRARY);
  EXPECT_GE(library.Names.size(), 8u);
  for (const std::string& name : library.Names) {
    Configuration c = DefaultConfiguration();
    const ApplyResult r = ApplyDeviceText(Cp1252ToUtf8(ReadBytes(PYRA_DEVICE_LIBRARY)), name, c);
    EXPECT_EQ(r.outcome, ApplyOutcome::kApplied) << name << ": " << r.error.reason;
  }
}

TEST(ConfigFileLoadTest, FadeIsSplitOffOnlyWhenTheInstructionHasIt) {
  const std::string text =
      "\"PyraConfiguration 3230\"\r\n\"Pin\",0,2,0,\"\"\r\n\"Asp\",0,\"\"\r\n"
      "\"Ins\",1,20,0,7,0,0\r\n\"End\"\r\n";
  for (const bool fade : {true, false}) {
    Configuration c = DefaultConfiguration();
    ASSERT_TRUE(LoadConfigurationText(text, c, [&](int code) { return fade && code == 4; }).ok);
    EXPECT_EQ(c.Pins[0].Aspects[0].Steps[1],
              (fade ? StepRecord{4, 1, 0, 7, 0, 0} : StepRecord{20, 0, 0, 7, 0, 0}));
  }
}

}  // namespace
}  // namespace pyra

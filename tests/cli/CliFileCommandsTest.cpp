// pyractl's configuration-file commands: backup, restore and verify against the in-process
// simulated module, and show, diff and convert on files alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "files/ConfigFile.h"
#include "files/RichConfiguration.h"
#include "files/TempDir.h"
#include "support/ScriptedPrompter.h"

namespace pyra::cli {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class PyractlFilesTest : public ::testing::Test {
 protected:
  struct Run {
    int status;
    std::string out;
    std::string err;
  };

  void SetUp() override {
    Configuration rich = test::RichConfiguration();
    test::ScriptedPrompter prompter;
    ASSERT_TRUE(SaveConfigurationFile(rich_, rich, SaveForm::kFull, prompter));
  }

  Run Pyractl(std::vector<std::string> args, bool progress = false) {
    std::ostringstream out, err;
    RunContext context{&simulator_, &clock_};
    context.show_progress = progress;
    const int status = RunPyractl(args, out, err, context);
    return {status, out.str(), err.str()};
  }

  TempDir dir_;
  const std::string rich_ = dir_.File("rich.dat");
  sim::Simulator simulator_;
  ManualClock clock_;
};

TEST_F(PyractlFilesTest, BackupOfAWrittenFileDiffersOnlyInWhatTheModuleDoesNotKeep) {
  const Run write = Pyractl({"--port", "sim", "write-all", rich_});
  ASSERT_EQ(write.status, kExitOk) << write.err;
  EXPECT_EQ(write.out, "");
  EXPECT_EQ(simulator_.Module().Memory().id_string, "Bahnhof Sued");

  const std::string backup = dir_.File("backup.dat");
  const Run read = Pyractl({"--port", "sim", "read-all", "-o", backup});
  ASSERT_EQ(read.status, kExitOk) << read.err;
  EXPECT_EQ(ReadBytes(backup).rfind("\"PyraConfiguration 3230\"\r\n", 0), 0u);

  const Run same = Pyractl({"diff", "--module", rich_, backup});
  EXPECT_EQ(same.status, kExitOk) << same.out;
  EXPECT_EQ(same.out, "");

  const Run texts = Pyractl({"diff", rich_, backup});
  EXPECT_EQ(texts.status, kExitFailure);
  EXPECT_NE(texts.out.find("Pin 1 description: \"Weiche 1 (Servo)\" -> \"\"\n"), std::string::npos)
      << texts.out;
  EXPECT_NE(texts.out.find("Pin 21 aspect 0 description: \"Stop\" -> \"\"\n"), std::string::npos);

  // With the descriptions loaded first, as the window keeps them across "Read All".
  const std::string named = dir_.File("named.dat");
  ASSERT_EQ(Pyractl({"--port", "sim", "read-all", "--names", rich_, "-o", named}).status, kExitOk);
  const Run diff = Pyractl({"diff", rich_, named});
  EXPECT_EQ(diff.status, kExitOk) << diff.out;
}

TEST_F(PyractlFilesTest, VerifyAllPrintsTheLogAndFailsOnAChangedId) {
  ASSERT_EQ(Pyractl({"--port", "sim", "write-all", rich_}).status, kExitOk);
  const Run ok = Pyractl({"--port", "sim", "verify-all", rich_});
  EXPECT_EQ(ok.status, kExitOk) << ok.out << ok.err;
  EXPECT_TRUE(ok.out.ends_with("\nVerify OK\n")) << ok.out;

  ASSERT_EQ(Pyractl({"--port", "sim", "id", "Changed"}).status, kExitOk);
  const Run bad = Pyractl({"--port", "sim", "verify-all", rich_});
  EXPECT_EQ(bad.status, kExitFailure);
  EXPECT_NE(bad.out.find("Changed"), std::string::npos) << bad.out;
  EXPECT_TRUE(bad.out.ends_with("Verification Stopped\n")) << bad.out;
}

// A module keeps no descriptions, so the compact form of a bare Read All would keep nothing.
TEST_F(PyractlFilesTest, CompactBackupIsRefusedWhileItWouldDropConfiguration) {
  ASSERT_EQ(Pyractl({"--port", "sim", "write-all", rich_}).status, kExitOk);
  const std::string backup = dir_.File("compact.dat");
  const Run bare = Pyractl({"--port", "sim", "read-all", "-o", backup, "--compact"});
  EXPECT_EQ(bare.status, kExitUsage);
  EXPECT_EQ(bare.err,
            "pyractl: the compact form would leave out 7 pins that hold configuration (Pin 1, "
            "Pin 2, Pin 5, Pin 10, ...): it keeps only pins and aspects with a description, and "
            "a module keeps none\n"
            "pyractl: describe them in a file given with --names FILE, or leave out --compact to "
            "save the full form; " +
                backup + " was not written\n");
  EXPECT_FALSE(std::filesystem::exists(backup));

  // Described pins are kept, but two of their aspects hold steps and have no description.
  const Run named = Pyractl(
      {"--port", "sim", "read-all", "--names", rich_, "-o", backup, "--compact", "--zero-based"});
  EXPECT_EQ(named.status, kExitUsage);
  EXPECT_EQ(named.err.substr(0, named.err.find(':', 10)),
            "pyractl: the compact form would leave out 2 aspects that hold configuration (Pin 4 "
            "aspect 3, Pin 21 aspect 0)");
  EXPECT_FALSE(std::filesystem::exists(backup));

  Configuration described = test::RichConfiguration();
  described.Pins[4].Aspects[3].Description = "Blink";
  described.Pins[21].Aspects[0].Description = "Sends";
  const std::string names = dir_.File("names.dat");
  test::ScriptedPrompter prompter;
  ASSERT_TRUE(SaveConfigurationFile(names, described, SaveForm::kFull, prompter));
  const Run kept =
      Pyractl({"--port", "sim", "read-all", "--names", names, "-o", backup, "--compact"});
  ASSERT_EQ(kept.status, kExitOk) << kept.err;
  const std::string text = ReadBytes(backup);
  EXPECT_NE(text.find("\"Pin\",0,2,1,\"Weiche 1 (Servo)\"\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\"Pin\",2,"), std::string::npos);
}

// A file of the older tool says nothing of the enforced flag and the enable map: restoring it
// keeps the module's own, and verifying it expects them.
TEST_F(PyractlFilesTest, FileWithoutEnforcedFlagAndEnableMapKeepsTheModules) {
  ASSERT_EQ(ReadBytes(rich_).find("\"XAE\""), std::string::npos);
  ASSERT_EQ(ReadBytes(rich_).find("\"EEM\""), std::string::npos);
  ASSERT_EQ(Pyractl({"--port", "sim", "write-all", rich_}).status, kExitOk);
  sim::ModuleMemory& memory = simulator_.Module().Memory();
  memory.x_address = 127;  // Enforced, as the module's own Write Settings left it
  memory.serial_address = {0, 0};
  memory.group_mask = {0, 0, 0, 0};
  memory.enable_map = {5, 10};
  const sim::ModuleMemory before = memory;

  const std::string backup = dir_.File("backup.dat");
  ASSERT_EQ(Pyractl({"--port", "sim", "read-all", "-o", backup}).status, kExitOk);
  for (const std::string& file : {backup, rich_}) {
    const Run verify = Pyractl({"--port", "sim", "verify-all", file});
    EXPECT_EQ(verify.status, kExitOk) << file << "\n" << verify.out << verify.err;
  }

  const std::size_t asked = simulator_.Module().Requests().size();
  const Run write = Pyractl({"--port", "sim", "write-all", rich_});
  ASSERT_EQ(write.status, kExitOk) << write.err;
  std::vector<std::vector<int>> general_writes;
  const auto& requests = simulator_.Module().Requests();
  for (std::size_t i = asked; i < requests.size(); ++i) {
    const std::vector<int>& p = requests[i].payload;
    if (p[0] == 96 && (p[1] == 2 || p[1] == 3 || p[1] == 8 || p[1] == 11))
      general_writes.push_back(p);
  }
  EXPECT_EQ(general_writes,
            (std::vector<std::vector<int>>{
                {96, 11, 5, 10}, {96, 8, 0, 0}, {96, 3, 0, 0, 0, 0}, {96, 2, 127}}));
  EXPECT_EQ(memory.x_address, before.x_address);
  EXPECT_EQ(memory.enable_map, before.enable_map);
  EXPECT_EQ(Pyractl({"--port", "sim", "verify-all", rich_}).status, kExitOk);
}

TEST_F(PyractlFilesTest, MalformedFileIsReportedAndNothingIsSent) {
  const std::string bad = dir_.File("bad.dat");
  WriteBytes(bad, "\"PyraConfiguration 3230\"\r\n\"PAM\",1,9,1\r\n\"End\"\r\n");
  const Run r = Pyractl({"--port", "sim", "write-all", bad});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.err, "Invalid configuration file\nLine 2: DCC count 9 is out of range 0..7\n");
  EXPECT_TRUE(simulator_.Module().Requests().empty());

  // What is not a regular file is refused as well, before the port is touched.
  const std::string folder = dir_.File("folder.dat");
  std::filesystem::create_directory(folder);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--port", "sim", "write-all", folder},
           {"--port", "sim", "verify-all", folder},
           {"--port", "sim", "read-all", "--names", folder, "-o", dir_.File("x.dat")}}) {
    const Run refused = Pyractl(args);
    EXPECT_EQ(refused.status, kExitFailure) << args[2];
    EXPECT_NE(refused.err, "") << args[2];
  }
  EXPECT_TRUE(simulator_.Module().Requests().empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("x.dat")));
}

TEST_F(PyractlFilesTest, ProgressLineOnlyWhenAskedFor) {
  const Run quiet = Pyractl({"--port", "sim", "write-all", rich_});
  EXPECT_EQ(quiet.err, "");
  const Run shown = Pyractl({"--port", "sim", "write-all", rich_}, true);
  EXPECT_EQ(shown.status, kExitOk);
  EXPECT_NE(shown.err.find("\r\x1b[KWriting pin 5 of 32"), std::string::npos);
  EXPECT_TRUE(shown.err.ends_with("\r\x1b[K"));
}

TEST_F(PyractlFilesTest, ShowListsSettingsPinsAspectsAndSteps) {
  const Run r = Pyractl({"show", rich_});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  for (const char* line : {
           "Configuration data version 3230\n",
           "  ID string: \"Bahnhof Sued\"\n",
           "  DCC: basic decoder address 17, extended decoder address 300, packet retention "
           "125ms, basic packet state invert on, allow address 0 off\n",
           "  Serial port: on, 38400 bit/s, 8 data bits, parity odd, 1 stop bits\n",
           "  Pin 1: on 0, 3, -, 11; off 1, -, -, -\n",
           "Pin 1 \"Weiche 1 (Servo)\", device \"Servo turnout\" (head)\n",
           "  Role: servo: initial position 6, range M, auto suspend, midpoint -4, 1/Mass 100, "
           "damping 50, MaxSpd 90, MaxAcc 80, BounceDown 6, BounceDownFactor 5, BounceUp -4, "
           "BounceUpFactor 30\n",
           "Pin 2 \"Frog polarity\", member of the device at Pin 1 \"Servo turnout\"\n",
           // The initial aspect as the editor's "Init" box shows it.
           "Pin 1 \"Weiche 1 (Servo)\", device \"Servo turnout\" (head)\n  Role: servo",
           "  12 aspects of 3 steps, initial aspect 0\n",
           "  12 aspects of 3 steps, initial aspect 1\n",
           "  4 aspects of 9 steps, initial aspect -1 (none)\n",
           "  Aspect 0 \"Straight\"\n",
           "    Step 0: Set Servo (P.O. 0, Pos. -44, fade)\n",
           "  Role: PWM output, inverted: initial level 5, drive linear, acceleration linear 12, "
           "off level 2, on level 29\n",
           "    Step 2: Wait (Time 5, Base 2, 00:06.40)\n",
           "    Step 8: SendSerial 2 (Byte1 200, Byte2 130)\n",
           "  Role: input, low active: OFF-delay 7, ON-delay 9\n",
           "  Addresses: 2 DCC output(s) from 68, 1 extended DCC at 303, 3 serial address(es) "
           "from 4 (pin address 1.4)\n",
       }) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n---\n" << r.out;
  }
  EXPECT_EQ(r.out.find("Pin 3 "), std::string::npos);  // not described
}

TEST_F(PyractlFilesTest, DiffNamesEachDifferingItem) {
  Configuration other = test::RichConfiguration();
  other.Settings.DccAddress = 18;
  other.EventControl[0].EventOn[1] = -1;
  other.Pins[4].Aspects[2].Steps[0].Par1 = 30;
  other.Pins[20].DeviceLink = 1;
  const std::string path = dir_.File("other.dat");
  test::ScriptedPrompter prompter;
  ASSERT_TRUE(SaveConfigurationFile(path, other, SaveForm::kFull, prompter));
  const Run r = Pyractl({"diff", rich_, path});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out,
            "Basic Decoder Addr: 17 -> 18\n"
            "Pin 1 Event-On 2: 3 -> -\n"
            "Pin 5 aspect 2 step 0: SetLevel & Wait (Accel -1, Level 31, Time 10, Base 1, "
            "00:01.60) -> SetLevel & Wait (Accel -1, Level 30, Time 10, Base 1, 00:01.60)\n"
            "Pin 21 device head: Pin 21 -> Pin 22\n");
  EXPECT_EQ(Pyractl({"--zero-based", "diff", rich_, path}).out.find("Pin 0 Event-On 2"), 0u + 29);
}

TEST_F(PyractlFilesTest, ConvertUpgradesAnOldFile) {
  const std::string old = dir_.File("old.dat");
  WriteBytes(old,
             "\"PyraConfiguration 0019\"\r\n\"DCC\",12\r\n\"Pin\",3,0,0,\"Dimmer\"\r\n"
             "\"Cfg\",2,7,1,20\r\n\"PAM\",2,3\r\n\"End\"\r\n");
  const std::string upgraded = dir_.File("new.dat");
  const Run r = Pyractl({"convert", old, upgraded, "--compact"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.err, "Data File Version = 19\n");
  const std::string text = ReadBytes(upgraded);
  EXPECT_EQ(text.rfind("\"PyraConfiguration 3230\"\r\n\"ID$\",\"\"\r\n\"DCC\",12,1,2\r\n", 0), 0u);
  EXPECT_NE(text.find("\"Pin\",3,0,0,\"Dimmer\"\r\n  \"Dev\",0,\"\"\r\n  \"Cfg\",2,7,1,20,0,31\r\n"
                      "  \"PAM\",1,2,3\r\n\"End\"\r\n"),
            std::string::npos)
      << text;
}

struct UsageCase {
  std::vector<std::string> args;
  std::string error;
};

class PyractlFileUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(PyractlFileUsageTest, IsRefusedBeforeAnythingRuns) {
  std::ostringstream out, err;
  sim::Simulator simulator;
  ManualClock clock;
  EXPECT_EQ(RunPyractl(GetParam().args, out, err, {&simulator, &clock}), kExitUsage);
  EXPECT_EQ(err.str(), "pyractl: " + GetParam().error + " (see pyractl --help)\n");
  EXPECT_TRUE(simulator.Module().Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PyractlFileUsageTest,
    ::testing::Values(
        UsageCase{{"--port", "sim", "read-all"}, "read-all needs -o FILE"},
        UsageCase{{"read-all", "-o", "x.dat"}, "read-all needs --port NAME (see pyractl ports)"},
        UsageCase{{"--port", "sim", "write-all"}, "write-all needs a configuration file"},
        UsageCase{{"diff", "a.dat"}, "diff needs two configuration files"},
        UsageCase{{"diff", "a", "b", "c"}, "too many arguments for diff: 'c'"},
        UsageCase{{"show", "a.dat", "-o", "b"}, "-o belongs to the read-all command"},
        UsageCase{{"show", "a.dat", "--compact"},
                  "--compact belongs to the read-all and convert commands"},
        UsageCase{{"show", "--module", "a.dat"}, "--module belongs to the diff command"},
        // An empty name would load nothing and go on with the defaults.
        UsageCase{{"--port", "sim", "write-all", ""}, "the FILE operand of write-all is empty"},
        UsageCase{{"--port", "sim", "verify-all", ""}, "the FILE operand of verify-all is empty"},
        UsageCase{{"--port", "sim", "read-all", "-o", ""}, "the -o FILE of read-all is empty"},
        UsageCase{{"--port", "sim", "read-all", "-o", "b.dat", "--names", ""},
                  "the --names FILE of read-all is empty"},
        UsageCase{{"show", ""}, "the FILE operand of show is empty"},
        UsageCase{{"diff", "", "b.dat"}, "the A operand of diff is empty"},
        UsageCase{{"convert", "a.dat", ""}, "the OUT operand of convert is empty"},
        // An ID that no configuration file could carry back.
        UsageCase{{"--port", "sim", "id", "a\"b"},
                  "id: The ID String cannot hold a double quote (\")."},
        UsageCase{{"--port", "sim", "id", "a\nb"}, "id: The ID String cannot hold a line break."}));

}  // namespace
}  // namespace pyra::cli

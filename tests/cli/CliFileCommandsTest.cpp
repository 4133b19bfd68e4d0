// pyractl's configuration-file commands: backup, restore and verify against the in-process
// simulated module, and show, diff and convert on files alone.
#include <gtest/gtest.h>

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

TEST_F(PyractlFilesTest, CompactBackupKeepsOnlyDescribedPins) {
  ASSERT_EQ(Pyractl({"--port", "sim", "write-all", rich_}).status, kExitOk);
  const std::string backup = dir_.File("compact.dat");
  ASSERT_EQ(
      Pyractl({"--port", "sim", "read-all", "--names", rich_, "-o", backup, "--compact"}).status,
      kExitOk);
  const std::string text = ReadBytes(backup);
  EXPECT_NE(text.find("\"Pin\",0,2,1,\"Weiche 1 (Servo)\"\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\"Pin\",2,"), std::string::npos);
}

TEST_F(PyractlFilesTest, MalformedFileIsReportedAndNothingIsSent) {
  const std::string bad = dir_.File("bad.dat");
  WriteBytes(bad, "\"PyraConfiguration 3230\"\r\n\"PAM\",1,9,1\r\n\"End\"\r\n");
  const Run r = Pyractl({"--port", "sim", "write-all", bad});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.err, "Invalid configuration file\nLine 2: DCC count 9 is out of range 0..7\n");
  EXPECT_TRUE(simulator_.Module().Requests().empty());
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
           "  12 aspects of 3 steps, initial aspect 1\n",
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
  EXPECT_EQ(RunPyractl(GetParam().args, out, err), kExitUsage);
  EXPECT_EQ(err.str(), "pyractl: " + GetParam().error + " (see pyractl --help)\n");
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
        UsageCase{{"show", "--module", "a.dat"}, "--module belongs to the diff command"}));

}  // namespace
}  // namespace pyra::cli

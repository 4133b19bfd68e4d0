#include "cli/CliRunner.h"

#include <gtest/gtest.h>

#include <sstream>

#include "link/Protocol.h"

namespace pyra::cli {
namespace {

// pyractl against the in-process simulated module, on manual time.
class PyractlSimTest : public ::testing::Test {
 protected:
  struct Run {
    int status;
    std::string out;
    std::string err;
  };

  Run Pyractl(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = RunPyractl(args, out, err, RunContext{&simulator_, &clock_});
    return {status, out.str(), err.str()};
  }

  sim::Simulator simulator_;
  ManualClock clock_;
};

TEST_F(PyractlSimTest, VersionPrintsTheFirmwareVersion) {
  const Run r = Pyractl({"--port", "sim", "version"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "3.2.0.17\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(PyractlSimTest, WrittenIdIsReadBackFromTheSameModule) {
  const Run write = Pyractl({"--port", "sim", "id", "Station West"});
  EXPECT_EQ(write.status, kExitOk);
  EXPECT_EQ(write.out, "");
  EXPECT_EQ(write.err, "");
  EXPECT_EQ(simulator_.Module().Memory().id_string, "Station West");

  const Run read = Pyractl({"--port", "sim", "id"});
  EXPECT_EQ(read.status, kExitOk);
  EXPECT_EQ(read.out, "Station West\n");
}

TEST_F(PyractlSimTest, LongIdIsCutToTwelveCharacters) {
  EXPECT_EQ(Pyractl({"--port", "sim", "id", "ABCDEFGHIJKLMNO"}).status, kExitOk);
  EXPECT_EQ(simulator_.Module().Memory().id_string, "ABCDEFGHIJKL");
}

TEST_F(PyractlSimTest, NonAsciiIdIsRefusedWithTheToolsMessage) {
  simulator_.Module().Memory().id_string = "Old";
  const Run r = Pyractl({"--port", "sim", "id", "Gare \xC3\xA9st"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.err,
            "The ID String can only hold plain ASCII characters (letters without accents, digits "
            "and common signs).\nNothing was sent.\n");
  EXPECT_EQ(simulator_.Module().Memory().id_string, "Old");
}

TEST_F(PyractlSimTest, MonitorListsOneLinePerPollBetweenStartAndStop) {
  const Run r = Pyractl({"--port", "sim", "monitor", "--count", "2"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "Start Monitoring\n<0> <0> <0> <0> \n<0> <0> <0> <0> \nMonitoring Stopped\n");
}

TEST_F(PyractlSimTest, SetAspectTakesThePinAsTheWindowNumbersIt) {
  EXPECT_EQ(Pyractl({"--port", "sim", "set-aspect", "4", "2"}).status, kExitOk);
  EXPECT_EQ(simulator_.Module().PinAspect(3), 2);
  EXPECT_EQ(Pyractl({"--port", "sim", "set-aspect", "4"}).status, kExitUsage);
}

TEST_F(PyractlSimTest, EraseWithoutYesIsAUsageErrorAndSendsNothing) {
  const Run r = Pyractl({"--port", "sim", "erase"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "pyractl: erase wipes the module's configuration memory; confirm with erase --yes "
            "(see pyractl --help)\n");
  EXPECT_EQ(simulator_.Module().Erases(), 0);
  EXPECT_TRUE(simulator_.Module().Requests().empty());
}

TEST_F(PyractlSimTest, EraseWithYesGetsPastBothWarnings) {
  simulator_.Module().Memory().id_string = "Station West";
  const Run r = Pyractl({"--port", "sim", "erase", "--yes"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(simulator_.Module().Erases(), 1);
  EXPECT_EQ(simulator_.Module().Memory().id_string, "");
}

TEST_F(PyractlSimTest, SilentModuleFailsWithTheLinkMessage) {
  const Run r = Pyractl({"--port", "sim", "--address", "2", "version"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "No response received, resetting bidirectional communication\n");
}

TEST_F(PyractlSimTest, AddressesReachTheModuleZeroBased) {
  simulator_.Module().GetConfig().address = 5;
  simulator_.Module().GetConfig().extended_address = 40;
  EXPECT_EQ(Pyractl({"--port", "sim", "--address", "6", "--xaddr", "41", "version"}).out,
            "3.2.0.17\n");
  EXPECT_EQ(
      Pyractl({"--zero-based", "--port", "sim", "--address", "5", "--xaddr", "40", "version"}).out,
      "3.2.0.17\n");
}

TEST_F(PyractlSimTest, VeloraTunnelReachesModulesAboveSixteen) {
  simulator_.Module().GetConfig().address = 20;
  const Run r = Pyractl({"--port", "sim", "--velora", "--address", "21", "version"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "3.2.0.17\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(PyractlSimTest, OldVeloraProtocolIsReportedOnSeparateLines) {
  simulator_.Velora().GetConfig().protocol_hi = 25;  // 3.100
  const Run r = Pyractl({"--port", "sim", "--velora", "version"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Your system does not support this function\nProtocol = 3.100\n");
}

TEST_F(PyractlSimTest, LogShowsTheFramesOnStandardError) {
  const Run r = Pyractl({"--log", "--port", "sim", "version"});
  EXPECT_EQ(r.status, kExitOk);
  EXPECT_EQ(r.out, "3.2.0.17\n");
  std::istringstream lines(r.err);
  std::string sent, received, rest;
  std::getline(lines, sent);
  std::getline(lines, received);
  EXPECT_EQ(sent.rfind("> ", 0), 0u) << r.err;
  EXPECT_EQ(received.rfind("< ", 0), 0u) << r.err;
  EXPECT_FALSE(std::getline(lines, rest)) << r.err;
}

TEST(CliPrompterTest, ScriptedAnswersComeFirstThenQuestionsAreDeclined) {
  std::ostringstream err;
  CliPrompter prompter(err);
  prompter.QueueAnswers({Answer::kCancel});
  EXPECT_EQ(prompter.Ask("first", Buttons::kOkCancel), Answer::kCancel);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(prompter.Ask("Go on?\r\nReally?", Buttons::kYesNo), Answer::kNo);
  EXPECT_EQ(err.str(), "Go on?\nReally?\n(answered No)\n");
  EXPECT_EQ(prompter.MessageCount(), 0);
}

TEST(PyractlTest, HelpGoesToStandardOutput) {
  std::ostringstream out, err;
  EXPECT_EQ(RunPyractl({"--help"}, out, err), kExitOk);
  EXPECT_EQ(out.str(), UsageText());
  EXPECT_EQ(err.str(), "");
}

TEST(PyractlTest, PortsEndWithTheBuiltInSimulator) {
  std::ostringstream out, err;
  EXPECT_EQ(RunPyractl({"ports"}, out, err), kExitOk);
  const std::string listed = out.str();
  ASSERT_GE(listed.size(), 4u);
  EXPECT_EQ(listed.substr(listed.size() - 4), "sim\n");
}

TEST(PyractlTest, UnopenablePortFailsWithTheReason) {
  std::ostringstream out, err;
  EXPECT_EQ(RunPyractl({"--port", "/dev/pyra-no-such-port", "version"}, out, err), kExitFailure);
  EXPECT_EQ(err.str(),
            "pyractl: Cannot open port /dev/pyra-no-such-port: No such file or directory\n");
}

}  // namespace
}  // namespace pyra::cli

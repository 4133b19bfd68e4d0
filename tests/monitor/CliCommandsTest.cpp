#include "monitor/CliCommands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "sim/SimChannel.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

// ---- Against the simulated module ----

class CliSimTest : public ::testing::Test {
 protected:
  CliSimTest() { link_.Open(sim_.Connect(clock_, 19200)); }
  std::vector<std::string> Recorded() {
    std::vector<std::string> texts;
    for (const auto& c : sim_.Module().LayoutCommands()) texts.push_back(c.text);
    return texts;
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  sim::Simulator sim_;
  Link link_{clock_, prompter_};
  std::ostringstream out_;
};

TEST_F(CliSimTest, SetAspectOnAPinAndOnAMapEntry) {
  EXPECT_EQ(RunSetAspectCommand(link_, 5, 3, false, out_), 0);
  EXPECT_EQ(RunSetAspectCommand(link_, 7, 2, true, out_), 0);
  EXPECT_EQ(Recorded(), (std::vector<std::string>{"Set aspect 3 on pin 5",
                                                  "Set aspect 2 on address-map entry 7"}));
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(&link_.GetPrompter(), &prompter_) << "the caller's prompter is back";
}

// Input 0 of the simulated module inverts every 500 ms; polls 100 ms apart see it change after
// every fifth poll.
TEST_F(CliSimTest, MonitorPrintsOneLinePerPollTenTimesASecond) {
  EXPECT_EQ(RunMonitorCommand(link_, 12, out_), 0);
  std::string expected = "Start Monitoring\n";
  for (int i = 0; i < 12; ++i)
    expected += (i / 5) % 2 ? "<1> <0> <0> <0> \n" : "<0> <0> <0> <0> \n";
  expected += "Monitoring Stopped\n";
  EXPECT_EQ(out_.str(), expected);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(CliSimTest, MonitorStopsWhenAskedBeforeAnyPoll) {
  std::atomic<bool> stop{true};
  EXPECT_EQ(RunMonitorCommand(link_, std::nullopt, out_, &stop), 0);
  EXPECT_EQ(out_.str(), "Start Monitoring\nMonitoring Stopped\n");
  EXPECT_TRUE(sim_.Module().Requests().empty());
}

// ---- Failures, on a scripted line ----

class CliScriptedTest : public LinkFixture {
 protected:
  CliScriptedTest() { SkipReset(); }
  std::ostringstream out_;
};

TEST_F(CliScriptedTest, MonitorStopsAtTheFirstMessage) {
  QueueReplies({{1, 2, 3, 4}});  // the second poll gets no answer
  EXPECT_EQ(RunMonitorCommand(link_, 5, out_), 1);
  EXPECT_EQ(out_.str(), "Start Monitoring\n<1> <2> <3> <4> \nMonitoring Stopped\n");
  EXPECT_EQ(
      prompter_.Texts(),
      (std::vector<std::string>{"No response received, resetting bidirectional communication"}));
}

// A timer that fell due several times during a wait fires once: the second poll goes out as
// soon as the slow reply is in, and the third a full interval after it, not in a burst.
TEST_F(CliScriptedTest, MonitorDropsTheTicksThatFellDueDuringALongWait) {
  channel_->QueueReply(Reply(67, {0, 0, 0, 1}), std::chrono::milliseconds(450));
  channel_->QueueReply(Reply(3, {0, 0, 0, 2}));
  channel_->QueueReply(Reply(67, {0, 0, 0, 3}));
  EXPECT_EQ(RunMonitorCommand(link_, 3, out_), 0);
  EXPECT_EQ(out_.str(),
            "Start Monitoring\n<0> <0> <0> <1> \n<0> <0> <0> <2> \n<0> <0> <0> <3> \n"
            "Monitoring Stopped\n");
  EXPECT_EQ(clock_.Now().time_since_epoch(), std::chrono::milliseconds(550));
}

TEST_F(CliScriptedTest, MonitorOnAClosedPortFails) {
  Link closed(clock_, prompter_);
  EXPECT_EQ(RunMonitorCommand(closed, 3, out_), 1);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Select Comm-port"}));
}

TEST_F(CliScriptedTest, SetAspectWithoutAnAnswerFails) {
  EXPECT_EQ(RunSetAspectCommand(link_, 1, 1, false, out_), 1);
  EXPECT_EQ(SentPayloads(), (std::vector<std::vector<int>>{{0, 0, 1, 1}}));
}

// ---- Arguments ----

// Pins and entries are typed as the window shows them, so the number base shifts the pin.
TEST(SetAspectArgumentsTest, NumbersAsTheWindowShowsThem) {
  const struct {
    const char* target;
    const char* aspect;
    bool map;
    int base;
    int wire_target;
    int wire_aspect;
    const char* error;
  } cases[] = {
      {"1", "0", false, 1, 0, 0, ""},
      {"32", "11", false, 1, 31, 11, ""},
      {"0", "1", false, 1, 0, 0, "the pin must be 1..32, not '0'"},
      {"31", "3", false, 0, 31, 3, ""},
      {"32", "3", false, 0, 0, 0, "the pin must be 0..31, not '32'"},
      {"128", "127", true, 1, 127, 127, ""},
      {"128", "1", true, 0, 0, 0, "the address-map entry must be 0..127, not '128'"},
      {"5", "128", false, 1, 0, 0, "the aspect must be 0..127, not '128'"},
      {"5x", "1", false, 1, 0, 0, "the pin must be 1..32, not '5x'"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.target) + " " + k.aspect + (k.map ? " map" : "") + " base " +
                 std::to_string(k.base));
    const SetAspectArguments a = ParseSetAspectArguments(k.target, k.aspect, k.map, k.base);
    EXPECT_EQ(a.error, k.error);
    if (a.error.empty()) {
      EXPECT_EQ(a.target, k.wire_target);
      EXPECT_EQ(a.aspect, k.wire_aspect);
    }
  }
}

TEST(MonitorCountArgumentTest, PositiveNumbersOnly) {
  EXPECT_EQ(ParseMonitorCount("10").count, 10);
  EXPECT_EQ(ParseMonitorCount("10").error, "");
  EXPECT_EQ(ParseMonitorCount("0").error, "--count must be a number of polls from 1 on, not '0'");
  EXPECT_EQ(ParseMonitorCount("-2").error, "--count must be a number of polls from 1 on, not '-2'");
  EXPECT_EQ(ParseMonitorCount("ten").error,
            "--count must be a number of polls from 1 on, not 'ten'");
}

}  // namespace
}  // namespace pyra::test

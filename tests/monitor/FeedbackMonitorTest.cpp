#include "monitor/FeedbackMonitor.h"

#include <gtest/gtest.h>

#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Lines = std::optional<std::string>;

class FeedbackMonitorTest : public LinkFixture {
 protected:
  FeedbackMonitorTest() { SkipReset(); }
  FeedbackMonitor monitor_;
};

TEST_F(FeedbackMonitorTest, PollListsOnlyValidRepliesOfFourBytes) {
  const struct {
    std::vector<int> reply;
    Lines line;
  } cases[] = {
      {{1, 2, 3, 4}, "<1> <2> <3> <4> \r\n"},
      {{12, 0, 127, 3}, "<12> <0> <127> <3> \r\n"},
      {{1, 2, 3}, std::nullopt},
      {{1, 2, 3, 4, 5}, std::nullopt},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(::testing::PrintToString(k.reply));
    channel_->ClearWritten();
    QueueReplies({k.reply});
    EXPECT_EQ(PollFeedback(link_), k.line);
    EXPECT_EQ(SentPayloads().size(), 0u) << "a poll is a frame with a header only";
    EXPECT_EQ(channel_->Written().size(), 3u) << Written();
    EXPECT_TRUE(prompter_.Texts().empty())
        << "other sizes are ignored silently: " << prompter_.Last();
  }
}

TEST_F(FeedbackMonitorTest, WithoutBidirectionalModeNothingIsAwaitedOrListed) {
  link_.State().Bidirectional = false;
  QueueReplies({{1, 2, 3, 4}});
  EXPECT_EQ(PollFeedback(link_), std::nullopt);
  EXPECT_EQ(channel_->PendingReplies(), 1u) << "the reply was never read";
  EXPECT_EQ(Written(), "43 C0 FD");
}

TEST_F(FeedbackMonitorTest, MonitorWithThePortClosedStaysStopped) {
  Link closed(clock_, prompter_);
  EXPECT_FALSE(monitor_.Start(closed));
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Select Comm-port"}));
  EXPECT_FALSE(monitor_.Running());
  EXPECT_EQ(monitor_.Text(), "");
  EXPECT_EQ(monitor_.Tick(closed), std::nullopt);
  EXPECT_EQ(prompter_.Texts().size(), 1u) << "a stopped monitor does not poll";
}

TEST_F(FeedbackMonitorTest, ListOfARunFromStartToStop) {
  ASSERT_TRUE(monitor_.Start(link_));
  ASSERT_TRUE(monitor_.Start(link_)) << "a second click while running";
  QueueReplies({{1, 2, 3, 4}, {1, 2}, {5, 6, 7, 8}});
  EXPECT_EQ(monitor_.Tick(link_), "<1> <2> <3> <4> \r\n");
  EXPECT_EQ(monitor_.Tick(link_), std::nullopt);
  EXPECT_EQ(monitor_.Tick(link_), "<5> <6> <7> <8> \r\n");
  monitor_.FocusLost();
  EXPECT_EQ(monitor_.Tick(link_), std::nullopt);
  EXPECT_EQ(monitor_.Text(),
            "Start Monitoring\r\n<1> <2> <3> <4> \r\n<5> <6> <7> <8> \r\nMonitoring Stopped\r\n");
  EXPECT_EQ(monitor_.CaretPosition(), monitor_.Text().size());
  EXPECT_EQ(channel_->PendingReplies(), 0u);
}

// "Clear" takes the focus from "Monitor" before its own click runs.
TEST_F(FeedbackMonitorTest, ClearWhileRunningStopsThenEmpties) {
  monitor_.Start(link_);
  monitor_.FocusLost();
  monitor_.Clear();
  EXPECT_FALSE(monitor_.Running());
  EXPECT_EQ(monitor_.Text(), "");
  ASSERT_TRUE(monitor_.Start(link_));
  EXPECT_EQ(monitor_.Text(), "Start Monitoring\r\n") << "a new run announces itself again";
}

TEST_F(FeedbackMonitorTest, TickDueDuringAPollIsDropped) {
  monitor_.Start(link_);
  ASSERT_TRUE(monitor_.BeginPoll());
  EXPECT_FALSE(monitor_.BeginPoll());
  EXPECT_EQ(monitor_.Tick(link_), std::nullopt);
  EXPECT_TRUE(channel_->Written().empty()) << "no second exchange";
  monitor_.EndPoll("<0> <0> <0> <1> \r\n");
  EXPECT_FALSE(monitor_.Polling());
  EXPECT_TRUE(monitor_.BeginPoll()) << "the next tick polls again";
}

// A message box runs its own event loop, in which the timer keeps firing.
class ReenteringPrompter final : public Prompter {
 public:
  FeedbackMonitor* monitor = nullptr;
  Link* link = nullptr;
  std::vector<std::string> texts;
  std::vector<Lines> nested;
  void Message(const std::string& text, Icon) override {
    texts.push_back(text);
    nested.push_back(monitor->Tick(*link));
  }
  Answer Ask(const std::string&, Buttons, Icon) override { return Answer::kOk; }
};

TEST_F(FeedbackMonitorTest, MessageDuringAPollDoesNotStartAnotherExchange) {
  ReenteringPrompter reentering;
  reentering.monitor = &monitor_;
  reentering.link = &link_;
  link_.SetPrompter(reentering);
  monitor_.Start(link_);
  EXPECT_EQ(monitor_.Tick(link_), std::nullopt);  // no reply: the link reports it
  EXPECT_EQ(
      reentering.texts,
      (std::vector<std::string>{"No response received, resetting bidirectional communication"}));
  EXPECT_EQ(reentering.nested, (std::vector<Lines>{std::nullopt}));
  EXPECT_EQ(channel_->Written().size(), 3u) << "one poll frame only: " << Written();
  EXPECT_FALSE(monitor_.Polling());
}

}  // namespace
}  // namespace pyra::test

#include <gtest/gtest.h>

#include "model/AddressAssignment.h"
#include "operations/EventControl.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<std::vector<int>>;

class EventControlTest : public LinkFixture {
 protected:
  void SetUp() override { SkipReset(); }

  // The module's answers for every pin: Event-On replies then Event-Off replies.
  static Frames ModuleAnswers(const Configuration& module) {
    Frames replies;
    for (int p = 0; p < kPinCount; ++p) {
      const auto& on = module.EventControl[p].EventOn;
      replies.push_back({116, p, 0x70, EncodeSlot(0, on[0]), EncodeSlot(1, on[1]),
                         EncodeSlot(2, on[2]), EncodeSlot(3, on[3])});
    }
    for (int p = 0; p < kPinCount; ++p) {
      const auto& off = module.EventControl[p].EventOff;
      replies.push_back({117, p, EncodeSlot(0, off[0]), EncodeSlot(1, off[1]),
                         EncodeSlot(2, off[2]), EncodeSlot(3, off[3])});
    }
    return replies;
  }

  Configuration c_ = DefaultConfiguration();
};

TEST_F(EventControlTest, WriteAllSendsEverySlotByteAndPacesWithoutBidirectional) {
  link_.State().Bidirectional = false;
  c_.EventControl[5].EventOn = {3, -1, 0, 11, -1};
  auto start = clock_.Now();
  EXPECT_TRUE(WriteAllEvents(link_, c_));
  Frames sent = SentPayloads();
  ASSERT_EQ(sent.size(), 64u);
  EXPECT_EQ(sent[5], (std::vector<int>{100, 5, 3, 31, 32, 59}));
  EXPECT_EQ(sent[32], (std::vector<int>{101, 0, 15, 31, 47, 63}));
  EXPECT_GE(clock_.Now() - start, std::chrono::milliseconds(6400)) << "100 ms after each write";
}

TEST_F(EventControlTest, ReadAllDecodesEveryPinBothWays) {
  Configuration module = DefaultConfiguration();
  module.EventControl[0].EventOn = {1, 2, -1, 3, -1};
  module.EventControl[31].EventOff = {-1, -1, 11, 0, -1};
  QueueReplies(ModuleAnswers(module));
  EXPECT_TRUE(ReadAllEvents(link_, c_));
  EXPECT_EQ(c_.EventControl[0].EventOn, module.EventControl[0].EventOn);
  EXPECT_EQ(c_.EventControl[31].EventOff, module.EventControl[31].EventOff);
}

TEST_F(EventControlTest, ReadAllEndsADirectionForAModuleWithoutEventControl) {
  Frames replies = {{116, 0, 0x70, 0, 16, 32, 48}, {112, 1}};  // pin 1 answers nonsense
  replies.push_back({117, 0, 15, 31, 47, 63});
  replies.push_back({117, 2, 15, 31, 47, 63});  // wrong pin echoed
  QueueReplies(replies);
  EXPECT_TRUE(ReadAllEvents(link_, c_));
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"Read Event-On: Function not supported by Device",
                                      "Read Event-Off: Function not supported by Device"}));
  EXPECT_EQ(c_.EventControl[0].EventOn[1], 0);
}

TEST_F(EventControlTest, VerifyLogsEachDifferingSlotWithTheShownPinNumber) {
  Configuration module = c_;
  module.EventControl[0].EventOn[2] = 7;  // the module holds 7 where the tool has no event
  Frames replies = ModuleAnswers(module);
  replies.push_back({112, 11, 15, 14});  // Off-slot 0 enabled in the module only
  QueueReplies(replies);
  VerificationLog log;
  EXPECT_FALSE(VerifyEvents(link_, c_, log));
  EXPECT_EQ(log.Text(),
            "Start EC Verification\r\n"
            "Note: Numbering starts at 1\r\n"
            "Event-On(2) for pin 1 does not compare: Configured Action = -1, Pyra Reply = 7\r\n"
            "ECInit: OFF-mask does not compare\r\n");
}

TEST_F(EventControlTest, VerifyOfAnEqualModuleIsClean) {
  c_.NumberBase = 0;
  c_.Settings.InitEE.fill(true);
  Frames replies = ModuleAnswers(c_);
  replies.push_back({112, 11, 0, 0});
  QueueReplies(replies);
  VerificationLog log;
  EXPECT_TRUE(VerifyEvents(link_, c_, log));
  EXPECT_EQ(log.Text(), "Start EC Verification\r\n");

  // Without an answer about the enable map the map was not compared: that cannot pass.
  replies.pop_back();
  QueueReplies(replies);
  channel_->QueueReply({});
  log.Clear();
  EXPECT_FALSE(VerifyEvents(link_, c_, log));
  EXPECT_EQ(log.Text(), "Start EC Verification\r\nECInit: No response\r\n");
}

TEST_F(EventControlTest, EnableMapReadAndWrite) {
  QueueReplies({{112, 11, 1}});
  EXPECT_TRUE(ReadEnableMap(link_, c_.Settings));
  EXPECT_FALSE(c_.Settings.InitEEKnown) << "a rejected reply teaches nothing";
  QueueReplies({{112, 11, 1, 8}});
  EXPECT_TRUE(ReadEnableMap(link_, c_.Settings));
  EXPECT_TRUE(c_.Settings.InitEEKnown);
  EXPECT_EQ(c_.Settings.InitEE,
            (std::array<bool, 8>{false, true, true, true, true, true, true, false}));
  link_.State().Bidirectional = false;
  channel_->ClearWritten();
  WriteEnableMap(link_, c_.Settings);
  EXPECT_EQ(SentPayloads(), (Frames{{96, 11, 1, 8}}));
}

TEST_F(EventControlTest, CopyToAllChangesOnlyTheProgramsCopy) {
  EventControlRecord shown;
  shown.EventOn = {1, 2, 3, 4, -1};
  CopyEventsToAll(c_, shown);
  for (int p = 0; p < kPinCount; ++p) EXPECT_EQ(c_.EventControl[p].EventOn[3], 4);
  EXPECT_TRUE(channel_->Written().empty());
}

TEST_F(EventControlTest, CancelEndsReadingBetweenPins) {
  QueueReplies(ModuleAnswers(c_));
  link_.RequestCancel();
  EXPECT_FALSE(ReadAllEvents(link_, c_));
  EXPECT_EQ(prompter_.Last(), "Cancelled by the user");
  EXPECT_TRUE(channel_->Written().empty());
  EXPECT_FALSE(link_.CancelRequested()) << "the next operation starts afresh";
}

}  // namespace
}  // namespace pyra::test

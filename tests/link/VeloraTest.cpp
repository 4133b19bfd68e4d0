#include <gtest/gtest.h>

#include "link/VeloraSetup.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using std::chrono::seconds;

std::vector<uint8_t> Answer(std::vector<int> payload, int toggle = 0) {
  return EncodeVeloraFrame(payload, toggle);
}

class VeloraExchangeTest : public LinkFixture {};

TEST_F(VeloraExchangeTest, FrameCarriesLeadByteAlternationBitAndIsLoggedBothWays) {
  link_.State().VeloraToggle = 1;
  channel_->QueueReply(Answer({1, 2, 26, 0}));
  EXPECT_TRUE(link_.SendVeloraMessage({1, 2}));
  EXPECT_EQ(Written(), "6A 81 82 93");
  EXPECT_EQ(link_.State().VeloraToggle, 0);
  const auto& rx = link_.State().RxMessage;
  EXPECT_EQ(rx[0], 4);
  EXPECT_EQ(rx[1], 1);
  EXPECT_EQ(rx[3], 26);
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_[0], ">>  [6A] [01] [02]");
  EXPECT_EQ(log_[1], "<<  [2C] [01] [02] [1A] [00]");
}

TEST_F(VeloraExchangeTest, EmptyFramesAreNotLoggedButStillAlternate) {
  channel_->QueueReply(Answer({}));
  channel_->QueueReply(Answer({}));
  EXPECT_TRUE(link_.SendVeloraMessage({}));
  EXPECT_TRUE(link_.SendVeloraMessage({}));
  EXPECT_EQ(Written(), "28 D8 68 98");
  EXPECT_TRUE(log_.empty());
}

TEST_F(VeloraExchangeTest, MissingAnswerIsReportedAfterTwoSeconds) {
  EXPECT_FALSE(link_.SendVeloraMessage({1, 2}));
  EXPECT_EQ(prompter_.Last(), "No answer from Velora");
  EXPECT_EQ(prompter_.All().back().icon, Icon::kWarning);
  EXPECT_GE(clock_.Now().time_since_epoch(), seconds(2));
}

TEST_F(VeloraExchangeTest, AnswerWithBadChecksumIsReportedWithItsDumpAndCountsAsNone) {
  auto bad = Answer({1, 2, 26, 0});
  bad.back() ^= 2;
  channel_->QueueReply(bad);
  EXPECT_FALSE(link_.SendVeloraMessage({1, 2}));
  auto texts = prompter_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Checksum Error\r\nSize = 4<<  [2C] [01] [02] [1A] [00]");
  EXPECT_EQ(texts[1], "No answer from Velora");
}

TEST_F(VeloraExchangeTest, LeftoverBytesAreDiscardedBeforeSending) {
  channel_->QueueReply({0x28, 0xD8});  // an answer nobody read
  channel_->ReadByte(clock_.Now());    // make it arrive
  channel_->QueueReply(Answer({1, 2, 26, 0}));
  EXPECT_TRUE(link_.SendVeloraMessage({1, 2}));
  EXPECT_EQ(link_.State().RxMessage[0], 4);
}

class VeloraRouteTest : public LinkFixture {
 protected:
  void SetUp() override {
    link_.State().UseVelora = true;
    link_.State().ModuleAddress = 3;  // V = 99
  }
};

TEST_F(VeloraRouteTest, TunnelledRequestPollsUntilTheReplyAndReLaysItOut) {
  channel_->QueueReply(Answer({}));  // the unit acknowledges the tunnelled frame
  channel_->QueueReply(Answer({}));  // first poll: nothing yet
  channel_->QueueReply(Answer({0, 99, 102, 112, 0, 3, 2, 0, 17}));
  EXPECT_TRUE(link_.SendPRMessage(true, {112, 0}));
  const auto& s = link_.State();
  EXPECT_TRUE(s.ReplyValid);
  EXPECT_EQ(s.RxMessage[0], 15);
  EXPECT_EQ(s.RxMessage[1], 102);
  EXPECT_EQ(link_.ReplySize(), 6);
  EXPECT_EQ(s.RxMessage[2], 112);
  EXPECT_EQ(s.RxMessage[7], 17);
  EXPECT_EQ(log_.front(), ">>  [2D] [00] [63] [60] [70] [00]");
  EXPECT_EQ(s.ToggleBit, 128) << "the Velora route leaves the direct link reset pending";
}

TEST_F(VeloraRouteTest, ExtendedAddressTravelsInTheTunnelAndIsStrippedFromTheReply) {
  link_.State().UseXAddress = true;
  link_.State().ExtendedAddress = 5;
  channel_->QueueReply(Answer({}));
  channel_->QueueReply(Answer({0, 99, 115, 5, 112, 10, 65}));
  link_.SendPRMessage(true, {112, 10});
  EXPECT_EQ(log_.front(), ">>  [2E] [00] [63] [70] [05] [70] [0A]");
  EXPECT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().RxMessage[2], 112);
  EXPECT_EQ(link_.State().RxMessage[4], 65);
}

TEST_F(VeloraRouteTest, ForeignExtendedAddressIsReportedAndLeavesAnEmptyReply) {
  channel_->QueueReply(Answer({}));
  channel_->QueueReply(Answer({0, 99, 115, 9, 112, 10, 65}));
  link_.SendPRMessage(true, {112, 10});
  EXPECT_EQ(prompter_.Last(), "Unexpected eXtended Address Byte 9");
  EXPECT_EQ(link_.ReplySize(), 0);
}

TEST_F(VeloraRouteTest, WriteWithoutReplySendsOneEmptyFrameAfterIt) {
  channel_->QueueReply(Answer({}));
  channel_->QueueReply(Answer({}));
  EXPECT_TRUE(link_.SendPRMessage(false, {96, 10}));
  EXPECT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(Written(), Hex(EncodeVeloraFrame(std::vector<int>{0, 99, 96, 96, 10}, 0)) + " " +
                           Hex(EncodeVeloraFrame(std::vector<int>{}, 1)));
}

TEST_F(VeloraRouteTest, ReplyThatNeverComesEndsWithNoValidResponse) {
  for (int i = 0; i < 5000; ++i) channel_->QueueReply(Answer({}), std::chrono::milliseconds(1));
  EXPECT_FALSE(link_.SendPRMessage(true, {112, 0}));
  EXPECT_FALSE(link_.State().ReplyValid);
  EXPECT_EQ(prompter_.Last(), "No valid response received");
  EXPECT_LT(clock_.Now().time_since_epoch(), seconds(3)) << "polling stops after 2 seconds";
}

TEST_F(VeloraRouteTest, OlderFormatMessageIsTunnelledToo) {
  channel_->QueueReply(Answer({}));
  link_.SendLumoMessage(3 * 4 + 3, 0, 5, 1);
  EXPECT_EQ(log_.front(), ">>  [2D] [00] [63] [00] [05] [01]");
}

struct TunnelSwitchCase {
  const char* name;
  std::vector<std::vector<uint8_t>> answers;
  bool ticked;
  bool ready;
  std::string last_message;
};

class EnableVeloraTunnelingTest : public LinkFixture,
                                  public ::testing::WithParamInterface<TunnelSwitchCase> {};

TEST_P(EnableVeloraTunnelingTest, DecidesFromTheProtocolVersion) {
  const auto& c = GetParam();
  for (const auto& a : c.answers) channel_->QueueReply(a);
  VeloraSwitchResult r = EnableVeloraTunneling(link_);
  EXPECT_EQ(r.ticked, c.ticked) << c.name;
  EXPECT_EQ(r.tunnel_ready, c.ready) << c.name;
  EXPECT_EQ(link_.State().UseVelora, c.ticked) << c.name;
  EXPECT_EQ(prompter_.Last(), c.last_message) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, EnableVeloraTunnelingTest,
    ::testing::Values(
        TunnelSwitchCase{"protocol 3200 accepted",
                         {Answer({}), Answer({1, 2, 26, 0}), Answer({})},
                         true,
                         true,
                         ""},
        TunnelSwitchCase{"protocol 3100 refused",
                         {Answer({}), Answer({1, 2, 25, 0}), Answer({})},
                         false,
                         false,
                         "Your system does not support this function\r\nProtocol = 3.100"},
        TunnelSwitchCase{"malformed version answer",
                         {Answer({}), Answer({1, 3, 26, 0}), Answer({})},
                         false,
                         false,
                         "Your system does not support this function"},
        TunnelSwitchCase{"no system answers", {}, false, false, "No answer from Velora"},
        TunnelSwitchCase{"version request unanswered stays ticked untested",
                         {Answer({}), {}, Answer({})},
                         true,
                         false,
                         "No answer from Velora"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return n;
    });

TEST_F(LinkFixture, TickingTunnelingWithoutAPortIsRefused) {
  link_.Close();
  EXPECT_FALSE(EnableVeloraTunneling(link_).ticked);
  EXPECT_EQ(prompter_.Last(), "Select communications port");
  EXPECT_EQ(prompter_.All().back().icon, Icon::kWarning);
}

}  // namespace
}  // namespace pyra::test

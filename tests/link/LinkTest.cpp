#include <gtest/gtest.h>

#include "link/Protocol.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class SendPRMessageTest : public LinkFixture {};

TEST_F(SendPRMessageTest, EmptyFrameWithoutReplyIsHeaderAndChecksumOnly) {
  SkipReset(0);
  link_.State().Bidirectional = false;
  EXPECT_TRUE(link_.SendPRMessage(false, {}));
  EXPECT_EQ(Written(), "03 C0 BD");
  EXPECT_FALSE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().ToggleBit, 64);
  EXPECT_EQ(clock_.Now().time_since_epoch().count(), 0) << "nothing may be awaited without BD";
}

TEST_F(SendPRMessageTest, FirstFrameAfterOpeningIsPrecededBySyncBurstAndResetFrame) {
  link_.State().Bidirectional = false;
  link_.State().ModuleAddress = 2;  // A = 11
  link_.SendPRMessage(false, {112, 0});
  EXPECT_EQ(Written(),
            "00 00 00 FF FF FF AA AA AA "  // sync burst
            "0B C0 B5 "                    // reset frame A, 192, 192 - A
            "4B C2 F0 80 83");             // the frame itself, alternation bit set
  ASSERT_EQ(log_.size(), 1u) << "the reset frame is not logged";
  EXPECT_EQ(log_[0], ">  [4B] [42] [70] [00]");
}

TEST_F(SendPRMessageTest, AlternationBitFlipsAfterEveryFrameEvenWithoutReply) {
  link_.State().Bidirectional = false;
  for (int i = 0; i < 3; ++i) link_.SendPRMessage(false, {});
  EXPECT_EQ(Written(), "00 00 00 FF FF FF AA AA AA 03 C0 BD 43 C0 FD 03 C0 BD 43 C0 FD");
  EXPECT_EQ(link_.State().ToggleBit, 0);
}

TEST_F(SendPRMessageTest, SizeOverrunAndClosedPortSendNothing) {
  std::vector<int> sixteen(16, 1);
  EXPECT_FALSE(link_.SendPRMessage(false, sixteen));
  EXPECT_EQ(prompter_.Last(), "SendPRMessage: Message Size Overrun, size = 16");
  link_.Close();
  EXPECT_FALSE(link_.SendPRMessage(false, {1}));
  EXPECT_EQ(prompter_.Last(), "Select communications port");
}

TEST_F(SendPRMessageTest, PayloadValueAbove127IsRefusedBeforeAnythingIsWritten) {
  SkipReset();
  EXPECT_FALSE(link_.SendPRMessage(false, {96, 128}));
  EXPECT_EQ(Written(), "");
  EXPECT_NE(prompter_.Last().find("out of range"), std::string::npos);
}

TEST_F(SendPRMessageTest, ValidReplyIsStoredLoggedAndMarkedValid) {
  SkipReset();
  channel_->QueueReply(Reply(0x43, {112, 0, 3, 2, 0, 17}));
  EXPECT_TRUE(link_.SendPRMessage(true, {112, 0}));
  const auto& s = link_.State();
  EXPECT_TRUE(s.ReplyValid);
  EXPECT_EQ(link_.ReplySize(), 6);
  EXPECT_EQ(s.RxMessage[2], 112);
  EXPECT_EQ(s.RxMessage[7], 17);
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_[0], ">  [43] [62] [70] [00]");
  EXPECT_EQ(log_[1], "<  [43] [66] [70] [00] [03] [02] [00] [11]");
}

TEST_F(SendPRMessageTest, ChannelIsToldTheLengthOfTheLastAnswerToTheSameCommand) {
  SkipReset();
  // The hints given while sending one frame.
  auto hints = [this](std::vector<int> payload) {
    const std::size_t before = channel_->Expected().size();
    link_.SendPRMessage(true, payload);
    const auto& all = channel_->Expected();
    return std::vector<std::size_t>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  };
  // Nothing known yet: the shortest frame, then the rest once the header has told its size.
  channel_->QueueReply(Reply(0x43, {112, 0, 3, 2, 0, 17}));
  EXPECT_EQ(hints({112, 0}), (std::vector<std::size_t>{3, 7}));
  // Address, header, six payload bytes and the checksum, as last time.
  channel_->QueueReply(Reply(0x03, {112, 1, 0, 0, 0, 0}));
  EXPECT_EQ(hints({112, 1}), (std::vector<std::size_t>{9, 7}));
  // Another command has its own length; an unanswered frame teaches nothing.
  EXPECT_EQ(hints({96, 1, 5}), (std::vector<std::size_t>{3}));
  link_.State().Bidirectional = true;
  channel_->QueueReply(Reply(0x03, {112, 2}));
  EXPECT_EQ(hints({112, 2}), (std::vector<std::size_t>{9, 3}));
  EXPECT_TRUE(link_.State().ReplyValid) << "a wrong guess changes nothing that is received";
}

TEST_F(SendPRMessageTest, NoReplyUnticksBidirectionalAfterTwoSeconds) {
  SkipReset();
  auto start = clock_.Now();
  EXPECT_TRUE(link_.SendPRMessage(true, {112, 0}));
  EXPECT_FALSE(link_.State().ReplyValid);
  EXPECT_FALSE(link_.State().Bidirectional);
  EXPECT_EQ(prompter_.Last(), "No response received, resetting bidirectional communication");
  EXPECT_GE(clock_.Now() - start, seconds(2));
  EXPECT_LT(clock_.Now() - start, milliseconds(2100));
  EXPECT_EQ(link_.State().ToggleBit, 0);
}

TEST_F(SendPRMessageTest, ReceiverIgnoresNoiseAndRestartsOnASecondFrameStart) {
  SkipReset();
  std::vector<uint8_t> bytes = {0xFF, 0x90, 0x85};  // noise before any frame start
  for (uint8_t b : std::vector<uint8_t>{0x43, 0xE5, 0xF0}) bytes.push_back(b);  // broken off
  auto good = Reply(0x43, {112, 0, 3, 2, 0, 17});
  bytes.insert(bytes.end(), good.begin(), good.end());
  channel_->QueueReply(bytes);
  link_.SendPRMessage(true, {112, 0});
  EXPECT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().RxMessage[7], 17);
}

TEST_F(SendPRMessageTest, FrameWithBadChecksumIsDroppedAndTheWaitGoesOn) {
  SkipReset();
  auto bad = Reply(0x43, {112, 0, 3, 2, 0, 17});
  bad.back() ^= 1;
  auto good = Reply(0x43, {112, 0, 4, 0, 0, 1});
  bad.insert(bad.end(), good.begin(), good.end());
  channel_->QueueReply(bad);
  link_.SendPRMessage(true, {112, 0});
  EXPECT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().RxMessage[4], 4);
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SendPRMessageTest, ReplyWithExtendedAddressArrivesWithTheByteRemoved) {
  SkipReset();
  link_.State().UseXAddress = true;
  link_.State().ExtendedAddress = 5;
  const int xa = 5;
  channel_->QueueReply(Reply(0x43, {112, 10, 65, 66}, &xa));
  link_.SendPRMessage(true, {112, 10});
  ASSERT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().RxMessage[1] & 16, 16);
  EXPECT_EQ(link_.State().RxMessage[2], 112);
  EXPECT_EQ(link_.State().RxMessage[5], 66);
  EXPECT_EQ(log_.back(), "<  [43] [74] [05] [70] [0A] [41] [42]");
  EXPECT_EQ(log_.front(), ">  [43] [72] [05] [70] [0A]");
}

struct InvalidReplyCase {
  const char* name;
  bool use_xa;
  std::vector<uint8_t> reply;
  std::string message;
};

class InvalidReplyTest : public LinkFixture,
                         public ::testing::WithParamInterface<InvalidReplyCase> {};

TEST_P(InvalidReplyTest, IsRefusedWithItsMessage) {
  const auto& c = GetParam();
  SkipReset();
  link_.State().UseXAddress = c.use_xa;
  link_.State().ExtendedAddress = 5;
  channel_->QueueReply(c.reply);
  EXPECT_TRUE(link_.SendPRMessage(true, {112, 0})) << c.name;
  EXPECT_FALSE(link_.State().ReplyValid) << c.name;
  EXPECT_TRUE(link_.State().Bidirectional) << c.name;
  EXPECT_EQ(prompter_.Last(), c.message) << c.name;
}

const int kXa7 = 7;

INSTANTIATE_TEST_SUITE_P(
    ValidationOrder, InvalidReplyTest,
    ::testing::Values(
        InvalidReplyCase{"stale alternation bit", false,
                         EncodeFrame(0x03, true, nullptr, std::vector<int>{112, 0}),
                         "Invalid response received, \r\nReceived: Addr = 3 Header = 98\r\n"
                         "Expected: Addr = 3 Header > 95 "},
        InvalidReplyCase{"other module", false,
                         EncodeFrame(0x47, true, nullptr, std::vector<int>{112, 0}),
                         "Invalid response received, \r\nReceived: Addr = 71 Header = 98\r\n"
                         "Expected: Addr = 3 Header > 95 "},
        InvalidReplyCase{"header below 96",
                         false,
                         {0x43, 0x82, 0xF0, 0x80, 0xCB},
                         "Invalid response received, \r\nReceived: Addr = 67 Header = 2\r\n"
                         "Expected: Addr = 3 Header > 95 "},
        InvalidReplyCase{"unexpected extended address", false,
                         EncodeFrame(0x43, true, &kXa7, std::vector<int>{112, 0}),
                         "Unexpected eXtended Address Byte 7"},
        InvalidReplyCase{"extended address missing", true,
                         EncodeFrame(0x43, true, nullptr, std::vector<int>{112, 0}),
                         "eXtended Address Byte expected"},
        InvalidReplyCase{"extended address differs", true,
                         EncodeFrame(0x43, true, &kXa7, std::vector<int>{112, 0}),
                         "Incorrect eXtended Address byte \r\nReceived 7 Expected 5"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (ch == ' ') ch = '_';
      }
      return n;
    });

TEST_F(SendPRMessageTest, LateReplyFromAnEarlierFrameIsRefusedByItsAlternationBit) {
  SkipReset();
  channel_->QueueReply(Reply(0x43, {112, 0, 3, 2, 0, 17}), seconds(3));
  link_.SendPRMessage(true, {112, 0});
  EXPECT_FALSE(link_.State().ReplyValid);
  link_.State().Bidirectional = true;
  link_.SendPRMessage(true, {112, 0});  // now expects 0x03; the late 0x43 reply is there
  EXPECT_FALSE(link_.State().ReplyValid);
  EXPECT_NE(prompter_.Last().find("Received: Addr = 67"), std::string::npos);
  channel_->QueueReply(Reply(0x43, {112, 0, 3, 2, 0, 17}));
  link_.SendPRMessage(true, {112, 0});
  EXPECT_TRUE(link_.State().ReplyValid) << "the link is back in step with the module";
}

TEST_F(SendPRMessageTest, LeftoverBytesAreDiscardedBeforeADirectFrame) {
  SkipReset();
  channel_->QueueReply(Reply(0x03, {112, 0, 9, 9, 9, 9}));
  channel_->ReadByte(clock_.Now());  // a stale reply is waiting in the buffer
  channel_->QueueReply(Reply(0x43, {112, 0, 3, 2, 0, 17}));
  link_.SendPRMessage(true, {112, 0});
  EXPECT_TRUE(link_.State().ReplyValid);
  EXPECT_EQ(link_.State().RxMessage[4], 3);
}

TEST_F(SendPRMessageTest, VanishedPortEndsTheWaitWithAClearMessage) {
  SkipReset();
  channel_->FailOnNextRead("device removed");
  link_.SendPRMessage(true, {112, 0});
  EXPECT_FALSE(link_.State().ReplyValid);
  EXPECT_EQ(prompter_.Last(), "The connection to the module was lost: device removed");
  EXPECT_LT(clock_.Now().time_since_epoch(), seconds(1)) << "must not wait out the timeout";
}

class SendLumoMessageTest : public LinkFixture {};

TEST_F(SendLumoMessageTest, WritesResetThenTheFrameAndLogsNothing) {
  link_.SendLumoMessage(0x0F, 0, 5, 1);
  EXPECT_EQ(Written(),
            "00 00 00 FF FF FF AA AA AA "
            "0F 80 80 80 F1 "  // reset frame of the older format
            "0F 80 85 81 EB");
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(link_.State().ToggleBit, 64) << "the older frame does not flip the alternation bit";
  channel_->ClearWritten();
  link_.SendLumoMessage(0x0F, 10, 63, 30);
  EXPECT_EQ(Written(), "0F 8A BF 9E 8A");
}

TEST_F(SendLumoMessageTest, ClosedPortIsReported) {
  link_.Close();
  link_.SendLumoMessage(3, 0, 0, 0);
  EXPECT_EQ(prompter_.Last(), "Select communications port");
}

}  // namespace
}  // namespace pyra::test

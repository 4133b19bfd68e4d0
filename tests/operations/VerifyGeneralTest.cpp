#include <gtest/gtest.h>

#include "operations/SettingsCodec.h"
#include "operations/VerifyGeneral.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<std::vector<int>>;

// Replies of a module that holds exactly `s`, in the order the verification asks.
Frames MatchingModule(const ModuleSettings& s) {
  std::vector<int> id = {112, 10};
  for (char ch : s.IDString) id.push_back(ch);
  const auto g = HardwareGroupBytes(s);
  const auto m = GroupMaskBytes(s);
  const int sa = s.LumoFlex ? 128 + s.LumoModeAddress : s.PRNative ? 64 : 0;
  return {id,
          {112, 1, g[0], g[1], g[2], g[3]},
          {112, 4, s.DccAddress % 64, s.DccAddress / 64},
          {112, 12, s.XDccAddress % 64, s.XDccAddress / 64},
          {112, 5, DccOptionsByte(s)},
          {112, 8, sa / 128, sa % 128},
          {112, 2, s.ModuleXAddress},
          {112, 3, m[0], m[1], m[2], m[3]},
          {112, 6, LedFunctionByte(s.LedGreen)},
          {112, 7, LedFunctionByte(s.LedOrange)},
          {112, 13, s.SerialEnable ? 1 : 0, SerialPortByte(s)}};
}

class VerifyGeneralTest : public LinkFixture {
 protected:
  void SetUp() override {
    SkipReset();
    s_.IDString = "Yard East";
    s_.DccAddress = 300;
    s_.LumoFlex = true;
    s_.LumoModeAddress = 5;
    s_.GroupMask[3] = true;
    s_.LedGreen = {1, 0, 0, 1, 0, 0, 0, 0};
    s_.SerialEnable = true;
    s_.SerialBaudIndex = 5;
  }
  std::string Run(const Frames& replies, bool expected_result) {
    QueueReplies(replies);
    VerificationLog log;
    EXPECT_EQ(VerifyGeneralSettings(link_, s_, log), expected_result);
    return log.Text();
  }
  ModuleSettings s_;
};

TEST_F(VerifyGeneralTest, EqualModuleLogsOnlyTheStart) {
  EXPECT_EQ(Run(MatchingModule(s_), true), "Start General Settings Verification\r\n");
  EXPECT_EQ(SentPayloads()[5], (std::vector<int>{112, 8}));
}

TEST_F(VerifyGeneralTest, ShorterIdIsOneLineAndTheRestStillPasses) {
  Frames replies = MatchingModule(s_);
  replies[0] = {112, 10, 'Y', 'a', 'r', 'd'};
  EXPECT_EQ(Run(replies, false),
            "Start General Settings Verification\r\n"
            "ID does not compare: PyraConfig = <Yard East> Pyra = <Yard>\r\n");
}

TEST_F(VerifyGeneralTest, SilentIdAndHardwareRequestsAreSkipped) {
  Frames replies = MatchingModule(s_);
  replies.erase(replies.begin(), replies.begin() + 2);
  // No answer to the ID and hardware requests: each waits out its time, then DCC goes on.
  channel_->QueueReply({});
  channel_->QueueReply({});
  link_.State().ToggleBit = 64;
  int toggle = 64;  // two unanswered frames flip the bit twice
  for (const auto& r : replies) {
    channel_->QueueReply(Reply(static_cast<uint8_t>(toggle + 3), r));
    toggle ^= 64;
  }
  VerificationLog log;
  // Each silent request unticks bidirectional mode; the verification ticks it only at its start.
  EXPECT_FALSE(VerifyGeneralSettings(link_, s_, log));
  EXPECT_EQ(SentPayloads()[2], (std::vector<int>{112, 4})) << "the DCC address is still asked";
}

TEST_F(VerifyGeneralTest, WrongSizedDccAddressIsLoggedAndTheNextStepRuns) {
  Frames replies = MatchingModule(s_);
  replies[2] = {112, 4, 44};
  EXPECT_EQ(Run(replies, true),
            "Start General Settings Verification\r\nDCC Address: No valid response\r\n");
}

TEST_F(VerifyGeneralTest, WrongEchoOfTheDccAddressStops) {
  Frames replies = MatchingModule(s_);
  replies[2] = {112, 5, 44, 4};
  EXPECT_EQ(Run(replies, false),
            "Start General Settings Verification\r\nDCC Address: No valid response\r\n");
  EXPECT_EQ(SentPayloads().size(), 3u);
}

TEST_F(VerifyGeneralTest, DifferencesAreLoggedOncePerSettingAndCheckingGoesOn) {
  Frames replies = MatchingModule(s_);
  replies[5] = {112, 8, 0, 64};       // native instead of flexible start 5
  replies[7] = {112, 3, 9, 9, 0, 0};  // two mask bytes differ: one line
  replies[10] = {112, 13, 0, SerialPortByte(s_)};
  EXPECT_EQ(Run(replies, false),
            "Start General Settings Verification\r\n"
            "Serial Address Settings do not compare\r\n"
            "eXtended Group Mask does not compare\r\n"
            "Serial Port Configuration does not compare\r\n");
}

TEST_F(VerifyGeneralTest, SerialAddressReplyOfWrongSizeStopsWithItsSize) {
  Frames replies = MatchingModule(s_);
  replies[5] = {112, 8, 1};
  EXPECT_EQ(Run(replies, false),
            "Start General Settings Verification\r\n"
            "Serial Address Settings: No valid response, size = 3 expected = 4\r\n");
}

}  // namespace
}  // namespace pyra::test

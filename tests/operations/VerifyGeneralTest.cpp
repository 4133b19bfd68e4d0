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

TEST_F(VerifyGeneralTest, EnforcedExtendedAddressIsExpectedAsWrittenAndTheIdAsCut) {
  s_.ForceXA = true;  // the boxes keep flexible start 5, mask box 3 and eXtended Address 0
  s_.ModuleXAddress = 40;
  s_.IDString = "Yard East Junction";
  Frames replies = MatchingModule(s_);
  replies[0] = {112, 10, 'Y', 'a', 'r', 'd', ' ', 'E', 'a', 's', 't', ' ', 'J', 'u'};
  replies[5] = {112, 8, 0, 0};
  replies[6] = {112, 2, 127};
  replies[7] = {112, 3, 0, 0, 0, 0};
  EXPECT_EQ(Run(replies, true), "Start General Settings Verification\r\n");

  // The boxes' own values are what such a module does not hold.
  replies = MatchingModule(s_);
  replies[0] = {112, 10, 'Y', 'a', 'r', 'd', ' ', 'E', 'a', 's', 't', ' ', 'J', 'u'};
  EXPECT_EQ(Run(replies, false),
            "Start General Settings Verification\r\n"
            "Serial Address Settings do not compare\r\n"
            "eXtended Address does not compare\r\n"
            "eXtended Group Mask does not compare\r\n");
}

// A reply that cannot be compared: which request gets it (empty = no answer at all), the log
// lines it leaves, and how many requests are sent (11 = the verification went on to the end).
// An unanswered request unticks bidirectional mode, which the verification ticks only at its
// start, so after one the module's replies are no longer awaited.
struct ReplyFault {
  std::size_t request;
  std::vector<int> reply;
  std::string logged;
  std::size_t requests;
};

class VerifyGeneralFaultTest : public VerifyGeneralTest,
                               public ::testing::WithParamInterface<ReplyFault> {
 protected:
  // As QueueReplies, but an empty payload leaves that request unanswered.
  void QueueWithSilence(const Frames& payloads) {
    int toggle = link_.State().ToggleBit;
    for (const auto& p : payloads) {
      channel_->QueueReply(p.empty() ? std::vector<uint8_t>{}
                                     : Reply(static_cast<uint8_t>(toggle + 3), p));
      toggle ^= 64;
    }
  }
};

TEST_P(VerifyGeneralFaultTest, IsLoggedAndTheVerificationFails) {
  const ReplyFault& f = GetParam();
  Frames replies = MatchingModule(s_);
  replies[f.request] = f.reply;
  QueueWithSilence(replies);
  VerificationLog log;
  EXPECT_FALSE(VerifyGeneralSettings(link_, s_, log));
  EXPECT_EQ(log.Text(), "Start General Settings Verification\r\n" + f.logged + "\r\n");
  EXPECT_EQ(SentPayloads().size(), f.requests);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, VerifyGeneralFaultTest,
    ::testing::Values(
        // Left uncompared, logged, and the next settings are still compared.
        ReplyFault{0, {}, "ReadIDString: No response\r\nHWCRead: No response", 3},
        ReplyFault{1, {}, "HWCRead: No response", 3},
        ReplyFault{2, {112, 4, 44}, "DCC Address: No valid response", 11},
        ReplyFault{3, {112, 12, 44, 1, 0}, "eXtended DCC Address: No valid response", 11},
        // These end the verification.
        ReplyFault{0, {112}, "ReadIDString: No valid response", 1},
        ReplyFault{1, {112, 1, 0, 0, 0}, "HWCRead: No valid response size", 2},
        ReplyFault{2, {112, 5, 44, 4}, "DCC Address: No valid response", 3},
        ReplyFault{
            5, {112, 8, 1}, "Serial Address Settings: No valid response, size = 3 expected = 4", 6},
        ReplyFault{
            6, {112, 3, 0}, "eXtended Address: No valid response, msg = 112,3 expected = 112,2", 7},
        ReplyFault{9, {}, "ReadLEDConfig: No valid response", 10}));

}  // namespace
}  // namespace pyra::test

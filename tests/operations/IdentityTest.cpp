#include <gtest/gtest.h>

#include "link/Protocol.h"
#include "operations/Identity.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

class IdentityTest : public LinkFixture {
 protected:
  void SetUp() override { SkipReset(); }
  // Payload bytes (7-bit) of the single frame written since the last clear.
  std::vector<int> SentPayload() {
    const auto& w = channel_->Written();
    std::vector<int> payload;
    for (std::size_t i = 2; i + 1 < w.size(); ++i) payload.push_back(w[i] & 127);
    return payload;
  }
  ModuleSettings settings_;
};

TEST_F(IdentityTest, ReadIDStringFillsTheTextAndTicksBidirectional) {
  link_.State().Bidirectional = false;
  channel_->QueueReply(Reply(0x43, {112, 10, 'Y', 'a', 'r', 'd'}));
  EXPECT_TRUE(ReadIDString(link_, settings_));
  EXPECT_EQ(settings_.IDString, "Yard");
  EXPECT_TRUE(link_.State().Bidirectional);
}

TEST_F(IdentityTest, ReadIDStringOfSizeTwoIsTheEmptyString) {
  settings_.IDString = "old";
  channel_->QueueReply(Reply(0x43, {112, 10}));
  EXPECT_TRUE(ReadIDString(link_, settings_));
  EXPECT_EQ(settings_.IDString, "");
}

TEST_F(IdentityTest, ReadIDStringWithWrongEchoKeepsTheText) {
  settings_.IDString = "keep";
  channel_->QueueReply(Reply(0x43, {112, 11, 'X'}));
  EXPECT_FALSE(ReadIDString(link_, settings_));
  EXPECT_EQ(settings_.IDString, "keep");
  EXPECT_EQ(prompter_.Last(), "No valid response");
}

TEST_F(IdentityTest, ReadIDStringWithoutReplyAddsNoMessageOfItsOwn) {
  EXPECT_FALSE(ReadIDString(link_, settings_));
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{
                                   "No response received, resetting bidirectional communication"});
}

TEST_F(IdentityTest, WriteIDStringCutsToTwelveCharactersInTheFrameAndTheText) {
  settings_.IDString = "Station West 12";  // 15 characters
  link_.State().Bidirectional = false;
  EXPECT_TRUE(WriteIDString(link_, settings_));
  EXPECT_EQ(settings_.IDString, "Station West");
  std::vector<int> expected = {96, 10, 'S', 't', 'a', 't', 'i', 'o', 'n', ' ', 'W', 'e', 's', 't'};
  EXPECT_EQ(SentPayload(), expected);
  EXPECT_EQ(channel_->Written()[1] & 15, 14) << "12 characters go out as payload size 14";
}

TEST_F(IdentityTest, WriteIDStringEmptySendsTheCommandAlone) {
  link_.State().Bidirectional = false;
  EXPECT_TRUE(WriteIDString(link_, settings_));
  EXPECT_EQ(SentPayload(), (std::vector<int>{96, 10}));
}

TEST_F(IdentityTest, WriteIDStringRefusesTextOutsideSevenBitAscii) {
  settings_.IDString =
      "Bahnhof S\xC3\xBC"
      "d";  // "Süd" in UTF-8
  EXPECT_FALSE(WriteIDString(link_, settings_));
  EXPECT_TRUE(channel_->Written().empty());
  EXPECT_NE(prompter_.Last().find("ASCII"), std::string::npos);
}

struct VersionCase {
  const char* name;
  std::vector<int> reply;
  bool ok;
  std::string shown;
  std::string message;
};

class GetVersionTest : public IdentityTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(GetVersionTest, ShowsTheVersionOrUnknown) {
  const auto& c = GetParam();
  settings_.FirmwareVersion = "9.9.9.9";  // an earlier read must not survive a failure
  channel_->QueueReply(Reply(0x43, c.reply));
  EXPECT_EQ(GetVersion(link_, settings_), c.ok) << c.name;
  EXPECT_EQ(settings_.FirmwareVersion, c.shown) << c.name;
  EXPECT_EQ(prompter_.Last(), c.message) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GetVersionTest,
    ::testing::Values(VersionCase{"valid", {112, 0, 3, 2, 0, 17}, true, "3.2.0.17", ""},
                      VersionCase{"size five",
                                  {112, 0, 3, 2, 0},
                                  false,
                                  "Unknown",
                                  "GetVersion: No valid response, size <> 6"},
                      VersionCase{"size seven",
                                  {112, 0, 3, 2, 0, 17, 1},
                                  false,
                                  "Unknown",
                                  "GetVersion: No valid response, size <> 6"},
                      VersionCase{"wrong echo",
                                  {112, 1, 3, 2, 0, 17},
                                  false,
                                  "Unknown",
                                  "GetVersion: No valid response"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) {
        if (ch == ' ') ch = '_';
      }
      return n;
    });

struct EraseCase {
  const char* name;
  Answer first;
  Answer second;
  bool erases;
};

class EraseFlashTest : public IdentityTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(EraseFlashTest, ErasesOnlyOnOkThenCancel) {
  const auto& c = GetParam();
  prompter_.QueueAnswer(c.first);
  prompter_.QueueAnswer(c.second);
  EXPECT_EQ(EraseFlash(link_), c.erases) << c.name;
  if (c.erases) {
    std::vector<int> expected = {96, 0};
    expected.insert(expected.end(), kEraseGuard.begin(), kEraseGuard.end());
    EXPECT_EQ(SentPayload(), expected) << c.name;
    EXPECT_EQ(channel_->Written()[1], 0xC0 + 10) << "sent without asking for a reply";
  } else {
    EXPECT_TRUE(channel_->Written().empty()) << c.name;
  }
  EXPECT_TRUE(link_.State().Bidirectional) << "restored to what it was";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EraseFlashTest,
    ::testing::Values(EraseCase{"ok_then_cancel", Answer::kOk, Answer::kCancel, true},
                      EraseCase{"cancel_first", Answer::kCancel, Answer::kCancel, false},
                      EraseCase{"ok_then_ok", Answer::kOk, Answer::kOk, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdentityTest, EraseWarningsAreWordedAsTheModuleOwnersKnowThem) {
  prompter_.QueueAnswer(Answer::kOk);
  prompter_.QueueAnswer(Answer::kCancel);
  link_.State().Bidirectional = false;
  EraseFlash(link_);
  auto shown = prompter_.All();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text,
            "WARNING !!\r\nThis operation will erase the Pyra Configuration Memory\r\nContinue?");
  EXPECT_EQ(shown[1].text,
            "WARNING !!\r\nThis operation will erase the Pyra Configuration Memory\r\n"
            "The green LED on the Pyra will be ON during this process\r\n"
            "The erase process may take up to 45 seconds, please be patient\r\n\r\n"
            "Do you want to cancel this operation?");
  EXPECT_EQ(shown[1].buttons, Buttons::kOkCancel);
  EXPECT_EQ(shown[1].icon, Icon::kExclamation);
  EXPECT_FALSE(link_.State().Bidirectional) << "an unticked box stays unticked";
}

}  // namespace
}  // namespace pyra::test

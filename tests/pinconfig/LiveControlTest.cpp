#include "pinconfig/LiveControl.h"

#include <gtest/gtest.h>

#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<std::vector<int>>;

class LiveControlTest : public LinkFixture {
 protected:
  void SetUp() override {
    SkipReset();
    link_.State().Bidirectional = false;  // live commands are never answered
    c_.CurrentPin = 12;
  }
  Configuration c_ = DefaultConfiguration();
};

TEST_F(LiveControlTest, LevelButtonClampsMovesAndSends) {
  LiveEdit e = PwmLevelButton(link_, c_, "40", false);
  EXPECT_EQ(e.text, "31");
  EXPECT_EQ(e.value, 31);
  EXPECT_EQ(c_.Pins[12].LiveLevel, 31);
  e = PwmLevelButton(link_, c_, "7", true);
  EXPECT_EQ(e.text, "7");
  EXPECT_EQ(SentPayloads(), (Frames{{0, 38, 12, 31}, {0, 54, 12, 7}}));
}

TEST_F(LiveControlTest, ServoPositionsTravelPlus64) {
  ServoLevelButton(link_, c_, "-64", false);
  EXPECT_EQ(c_.Pins[12].LiveLevel, 0);
  LiveEdit e = ServoLevelButton(link_, c_, "63", false);
  EXPECT_EQ(c_.Pins[12].LiveLevel, 127);
  e = ServoLevelButton(link_, c_, "-99", true);
  EXPECT_EQ(e.text, "-64");
  EXPECT_EQ(SentPayloads(), (Frames{{0, 39, 12, 0}, {0, 39, 12, 127}, {0, 55, 12, 0}}));
}

TEST_F(LiveControlTest, SlidersSendOnlyWhileTheyHaveTheFocus) {
  EXPECT_EQ(PwmSliderMoved(link_, c_, 20, false, false), "20");
  EXPECT_EQ(c_.Pins[12].LiveLevel, 20);
  EXPECT_EQ(ServoSliderMoved(link_, c_, -10, false, false), "-10");
  EXPECT_EQ(c_.Pins[12].LiveLevel, 54);
  EXPECT_TRUE(channel_->Written().empty()) << "a slider set from code sends nothing";
  PwmSliderMoved(link_, c_, 21, true, true);
  ServoSliderMoved(link_, c_, 5, true, false);
  EXPECT_EQ(SentPayloads(), (Frames{{0, 54, 12, 21}, {0, 39, 12, 69}}));
}

TEST_F(LiveControlTest, JumpSendsThePresentValueNeverGradually) {
  c_.Pins[12].LiveLevel = 9;
  EXPECT_TRUE(PwmJump(link_, c_));
  c_.Pins[12].LiveLevel = 54;
  EXPECT_TRUE(ServoJump(link_, c_));
  EXPECT_EQ(SentPayloads(), (Frames{{0, 38, 12, 9}, {0, 39, 12, 54}}));
}

TEST_F(LiveControlTest, ClosedPortKeepsTheValueQuietlyButJumpComplains) {
  link_.Close();
  LiveEdit e = PwmLevelButton(link_, c_, "40", false);
  EXPECT_EQ(e.value, 31);
  EXPECT_EQ(c_.Pins[12].LiveLevel, 31);
  PwmSliderMoved(link_, c_, 3, true, false);
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_FALSE(PwmJump(link_, c_));
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Select communications port"}));
}

TEST_F(LiveControlTest, TakingTheLiveValueOverSetsTheInitialOne) {
  EXPECT_EQ(TakeOverServoPosition(c_, -10), -10);
  EXPECT_EQ(c_.Pins[12].PinConfig[1], 54);
  EXPECT_EQ(TakeOverPwmLevel(c_, 17), 17);
  EXPECT_EQ(c_.Pins[12].PinConfig[1], 17);
  EXPECT_TRUE(channel_->Written().empty());
}

TEST(LiveSubCodeTest, GradualMovesAdd16) {
  EXPECT_EQ(LiveSubCode(false, false), 38);
  EXPECT_EQ(LiveSubCode(false, true), 54);
  EXPECT_EQ(LiveSubCode(true, false), 39);
  EXPECT_EQ(LiveSubCode(true, true), 55);
}

}  // namespace
}  // namespace pyra::test

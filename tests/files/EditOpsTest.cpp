#include "helptools/EditOps.h"

#include <gtest/gtest.h>

#include "RichConfiguration.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using test::ScriptedPrompter;
using test::Step;

class EditOpsTest : public ::testing::Test {
 protected:
  Configuration c_ = test::RichConfiguration();
  ScriptedPrompter prompter_;
};

TEST_F(EditOpsTest, PastedMemberPinKeepsPointingAtItsHead) {
  c_.Pins[12].DeviceLink = -2;  // second pin of a device headed two pins lower
  c_.CurrentPin = 12;
  PinClipboard clipboard;
  CopyPin(c_, clipboard);
  c_.CurrentPin = 17;
  ASSERT_TRUE(PastePin(c_, clipboard, prompter_));
  EXPECT_EQ(c_.Pins[17].DeviceLink, -7);
  EXPECT_EQ(c_.Pins[17].Description, c_.Pins[12].Description);
}

TEST_F(EditOpsTest, CopyIsADeepCopyThatSurvivesChangesOfTheSource) {
  c_.CurrentPin = 4;
  PinClipboard clipboard;
  CopyPin(c_, clipboard);
  c_.Pins[4].Description = "changed";
  c_.CurrentPin = 6;
  ASSERT_TRUE(PastePin(c_, clipboard, prompter_));
  EXPECT_EQ(c_.Pins[6].Description, "Straßenlaterne");
  EXPECT_EQ(c_.Pins[6].Aspects[2], test::RichConfiguration().Pins[4].Aspects[2]);
  EXPECT_EQ(c_.Pins[6].DeviceLink, 0);
}

TEST_F(EditOpsTest, PastingOntoADeviceHeadDetachesItsMembers) {
  PinClipboard clipboard;
  c_.CurrentPin = 9;
  CopyPin(c_, clipboard);
  c_.CurrentPin = 20;
  ASSERT_TRUE(PastePin(c_, clipboard, prompter_));
  for (int p : {21, 22}) {
    EXPECT_EQ(c_.Pins[p].DeviceLink, 0) << p;
    EXPECT_EQ(c_.Pins[p].DeviceName, "") << p;
  }
}

TEST_F(EditOpsTest, ClearingADeviceHeadDetachesAndEmptiesThePinButKeepsTheCounts) {
  c_.CurrentPin = 0;  // servo heading the frog pin
  ClearPin(c_);
  const PinRecord& pin = c_.Pins[0];
  EXPECT_EQ(pin.Description, "");
  EXPECT_EQ(pin.DeviceName, "");
  EXPECT_EQ(pin.AspectMode, 0);
  EXPECT_EQ(pin.InitialAspect, 0);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(pin.PinConfig[i], 0) << i;
  EXPECT_EQ(pin.Aspects[0], AspectRecord{});
  EXPECT_EQ(pin.DccCount, 1);
  EXPECT_EQ(c_.Pins[1].DeviceLink, 0);
  EXPECT_EQ(c_.Pins[1].DccCount, 0);
}

TEST_F(EditOpsTest, PasteWithoutCopySaysNothingToPasteAndChangesNothing) {
  const Configuration before = c_;
  PinClipboard pins;
  AspectClipboard aspects;
  EXPECT_FALSE(PastePin(c_, pins, prompter_));
  EXPECT_FALSE(PasteAspect(c_, aspects, prompter_));
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Nothing to Paste", "Nothing to Paste"}));
  EXPECT_TRUE(c_.Pins == before.Pins);
}

TEST_F(EditOpsTest, AspectCopyPasteAndClear) {
  c_.CurrentPin = 20;
  c_.CurrentAspect = 0;
  AspectClipboard clipboard;
  CopyAspect(c_, clipboard);
  c_.CurrentAspect = 5;
  ASSERT_TRUE(PasteAspect(c_, clipboard, prompter_));
  EXPECT_EQ(c_.Pins[20].Aspects[5], c_.Pins[20].Aspects[0]);
  ClearAspect(c_);
  EXPECT_EQ(c_.Pins[20].Aspects[5], AspectRecord{});
  EXPECT_EQ(c_.Pins[20].Aspects[0].Description, "Stop");
}

TEST_F(EditOpsTest, CleanupKeepsStepsBeforeTheFirstEmptyOne) {
  c_.CurrentPin = 4;  // four aspects of nine steps
  c_.CurrentAspect = 1;
  AspectRecord& a = c_.Pins[4].Aspects[1];
  a.Description = "x";
  a.Steps[0] = Step(9, 0, 3);
  a.Steps[1] = StepRecord{0, 1, 2, 3, 4, 5};  // "-" with stray parameters
  a.Steps[2] = Step(8, 0, 3);
  a.Steps[8] = Step(9);
  CleanupAspect(c_);
  EXPECT_EQ(a.Description, "");
  EXPECT_EQ(a.Steps[0], Step(9, 0, 3));
  for (int s = 1; s < 9; ++s) EXPECT_EQ(a.Steps[s], StepRecord{}) << s;
}

TEST_F(EditOpsTest, InsertWithThreeStepsDropsTheLastAndLeavesTheRestAlone) {
  c_.CurrentPin = 20;
  c_.CurrentAspect = 0;
  c_.CurrentStep = 1;
  AspectRecord& a = c_.Pins[20].Aspects[0];
  a.Steps[3] = Step(9, 4);  // beyond the last step of this mode
  const AspectRecord before = a;
  InsertStep(c_);
  EXPECT_EQ(a.Steps[0], before.Steps[0]);
  EXPECT_EQ(a.Steps[1], StepRecord{});
  EXPECT_EQ(a.Steps[2], before.Steps[1]);
  for (int s = 3; s < 10; ++s) EXPECT_EQ(a.Steps[s], before.Steps[s]) << s;
}

TEST_F(EditOpsTest, InsertAndDeleteAtTheLastStepOfNine) {
  c_.CurrentPin = 4;
  c_.CurrentAspect = 2;
  AspectRecord& a = c_.Pins[4].Aspects[2];
  const AspectRecord before = a;
  c_.CurrentStep = 8;
  InsertStep(c_);
  EXPECT_EQ(a.Steps[8], StepRecord{});
  EXPECT_EQ(a.Steps[7], before.Steps[7]);
  a = before;
  c_.CurrentStep = 1;
  DeleteStep(c_);
  EXPECT_EQ(a.Steps[0], before.Steps[0]);
  for (int s = 1; s < 8; ++s) EXPECT_EQ(a.Steps[s], before.Steps[s + 1]) << s;
  EXPECT_EQ(a.Steps[8], StepRecord{});
}

TEST_F(EditOpsTest, LastStepFollowsTheAspectMode) {
  PinRecord pin;
  pin.AspectMode = kAspectMode4x9;
  EXPECT_EQ(LastStep(pin), 8);
  pin.AspectMode = kAspectMode12x3;
  EXPECT_EQ(LastStep(pin), 2);
  pin.AspectMode = kAspectModeNone;
  EXPECT_EQ(LastStep(pin), 2);
}

}  // namespace
}  // namespace pyra

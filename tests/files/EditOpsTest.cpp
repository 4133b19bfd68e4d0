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

  void CopyPinTo(int from, int to) {
    PinClipboard clipboard;
    c_.CurrentPin = from;
    CopyPin(c_, clipboard);
    c_.CurrentPin = to;
    ASSERT_TRUE(PastePin(c_, clipboard, prompter_));
  }
};

TEST_F(EditOpsTest, PastedMemberPinKeepsPointingAtItsHead) {
  c_.Pins[12].DeviceLink = -2;  // second pin of a device headed two pins lower
  CopyPinTo(12, 17);
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
  CopyPinTo(9, 20);
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

struct StepEditCase {
  const char* name;
  uint8_t mode;
  int step;
  bool insert;
  std::array<int, 10> from;  // the step each place holds afterwards; -1 for an empty one
};

class StepEditTest : public EditOpsTest, public ::testing::WithParamInterface<StepEditCase> {};

TEST_P(StepEditTest, MovesOnlyTheStepsUpToTheLastOfTheAspectMode) {
  const StepEditCase& e = GetParam();
  c_.CurrentPin = 6;
  c_.CurrentAspect = 1;
  c_.CurrentStep = e.step;
  c_.Pins[6].AspectMode = e.mode;
  AspectRecord& a = c_.Pins[6].Aspects[1];
  for (int s = 0; s < 10; ++s) a.Steps[s] = Step(9, s);
  const AspectRecord before = a;
  e.insert ? InsertStep(c_) : DeleteStep(c_);
  for (int s = 0; s < 10; ++s) {
    EXPECT_EQ(a.Steps[s], e.from[s] < 0 ? StepRecord{} : before.Steps[e.from[s]]) << "step " << s;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, StepEditTest,
    ::testing::Values(
        StepEditCase{"InsertOfThree", kAspectMode12x3, 1, true, {0, -1, 1, 3, 4, 5, 6, 7, 8, 9}},
        StepEditCase{
            "InsertWithoutMode", kAspectModeNone, 0, true, {-1, 0, 1, 3, 4, 5, 6, 7, 8, 9}},
        StepEditCase{
            "InsertAtLastOfNine", kAspectMode4x9, 8, true, {0, 1, 2, 3, 4, 5, 6, 7, -1, 9}},
        StepEditCase{"DeleteOfNine", kAspectMode4x9, 1, false, {0, 2, 3, 4, 5, 6, 7, 8, -1, 9}},
        StepEditCase{"DeleteOfThree", kAspectMode12x3, 0, false, {1, 2, -1, 3, 4, 5, 6, 7, 8, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest/QTest>

#include "PinsUiTestSupport.h"
#include "pins/InstructionSet.h"
#include "pins/PinTransfer.h"

namespace pyra::test {
namespace {

QString Indexed(const char* name, int index) { return QString("%1_%2").arg(name).arg(index); }

StepRecord Step(int opcode, int fade, int offset, int par1, int par2, int par3) {
  return {static_cast<uint8_t>(opcode), static_cast<uint8_t>(fade), static_cast<uint8_t>(offset),
          static_cast<uint8_t>(par1),   static_cast<uint8_t>(par2), static_cast<uint8_t>(par3)};
}

using AspectEditorTest = PinsUiTest;

TEST_F(AspectEditorTest, InstructionListsHoldEveryNamedCodeAsItemDataInListOrder) {
  const std::vector<int>& order = InstructionListOrder();
  for (int r = 0; r < kStepRows; ++r) {
    auto* combo = Find<QComboBox>(Indexed("ComboPAspInst", r));
    ASSERT_EQ(combo->count(), static_cast<int>(order.size())) << "row " << r;
    for (int i = 0; i < combo->count(); ++i) {
      EXPECT_EQ(combo->itemData(i).toInt(), order[i]);
      EXPECT_EQ(combo->itemText(i).toStdString(), Instruction(order[i]).Name);
    }
  }
}

TEST_F(AspectEditorTest, StoredCodeIsSelectedByItemDataNotByPosition) {
  Pin(0).AspectMode = kAspectMode4x9;
  Pin(0).Aspects[0].Steps[4] = Step(100, 0, 0, 64, 10, 1);  // "SetServo & Wait"
  Pin(0).Aspects[0].Steps[5] = Step(1, 0, 0, 3, 2, 0);      // "Jump"
  Refresh();
  auto* servo_wait = Find<QComboBox>("ComboPAspInst_4");
  EXPECT_EQ(servo_wait->currentData().toInt(), 100);
  EXPECT_EQ(servo_wait->currentText(), "SetServo & Wait");
  auto* jump = Find<QComboBox>("ComboPAspInst_5");
  EXPECT_EQ(jump->currentText(), "Jump");
  EXPECT_NE(jump->currentIndex(), 1);
}

struct StepEditCase {
  const char* name;
  int pin;  // index; shown plus one
  int code;
  int box;  // 0 Offset, 1 Par1, 2 Par2, 3 Par3
  const char* typed;
  const char* shown;  // the box afterwards, and again when the pin is shown anew
  int stored;
};

class StepEditTest : public PinsUiTest, public ::testing::WithParamInterface<StepEditCase> {};

TEST_P(StepEditTest, EditedBoxStoresAndReshowsTheValue) {
  const StepEditCase& c = GetParam();
  constexpr const char* kBoxes[] = {"TextPAspOffset", "TextPAspPar1", "TextPAspPar2",
                                    "TextPAspPar3"};
  Pin(c.pin).AspectMode = kAspectMode4x9;
  ShowPin(c.pin);
  ChooseInstruction(2, c.code);
  Type(Indexed(kBoxes[c.box], 2), c.typed);

  const StepRecord& step = Pin(c.pin).Aspects[0].Steps[2];
  const uint8_t bytes[] = {step.Offset, step.Par1, step.Par2, step.Par3};
  EXPECT_EQ(step.Opcode, c.code);
  EXPECT_EQ(bytes[c.box], c.stored);
  EXPECT_EQ(Find<QLineEdit>(Indexed(kBoxes[c.box], 2))->text(), c.shown);
  Refresh();
  EXPECT_EQ(Find<QLineEdit>(Indexed(kBoxes[c.box], 2))->text(), c.shown);
  EXPECT_EQ(Find<QComboBox>("ComboPAspInst_2")->currentData().toInt(), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, StepEditTest,
    ::testing::Values(StepEditCase{"OffsetMinusOneOnPin5", 5, 6, 0, "-1", "-1", 31},
                      StepEditCase{"ServoLowest", 0, 39, 1, "-64", "-64", 0},
                      StepEditCase{"CloneSourceOneBased", 0, 7, 1, "1", "1", 0},
                      StepEditCase{"SerialByteAbove127", 0, 5, 1, "200", "200", 200},
                      StepEditCase{"JumpStepAboveTop", 0, 1, 2, "12", "8", 8},
                      StepEditCase{"BaseAboveThree", 0, 102, 3, "7", "3", 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AspectEditorTest, TimedStepShowsItsDurationAndUnusedBoxesShowZero) {
  Pin(0).AspectMode = kAspectMode4x9;
  ShowPin(0);
  ChooseInstruction(0, 102);  // "Wait": Time and Base only
  Type("TextPAspPar2_0", "63");
  Type("TextPAspPar3_0", "3");
  EXPECT_EQ(Find<QLabel>("LabelPAspTime_0")->text(), "10:45.12");
  EXPECT_EQ(Find<QLineEdit>("TextPAspOffset_0")->text(), "0");
  EXPECT_EQ(Find<QLabel>("LabelPASpHParam2")->text(), "Time");
  EXPECT_FALSE(Find<QCheckBox>("CheckPAspFade_0")->isVisible());

  ChooseInstruction(0, 9);  // "On" has a fade, and no time
  EXPECT_TRUE(Find<QCheckBox>("CheckPAspFade_0")->isVisible());
  EXPECT_EQ(Find<QLabel>("LabelPAspTime_0")->text(), "00:00.00");
  EXPECT_EQ(Find<QLineEdit>("TextPAspPar3_0")->text(), "0");
  EXPECT_EQ(Pin(0).Aspects[0].Steps[0], Step(9, 0, 0, 0, 0, 0));
  Click("CheckPAspFade_0");
  EXPECT_EQ(Pin(0).Aspects[0].Steps[0].Fade, 1);
}

TEST_F(AspectEditorTest, SwitchingFourToTwelveToFourKeepsRowsThreeToEight) {
  Pin(0).AspectMode = kAspectMode4x9;
  for (int s = 0; s < kStepRows; ++s) Pin(0).Aspects[0].Steps[s] = Step(9, 1, 0, s + 1, 0, 0);
  const PinRecord before = Pin(0);
  ShowPin(0);
  for (int s = 0; s < kStepRows; ++s) {
    EXPECT_TRUE(Find<QComboBox>(Indexed("ComboPAspInst", s))->isVisible());
  }

  Click("OptionPAspConf_2");
  EXPECT_EQ(Pin(0).AspectMode, kAspectMode12x3);
  for (int s = 0; s < kStepRows; ++s) {
    EXPECT_EQ(Find<QComboBox>(Indexed("ComboPAspInst", s))->isVisible(), s < 3) << "row " << s;
    EXPECT_EQ(Find<QLineEdit>(Indexed("TextPAspPar1", s))->isVisible(), s < 3) << "row " << s;
  }

  Click("OptionPAspConf_1");
  EXPECT_EQ(Pin(0).AspectMode, kAspectMode4x9);
  EXPECT_EQ(Pin(0), before);
  for (int s = 3; s < kStepRows; ++s) {
    EXPECT_TRUE(Find<QComboBox>(Indexed("ComboPAspInst", s))->isVisible());
    EXPECT_EQ(Find<QLineEdit>(Indexed("TextPAspPar1", s))->text(), QString::number(s + 1));
    EXPECT_TRUE(Find<QCheckBox>(Indexed("CheckPAspFade", s))->isChecked());
  }
}

TEST_F(AspectEditorTest, FourAspectsPullAnAspectAboveThreeDownToThree) {
  Pin(0).AspectMode = kAspectMode12x3;
  Pin(0).InitialAspect = 10;  // aspect 9
  Pin(0).Aspects[3].Description = "fourth";
  Refresh();
  Type("TextPAspAspect", "7");
  EXPECT_EQ(model_.CurrentAspect, 7);
  EXPECT_EQ(Find<QLineEdit>("TextPAspInit")->text(), "9");

  Click("OptionPAspConf_1");
  EXPECT_EQ(Find<QLineEdit>("TextPAspAspect")->text(), "3");
  EXPECT_EQ(model_.CurrentAspect, 3);
  EXPECT_EQ(Find<QLineEdit>("TextPAspAspDesc")->text(), "fourth");
  EXPECT_EQ(Find<QLineEdit>("TextPAspInit")->text(), "-1");
  EXPECT_EQ(Pin(0).InitialAspect, 0);
}

TEST_F(AspectEditorTest, ModeZeroHidesTheAspectControlsAndAnUnknownModeBecomesZero) {
  Pin(0).AspectMode = 7;
  ShowPin(0);
  EXPECT_TRUE(Find<QAbstractButton>("OptionPAspConf_0")->isChecked());
  EXPECT_EQ(Pin(0).AspectMode, kAspectModeNone);
  for (const char* name : {"TextPAspAspect", "TextPAspInit", "TextPAspAspDesc",
                           "CommandPAspTestAspect", "CommandPAspWriteAspect", "ComboPAspInst_0"}) {
    EXPECT_FALSE(Find(name)->isVisible()) << name;
  }
}

struct VisibilityCase {
  bool details;
  bool expert;
};

class DetailsTest : public PinsUiTest, public ::testing::WithParamInterface<VisibilityCase> {};

TEST_P(DetailsTest, DetailsAndExpertModeShowTheirControls) {
  const auto [details, expert] = GetParam();
  Pin(0).AspectMode = kAspectMode4x9;
  Refresh();
  panel_->SetExpertMode(expert);
  if (details) TickShowDetails();
  for (const char* name : {"FrameAspdetails", "SSTabPCFG", "CommandPCFGGetParam_0",
                           "CommandPCFGSetParam_0", "CommandPAspWriteAspect"}) {
    EXPECT_EQ(Find(name)->isVisible(), details) << name;
  }
  for (const char* name : {"CommandPCFGGetParam_1", "CommandPCFGSetParam_1", "CommandPAspReadPin",
                           "CommandPAspWritePin"}) {
    EXPECT_EQ(Find(name)->isVisible(), details && expert) << name;
  }
  EXPECT_TRUE(Find("TextPAspAspect")->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Modes, DetailsTest,
                         ::testing::Values(VisibilityCase{false, false},
                                           VisibilityCase{true, false}, VisibilityCase{false, true},
                                           VisibilityCase{true, true}));

TEST_F(AspectEditorTest, PinBoxIsClampedAndShowsTheChosenPin) {
  Pin(31).Description = "last";
  Pin(31).PinConfig[0] = 2;
  QSignalSpy changed(panel_.get(), &DevicePanel::CurrentPinChanged);
  Type("TextPAspOutput", "40");
  EXPECT_EQ(Find<QLineEdit>("TextPAspOutput")->text(), "32");
  EXPECT_EQ(model_.CurrentPin, 31);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toInt(), 31);
  EXPECT_EQ(Find<QLineEdit>("TextPAspDesc")->text(), "last");
  EXPECT_EQ(Find<QTabWidget>("SSTabPCFG")->currentIndex(), 2);
}

TEST_F(AspectEditorTest, DescriptionsAndInitialAspectGoStraightIntoTheModel) {
  Pin(0).AspectMode = kAspectMode4x9;
  Refresh();
  Type("TextPAspDesc", "Home signal");
  Type("TextPAspAspDesc", "Stop");
  Type("TextPAspInit", "9");
  EXPECT_EQ(Pin(0).Description, "Home signal");
  EXPECT_EQ(Pin(0).Aspects[0].Description, "Stop");
  EXPECT_EQ(Find<QLineEdit>("TextPAspInit")->text(), "3");
  EXPECT_EQ(Pin(0).InitialAspect, 4);
}

TEST_F(AspectEditorTest, SpinningToAnotherAspectKeepsTheRowTypedInTheAspectLeft) {
  Pin(0).AspectMode = kAspectMode4x9;
  ShowPin(0);
  ChooseInstruction(0, 38);  // "Set Level"
  auto* level = Find<QLineEdit>("TextPAspPar1_0");
  level->setFocus();
  level->selectAll();
  QTest::keyClicks(level, "40");  // not confirmed
  QTest::mouseClick(Find("UpDownPAspAspect")->findChild<QWidget*>("up"), Qt::LeftButton);
  EXPECT_EQ(model_.CurrentAspect, 1);
  EXPECT_EQ(Pin(0).Aspects[0].Steps[0].Par1, 31);
  EXPECT_EQ(Find<QComboBox>("ComboPAspInst_0")->currentData().toInt(), 0);
}

TEST_F(AspectEditorTest, DeviceFieldsFollowTheHeadPin) {
  Pin(2).DeviceName = "Signal";
  model_.CurrentPin = 4;
  Refresh();
  EXPECT_EQ(Find<QLineEdit>("TextDevicePin")->text(), "5");
  EXPECT_TRUE(Find<QLineEdit>("TextDeviceDescription")->isEnabled());

  Type("TextDevicePin", "3");
  EXPECT_EQ(Pin(4).DeviceLink, -2);
  EXPECT_EQ(Find<QLineEdit>("TextDeviceDescription")->text(), "Signal");
  EXPECT_FALSE(Find<QLineEdit>("TextDeviceDescription")->isEnabled());

  // Pasted whole: on its way to "40" typing would pass through the valid "4".
  auto* head = Find<QLineEdit>("TextDevicePin");
  head->setFocus();
  head->selectAll();
  head->insert("40");
  QTest::keyClick(head, Qt::Key_Return);
  EXPECT_EQ(Pin(4).DeviceLink, -2);
  EXPECT_EQ(Find<QLineEdit>("TextDevicePin")->text(), "3");

  model_.CurrentPin = 2;
  Refresh();
  Type("TextDeviceDescription", "Distant signal");
  EXPECT_EQ(Pin(2).DeviceName, "Distant signal");
}

struct QueueCase {
  const char* button;
  const char* command;
  bool needs_expert;
};

class QueueButtonTest : public PinsUiTest, public ::testing::WithParamInterface<QueueCase> {};

TEST_P(QueueButtonTest, ButtonQueuesItsCommandAndSendsNothing) {
  Pin(0).AspectMode = kAspectMode4x9;
  ShowPin(0);
  panel_->SetExpertMode(GetParam().needs_expert);
  QSignalSpy queued(panel_.get(), &DevicePanel::QueueCommand);
  Click(GetParam().button);
  ASSERT_EQ(queued.count(), 1);
  EXPECT_EQ(queued.at(0).at(0).toString(), GetParam().command);
  WaitIdle();
  EXPECT_TRUE(Module().Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, QueueButtonTest,
                         ::testing::Values(QueueCase{"CommandPAspReadPin", "PAspReadPin", true},
                                           QueueCase{"CommandPAspWritePin", "PAspWritePin", true},
                                           QueueCase{"CommandReadDevice", "ReadDevice", false},
                                           QueueCase{"CommandWriteDevice", "WriteDevice", false},
                                           QueueCase{"CommandReadAllPins", "ReadAllPins", false},
                                           QueueCase{"CommandWriteAllPins", "WriteAllPins", false}),
                         [](const auto& info) { return std::string(info.param.command); });

TEST_F(AspectEditorTest, WriteSingleSendsTheShownAspectsStepsToTheModule) {
  model_.CurrentAspect = 1;
  Pin(2).AspectMode = kAspectMode4x9;
  for (int s = 0; s < kStepRows; ++s) Pin(2).Aspects[1].Steps[s] = Step(8, s % 2, 0, 10 + s, 0, 0);
  Pin(2).Aspects[1].Steps[8] = Step(5, 0, 0, 200, 130, 0);  // bytes above 127 travel split
  ShowPin(2);
  Click("CommandPAspWriteAspect");
  WaitIdle();

  const auto& module_pin = Module().Memory().pins[2];
  for (int s = 0; s < kStepRows; ++s) {
    EXPECT_EQ(module_pin.steps[1][s], EncodeStep(Pin(2).Aspects[1].Steps[s])) << "step " << s;
  }
  EXPECT_EQ(module_pin.steps[1][8], (sim::StepBytes{5, 3, 72, 2, 0}));
  int step_writes = 0;
  for (const auto& request : Module().Requests())
    step_writes += request.payload[0] == kCmdWriteStep;
  EXPECT_EQ(step_writes, kStepRows);
  EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(AspectEditorTest, PinWrittenAndReadBackThroughTheQueuedOperations) {
  model_.CurrentPin = 3;
  PinRecord& pin = Pin(3);
  pin.AspectMode = kAspectMode12x3;
  pin.InitialAspect = 5;
  pin.DccCount = 2;
  for (int a = 0; a < 12; ++a) pin.Aspects[a].Steps[0] = Step(112 + a, 0, 0, 0, a, a % 4);
  pin.PinConfig = {2, 5, 1, 20, 3, 30};
  const PinRecord written = pin;
  QSignalSpy changed(panel_.get(), &DevicePanel::ModelChanged);
  ASSERT_TRUE(panel_->RunPinCommand("WritePin"));
  WaitIdle();
  EXPECT_EQ(Module().Memory().pins[3].aspect_mode, kAspectMode12x3);

  pin = PinRecord{};
  Refresh();
  ASSERT_TRUE(panel_->RunPinCommand("ReadPin"));
  WaitIdle();
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(Pin(3).Aspects, written.Aspects);
  EXPECT_EQ(Pin(3).InitialAspect, 5);
  EXPECT_EQ(Pin(3).DccCount, 2);
  EXPECT_EQ(Pin(3).PinConfig, written.PinConfig);
  EXPECT_TRUE(Find<QAbstractButton>("OptionPAspConf_2")->isChecked());
  EXPECT_EQ(Find<QTabWidget>("SSTabPCFG")->currentIndex(), 2);
  EXPECT_FALSE(panel_->RunPinCommand("ReadAll"));
}

}  // namespace
}  // namespace pyra::test

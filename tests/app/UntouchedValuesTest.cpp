#include "AppTestSupport.h"

namespace pyra::test {
namespace {

// A module holding values that no editor of the window would let a user type: a Wait of time 100
// and base 5 with a byte in its unused Par1, a Jump to aspect 20, an offset of 40, an undefined
// opcode, a level of 100, an initial aspect the pin's aspect mode does not have, seven addresses,
// eXtended Address 100, events 12..14, servo, PWM and input bytes outside their boxes' ranges.
void HoldValuesOutsideTheEditors(sim::ModuleMemory& m) {
  m.x_address = 100;
  sim::PinMemory& four = m.pins[0];
  four.aspect_mode = 3;
  four.initial_aspect = 9;
  four.steps[0][0] = {102, 0, 9, 100, 5};
  four.steps[0][1] = {39, 3, 127, 0, 0};
  four.steps[1][2] = {1, 2, 20, 30, 0};
  four.steps[2][4] = {25, 40, 100, 0, 0};
  four.steps[3][8] = {96, 50, 100, 70, 3};
  four.steps[3][7] = {19, 5, 6, 7, 8};
  sim::PinMemory& twelve = m.pins[1];
  twelve.aspect_mode = 2;
  twelve.steps[11][2] = {38, 0, 100, 0, 0};
  twelve.address_config = {7, 23, 64};
  m.pins[2].stored_block = {1, 64, 8, 64, 0, 0, 0, 0, 10, 0, 70, 0};
  m.pins[2].servo_initialised = true;
  m.pins[5].stored_block = {2, 10, 3, 40, 45, 31};
  m.pins[6].stored_block = {4, 0, 0, 50, 60};
  for (sim::PinMemory& pin : m.pins) pin.working_block = pin.stored_block;
  m.pins[4].event_on = {12, 16 + 13, 32 + 14, 48 + 15};
  m.pins[4].event_off = {14, 16 + 12, 32 + 15, 48 + 13};
}

class UntouchedValuesTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    HoldValuesOutsideTheEditors(Memory());
    before_ = Memory();
    Do("#2");
    // Counts of 1 hide their boxes while "Show Details" is unticked, from the start on.
    for (const char* name : {"TextPaspDCCn", "TextPAspXDCCn", "TextPaspLumon"}) {
      EXPECT_FALSE(Find(name)->isVisible()) << name;
    }
    Do({"!CommandReadAll", "CheckPAspShowDetails"});
  }

  sim::ModuleMemory before_;
};

TEST_F(UntouchedValuesTest, BrowsingEveryPinAndAspectThenWriteAllWritesBackWhatWasRead) {
  for (int pin = 0; pin < kPinCount; ++pin) {
    if (Find("TextPAspAspect")->isVisible()) {
      for (int i = 0; i < 12; ++i) Do("^UpDownPAspAspect");
      for (int i = 0; i < 12; ++i) Do("_UpDownPAspAspect");
    }
    Do("^UpDownPAspOutput");
  }
  Do("#1");
  for (int pin = 0; pin < kPinCount; ++pin) Do("^UpDownECpin");
  Do({"#0", "!CommandWriteAll"});
  EXPECT_TRUE(Memory() == before_);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(UntouchedValuesTest, ChoosingAnInstructionAndQueueingACommandChangesOnlyThatRow) {
  Do({"ComboPAspInst_2:Wait", "!CommandWriteAll"});  // pin 0, aspect 0: the Wait of 100 is row 0
  before_.pins[0].steps[0][2] = {102, 0, 0, 0, 0};
  EXPECT_TRUE(Memory() == before_);
}

}  // namespace
}  // namespace pyra::test

#include <QLineEdit>

#include "AppTestSupport.h"
#include "operations/ui/VerificationWindow.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

using Slots = std::array<std::string, 4>;

class EventControlTabTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    SelectTab(MainWindow::kTabEventControl);
  }
  sim::ModuleMemory& Memory() { return Module().Memory(); }
  void TypeSlots(const char* row, const Slots& values) {
    for (int i = 0; i < 4; ++i) Type((row + std::to_string(i)).c_str(), values[i].c_str());
  }
  Slots ShownSlots(const char* row) const {
    Slots shown;
    for (int i = 0; i < 4; ++i) shown[i] = TextOf((row + std::to_string(i)).c_str()).toStdString();
    return shown;
  }
};

TEST_F(EventControlTabTest, WriteSendsTheShownPinsSlotBytes) {
  Type("TextECpin", "6");
  TypeSlots("TextECon_", {"3", "-1", "0", "11"});
  TypeSlots("TextECoff_", {"2", "5", "-1", "-1"});
  Run("CommandECWriteSingle");
  EXPECT_EQ(Memory().pins[5].event_on, (std::array<int, 4>{3, 31, 32, 59}));
  EXPECT_EQ(Memory().pins[5].event_off, (std::array<int, 4>{2, 21, 47, 63}));
  EXPECT_EQ(Module().CountRequests(100, 4) + Module().CountRequests(100, 6), 0)
      << "no other pin is written";
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(EventControlTabTest, ReadDecodesOnlySlotBytesThatNameTheirSlot) {
  Memory().pins[7].event_on = {35, 17, 35, 63};
  Memory().pins[7].event_off = {0, 31, 47, 50};
  Type("TextECpin", "8");
  Run("CommandECReadSingle");
  EXPECT_EQ(ShownSlots("TextECon_"), (Slots{"-1", "1", "3", "-1"}));
  EXPECT_EQ(ShownSlots("TextECoff_"), (Slots{"0", "-1", "-1", "2"}));
  const QColor grey(224, 224, 224);
  EXPECT_EQ(Find<QLineEdit>("TextECon_0")->palette().color(QPalette::Base), grey);
  EXPECT_NE(Find<QLineEdit>("TextECon_1")->palette().color(QPalette::Base), grey);
  EXPECT_EQ(window_->Model().EventControl[7].EventOn[2], 3);
}

TEST_F(EventControlTabTest, EachPinKeepsItsSlotsAndCopyToAllChangesOnlyTheProgramsCopy) {
  const std::size_t requests = Module().Requests().size();
  TypeSlots("TextECon_", {"1", "2", "3", "4"});
  TypeSlots("TextECoff_", {"5", "-1", "-1", "6"});
  // Until copied, another pin shows its own slots.
  Type("TextECpin", "4");
  EXPECT_EQ(ShownSlots("TextECon_"), (Slots{"-1", "-1", "-1", "-1"}));
  Type("TextECpin", "1");
  EXPECT_EQ(ShownSlots("TextECon_"), (Slots{"1", "2", "3", "4"}));
  Click("CommandECcopy");
  for (int p = 0; p < kPinCount; ++p) {
    EXPECT_EQ(window_->Model().EventControl[p].EventOn, (std::array<int, 5>{1, 2, 3, 4, -1})) << p;
    EXPECT_EQ(window_->Model().EventControl[p].EventOff, (std::array<int, 5>{5, -1, -1, 6, -1}))
        << p;
  }
  EXPECT_EQ(Module().Requests().size(), requests) << "nothing is sent";
  Type("TextECpin", "20");
  EXPECT_EQ(ShownSlots("TextECoff_"), (Slots{"5", "-1", "-1", "6"}));
}

TEST_F(EventControlTabTest, EnableMapWriteAndRead) {
  for (int i = 0; i < 8; ++i) Click(("CheckInitEE_" + std::to_string(i)).c_str());
  Run("CommandECInitWrite");
  EXPECT_EQ(Memory().enable_map, (std::array<int, 2>{0, 0}));

  Memory().enable_map = {15, 5};
  Run("CommandECInitRead");
  EXPECT_EQ(Ticks("CheckInitEE_", 8), "00000101");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(EventControlTabTest, ReadAllEventsIsQueuedAndFillsEveryPin) {
  Memory().pins[31].event_off = {4, 31, 47, 63};
  Memory().pins[0].event_on = {15, 16, 47, 60};
  Click("CommandECRead");
  EXPECT_TRUE(Find("LabelAction")->isVisible()) << "the busy label shows at once";
  WaitForDispatch();
  EXPECT_FALSE(Find("LabelAction")->isVisible());
  EXPECT_EQ(Module().CountRequests(116, 31), 1);
  EXPECT_EQ(window_->Model().EventControl[31].EventOff[0], 4);
  EXPECT_EQ(ShownSlots("TextECon_"), (Slots{"-1", "0", "-1", "12"})) << "pin 1 is shown";
}

TEST_F(EventControlTabTest, WriteAllEventsThenVerifyReportsOkOrTheDifferingSlot) {
  TypeSlots("TextECon_", {"1", "2", "3", "4"});
  Click("CommandECcopy");
  Run("CommandECWrite");
  for (const sim::PinMemory& pin : Memory().pins) {
    ASSERT_EQ(pin.event_on, (std::array<int, 4>{1, 18, 35, 52}));
  }

  EnterExpertMode();
  Run("CommandECVerify");
  ASSERT_NE(window_->Verification(), nullptr);
  EXPECT_TRUE(window_->Verification()->isVisible());
  EXPECT_EQ(TextOf("txtVerification").toStdString(),
            "Start EC Verification\nNote: Numbering starts at 1\nVerify OK\n");

  window_->Verification()->close();
  Memory().pins[0].event_off[2] = 32 + 9;
  Run("CommandECVerify");
  EXPECT_EQ(TextOf("txtVerification").toStdString(),
            "Start EC Verification\nNote: Numbering starts at 1\n"
            "Event-Off(2) for pin 1 does not compare: Configured Action = -1, Pyra Reply = 9\n");
}

}  // namespace
}  // namespace pyra::test

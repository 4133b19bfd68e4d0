// Compare with Module, the row writes and Write Changes against the simulated module as a peer,
// on manual time.
#include <gtest/gtest.h>

#include <memory>

#include "files/ConfigFile.h"
#include "operations/Batch.h"
#include "operations/Compare.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const std::vector<Difference>& rows) {
  Lines lines;
  for (const Difference& d : rows) lines.push_back(DiffLine(d));
  return lines;
}

// A module written from the richest file, and the window's configuration read back from it.
class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.Open(std::make_unique<sim::SimChannel>(clock_, module_, 19200));
    Configuration file = DefaultConfiguration();
    ASSERT_TRUE(LoadConfigurationFile(PYRA_TEST_DATA "/files/limits_full.dat", file, prompter_));
    ASSERT_TRUE(WriteAll(link_, static_cast<const Configuration&>(file)));
    ASSERT_TRUE(ReadAll(link_, window_));
    ASSERT_TRUE(prompter_.All().empty());
  }
  // Requests since `from`, as "command" or "command,sub-code" for the general settings.
  Lines RequestsSince(std::size_t from) const {
    Lines out;
    const auto& requests = module_.Requests();
    for (std::size_t i = from; i < requests.size(); ++i) {
      const std::vector<int>& p = requests[i].payload;
      std::string text = std::to_string(p[0]);
      if (p[0] == 96 || p[0] == 112) text += "," + std::to_string(p[1]);
      out.push_back(text);
    }
    return out;
  }

  ManualClock clock_;
  test::ScriptedPrompter prompter_;
  sim::SimModule module_;
  Link link_{clock_, prompter_};
  Configuration window_ = DefaultConfiguration();
};

TEST_F(CompareTest, ListsEveryEditWithBothValuesAndChosenRowsSettleThemAlone) {
  const sim::ModuleMemory before = module_.Memory();
  window_.Settings.DccAddress = 300;
  window_.EventControl[1].EventOn[2] = 7;
  window_.Pins[0].Aspects[0].Steps[2] = window_.Pins[0].Aspects[0].Steps[0];
  CompareResult compared = CompareWithModule(link_, window_);
  ASSERT_TRUE(compared.ok);
  const Lines three = LinesOf(compared.rows);
  EXPECT_EQ(three, (Lines{"Basic Decoder Addr: 300 -> 510", "Pin 2 Event-On 3: 7 -> -",
                          "Pin 1 aspect 0 step 2: Set Servo (P.O. 0, Pos. -44, fade) -> -"}));
  EXPECT_EQ(module_.Memory(), before);  // comparing sends no write

  const std::vector<Difference> first_two(compared.rows.begin(), compared.rows.begin() + 2);
  const RowWriteResult written = WriteRows(link_, window_, compared.module, first_two);
  EXPECT_EQ(written.outcome, WriteOutcome::kWritten);
  EXPECT_EQ(written.messages, 2);
  compared = CompareWithModule(link_, window_);
  EXPECT_EQ(LinesOf(compared.rows), Lines{three[2]});
  EXPECT_EQ(compared.module, written.module);

  TakeRows(window_, compared.module, compared.rows);
  EXPECT_TRUE(CompareWithModule(link_, window_).rows.empty());

  // One message carries four slots, and one byte the retention and the invert flag: what was not
  // chosen goes as the module holds it.
  const sim::ModuleMemory settled = module_.Memory();
  window_.EventControl[1].EventOn[0] = 3;
  window_.EventControl[1].EventOn[1] = 4;
  window_.Settings.PacketRetention = 0;
  window_.Settings.BasicPacketStateInvert = !window_.Settings.BasicPacketStateInvert;
  compared = CompareWithModule(link_, window_);
  ASSERT_EQ(compared.rows.size(), 4u);
  const std::vector<Difference> chosen = {compared.rows[0], compared.rows[2]};
  EXPECT_EQ(WriteRows(link_, window_, compared.module, chosen).outcome, WriteOutcome::kWritten);
  EXPECT_EQ(LinesOf(CompareWithModule(link_, window_).rows),
            (Lines{DiffLine(compared.rows[1]), DiffLine(compared.rows[3])}));
  EXPECT_EQ(module_.Memory().pins[1].event_on[1], settled.pins[1].event_on[1]);
  EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(CompareTest, WriteChangesOfOneAspectSendsOnlyItsStepsAndForgetsAnotherModule) {
  const ModuleIdentity here = IdentityOf("sim", link_.State());
  ModuleBaseline baseline{here, window_};
  ASSERT_TRUE(BaselineApplies(baseline, here));
  for (auto& step : window_.Pins[0].Aspects[1].Steps) step = window_.Pins[0].Aspects[0].Steps[0];
  const std::size_t from = module_.Requests().size();
  WriteChangesResult r = WriteChanges(link_, window_, baseline, here);
  EXPECT_EQ(r.outcome, WriteOutcome::kWritten);
  ASSERT_TRUE(r.baseline.has_value());
  Lines expected = {"112,10"};
  for (int k = 0; k < 3; ++k) expected.push_back("99");  // the steps of mode 2's aspect 1
  for (int k = 0; k < 3; ++k) expected.push_back("115");
  EXPECT_EQ(RequestsSince(from), expected);
  EXPECT_TRUE(CompareWithModule(link_, window_).rows.empty());
  EXPECT_TRUE(WriteChanges(link_, window_, *r.baseline, here).rows.empty());

  module_.Memory().id_string = "Another one";
  window_.Settings.DccAddress = 5;
  const std::size_t asked = module_.Requests().size();
  r = WriteChanges(link_, window_, *r.baseline, here);
  EXPECT_EQ(r.outcome, WriteOutcome::kStale);
  EXPECT_FALSE(r.baseline.has_value());
  EXPECT_EQ(RequestsSince(asked), Lines{"112,10"});
  EXPECT_FALSE(BaselineApplies(baseline, IdentityOf("/dev/ttyUSB0", link_.State())));
}

TEST_F(CompareTest, AddressingGoesLastAndIsReadBackAtTheNewAddressAndBadValuesSendNothing) {
  link_.State().UseXAddress = true;
  link_.State().ExtendedAddress = static_cast<uint8_t>(window_.Settings.ModuleXAddress);
  const ModuleIdentity here = IdentityOf("sim", link_.State());
  const ModuleBaseline read{here, window_};
  window_.Settings.ModuleXAddress = 40;
  window_.Settings.DccAddress = 7;
  std::size_t from = module_.Requests().size();
  const WriteChangesResult r = WriteChanges(link_, window_, read, here);
  ASSERT_EQ(r.outcome, WriteOutcome::kWritten);
  EXPECT_EQ(RequestsSince(from), (Lines{"112,10", "96,4", "96,2", "112,5", "112,4", "112,12",
                                        "112,8", "112,2", "112,3"}));
  EXPECT_EQ(module_.Requests().back().extended_address, 40);
  ASSERT_TRUE(r.baseline.has_value());
  EXPECT_EQ(r.baseline->identity.x_address, 40);
  EXPECT_TRUE(CompareWithModule(link_, window_).rows.empty());

  window_.EventControl[0].EventOn[0] = 15;  // no slot byte can carry it
  const CompareResult compared = CompareWithModule(link_, window_);
  ASSERT_EQ(compared.rows.size(), 1u);
  from = module_.Requests().size();
  EXPECT_EQ(WriteRows(link_, window_, compared.module, compared.rows).outcome,
            WriteOutcome::kRefused);
  EXPECT_EQ(module_.Requests().size(), from);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.All()[0].text,
            "Pin 1 Event-On(0): event 15 is out of range -1..14, which no frame can carry.\r\n"
            "Nothing was sent.");
}

}  // namespace
}  // namespace pyra

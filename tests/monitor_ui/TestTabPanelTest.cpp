#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "MonitorUiTestSupport.h"

namespace pyra::test {
namespace {

// A command as the module received it: a set-aspect frame (payload) or an older-format frame
// (address byte and its three data bytes).
struct Received {
  bool older_format = false;
  int address_byte = 0;
  std::vector<int> bytes;
  bool operator==(const Received&) const = default;
};

void PrintTo(const Received& r, std::ostream* os) {
  *os << (r.older_format ? "older " + std::to_string(r.address_byte) + ":" : "pyra:");
  for (int b : r.bytes) *os << " " << b;
}

Received Pyra(int target, int aspect) { return {false, 0, {0, 1, target, aspect}}; }
Received Older(int address_byte, int b1, int b2, int b3) {
  return {true, address_byte, {b1, b2, b3}};
}
std::vector<Received> AllPins(int address_byte, int command, int value) {
  std::vector<Received> frames;
  for (int pin = 0; pin < 32; ++pin) frames.push_back(Older(address_byte, command, pin, value));
  return frames;
}

class TestTabPanelTest : public MonitorUiTest {
 protected:
  std::vector<Received> Sent() {
    std::vector<Received> sent;
    for (const sim::LayoutCommand& c : Layout()) {
      sent.push_back({c.older_format, c.older_format ? c.address_byte : 0, c.bytes});
    }
    return sent;
  }
};

// ---- Every control with its name and caption ----

TEST_F(TestTabPanelTest, ControlsCarryTheirNamesAndCaptions) {
  const std::vector<std::pair<const char*, const char*>> buttons = {
      {"CommandPyraSetAspect_0", "Pyra SA0"},
      {"CommandPyraSetAspect_3", "Pyra SA3"},
      {"CommandPyraSetAspect_4", "Pyra Toggle"},
      {"CommandPyraSetAspect_5", "Pyra 8xSA0"},
      {"CommandPyraSetAspect_6", "Pyra 8xSA1"},
      {"ChkMatrix_0", "MB0"},
      {"ChkMatrix_9", "MB9"},
      {"CmdSetMatrix_0", "MB-0"},
      {"CmdSetMatrix_31", "MB-31"},
      {"CommandSendLumo", "LumoSend"},
      {"CommandReset_0", "Reset"},
      {"CommandReset_1", "Reset 15"},
      {"Command_Clr_0", "Clear All"},
      {"Command_Clr_1", "Clear All 0"},
      {"Command_LT_0", "Lamp Test"},
      {"Command_LT_1", "Lamp Test 0"},
      {"Command_LT_2", "Lamp Test 15"},
      {"CommandFBM_0", "Clear"},
      {"CommandFBM_1", "Monitor"},
      {"CommandFBM_2", "Stop"}};
  for (const auto& [name, caption] : buttons) {
    auto* button = Find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), caption) << name;
  }
  const std::vector<std::pair<const char*, const char*>> labels = {
      {"LabelLumoParameter_0", "Command"},
      {"LabelLumoParameter_1", "Output"},
      {"LabelLumoParameter_2", "Parameter"},
      {"LabelLumoParameter_3", "Output"},
      {"LblMatrix_0", "Blank"},
      {"LblMatrix_4", "*VRe*"},
      {"LblMatrix_15", "Slipgevaar"},
      {"LblMatrix_19", "*70*"}};
  for (const auto& [name, caption] : labels) {
    auto* label = Find<QLabel>(name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), caption) << name;
  }
  for (int i = 0; i < 32; ++i) {
    auto* button = Find<QAbstractButton>(QString("CmdSetMatrix_%1").arg(i));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString("MB-%1").arg(i));
  }
  EXPECT_EQ(panel_->findChild<QLabel*>("LblMatrix_20"), nullptr) << "legends stop at aspect 19";
  for (const char* box : {"TextPyraSendAspectOutput", "TextLumoParameter_0", "TextLumoParameter_1",
                          "TextLumoParameter_2"}) {
    ASSERT_NE(Find<QLineEdit>(box), nullptr);
  }
  EXPECT_EQ(Find<QLineEdit>("TextPyraSendAspectOutput")->text(), "0");
}

// ---- What each button puts on the line ----

struct ButtonCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> typed;  // box, text
  std::vector<int> ticked;                                 // ChkMatrix boxes
  std::vector<const char*> clicks;
  std::vector<Received> sent;
};

void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.name; }

class ButtonTest : public TestTabPanelTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ButtonTest, SendsExactlyItsFrames) {
  const ButtonCase& k = GetParam();
  for (const auto& [box, text] : k.typed) Type(box, text);
  for (int i : k.ticked) Click(QString("ChkMatrix_%1").arg(i));
  for (const char* button : k.clicks) Press(button);
  EXPECT_EQ(Sent(), k.sent);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

std::vector<Received> EightOutputs(int aspect) {
  std::vector<Received> frames;
  for (int n = 0; n < 8; ++n) frames.push_back(Pyra(n, aspect));
  return frames;
}

INSTANTIATE_TEST_SUITE_P(
    TestTab, ButtonTest,
    ::testing::Values(
        ButtonCase{"SA2ToTheTypedOutput",
                   {{"TextPyraSendAspectOutput", "12"}},
                   {},
                   {"CommandPyraSetAspect_2"},
                   {Pyra(12, 2)}},
        ButtonCase{"ToggleTwiceSendsAspectZeroThenOne",
                   {{"TextPyraSendAspectOutput", "7"}},
                   {},
                   {"CommandPyraSetAspect_4", "CommandPyraSetAspect_4"},
                   {Pyra(7, 0), Pyra(7, 1)}},
        ButtonCase{"EightTimesSA1GoesToOutputsZeroToSeven",
                   {{"TextPyraSendAspectOutput", "20"}},
                   {},
                   {"CommandPyraSetAspect_6"},
                   EightOutputs(1)},
        ButtonCase{"MB5WithMB0AndMB3SendsTwoFrames",
                   {},
                   {0, 3},
                   {"CmdSetMatrix_5"},
                   {Pyra(0, 5), Pyra(3, 5)}},
        ButtonCase{"MatrixButtonWithoutATickedBoxSendsNothing", {}, {}, {"CmdSetMatrix_31"}, {}},
        ButtonCase{"LampTest15", {}, {}, {"Command_LT_2"}, AllPins(63, 10, 30)},
        ButtonCase{"LampTestOfTheLinksModule", {}, {}, {"Command_LT_0"}, AllPins(3, 10, 30)},
        ButtonCase{"ClearAll0", {}, {}, {"Command_Clr_1"}, AllPins(3, 8, 0)},
        ButtonCase{"ResetAndReset15",
                   {},
                   {},
                   {"CommandReset_0", "CommandReset_1"},
                   {Older(3, 2, 0, 0), Older(63, 2, 0, 0)}},
        ButtonCase{"LumoSendTakesTheThreeBoxesRounded",
                   {{"TextLumoParameter_0", "9"},
                    {"TextLumoParameter_1", "4.6"},
                    {"TextLumoParameter_2", "30"}},
                   {},
                   {"CommandSendLumo"},
                   {Older(3, 9, 5, 30)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TestTabPanelTest, ButtonSendsThroughALinkJob) {
  Click("CommandPyraSetAspect_1");
  EXPECT_TRUE(jobs_->Busy()) << "the frame goes out on the link thread";
  WaitIdle();
  EXPECT_EQ(Sent(), (std::vector<Received>{Pyra(0, 1)}));
}

// ---- Typed values a frame cannot carry ----

struct RefusalCase {
  const char* name;
  const char* box;
  const char* text;
  const char* button;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class RefusalTest : public TestTabPanelTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ShowsTheMessageAndSendsNothing) {
  const RefusalCase& k = GetParam();
  Type(k.box, k.text);
  Press(k.button);
  EXPECT_TRUE(Layout().empty()) << Layout().front().text;
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{k.message}));
  EXPECT_EQ(prompter_.All().front().icon, Icon::kWarning);
}

INSTANTIATE_TEST_SUITE_P(
    TestTab, RefusalTest,
    ::testing::Values(
        RefusalCase{"OutputTooLarge", "TextPyraSendAspectOutput", "128", "CommandPyraSetAspect_0",
                    "The Output box of the Pyra set-aspect buttons takes a number from 0 to 127; "
                    "128 cannot be carried by a frame. Nothing was sent."},
        RefusalCase{"ToggleWithNegativeOutput", "TextPyraSendAspectOutput", "-1",
                    "CommandPyraSetAspect_4",
                    "The Output box of the Pyra set-aspect buttons takes a number from 0 to 127; "
                    "-1 cannot be carried by a frame. Nothing was sent."},
        RefusalCase{"LumoParameterTooLarge", "TextLumoParameter_2", "200", "CommandSendLumo",
                    "The Parameter box of LumoSend takes a number from 0 to 127; 200 cannot be "
                    "carried by a frame. Nothing was sent."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TestTabPanelTest, RefusedToggleKeepsItsNextAspect) {
  Type("TextPyraSendAspectOutput", "300");
  Press("CommandPyraSetAspect_4");
  EXPECT_EQ(panel_->ToggleAspect(), 0);
  Type("TextPyraSendAspectOutput", "4");
  Press("CommandPyraSetAspect_4");
  EXPECT_EQ(Sent(), (std::vector<Received>{Pyra(4, 0)}));
  EXPECT_EQ(panel_->ToggleAspect(), 1);
}

TEST_F(TestTabPanelTest, ClearAllWithThePortClosedAsksForAPortOnce) {
  OnLink([](Link& link) { link.Close(); });
  Press("Command_Clr_0");
  Press("Command_LT_1");
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"Select communications port", "Select communications port"}));
  EXPECT_TRUE(Layout().empty());
}

}  // namespace
}  // namespace pyra::test

#include "monitor/TestCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

// One frame as it went onto the line: a direct frame's payload, or the three data bytes of an
// older-format frame.
struct WireFrame {
  bool older_format = false;
  int address_byte = 0;  // without the alternation bit
  std::vector<int> bytes;
  bool operator==(const WireFrame&) const = default;
};

void PrintTo(const WireFrame& f, std::ostream* os) {
  *os << (f.older_format ? "older " : "pyra ") << f.address_byte << ":";
  for (int b : f.bytes) *os << " " << b;
}

WireFrame Pyra(int module_address, std::vector<int> payload) {
  return {false, module_address * 4 + 3, std::move(payload)};
}
WireFrame Older(int address_byte, int b1, int b2, int b3) {
  return {true, address_byte, {b1, b2, b3}};
}

using Frames = std::vector<WireFrame>;

// A frame starts at every byte below 128. A direct frame's header has bits 7 and 6 set; the
// older format's first data byte never does here (its commands are below 64).
Frames WireFrames(const std::vector<uint8_t>& w) {
  Frames frames;
  for (std::size_t i = 0; i < w.size();) {
    if (w[i] >= 128) {
      ++i;
      continue;
    }
    WireFrame f;
    f.address_byte = w[i] & 63;
    if (i + 1 < w.size() && w[i + 1] >= 192) {
      const int size = w[i + 1] & 15;
      const std::size_t first = i + 2 + ((w[i + 1] & 16) ? 1 : 0);
      for (std::size_t k = first; k < first + size && k < w.size(); ++k)
        f.bytes.push_back(w[k] & 127);
      i = first + size + 1;
    } else {
      f.older_format = true;
      for (std::size_t k = i + 1; k < i + 4 && k < w.size(); ++k) f.bytes.push_back(w[k] & 127);
      i += 5;
    }
    frames.push_back(std::move(f));
  }
  return frames;
}

std::string Refusal(const std::string& box, const std::string& value) {
  return "The " + box + " takes a number from 0 to 127; " + value +
         " cannot be carried by a frame. Nothing was sent.";
}

// The buttons never wait for a reply: with bidirectional mode off nothing is awaited, so every
// frame the test provokes is on the line at once. The link reset is skipped (no sync burst).
class TestTabTest : public LinkFixture {
 protected:
  TestTabTest() {
    SkipReset();
    link_.State().Bidirectional = false;
  }
  Frames Sent() const { return WireFrames(channel_->Written()); }
  void Reset(int module_address) {
    channel_->ClearWritten();
    prompter_.Clear();
    state_ = {};
    link_.State().ModuleAddress = module_address;
  }

  TestTabState state_;
};

Frames EightOutputs(int aspect) {
  Frames f;
  for (int n = 0; n < 8; ++n) f.push_back(Pyra(0, {0, 1, n, aspect}));
  return f;
}

// Out-of-range typed values are refused with the box named, nothing is sent, the toggle stays.
TEST_F(TestTabTest, PyraSetAspectButtons) {
  const std::string box = "Output box of the Pyra set-aspect buttons";
  const struct {
    const char* name;
    int module;
    int index;
    const char* output;
    Frames frames;
    std::string refusal;
  } cases[] = {
      {"SA0", 0, 0, "5", {Pyra(0, {0, 1, 5, 0})}, ""},
      {"SA3", 0, 3, "5", {Pyra(0, {0, 1, 5, 3})}, ""},
      {"OutputSentAsTypedWithoutNumberBase", 0, 2, "0", {Pyra(0, {0, 1, 0, 2})}, ""},
      {"HighestOutput", 0, 1, "127", {Pyra(0, {0, 1, 127, 1})}, ""},
      {"DecimalOutputIsRounded", 0, 1, "6.7", {Pyra(0, {0, 1, 7, 1})}, ""},
      {"LinksModuleAddress", 6, 1, "3", {Pyra(6, {0, 1, 3, 1})}, ""},
      {"EightTimesSA0", 0, 5, "5", EightOutputs(0), ""},
      // The eight-output buttons do not read the box, so its text cannot stop them.
      {"EightTimesSA1IgnoresTheBox", 0, 6, "900", EightOutputs(1), ""},
      {"JustAboveTheRange", 0, 0, "128", {}, Refusal(box, "128")},
      {"RoundsAboveTheRange", 0, 0, "127.5", {}, Refusal(box, "128")},
      {"Negative", 0, 4, "-1", {}, Refusal(box, "-1")},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Reset(k.module);
    EXPECT_EQ(PyraSetAspect(link_, state_, k.index, k.output), k.refusal.empty());
    EXPECT_EQ(Sent(), k.frames);
    EXPECT_EQ(state_.ToggleAspect, 0);
    if (k.refusal.empty()) {
      EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
    } else {
      ASSERT_EQ(prompter_.All().size(), 1u);
      EXPECT_EQ(prompter_.Last(), k.refusal);
      EXPECT_EQ(prompter_.All()[0].icon, Icon::kWarning);
    }
  }
}

TEST_F(TestTabTest, ToggleAlternatesTheAspectOnTheSameOutput) {
  for (int i = 0; i < 3; ++i) PyraSetAspect(link_, state_, 4, "9");
  EXPECT_EQ(Sent(), (Frames{Pyra(0, {0, 1, 9, 0}), Pyra(0, {0, 1, 9, 1}), Pyra(0, {0, 1, 9, 0})}));
  EXPECT_EQ(state_.ToggleAspect, 1);
}

TEST_F(TestTabTest, MatrixButtonSendsOneFramePerTickedBox) {
  std::array<bool, kMatrixBoxes> ticked{};
  ticked[0] = ticked[3] = true;
  SetMatrix(link_, 5, ticked);
  EXPECT_EQ(Sent(), (Frames{Pyra(0, {0, 1, 0, 5}), Pyra(0, {0, 1, 3, 5})}));

  channel_->ClearWritten();
  SetMatrix(link_, 31, {});
  EXPECT_TRUE(channel_->Written().empty()) << "no box ticked, nothing sent";
}

// ---- Older-format buttons ----

TEST_F(TestTabTest, BulkButtonsSendEveryPinOfTheChosenModule) {
  const struct {
    const char* name;
    std::function<bool(Link&)> press;
    int address_byte;
    int command;
    int value;
    const char* first_frame;  // as written, when checked
  } cases[] = {
      {"ClearAll", [](Link& l) { return ClearAll(l, 0); }, 11, 8, 0, ""},
      {"ClearAll0", [](Link& l) { return ClearAll(l, 1); }, 3, 8, 0, ""},
      {"LampTest", [](Link& l) { return LampTest(l, 0); }, 11, 10, 30, ""},
      {"LampTest0", [](Link& l) { return LampTest(l, 1); }, 3, 10, 30, ""},
      {"LampTest15", [](Link& l) { return LampTest(l, 2); }, 63, 10, 30, "3F 8A 80 9E 99"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Reset(2);
    EXPECT_TRUE(k.press(link_));
    Frames expected;
    for (int pin = 0; pin < 32; ++pin)
      expected.push_back(Older(k.address_byte, k.command, pin, k.value));
    EXPECT_EQ(Sent(), expected);
    if (*k.first_frame) {
      const auto& w = channel_->Written();
      EXPECT_EQ(Hex(std::vector<uint8_t>(w.begin(), w.begin() + 5)), k.first_frame);
    }
  }
}

TEST(TestTabClosedPortTest, BulkButtonsCheckThePortOnceMultiFrameButtonsOnEachSend) {
  ManualClock clock;
  ScriptedPrompter prompter;
  Link link(clock, prompter);
  EXPECT_FALSE(ClearAll(link, 0));
  EXPECT_FALSE(LampTest(link, 2));
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>(2, "Select communications port"));
  TestTabState state;
  PyraSetAspect(link, state, 6, "0");
  EXPECT_EQ(prompter.Texts().size(), 2u + 8u);
}

TEST_F(TestTabTest, ResetGoesToTheModuleOrToModule15) {
  link_.State().ModuleAddress = 1;
  LumoReset(link_, 0);
  LumoReset(link_, 1);
  EXPECT_EQ(Sent(), (Frames{Older(7, 2, 0, 0), Older(63, 2, 0, 0)}));
}

TEST_F(TestTabTest, LumoSendSendsTheThreeBoxesOrRefusesTheWrongOne) {
  const struct {
    const char* name;
    std::array<std::string, 3> texts;
    Frames frames;
    std::string message;  // "" when sent
  } cases[] = {
      {"Plain", {"9", "1", "2"}, {Older(15, 9, 1, 2)}, ""},
      {"RoundedHalvesToEven", {"0.5", "2.5", "3.5"}, {Older(15, 0, 2, 4)}, ""},
      {"TextReadsZero", {"x", " 12abc", "127"}, {Older(15, 0, 12, 127)}, ""},
      {"CommandTooLarge", {"200", "1", "2"}, {}, Refusal("Command box of LumoSend", "200")},
      {"ParameterNegative", {"1", "2", "-3"}, {}, Refusal("Parameter box of LumoSend", "-3")},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Reset(3);
    EXPECT_EQ(SendLumo(link_, k.texts), k.frames.size() == 1);
    EXPECT_EQ(Sent(), k.frames);
    EXPECT_EQ(prompter_.Last(), k.message);
  }
}

// ---- The aspect editor's "Test" button ----

class TestAspectTest : public TestTabTest {
 protected:
  // Pin 5 (shown as 6), aspect 2, first Lumo address 40, flexible block from Lumo address 36:
  // a = 36 + 40 = 76 is entry 12 of older-format module 2.
  Configuration Model(bool flex, int lumo_count) {
    Configuration c = DefaultConfiguration();
    c.CurrentPin = 5;
    c.CurrentAspect = 2;
    c.Pins[5].LumoCount = static_cast<uint8_t>(lumo_count);
    c.LumoStart[5] = 40;
    c.Settings.LumoFlex = flex;
    c.Settings.LumoModeAddress = 9;
    return c;
  }
};

TEST_F(TestAspectTest, ModifierKeysChooseTheMessage) {
  constexpr int kShift = kShiftKey;
  constexpr int kCtrl = kCtrlKey;
  constexpr auto kSent = TestAspectResult::kSent;
  constexpr auto kNoLumo = TestAspectResult::kNoLumoAddress;
  constexpr auto kHelp = TestAspectResult::kHelpShown;
  const struct {
    const char* name;
    int modifiers;
    bool flex;
    int lumo_count;
    TestAspectResult result;
    Frames frames;
  } cases[] = {
      {"NoKeyPyraOnPin", 0, false, 1, kSent, {Pyra(1, {0, 0, 5, 2})}},
      {"NoKeyNeedsNoLumoAddress", 0, true, 0, kSent, {Pyra(1, {0, 0, 5, 2})}},
      {"ShiftOlderOnPin", kShift, false, 0, kSent, {Older(7, 0, 5, 2)}},
      {"ShiftFlexible", kShift, true, 1, kSent, {Older(11, 1, 12, 2)}},
      {"ShiftCtrlFlexible", kShift + kCtrl, true, 2, kSent, {Older(11, 1, 12, 2)}},
      {"ShiftCtrlOlderOnMap", kShift + kCtrl, false, 1, kSent, {Older(7, 1, 40, 2)}},
      {"CtrlPyraOnMap", kCtrl, false, 1, kSent, {Pyra(1, {0, 1, 40, 2})}},
      {"CtrlPyraOnMapAlsoWithFlex", kCtrl, true, 1, kSent, {Pyra(1, {0, 1, 40, 2})}},
      {"CtrlWithoutLumoAddress", kCtrl, false, 0, kNoLumo, {}},
      {"ShiftFlexWithoutLumoAddress", kShift, true, 0, kNoLumo, {}},
      {"ShiftCtrlWithoutLumoAddress", kShift + kCtrl, false, 0, kNoLumo, {}},
      {"AltShiftOnlyHelps", kAltKey + kShift, false, 1, kHelp, {}},
      {"AltCtrlOnlyHelps", kAltKey + kCtrl, false, 0, kHelp, {}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Reset(1);
    EXPECT_EQ(TestAspect(link_, Model(k.flex, k.lumo_count), k.modifiers), k.result);
    EXPECT_EQ(Sent(), k.frames);
    if (k.result == kSent) {
      EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
    }
  }
}

TEST_F(TestAspectTest, MissingLumoAddressNamesTheShownPin) {
  EXPECT_EQ(TestAspect(link_, Model(false, 0), kCtrlKey), TestAspectResult::kNoLumoAddress);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 6");
  EXPECT_EQ(prompter_.All()[0].icon, Icon::kError);
  Configuration zero_based = Model(false, 0);
  zero_based.NumberBase = 0;
  TestAspect(link_, zero_based, kCtrlKey);
  EXPECT_EQ(prompter_.Last(), "You have no Lumo-address(es) assigned to Pin 5");
  EXPECT_TRUE(channel_->Written().empty());
}

TEST_F(TestAspectTest, AltShowsTheFiveLineHelp) {
  TestAspect(link_, Model(false, 1), kAltKey + kShiftKey);
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{
                "Test = Send Pyra Set Aspect\r\nShift + Test = Send Legacy Lumo Set Aspect\r\n"
                "Control + Test = Send Pyra Set Aspect, use Address Map\r\n"
                "Shift + Control + Test = Send Legacy Lumo Set Aspect, use Address Map\r\n"
                "Alt + Test = Show this message"}));
  EXPECT_FALSE(prompter_.All()[0].question);
}

TEST_F(TestAspectTest, OnlyTheLeftButtonActs) {
  EXPECT_EQ(TestAspect(link_, Model(false, 1), kAltKey, false), TestAspectResult::kIgnored);
  EXPECT_EQ(TestAspect(link_, Model(false, 1), 0, false), TestAspectResult::kIgnored);
  EXPECT_TRUE(channel_->Written().empty());
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST(TypedRoundedTest, ReadsLikeTheBoxes) {
  const std::vector<std::pair<const char*, long>> cases = {
      {"7", 7},    {" 12abc", 12}, {"abc", 0}, {"", 0},    {"2.5", 2}, {"3.5", 4},
      {"-0.4", 0}, {"-2.6", -3},   {"+8", 8},  {"1e3", 1}, {".6", 1},  {"99999999999", 1000000000}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(TypedRounded(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace pyra::test

// The real link and Velora set-up against the simulated Velora unit with a module behind it.
#include <gtest/gtest.h>

#include "SimLinkFixture.h"
#include "link/Frame.h"
#include "link/Protocol.h"
#include "link/VeloraSetup.h"

namespace pyra::sim {
namespace {

using Payloads = std::vector<std::vector<int>>;

constexpr char kNotSupported[] = "Your system does not support this function";

class SimVeloraTest : public SimLinkFixture {
 protected:
  void SetUp() override {
    sim_.SetVeloraInFront(true);
    Connect();
  }
  SimVeloraUnit& Unit() { return sim_.Velora(); }
  // Frames the unit received from the index on.
  Payloads FramesFrom(std::size_t index) {
    const auto& all = Unit().Frames();
    return Payloads(all.begin() + static_cast<std::ptrdiff_t>(std::min(index, all.size())),
                    all.end());
  }
};

struct ProtocolCase {
  const char* name;
  int hi;
  int lo;
  bool answers;
  bool corrupt;  // the unit's first answer has a bad checksum
  bool ticked;
  Texts messages;
  Payloads frames;
};

class SimVeloraProtocolTest : public SimVeloraTest,
                              public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(SimVeloraProtocolTest, TunnellingNeedsAnAnswerWithProtocol3200) {
  const auto& c = GetParam();
  Unit().GetConfig().protocol_hi = c.hi;
  Unit().GetConfig().protocol_lo = c.lo;
  Unit().GetConfig().answers = c.answers;
  if (c.corrupt) Unit().CorruptNextAnswer();
  const VeloraSwitchResult result = EnableVeloraTunneling(link_);
  EXPECT_EQ(result.ticked, c.ticked);
  EXPECT_EQ(result.tunnel_ready, c.ticked);
  EXPECT_EQ(State().UseVelora, c.ticked);
  EXPECT_EQ(prompter_.Texts(), c.messages);
  EXPECT_EQ(Unit().Frames(), c.frames);
}

const Payloads kProtocolAsked = {{}, {1, 2}, {}};
const char kNoAnswer[] = "No answer from Velora";
Texts NotSupported(const std::string& protocol) {
  return {std::string(kNotSupported) + "\r\nProtocol = " + protocol};
}
const Texts kDumped = {"Checksum Error\r\nSize = 0<<  [28]", kNoAnswer};

const ProtocolCase kProtocolCases[] = {
    {"Protocol3200", 26, 0, true, false, true, {}, kProtocolAsked},
    {"Protocol4012", 32, 10, true, false, true, {}, kProtocolAsked},
    {"Protocol3100", 25, 0, true, false, false, NotSupported("3.100"), kProtocolAsked},
    {"Protocol3177", 25, 63, true, false, false, NotSupported("3.177"), kProtocolAsked},
    {"SilentUnitIsHeardNeverAnswered", 26, 0, false, false, false, {kNoAnswer}, {{}}},
    {"CorruptAnswerIsReportedWithItsDump", 26, 0, true, true, false, kDumped, {{}}},
};
INSTANTIATE_TEST_SUITE_P(Versions, SimVeloraProtocolTest, ::testing::ValuesIn(kProtocolCases),
                         kCaseName);

TEST_F(SimVeloraTest, UnitAnswersEveryFrameWithItsOwnAlternationBitAndConfiguration) {
  SimVeloraUnit unit(Module(), {.protocol_hi = 26,
                                .protocol_lo = 1,
                                .unit_type = kInterfaceTavi,
                                .unit_hi = 8,
                                .unit_lo = 24});
  const auto ask = [&](std::vector<int> payload, int toggle) {
    std::vector<uint8_t> out;
    for (uint8_t b : EncodeVeloraFrame(payload, toggle)) {
      if (auto e = unit.Receive(b)) out.insert(out.end(), e->bytes.begin(), e->bytes.end());
    }
    return Hex(out);
  };
  // The PC's alternation bit is not checked: every frame gets its answer.
  EXPECT_EQ(ask({}, 1), "28 D8");
  EXPECT_EQ(ask({}, 1), "68 98");
  EXPECT_EQ(ask({1, 2}, 0), Hex(EncodeVeloraFrame(std::vector<int>{1, 2, 26, 1}, 0)));
  EXPECT_EQ(ask({1, 10}, 0), Hex(EncodeVeloraFrame(std::vector<int>{1, 10, 10, 8, 24}, 1)));
  EXPECT_FALSE(unit.Transparent());
  EXPECT_EQ(ask({1, 5, 16}, 0), "28 D8");
  EXPECT_TRUE(unit.Transparent());
}

struct RouteCase {
  const char* name;
  int address;
  std::optional<int> xa;
  std::vector<int> tunnelled;  // the controller message as the unit receives it
};

class SimVeloraRouteTest : public SimVeloraTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(SimVeloraRouteTest, ExchangesTravelThroughTheTunnelWithPolls) {
  const auto& c = GetParam();
  Module().GetConfig().address = c.address;
  State().ModuleAddress = static_cast<uint8_t>(c.address);
  if (c.xa) UseXAddress(*c.xa);
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  const std::size_t before = Unit().Frames().size();

  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_EQ(FramesFrom(before), (Payloads{c.tunnelled, {}}));
  EXPECT_EQ(Module().ResetFrames(), 0) << "the tunnel has no link reset";
  ASSERT_EQ(Module().Requests().size(), 1u);
  EXPECT_EQ(Module().Requests()[0].extended_address, c.xa);

  ModuleSettings out;
  out.IDString = "Station West";
  ASSERT_TRUE(WriteIDString(link_, out));
  EXPECT_EQ(Memory().id_string, "Station West");
  ModuleSettings in;
  ASSERT_TRUE(ReadIDString(link_, in));
  EXPECT_EQ(in.IDString, "Station West");
  EXPECT_TRUE(prompter_.Texts().empty());
}

const RouteCase kRouteCases[] = {
    {"Module0", 0, {}, {0, 96, 96, 112, 0}},
    {"Module20OnlyReachableThroughVelora", 20, {}, {0, 116, 96, 112, 0}},
    {"WithExtendedAddress", 3, 7, {0, 99, 112, 7, 112, 0}},
};
INSTANTIATE_TEST_SUITE_P(Routes, SimVeloraRouteTest, ::testing::ValuesIn(kRouteCases), kCaseName);

TEST_F(SimVeloraTest, OlderFormatIsTunnelledAndTakenWithAnEmptyAnswer) {
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  link_.SendLumoMessage(3, 0, 12, 3);
  EXPECT_EQ(Unit().Frames().back(), (std::vector<int>{0, 96, 0, 12, 3}));
  EXPECT_TRUE(Module().Requests().empty());
  link_.SendPRMessage(false, {0, 0, 13, 4});

  std::vector<std::string> recorded;
  for (const LayoutCommand& c : Module().LayoutCommands()) recorded.push_back(c.text);
  EXPECT_EQ(recorded,
            (Texts{"Older format to module 0: set aspect 3 on pin 12", "Set aspect 4 on pin 13"}));
  EXPECT_EQ(Module().PinAspect(12), 3);
  EXPECT_TRUE(prompter_.Texts().empty());
}

struct TunnelFaultCase {
  const char* name;
  Fault fault;
  bool use_xa;
  Texts messages;
};

class SimVeloraFaultTest : public SimVeloraTest,
                           public ::testing::WithParamInterface<TunnelFaultCase> {};

TEST_P(SimVeloraFaultTest, TunnelledFaultIsReportedAndTheNextExchangeWorks) {
  const auto& c = GetParam();
  if (c.use_xa) UseXAddress(7);
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  Module().InjectFault(c.fault);
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), c.messages);

  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
}

const TunnelFaultCase kTunnelFaultCases[] = {
    {"NoReply", Fault::kNoReply, false, {"No valid response received"}},
    {"IncorrectXAddress", Fault::kWrongXAddress, true, {IncorrectXA(8, 7), kSizeError}},
    {"UnexpectedXAddress", Fault::kWrongXAddress, false, {kUnexpectedXA, kSizeError}},
};
INSTANTIATE_TEST_SUITE_P(Faults, SimVeloraFaultTest, ::testing::ValuesIn(kTunnelFaultCases),
                         kCaseName);

struct TransparentCase {
  const char* name;
  int protocol_hi;
  int type;
  int unit_hi;
  int unit_lo;
  std::optional<Answer> answer;  // to the tunnelling question, when a 3200 system asks it
  Payloads frames;               // what the unit received
  Texts texts;                   // messages and questions, in order
};

class SimVeloraTransparentTest : public SimVeloraTest,
                                 public ::testing::WithParamInterface<TransparentCase> {};

TEST_P(SimVeloraTransparentTest, ActivatesTransparentModeOnlyForCapableUnits) {
  const auto& c = GetParam();
  auto& config = Unit().GetConfig();
  config.protocol_hi = c.protocol_hi;
  config.unit_type = c.type;
  config.unit_hi = c.unit_hi;
  config.unit_lo = c.unit_lo;
  if (c.answer) prompter_.QueueAnswer(*c.answer);

  ActivateTransparentMode(link_);
  EXPECT_EQ(Unit().Frames(), c.frames);
  EXPECT_EQ(prompter_.Texts(), c.texts);
  const bool switched = c.frames.back() == std::vector<int>{1, 5, 16};
  EXPECT_EQ(Unit().Transparent(), switched);
  if (!switched) return;
  EXPECT_EQ(prompter_.All().back().icon, Icon::kInformation);

  // From now on direct frames pass through to the module, not read as Velora frames.
  prompter_.Clear();
  ASSERT_FALSE(State().UseVelora);
  EXPECT_EQ(Version(), "3.2.0.17");
  ModuleSettings settings;
  settings.IDString = "Station West";
  ASSERT_TRUE(WriteIDString(link_, settings));
  EXPECT_EQ(Memory().id_string, "Station West");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(Module().ResetFrames(), 1);
  EXPECT_EQ(Unit().Frames(), c.frames);
}

const Payloads kSwitched = {{}, {1, 2}, {1, 10}, {1, 5, 16}};
const Payloads kRefused = {{}, {1, 2}, {1, 10}, {}};
const char kQuestion[] =
    "Your Velora system supports Pyra Tunneling\r\nWe recommend to use the Velora Tunneling option "
    "instead\r\nDo you still want to activate Transparant Mode?";
std::string Switched(const std::string& unit) {
  return "Your " + unit + " has been put in Transparent Mode";
}
std::string Unable(const std::string& unit) {
  return "Your " + unit + " does not support this function";
}

// Versions: 1023 = (8, 19), 1020 = (8, 16), 1017 = (8, 15), 1030 = (8, 24), 1027 = (8, 23).
const TransparentCase kTransparentCases[] = {
    {"HBA1020", 25, kInterfaceHBA, 8, 16, {}, kSwitched, {Switched("HB-A")}},
    {"HBATooOld", 25, kInterfaceHBA, 8, 15, {}, kRefused, {Unable("HB-A")}},
    {"HBBAnyVersion", 25, kInterfaceHBB, 0, 0, {}, kSwitched, {Switched("HB-B")}},
    {"Tavi1030", 25, kInterfaceTavi, 8, 24, {}, kSwitched, {Switched("Tavi")}},
    {"TaviTooOld", 25, kInterfaceTavi, 8, 23, {}, kRefused, {Unable("Tavi")}},
    {"UnknownType", 25, 7, 8, 19, {}, kRefused, {kNotSupported}},
    {"TunnellingAnswerNo", 26, kInterfaceHBA, 8, 19, Answer::kNo, kProtocolAsked, {kQuestion}},
    {"TunnellingAnswerYes",
     26,
     kInterfaceHBA,
     8,
     19,
     Answer::kYes,
     {{}, {1, 2}, {}, {1, 10}, {1, 5, 16}},
     {kQuestion, Switched("HB-A")}},
};
INSTANTIATE_TEST_SUITE_P(Units, SimVeloraTransparentTest, ::testing::ValuesIn(kTransparentCases),
                         kCaseName);

}  // namespace
}  // namespace pyra::sim

// The real link and Velora set-up against the simulated Velora unit with a module behind it.
#include <gtest/gtest.h>

#include "link/Frame.h"
#include "link/Link.h"
#include "link/Protocol.h"
#include "link/VeloraSetup.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::sim {
namespace {

using test::ScriptedPrompter;
using Texts = std::vector<std::string>;
using Payloads = std::vector<std::vector<int>>;

constexpr char kNotSupported[] = "Your system does not support this function";

class SimVeloraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.SetVeloraInFront(true);
    link_.Open(sim_.Connect(clock_, 19200));
  }
  SimModule& Module() { return sim_.Module(); }
  SimVeloraUnit& Unit() { return sim_.Velora(); }
  LinkState& State() { return link_.State(); }
  std::string Version() {
    ModuleSettings settings;
    GetVersion(link_, settings);
    return settings.FirmwareVersion;
  }
  // Frames the unit received from the index on.
  Payloads FramesFrom(std::size_t index) {
    const auto& all = Unit().Frames();
    return Payloads(all.begin() + static_cast<std::ptrdiff_t>(std::min(index, all.size())),
                    all.end());
  }

  ManualClock clock_;
  ScriptedPrompter prompter_;
  Simulator sim_;
  Link link_{clock_, prompter_};
};

struct ProtocolCase {
  const char* name;
  int hi;
  int lo;
  bool ticked;
  Texts messages;
};

class SimVeloraProtocolTest : public SimVeloraTest,
                              public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(SimVeloraProtocolTest, TunnellingNeedsProtocol3200) {
  const auto& c = GetParam();
  Unit().GetConfig().protocol_hi = c.hi;
  Unit().GetConfig().protocol_lo = c.lo;
  const VeloraSwitchResult result = EnableVeloraTunneling(link_);
  EXPECT_EQ(result.ticked, c.ticked);
  EXPECT_EQ(result.tunnel_ready, c.ticked);
  EXPECT_EQ(State().UseVelora, c.ticked);
  EXPECT_EQ(prompter_.Texts(), c.messages);
  EXPECT_EQ(Unit().Frames(), (Payloads{{}, {1, 2}, {}}));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SimVeloraProtocolTest,
    ::testing::Values(
        ProtocolCase{"Protocol3200", 26, 0, true, {}},
        ProtocolCase{"Protocol4012", 32, 10, true, {}},
        ProtocolCase{
            "Protocol3100", 25, 0, false, {std::string(kNotSupported) + "\r\nProtocol = 3.100"}},
        ProtocolCase{
            "Protocol3177", 25, 63, false, {std::string(kNotSupported) + "\r\nProtocol = 3.177"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimVeloraTest, SilentUnitLeavesTunnellingOff) {
  Unit().GetConfig().answers = false;
  EXPECT_FALSE(EnableVeloraTunneling(link_).ticked);
  EXPECT_FALSE(State().UseVelora);
  EXPECT_EQ(prompter_.Texts(), (Texts{"No answer from Velora"}));
  EXPECT_EQ(Unit().Frames(), (Payloads{{}})) << "heard, never answered";
}

TEST_F(SimVeloraTest, CorruptAnswerIsReportedWithItsDump) {
  Unit().CorruptNextAnswer();
  EXPECT_FALSE(EnableVeloraTunneling(link_).ticked);
  EXPECT_EQ(prompter_.Texts(),
            (Texts{"Checksum Error\r\nSize = 0<<  [28]", "No answer from Velora"}));
}

TEST_F(SimVeloraTest, UnitAnswersWithItsOwnAlternationBit) {
  SimVeloraUnit unit(Module(), {});
  std::vector<uint8_t> answers;
  for (int toggle : {1, 1, 0}) {
    for (uint8_t b : EncodeVeloraFrame(std::vector<int>{}, toggle)) {
      if (auto e = unit.Receive(b)) answers.insert(answers.end(), e->bytes.begin(), e->bytes.end());
    }
  }
  // The PC's alternation bit is not checked: every frame gets its answer.
  EXPECT_EQ(Hex(answers), "28 D8 68 98 28 D8");
}

TEST_F(SimVeloraTest, VersionAnswersCarryTheUnitsConfiguration) {
  SimVeloraUnit unit(Module(), {.protocol_hi = 26,
                                .protocol_lo = 1,
                                .unit_type = kInterfaceTavi,
                                .unit_hi = 8,
                                .unit_lo = 24});
  const auto ask = [&](std::vector<int> payload) {
    std::vector<uint8_t> out;
    for (uint8_t b : EncodeVeloraFrame(payload, 0)) {
      if (auto e = unit.Receive(b)) out = e->bytes;
    }
    return Hex(out);
  };
  EXPECT_EQ(ask({1, 2}), Hex(EncodeVeloraFrame(std::vector<int>{1, 2, 26, 1}, 0)));
  EXPECT_EQ(ask({1, 10}), Hex(EncodeVeloraFrame(std::vector<int>{1, 10, 10, 8, 24}, 1)));
  EXPECT_FALSE(unit.Transparent());
  EXPECT_EQ(ask({1, 5, 16}), "28 D8");
  EXPECT_TRUE(unit.Transparent());
}

struct RouteCase {
  const char* name;
  int address;
  std::optional<int> xa;
  std::vector<int> tunnelled;  // the controller message as the unit receives it
};

class SimVeloraRouteTest : public SimVeloraTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(SimVeloraRouteTest, VersionTravelsThroughTheTunnelWithPolls) {
  const auto& c = GetParam();
  Module().GetConfig().address = c.address;
  State().ModuleAddress = static_cast<uint8_t>(c.address);
  if (c.xa) {
    Module().GetConfig().extended_address = *c.xa;
    State().UseXAddress = true;
    State().ExtendedAddress = static_cast<uint8_t>(*c.xa);
  }
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  const std::size_t before = Unit().Frames().size();

  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(FramesFrom(before), (Payloads{c.tunnelled, {}}));
  EXPECT_EQ(Module().ResetFrames(), 0) << "the tunnel has no link reset";
  ASSERT_EQ(Module().Requests().size(), 1u);
  EXPECT_EQ(Module().Requests()[0].extended_address, c.xa);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, SimVeloraRouteTest,
    ::testing::Values(RouteCase{"Module0", 0, {}, {0, 96, 96, 112, 0}},
                      RouteCase{"Module20OnlyReachableThroughVelora", 20, {}, {0, 116, 96, 112, 0}},
                      RouteCase{"WithExtendedAddress", 3, 7, {0, 99, 112, 7, 112, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimVeloraTest, IDStringRoundTripsThroughTheTunnel) {
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  ModuleSettings out;
  out.IDString = "Station West";
  ASSERT_TRUE(WriteIDString(link_, out));
  EXPECT_EQ(Module().Memory().id_string, "Station West");
  ModuleSettings in;
  ASSERT_TRUE(ReadIDString(link_, in));
  EXPECT_EQ(in.IDString, "Station West");
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SimVeloraTest, OlderFormatMessageIsTunnelledAndTakenWithAnEmptyAnswer) {
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  link_.SendLumoMessage(3, 0, 5, 1);
  EXPECT_EQ(Unit().Frames().back(), (std::vector<int>{0, 96, 0, 5, 1}));
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_TRUE(Module().Requests().empty());
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
  if (c.use_xa) {
    Module().GetConfig().extended_address = 7;
    State().UseXAddress = true;
    State().ExtendedAddress = 7;
  }
  ASSERT_TRUE(EnableVeloraTunneling(link_).ticked);
  Module().InjectFault(c.fault);
  EXPECT_EQ(Version(), "Unknown");
  EXPECT_EQ(prompter_.Texts(), c.messages);

  prompter_.Clear();
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimVeloraFaultTest,
    ::testing::Values(
        TunnelFaultCase{"NoReply", Fault::kNoReply, false, {"No valid response received"}},
        TunnelFaultCase{"IncorrectXAddress",
                        Fault::kWrongXAddress,
                        true,
                        {"Incorrect eXtended Address byte \r\nReceived 8 Expected 7",
                         "GetVersion: No valid response, size <> 6"}},
        TunnelFaultCase{
            "UnexpectedXAddress",
            Fault::kWrongXAddress,
            false,
            {"Unexpected eXtended Address Byte 1", "GetVersion: No valid response, size <> 6"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct TransparentCase {
  const char* name;
  int protocol_hi;
  int type;
  int unit_hi;
  int unit_lo;
  std::optional<Answer> answer;  // to the tunnelling question, when a 3200 system asks it
  Payloads frames;               // what the unit received
  Texts texts;                   // messages and questions, in order
  bool transparent;
};

const Payloads kSwitched = {{}, {1, 2}, {1, 10}, {1, 5, 16}};
const Payloads kRefused = {{}, {1, 2}, {1, 10}, {}};
const char kQuestion[] =
    "Your Velora system supports Pyra Tunneling\r\nWe recommend to use the Velora Tunneling option "
    "instead\r\nDo you still want to activate Transparant Mode?";

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
  EXPECT_EQ(Unit().Transparent(), c.transparent);
  if (c.transparent) {
    EXPECT_EQ(prompter_.All().back().icon, Icon::kInformation);
  }
}

// Versions: 1023 = (8, 19), 1020 = (8, 16), 1017 = (8, 15), 1030 = (8, 24), 1027 = (8, 23).
INSTANTIATE_TEST_SUITE_P(
    Units, SimVeloraTransparentTest,
    ::testing::Values(TransparentCase{"HBA1020",
                                      25,
                                      kInterfaceHBA,
                                      8,
                                      16,
                                      {},
                                      kSwitched,
                                      {"Your HB-A has been put in Transparent Mode"},
                                      true},
                      TransparentCase{"HBATooOld",
                                      25,
                                      kInterfaceHBA,
                                      8,
                                      15,
                                      {},
                                      kRefused,
                                      {"Your HB-A does not support this function"},
                                      false},
                      TransparentCase{"HBBAnyVersion",
                                      25,
                                      kInterfaceHBB,
                                      0,
                                      0,
                                      {},
                                      kSwitched,
                                      {"Your HB-B has been put in Transparent Mode"},
                                      true},
                      TransparentCase{"Tavi1030",
                                      25,
                                      kInterfaceTavi,
                                      8,
                                      24,
                                      {},
                                      kSwitched,
                                      {"Your Tavi has been put in Transparent Mode"},
                                      true},
                      TransparentCase{"TaviTooOld",
                                      25,
                                      kInterfaceTavi,
                                      8,
                                      23,
                                      {},
                                      kRefused,
                                      {"Your Tavi does not support this function"},
                                      false},
                      TransparentCase{
                          "UnknownType", 25, 7, 8, 19, {}, kRefused, {kNotSupported}, false},
                      TransparentCase{"TunnellingSystemAnswerNo",
                                      26,
                                      kInterfaceHBA,
                                      8,
                                      19,
                                      Answer::kNo,
                                      Payloads{{}, {1, 2}, {}},
                                      {kQuestion},
                                      false},
                      TransparentCase{"TunnellingSystemAnswerYes",
                                      26,
                                      kInterfaceHBA,
                                      8,
                                      19,
                                      Answer::kYes,
                                      Payloads{{}, {1, 2}, {}, {1, 10}, {1, 5, 16}},
                                      {kQuestion, "Your HB-A has been put in Transparent Mode"},
                                      true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimVeloraTest, AfterTransparentModeDirectFramesReachTheModule) {
  Unit().GetConfig().protocol_hi = 25;
  ActivateTransparentMode(link_);
  ASSERT_TRUE(Unit().Transparent());
  const std::size_t frames = Unit().Frames().size();
  prompter_.Clear();

  ASSERT_FALSE(State().UseVelora);
  EXPECT_EQ(Version(), "3.2.0.17");
  EXPECT_TRUE(prompter_.Texts().empty());
  EXPECT_EQ(Module().ResetFrames(), 1);
  EXPECT_EQ(Unit().Frames().size(), frames) << "passed through, not read as Velora frames";

  ModuleSettings settings;
  settings.IDString = "Station West";
  ASSERT_TRUE(WriteIDString(link_, settings));
  EXPECT_EQ(Module().Memory().id_string, "Station West");
}

}  // namespace
}  // namespace pyra::sim

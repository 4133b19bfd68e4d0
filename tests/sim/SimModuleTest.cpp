#include <gtest/gtest.h>

#include <chrono>

#include "SimLinkFixture.h"
#include "link/Frame.h"
#include "link/Protocol.h"
#include "sim/SimModule.h"

namespace pyra::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using Payload = std::vector<int>;
using std::chrono::milliseconds;

// Feeds the bytes one at a time, as the line does, and collects everything the module sends.
struct Fed {
  Bytes out;
  Clock::Duration delay{};
  int emissions = 0;
};
Fed Feed(SimModule& module, const Bytes& bytes) {
  Fed fed;
  for (uint8_t b : bytes) {
    if (auto e = module.Receive(b)) {
      fed.out.insert(fed.out.end(), e->bytes.begin(), e->bytes.end());
      fed.delay = e->delay;
      ++fed.emissions;
    }
  }
  return fed;
}

Bytes Frame(uint8_t address_byte, bool reply, std::optional<int> xa, Payload payload) {
  const int x = xa.value_or(0);
  return EncodeFrame(address_byte, reply, xa ? &x : nullptr, payload);
}
std::string HexFrame(uint8_t address_byte, std::optional<int> xa, Payload payload) {
  return Hex(Frame(address_byte, true, xa, std::move(payload)));
}

SimModule::Request Req(int address, bool wants_reply, Payload payload, std::optional<int> xa = {}) {
  return {.address = address,
          .wants_reply = wants_reply,
          .extended_address = xa,
          .payload = std::move(payload)};
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kVersionRequest = {0x43, 0xE2, 0xF0, 0x80, 0xEB};  // module 0, alternation bit set
const Bytes kNextVersionRequest = Frame(0x03, true, {}, {112, 0});
const char kVersionReply[] = "43 E6 F0 80 83 82 80 91 D1";
const Bytes kSync(kSyncBurst.begin(), kSyncBurst.end());
const Bytes kResetFrame = {0x03, 0xC0, 0xBD};

struct ReceiverCase {
  const char* name;
  int address;
  int extended_address;
  Bytes in;
  std::string out;  // hex of everything answered
  int requests;     // requests the module acted on
};

class SimModuleReceiverTest : public ::testing::TestWithParam<ReceiverCase> {};

TEST_P(SimModuleReceiverTest, AnswersOnlyValidFramesForItself) {
  const auto& c = GetParam();
  SimModule module(SimModule::Config{.address = c.address, .extended_address = c.extended_address});
  EXPECT_EQ(Hex(Feed(module, c.in).out), c.out) << "in: " << Hex(c.in);
  EXPECT_EQ(static_cast<int>(module.Requests().size()), c.requests);
}

const ReceiverCase kReceiverCases[] = {
    {"VersionRequest", 0, 0, kVersionRequest, kVersionReply, 1},
    {"OtherModulesAddress", 0, 0, Frame(0x47, true, {}, {112, 0}), "", 0},
    {"BadChecksum", 0, 0, {0x43, 0xE2, 0xF0, 0x80, 0xEC}, "", 0},
    {"ExtendedAddressDiffers", 0, 0, Frame(0x43, true, 5, {112, 0}), "", 0},
    {"ExtendedAddressMatches", 0, 5, Frame(0x43, true, 5, {112, 0}),
     "43 F6 85 F0 80 83 82 80 91 BC", 1},
    {"NoExtendedAddressReachesAModuleWithOne", 0, 5, kVersionRequest, kVersionReply, 1},
    {"FrameStartMidFrameRestarts", 0, 0, Join({{0x43, 0xE2, 0xF0}, kVersionRequest}), kVersionReply,
     1},
    {"SyncBurstAndResetFrameAreAbsorbed", 0, 0, Join({kSync, kResetFrame, kVersionRequest}),
     kVersionReply, 1},
    {"NoReplyAsked", 0, 0, Frame(0x43, false, {}, {112, 0}), "", 1},
    {"OlderFormatFrame", 0, 0, {0x03, 0x80, 0x85, 0x81, 0xF7}, "", 0},
    {"ModuleAddressFive", 5, 0, Frame(0x57, true, {}, {112, 0}),
     HexFrame(0x57, {}, {112, 0, 3, 2, 0, 17}), 1},
};
INSTANTIATE_TEST_SUITE_P(Frames, SimModuleReceiverTest, ::testing::ValuesIn(kReceiverCases),
                         kCaseName);

struct FaultCase {
  const char* name;
  Fault fault;
  std::string out;
  int delay_ms;  // of the faulted reply, with a module latency of 20 ms
};

class SimModuleFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimModuleFaultTest, FaultChangesExactlyTheNextReply) {
  const auto& c = GetParam();
  SimModule module(SimModule::Config{.latency = milliseconds(20)});
  module.InjectFault(c.fault);
  const Fed faulted = Feed(module, kVersionRequest);
  EXPECT_EQ(Hex(faulted.out), c.out);
  EXPECT_EQ(faulted.delay, milliseconds(c.delay_ms));
  EXPECT_EQ(module.CountRequests(kCmdReadGeneral, kSubVersion), 1) << "handled all the same";

  const Fed next = Feed(module, kNextVersionRequest);
  EXPECT_EQ(Hex(next.out), HexFrame(0x03, {}, {112, 0, 3, 2, 0, 17}));
  EXPECT_EQ(next.delay, milliseconds(20));
}

const FaultCase kFaultCases[] = {
    {"NoReply", Fault::kNoReply, "", 0},
    {"BadChecksum", Fault::kBadChecksum, "43 E6 F0 80 83 82 80 91 D2", 20},
    {"WrongAddress", Fault::kWrongAddress, "47 E6 F0 80 83 82 80 91 CD", 20},
    {"StaleToggle", Fault::kStaleToggle, "03 E6 F0 80 83 82 80 91 91", 20},
    {"NoiseBefore", Fault::kNoiseBefore, "FF 85 90 43 E6 F0 80 83 82 80 91 D1", 20},
    {"WrongXAddress", Fault::kWrongXAddress, "43 F6 81 F0 80 83 82 80 91 C0", 20},
    {"ShortReply", Fault::kShortReply, "43 E5 F0 80 83 82 80 E3", 20},
    {"SlowReply", Fault::kSlowReply, kVersionReply, 3020},
};
INSTANTIATE_TEST_SUITE_P(Faults, SimModuleFaultTest, ::testing::ValuesIn(kFaultCases), kCaseName);

TEST(SimModuleTest, FaultCanBeScheduledForALaterReply) {
  SimModule module;
  module.InjectFault(Fault::kNoReply, 2);
  EXPECT_EQ(Hex(Feed(module, kVersionRequest).out), kVersionReply);
  EXPECT_EQ(Feed(module, kNextVersionRequest).emissions, 0);
  EXPECT_EQ(Feed(module, kVersionRequest).emissions, 1);
}

TEST(SimModuleTest, ExtendedAddressFaultAddsOneWhereTheRequestHadOne) {
  SimModule module(SimModule::Config{.extended_address = 5});
  module.InjectFault(Fault::kWrongXAddress);
  EXPECT_EQ(Hex(Feed(module, Frame(0x43, true, 5, {112, 0})).out),
            HexFrame(0x43, 6, {112, 0, 3, 2, 0, 17}));
}

TEST(SimModuleTest, RepeatedFrameIsAnsweredAgainButActedOnOnce) {
  SimModule module;
  const Bytes write = Frame(0x43, true, {}, {96, 10, 'A', 'B'});
  EXPECT_EQ(Hex(Feed(module, write).out), HexFrame(0x43, {}, {96, 10}));
  module.Memory().id_string = "changed";
  EXPECT_EQ(Hex(Feed(module, write).out), HexFrame(0x43, {}, {96, 10}));
  EXPECT_EQ(module.Memory().id_string, "changed");

  // The other alternation bit makes a new request; unanswered, it stays so when repeated.
  const Bytes unanswered = Frame(0x03, false, {}, {96, 10, 'C'});
  EXPECT_EQ(Feed(module, unanswered).emissions, 0);
  EXPECT_EQ(Feed(module, unanswered).emissions, 0);
  EXPECT_EQ(module.Memory().id_string, "C");
  EXPECT_EQ(module.CountRequests(96, 10), 2);
}

TEST(SimModuleTest, ResetFrameIsCountedNeverAnsweredAndRestartsTheAlternation) {
  SimModule module;
  Feed(module, {0x07, 0xC0, 0xB9});
  EXPECT_EQ(module.ResetFrames(), 0) << "for another module";
  Feed(module, kVersionRequest);
  EXPECT_EQ(Feed(module, Join({kSync, kResetFrame})).emissions, 0);
  EXPECT_EQ(module.ResetFrames(), 1);
  // Same alternation bit as the frame before the reset, yet a new request.
  EXPECT_EQ(Hex(Feed(module, kVersionRequest).out), kVersionReply);
  EXPECT_EQ(module.CountRequests(kCmdReadGeneral, kSubVersion), 2);
}

Payload Guarded() {
  Payload p = {kCmdWriteGeneral, kSubVersion};
  p.insert(p.end(), kEraseGuard.begin(), kEraseGuard.end());
  return p;
}

// Blocks of pin 4 as they travel after `command`: type, P1 (or the live value), P2, the rest.
Payload Servo(int command, int p1, int p2) {
  return {command, 4, 1, p1, p2, 64, 127, 58, 127, 127, 64, 0, 64, 0};
}
Payload Pwm(int command, int level = 5) { return {command, 4, 2, level, 1, 28, 0, 31}; }

// Requests handled by a factory-fresh module, then one more: its exact reply payload.
struct ReplyCase {
  const char* name;
  std::vector<Payload> before;
  Payload request;
  Payload reply;
};

class SimModuleReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(SimModuleReplyTest, ReplyEchoesTheRequestAndShowsWhatWasStored) {
  SimModule module;
  for (const auto& w : GetParam().before) module.Handle(Req(0, false, w));
  auto reply = module.Handle(Req(0, true, GetParam().request));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->payload, GetParam().reply);
  EXPECT_FALSE(reply->extended_address);
}

// A servo is initialised as soon as it is written, and says so in bit 6 of P2 (26 + 64).
const ReplyCase kReplyCases[] = {
    {"EraseIsAcknowledged", {}, Guarded(), {96, 0}},
    {"LaterWrite", {}, {96, 4, 3, 1}, {96, 4}},
    {"UnknownCommand", {}, {120, 5}, {120, 5}},
    {"SingleByte", {}, {0}, {0}},
    {"UnknownSetting", {}, {112, 9}, {112, 9}},
    {"NoPin32", {}, {116, 32}, {116, 32}},
    {"LastStep", {}, {115, 4, 11, 9}, {115, 4, 11, 9, 0, 0, 0, 0, 0}},
    {"NoAspect12", {}, {115, 4, 12, 0}, {115, 4}},
    {"NoStep10", {}, {115, 4, 0, 10}, {115, 4}},
    {"ShortWriteIsIgnored", {{96, 4, 44}}, {112, 4}, {112, 4, 1, 0}},
    {"LongWriteIsIgnored", {{96, 5, 3, 3}}, {112, 5}, {112, 5, 2}},
    {"InitialAspectAlone", {{100, 3, 115}}, {116, 3}, {116, 3, 115, 15, 31, 47, 63}},
    {"EventOnSlots", {{100, 3, 3, 31, 32, 59}}, {116, 3}, {116, 3, 127, 3, 31, 32, 59}},
    {"InitialAspectThenSlots",
     {{100, 3, 112}, {100, 3, 0, 17, 34, 51}},
     {116, 3},
     {116, 3, 112, 0, 17, 34, 51}},
    {"EventOffSlotsAsWritten", {{101, 3, 35, 1, 2, 3}}, {117, 3}, {117, 3, 35, 1, 2, 3}},
    {"OtherPinUntouched", {{101, 3, 0, 16, 32, 48}}, {117, 2}, {117, 2, 15, 31, 47, 63}},
    {"AspectMode", {{98, 4, 3}}, {114, 4}, {114, 4, 3}},
    {"AspectModeWithoutValueIsIgnored", {{98, 4}}, {114, 4}, {114, 4, 0}},
    {"InitialAspectLeavesTheAspectMode", {{100, 4, 115}}, {114, 4}, {114, 4, 0}},
    {"Step", {{99, 4, 3, 8, 35, 1, 2, 3, 4}}, {115, 4, 3, 8}, {115, 4, 3, 8, 35, 1, 2, 3, 4}},
    {"StepOfAnotherAspect",
     {{99, 4, 3, 8, 35, 1, 2, 3, 4}},
     {115, 4, 2, 8},
     {115, 4, 2, 8, 0, 0, 0, 0, 0}},
    {"AddressConfig", {{102, 4, 10, 19, 94}}, {118, 4}, {118, 4, 10, 19, 94}},
    {"InputBlock", {{97, 4, 5, 0, 0, 4, 4}}, {113, 4}, {113, 4, 5, 0, 0, 4, 4}},
    {"StoredServoReportsInitialised", {Servo(97, 64, 26)}, {113, 4}, Servo(113, 64, 90)},
    {"ServoClearedAgain", {Servo(97, 64, 26), {97, 4, 0}}, {113, 4}, {113, 4, 0}},
    {"FreshWorkingBlock", {}, {81, 4}, {81, 4, 0}},
    {"WorkingBlock", {Pwm(65)}, {81, 4}, Pwm(81)},
    {"WorkingBlockLeavesTheStoredOne", {Pwm(65)}, {113, 4}, {113, 4, 0}},
    {"StoredBlockIsTakenOnAsWorking", {Pwm(97)}, {81, 4}, Pwm(81)},
    {"LivePwmMovesTheWorkingLevel", {Pwm(97), {0, 38, 4, 20}}, {81, 4}, Pwm(81, 20)},
    {"LivePwmLeavesTheStoredLevel", {Pwm(97), {0, 38, 4, 20}}, {113, 4}, Pwm(113)},
    {"SlowPwm", {Pwm(97), {0, 54, 4, 31}}, {81, 4}, Pwm(81, 31)},
    {"LiveServo", {Servo(97, 64, 26), {0, 39, 4, 0}}, {81, 4}, Servo(81, 0, 90)},
    {"DynamicServo", {Servo(97, 64, 26), {0, 55, 4, 127}}, {81, 4}, Servo(81, 127, 90)},
    {"ServoCommandLeavesAPwmPin", {Pwm(97), {0, 39, 4, 0}}, {81, 4}, Pwm(81)},
    {"LiveCommandForAnotherPin", {Pwm(97), {0, 38, 5, 0}}, {81, 4}, Pwm(81)},
};
INSTANTIATE_TEST_SUITE_P(Requests, SimModuleReplyTest, ::testing::ValuesIn(kReplyCases), kCaseName);

TEST(SimModuleTest, WrittenExtendedAddressIsTheOneItAnswersTo) {
  SimModule module(SimModule::Config{.extended_address = 5});
  module.Handle(Req(0, false, {96, 2, 9}, 5));
  EXPECT_EQ(module.GetConfig().extended_address, 9);
  EXPECT_FALSE(module.Handle(Req(0, true, {112, 2}, 5)));
  auto reply = module.Handle(Req(0, true, {112, 2}, 9));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->payload, (Payload{112, 2, 9}));

  // Enforcing keeps the address it had.
  module.Handle(Req(0, false, {96, 2, 127}, 9));
  EXPECT_EQ(module.GetConfig().extended_address, 9);
  EXPECT_EQ(module.Memory().x_address, 127);
}

TEST(SimModuleTest, HandleIgnoresOtherAddressesAndAnswersOnlyWhenAsked) {
  SimModule module(SimModule::Config{.address = 20, .extended_address = 7});
  EXPECT_FALSE(module.Handle(Req(4, true, {112, 0})));
  EXPECT_FALSE(module.Handle(Req(20, true, {112, 0}, 8)));
  EXPECT_TRUE(module.Requests().empty());

  EXPECT_FALSE(module.Handle(Req(20, false, {96, 10, 'Q'})));
  EXPECT_EQ(module.Memory().id_string, "Q");
  auto reply = module.Handle(Req(20, true, {112, 0}, 7));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->extended_address, 7);
}

Payload WithByte(Payload p, std::size_t index, int value) {
  if (index < p.size()) {
    p[index] = value;
  } else {
    p.push_back(value);
  }
  return p;
}

TEST(SimModuleTest, ErasesOnlyBehindTheExactGuardToTheFactoryState) {
  const struct {
    const char* name;
    Payload payload;
    bool erases;
  } cases[] = {
      {"ExactGuard", Guarded(), true},
      {"LastGuardByteWrong", WithByte(Guarded(), 9, 0), false},
      {"FirstGuardByteWrong", WithByte(Guarded(), 2, 0), false},
      {"ExtraByteBehindGuard", WithByte(Guarded(), 10, 0), false},
      {"NoGuard", {96, 0}, false},
  };
  const ModuleMemory factory = FactoryMemory();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimModule module;
    for (const Payload& p : {Payload{96, 10, 'S'},
                             {96, 4, 44, 4},
                             {100, 0, 113, 0, 16, 32, 48},
                             {99, 0, 0, 0, 1, 2, 3, 4, 5},
                             {98, 0, 3},
                             {102, 0, 0, 16, 64}}) {
      module.Handle(Req(0, false, p));
    }
    module.Handle(Req(0, false, c.payload));
    EXPECT_EQ(module.Erases(), c.erases ? 1 : 0);
    const ModuleMemory& m = module.Memory();
    EXPECT_EQ(m.id_string, c.erases ? "" : "S");
    if (!c.erases) continue;
    EXPECT_EQ(m.dcc_address, factory.dcc_address);
    const PinMemory& pin = m.pins[0];
    const PinMemory& fresh = factory.pins[0];
    EXPECT_EQ(pin.initial_aspect, fresh.initial_aspect);
    EXPECT_EQ(pin.event_on, fresh.event_on);
    EXPECT_EQ(pin.steps[0][0], fresh.steps[0][0]);
    EXPECT_EQ(pin.aspect_mode, fresh.aspect_mode);
    EXPECT_EQ(pin.address_config, fresh.address_config);
  }
}

Bytes OlderFrame(uint8_t address_byte, int b1, int b2, int b3) {
  Bytes frame = {address_byte, static_cast<uint8_t>(128 + b1), static_cast<uint8_t>(128 + b2),
                 static_cast<uint8_t>(128 + b3)};
  frame.push_back(ChecksumFor(frame));
  return frame;
}

TEST(SimModuleOlderFormatTest, OnlyFramesWithAValidChecksumAreRecorded) {
  SimModule module;
  Bytes bad = OlderFrame(3, 0, 5, 1);
  bad.back() ^= 1;
  Feed(module, bad);
  EXPECT_TRUE(module.LayoutCommands().empty());
  Feed(module, OlderFrame(3, 0, 5, 1));
  ASSERT_EQ(module.LayoutCommands().size(), 1u);
  EXPECT_EQ(module.PinAspect(5), 1);
}

TEST(SimModuleOlderFormatTest, DirectFrameRightAfterAnOlderOneIsAnswered) {
  SimModule module;
  EXPECT_EQ(Hex(Feed(module, Join({OlderFrame(3, 8, 2, 0), kVersionRequest})).out), kVersionReply);
  EXPECT_EQ(module.LayoutCommands().back().text, "Older format to module 0: clear pin 2");
}

}  // namespace
}  // namespace pyra::sim

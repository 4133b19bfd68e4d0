#include <gtest/gtest.h>

#include <chrono>

#include "link/Frame.h"
#include "link/Protocol.h"
#include "sim/SimModule.h"

namespace pyra::sim {
namespace {

using Bytes = std::vector<uint8_t>;

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

Bytes Frame(uint8_t address_byte, bool reply, std::optional<int> xa, std::vector<int> payload) {
  const int x = xa.value_or(0);
  return EncodeFrame(address_byte, reply, xa ? &x : nullptr, payload);
}

SimModule::Request Req(int address, bool wants_reply, std::vector<int> payload,
                       std::optional<int> xa = {}) {
  SimModule::Request r;
  r.address = address;
  r.wants_reply = wants_reply;
  r.extended_address = xa;
  r.payload = std::move(payload);
  return r;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kVersionRequest = {0x43, 0xE2, 0xF0, 0x80, 0xEB};  // module 0, alternation bit set
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

INSTANTIATE_TEST_SUITE_P(
    Frames, SimModuleReceiverTest,
    ::testing::Values(
        ReceiverCase{"VersionRequest", 0, 0, kVersionRequest, kVersionReply, 1},
        ReceiverCase{"OtherModulesAddress", 0, 0, Frame(0x47, true, {}, {112, 0}), "", 0},
        ReceiverCase{"BadChecksum", 0, 0, {0x43, 0xE2, 0xF0, 0x80, 0xEC}, "", 0},
        ReceiverCase{"ExtendedAddressDiffers", 0, 0, Frame(0x43, true, 5, {112, 0}), "", 0},
        ReceiverCase{"ExtendedAddressMatches", 0, 5, Frame(0x43, true, 5, {112, 0}),
                     "43 F6 85 F0 80 83 82 80 91 BC", 1},
        ReceiverCase{"NoExtendedAddressReachesAModuleWithOne", 0, 5, kVersionRequest, kVersionReply,
                     1},
        ReceiverCase{"FrameStartMidFrameRestarts", 0, 0,
                     Join({{0x43, 0xE2, 0xF0}, kVersionRequest}), kVersionReply, 1},
        ReceiverCase{"SyncBurstAndResetFrameAreAbsorbed", 0, 0,
                     Join({kSync, kResetFrame, kVersionRequest}), kVersionReply, 1},
        ReceiverCase{"NoReplyAsked", 0, 0, Frame(0x43, false, {}, {112, 0}), "", 1},
        ReceiverCase{"OlderFormatFrame", 0, 0, {0x03, 0x80, 0x85, 0x81, 0xF7}, "", 0},
        ReceiverCase{"ModuleAddressFive", 5, 0, Frame(0x57, true, {}, {112, 0}),
                     Hex(Frame(0x57, true, {}, {112, 0, 3, 2, 0, 17})), 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
  const char* name;
  Fault fault;
  std::string out;
};

class SimModuleFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimModuleFaultTest, FaultChangesExactlyTheNextReply) {
  const auto& c = GetParam();
  SimModule module;
  module.InjectFault(c.fault);
  EXPECT_EQ(Hex(Feed(module, kVersionRequest).out), c.out);
  EXPECT_EQ(module.CountRequests(kCmdReadGeneral, kSubVersion), 1) << "handled all the same";
  // The following request (other alternation bit) is answered cleanly.
  const Bytes next = Frame(0x03, true, {}, {112, 0});
  EXPECT_EQ(Hex(Feed(module, next).out), Hex(Frame(0x03, true, {}, {112, 0, 3, 2, 0, 17})));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimModuleFaultTest,
    ::testing::Values(
        FaultCase{"NoReply", Fault::kNoReply, ""},
        FaultCase{"BadChecksum", Fault::kBadChecksum, "43 E6 F0 80 83 82 80 91 D2"},
        FaultCase{"WrongAddress", Fault::kWrongAddress, "47 E6 F0 80 83 82 80 91 CD"},
        FaultCase{"StaleToggle", Fault::kStaleToggle, "03 E6 F0 80 83 82 80 91 91"},
        FaultCase{"NoiseBefore", Fault::kNoiseBefore, "FF 85 90 43 E6 F0 80 83 82 80 91 D1"},
        FaultCase{"WrongXAddress", Fault::kWrongXAddress, "43 F6 81 F0 80 83 82 80 91 C0"},
        FaultCase{"ShortReply", Fault::kShortReply, "43 E5 F0 80 83 82 80 E3"},
        FaultCase{"SlowReply", Fault::kSlowReply, kVersionReply}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimModuleTest, SlowReplyAddsThreeSecondsToTheLatency) {
  SimModule module(SimModule::Config{.latency = std::chrono::milliseconds(20)});
  EXPECT_EQ(Feed(module, kVersionRequest).delay, std::chrono::milliseconds(20));
  module.InjectFault(Fault::kSlowReply);
  EXPECT_EQ(Feed(module, Frame(0x03, true, {}, {112, 0})).delay, std::chrono::milliseconds(3020));
}

TEST(SimModuleTest, FaultCanBeScheduledForALaterReply) {
  SimModule module;
  module.InjectFault(Fault::kNoReply, 2);
  EXPECT_EQ(Hex(Feed(module, kVersionRequest).out), kVersionReply);
  EXPECT_EQ(Feed(module, Frame(0x03, true, {}, {112, 0})).emissions, 0);
  EXPECT_EQ(Feed(module, kVersionRequest).emissions, 1);
}

TEST(SimModuleTest, ExtendedAddressFaultAddsOneWhereTheRequestHadNone) {
  SimModule module(SimModule::Config{.extended_address = 5});
  module.InjectFault(Fault::kWrongXAddress);
  EXPECT_EQ(Hex(Feed(module, Frame(0x43, true, 5, {112, 0})).out),
            Hex(Frame(0x43, true, 6, {112, 0, 3, 2, 0, 17})));
}

TEST(SimModuleTest, RepeatedFrameIsAnsweredAgainButActedOnOnce) {
  SimModule module;
  const Bytes write = Frame(0x43, true, {}, {96, 10, 'A', 'B'});
  const Fed first = Feed(module, write);
  EXPECT_EQ(Hex(first.out), Hex(Frame(0x43, true, {}, {96, 10})));
  module.Memory().id_string = "changed";
  EXPECT_EQ(Hex(Feed(module, write).out), Hex(first.out));
  EXPECT_EQ(module.Memory().id_string, "changed");
  EXPECT_EQ(module.CountRequests(96, 10), 1);

  Feed(module, Frame(0x03, true, {}, {96, 10, 'C'}));
  EXPECT_EQ(module.Memory().id_string, "C");
}

TEST(SimModuleTest, RepeatOfAnUnansweredFrameStaysSilent) {
  SimModule module;
  const Bytes write = Frame(0x43, false, {}, {96, 10, 'A'});
  Feed(module, write);
  EXPECT_EQ(Feed(module, write).emissions, 0);
  EXPECT_EQ(module.CountRequests(96, 10), 1);
}

TEST(SimModuleTest, ResetFrameIsCountedNeverAnsweredAndRestartsTheAlternation) {
  SimModule module;
  Feed(module, kVersionRequest);
  EXPECT_EQ(Feed(module, Join({kSync, kResetFrame})).emissions, 0);
  EXPECT_EQ(module.ResetFrames(), 1);
  // Same alternation bit as the frame before the reset, yet a new request.
  EXPECT_EQ(Hex(Feed(module, kVersionRequest).out), kVersionReply);
  EXPECT_EQ(module.CountRequests(kCmdReadGeneral, kSubVersion), 2);
}

TEST(SimModuleTest, ResetFrameForAnotherModuleIsNotCounted) {
  SimModule module;
  Feed(module, {0x07, 0xC0, 0xB9});
  EXPECT_EQ(module.ResetFrames(), 0);
}

std::vector<int> Guarded() {
  std::vector<int> p = {kCmdWriteGeneral, kSubVersion};
  p.insert(p.end(), kEraseGuard.begin(), kEraseGuard.end());
  return p;
}

struct CommandCase {
  const char* name;
  std::vector<int> payload;
  std::optional<std::vector<int>> reply;
};

class SimModuleCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(SimModuleCommandTest, RepliesEchoCommandAndSubCode) {
  SimModule module;
  module.Memory().id_string = "Pyra";
  auto reply = module.Handle(Req(0, true, GetParam().payload));
  ASSERT_EQ(reply.has_value(), GetParam().reply.has_value());
  if (reply) {
    EXPECT_EQ(reply->payload, *GetParam().reply);
    EXPECT_FALSE(reply->extended_address);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SimModuleCommandTest,
    ::testing::Values(CommandCase{"Poll", {}, std::vector<int>{0, 0, 0, 0}},
                      CommandCase{"Version", {112, 0}, std::vector<int>{112, 0, 3, 2, 0, 17}},
                      CommandCase{
                          "ReadID", {112, 10}, std::vector<int>{112, 10, 'P', 'y', 'r', 'a'}},
                      CommandCase{"WriteID", {96, 10, 'X'}, std::vector<int>{96, 10}},
                      CommandCase{"Erase", Guarded(), std::vector<int>{96, 0}},
                      CommandCase{"LaterWrite", {96, 4, 3, 1}, std::vector<int>{96, 4}},
                      CommandCase{"UnknownCommand", {120, 5}, std::vector<int>{120, 5}},
                      CommandCase{"SingleByte", {0}, std::vector<int>{0}}),
    [](const auto& info) { return std::string(info.param.name); });

// Writes sent to a factory-fresh module, then one read: the exact reply payload.
struct StoreCase {
  const char* name;
  std::vector<std::vector<int>> writes;
  std::vector<int> read;
  std::vector<int> reply;
};

class SimModuleStoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(SimModuleStoreTest, ReadGivesBackWhatWasStored) {
  SimModule module;
  for (const auto& w : GetParam().writes) module.Handle(Req(0, false, w));
  auto reply = module.Handle(Req(0, true, GetParam().read));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->payload, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    FactoryState, SimModuleStoreTest,
    ::testing::Values(StoreCase{"Hardware", {}, {112, 1}, {112, 1, 0, 0, 0, 0}},
                      StoreCase{"ExtendedAddress", {}, {112, 2}, {112, 2, 0}},
                      StoreCase{"GroupMask", {}, {112, 3}, {112, 3, 0, 0, 0, 0}},
                      StoreCase{"DccAddress", {}, {112, 4}, {112, 4, 1, 0}},
                      StoreCase{"DccOptions", {}, {112, 5}, {112, 5, 2}},
                      StoreCase{"GreenLed", {}, {112, 6}, {112, 6, 0}},
                      StoreCase{"OrangeLed", {}, {112, 7}, {112, 7, 0}},
                      StoreCase{"SerialAddress", {}, {112, 8}, {112, 8, 0, 0}},
                      StoreCase{"EnableMap", {}, {112, 11}, {112, 11, 15, 15}},
                      StoreCase{"ExtendedDccAddress", {}, {112, 12}, {112, 12, 1, 0}},
                      StoreCase{"SerialPort", {}, {112, 13}, {112, 13, 0, 0}},
                      StoreCase{"UnknownSetting", {}, {112, 9}, {112, 9}},
                      StoreCase{"EventOn", {}, {116, 4}, {116, 4, 127, 15, 31, 47, 63}},
                      StoreCase{"EventOff", {}, {117, 31}, {117, 31, 15, 31, 47, 63}},
                      StoreCase{"NoPin32", {}, {116, 32}, {116, 32}},
                      StoreCase{"AspectMode", {}, {114, 4}, {114, 4, 0}},
                      StoreCase{"LastStep", {}, {115, 4, 11, 9}, {115, 4, 11, 9, 0, 0, 0, 0, 0}},
                      StoreCase{"NoAspect12", {}, {115, 4, 12, 0}, {115, 4}},
                      StoreCase{"NoStep10", {}, {115, 4, 0, 10}, {115, 4}},
                      StoreCase{"AddressConfig", {}, {118, 4}, {118, 4, 9, 17, 64}},
                      StoreCase{"StoredBlock", {}, {113, 4}, {113, 4, 0}},
                      StoreCase{"WorkingBlock", {}, {81, 4}, {81, 4, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Writes, SimModuleStoreTest,
    ::testing::Values(
        StoreCase{"DccAddress", {{96, 4, 44, 4}}, {112, 4}, {112, 4, 44, 4}},
        StoreCase{"ShortWriteIsIgnored", {{96, 4, 44}}, {112, 4}, {112, 4, 1, 0}},
        StoreCase{"LongWriteIsIgnored", {{96, 5, 3, 3}}, {112, 5}, {112, 5, 2}},
        StoreCase{"Hardware", {{96, 1, 1, 2, 3, 0}}, {112, 1}, {112, 1, 1, 2, 3, 0}},
        StoreCase{"SerialPort", {{96, 13, 1, 45}}, {112, 13}, {112, 13, 1, 45}},
        StoreCase{"EnableMap", {{96, 11, 0, 15}}, {112, 11}, {112, 11, 0, 15}},
        StoreCase{"ExtendedAddressEnforced", {{96, 2, 127}}, {112, 2}, {112, 2, 127}},
        StoreCase{"InitialAspectAlone", {{100, 3, 115}}, {116, 3}, {116, 3, 115, 15, 31, 47, 63}},
        StoreCase{
            "EventOnSlots", {{100, 3, 3, 31, 32, 59}}, {116, 3}, {116, 3, 127, 3, 31, 32, 59}},
        StoreCase{"InitialAspectThenSlots",
                  {{100, 3, 112}, {100, 3, 0, 17, 34, 51}},
                  {116, 3},
                  {116, 3, 112, 0, 17, 34, 51}},
        StoreCase{
            "EventOffSlotsAsWritten", {{101, 3, 35, 1, 2, 3}}, {117, 3}, {117, 3, 35, 1, 2, 3}},
        StoreCase{
            "OtherPinUntouched", {{101, 3, 0, 16, 32, 48}}, {117, 2}, {117, 2, 15, 31, 47, 63}},
        StoreCase{"EraseRestoresTheFactoryState",
                  {{96, 4, 44, 4}, {100, 0, 113, 0, 16, 32, 48}, Guarded()},
                  {116, 0},
                  {116, 0, 127, 15, 31, 47, 63}}),
    [](const auto& info) { return std::string(info.param.name); });

// Blocks as the tool writes them with 97 / 65: type, P1 (or the live value), the type's bytes.
const std::vector<int> kServoBlock = {1, 64, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0};
const std::vector<int> kPwmBlock = {2, 5, 1, 28, 0, 31};

std::vector<int> Cat(std::vector<int> head, const std::vector<int>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

INSTANTIATE_TEST_SUITE_P(
    PinWrites, SimModuleStoreTest,
    ::testing::Values(
        StoreCase{"AspectMode", {{98, 4, 3}}, {114, 4}, {114, 4, 3}},
        StoreCase{"AspectModeWithoutValueIsIgnored", {{98, 4}}, {114, 4}, {114, 4, 0}},
        StoreCase{"Step",
                  {{99, 4, 3, 8, 35, 1, 2, 3, 4}},
                  {115, 4, 3, 8},
                  {115, 4, 3, 8, 35, 1, 2, 3, 4}},
        StoreCase{"StepOfAnotherAspect",
                  {{99, 4, 3, 8, 35, 1, 2, 3, 4}},
                  {115, 4, 2, 8},
                  {115, 4, 2, 8, 0, 0, 0, 0, 0}},
        StoreCase{"AddressConfig", {{102, 4, 10, 19, 94}}, {118, 4}, {118, 4, 10, 19, 94}},
        StoreCase{"InitialAspectDoesNotTouchTheAspectMode", {{100, 4, 115}}, {114, 4}, {114, 4, 0}},
        StoreCase{"InputBlock", {{97, 4, 5, 0, 0, 4, 4}}, {113, 4}, {113, 4, 5, 0, 0, 4, 4}},
        // A written servo is initialised at once and says so in bit 6 of P2 (26 + 64).
        StoreCase{"StoredServoReportsInitialised",
                  {Cat({97, 4}, kServoBlock)},
                  {113, 4},
                  {113, 4, 1, 64, 90, 64, 127, 58, 127, 127, 64, 0, 64, 0}},
        StoreCase{
            "ServoClearedAgain", {Cat({97, 4}, kServoBlock), {97, 4, 0}}, {113, 4}, {113, 4, 0}},
        StoreCase{
            "WorkingBlockLeavesTheStoredOne", {Cat({65, 4}, kPwmBlock)}, {113, 4}, {113, 4, 0}},
        StoreCase{"WorkingBlock", {Cat({65, 4}, kPwmBlock)}, {81, 4}, Cat({81, 4}, kPwmBlock)},
        StoreCase{"StoredBlockIsTakenOnAsWorking",
                  {Cat({97, 4}, kPwmBlock)},
                  {81, 4},
                  Cat({81, 4}, kPwmBlock)},
        StoreCase{"LivePwmMovesTheWorkingLevel",
                  {Cat({97, 4}, kPwmBlock), {0, 38, 4, 20}},
                  {81, 4},
                  {81, 4, 2, 20, 1, 28, 0, 31}},
        StoreCase{"LivePwmLeavesTheStoredLevel",
                  {Cat({97, 4}, kPwmBlock), {0, 38, 4, 20}},
                  {113, 4},
                  Cat({113, 4}, kPwmBlock)},
        StoreCase{"SlowPwm",
                  {Cat({97, 4}, kPwmBlock), {0, 54, 4, 31}},
                  {81, 4},
                  {81, 4, 2, 31, 1, 28, 0, 31}},
        StoreCase{"LiveServo",
                  {Cat({97, 4}, kServoBlock), {0, 39, 4, 0}},
                  {81, 4},
                  {81, 4, 1, 0, 90, 64, 127, 58, 127, 127, 64, 0, 64, 0}},
        StoreCase{"DynamicServo",
                  {Cat({97, 4}, kServoBlock), {0, 55, 4, 127}},
                  {81, 4},
                  {81, 4, 1, 127, 90, 64, 127, 58, 127, 127, 64, 0, 64, 0}},
        StoreCase{"ServoCommandLeavesAPwmPin",
                  {Cat({97, 4}, kPwmBlock), {0, 39, 4, 0}},
                  {81, 4},
                  Cat({81, 4}, kPwmBlock)},
        StoreCase{"LiveCommandForAnotherPin",
                  {Cat({97, 4}, kPwmBlock), {0, 38, 5, 0}},
                  {81, 4},
                  Cat({81, 4}, kPwmBlock)},
        StoreCase{"EraseClearsThePins",
                  {{99, 0, 0, 0, 1, 2, 3, 4, 5}, {98, 0, 3}, {102, 0, 0, 16, 64}, Guarded()},
                  {115, 0, 0, 0},
                  {115, 0, 0, 0, 0, 0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimModuleTest, WrittenExtendedAddressIsTheOneItAnswersTo) {
  SimModule module(SimModule::Config{.extended_address = 5});
  module.Handle(Req(0, false, {96, 2, 9}, 5));
  EXPECT_EQ(module.GetConfig().extended_address, 9);
  EXPECT_FALSE(module.Handle(Req(0, true, {112, 2}, 5)));
  auto reply = module.Handle(Req(0, true, {112, 2}, 9));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->payload, (std::vector<int>{112, 2, 9}));

  // Enforcing keeps the address it had.
  module.Handle(Req(0, false, {96, 2, 127}, 9));
  EXPECT_EQ(module.GetConfig().extended_address, 9);
  EXPECT_EQ(module.Memory().x_address, 127);
}

TEST(SimModuleTest, HandleIgnoresOtherAddressesAndAnswersOnlyWhenAsked) {
  SimModule module(SimModule::Config{.address = 20, .extended_address = 7});
  EXPECT_FALSE(module.Handle(Req(4, true, {112, 0})));
  EXPECT_FALSE(module.Handle(
      {.address = 20, .wants_reply = true, .extended_address = 8, .payload = {112, 0}}));
  EXPECT_TRUE(module.Requests().empty());

  EXPECT_FALSE(module.Handle(Req(20, false, {96, 10, 'Q'})));
  EXPECT_EQ(module.Memory().id_string, "Q");
  auto reply = module.Handle(
      {.address = 20, .wants_reply = true, .extended_address = 7, .payload = {112, 0}});
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->extended_address, 7);
}

TEST(SimModuleTest, PollReportsTheFeedbackBytes) {
  SimModule module;
  module.SetFeedback({1, 2, 3, 127});
  auto reply = module.Handle(Req(0, true, {}));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->payload, (std::vector<int>{1, 2, 3, 127}));
}

TEST(SimModuleTest, IDStringKeepsAtMostTwelveCharacters) {
  SimModule module;
  std::vector<int> p = {96, 10};
  for (char c : std::string("ABCDEFGHIJKLM")) p.push_back(c);
  module.Handle(Req(0, false, p));
  EXPECT_EQ(module.Memory().id_string, "ABCDEFGHIJKL");
}

struct EraseCase {
  const char* name;
  std::vector<int> payload;
  bool erases;
};

class SimModuleEraseTest : public ::testing::TestWithParam<EraseCase> {};

TEST_P(SimModuleEraseTest, ErasesOnlyBehindTheExactGuard) {
  SimModule module;
  module.Memory().id_string = "Station West";
  module.Handle(Req(0, false, GetParam().payload));
  EXPECT_EQ(module.Erases(), GetParam().erases ? 1 : 0);
  EXPECT_EQ(module.Memory().id_string, GetParam().erases ? "" : "Station West");
}

std::vector<int> WithByte(std::vector<int> p, std::size_t index, int value) {
  if (index < p.size()) {
    p[index] = value;
  } else {
    p.push_back(value);
  }
  return p;
}

INSTANTIATE_TEST_SUITE_P(
    Guards, SimModuleEraseTest,
    ::testing::Values(EraseCase{"ExactGuard", Guarded(), true},
                      EraseCase{"LastGuardByteWrong", WithByte(Guarded(), 9, 0), false},
                      EraseCase{"FirstGuardByteWrong", WithByte(Guarded(), 2, 0), false},
                      EraseCase{"ExtraByteBehindGuard", WithByte(Guarded(), 10, 0), false},
                      EraseCase{"NoGuard", {96, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::sim

namespace pyra::sim {
namespace {

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
  const Fed fed = Feed(module, Join({OlderFrame(3, 8, 2, 0), kVersionRequest}));
  EXPECT_EQ(Hex(fed.out), kVersionReply);
  EXPECT_EQ(module.LayoutCommands().back().text, "Older format to module 0: clear pin 2");
}

}  // namespace
}  // namespace pyra::sim

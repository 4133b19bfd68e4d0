#include "pins/PinTransfer.h"

#include <gtest/gtest.h>

#include <functional>

#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"
#include "support/LinkFixture.h"

namespace pyra::test {
namespace {

using Frames = std::vector<std::vector<int>>;

// ---- Encodings ----

TEST(PinEncodingTest, InitialAspectByte) {
  EXPECT_EQ(InitialAspectByte(0), 127) << "no initial aspect";
  EXPECT_EQ(InitialAspectByte(4), 115) << "aspect 3";
  EXPECT_EQ(InitialAspectByte(1), 112);
  EXPECT_EQ(InitialAspectByte(12), 123);
  EXPECT_EQ(DecodeInitialAspect(127), 0);
  EXPECT_EQ(DecodeInitialAspect(115), 4);
  EXPECT_EQ(DecodeInitialAspect(112), 1);
  EXPECT_EQ(DecodeInitialAspect(0x3F), -1) << "an Event-On slot, not the initial aspect";
}

struct AddressCase {
  const char* name;
  int dcc;
  int xdcc;
  int lumo;
  int device_link;
  std::array<int, 3> bytes;
};

TEST(AddressConfigTest, BytesAreTypedByTheirHighBits) {
  const AddressCase kCases[] = {{"DeviceHeadSends64", 1, 1, 1, 0, {9, 17, 64}},
                                {"HeadTwoPinsLowerSends94", 1, 1, 1, -2, {9, 17, 94}},
                                {"DccTwoWithExtendedSends10", 2, 1, 1, 0, {10, 17, 64}},
                                {"NoAddressesAtAll", 0, 0, 0, 0, {0, 16, 64}},
                                {"SixOfEach", 6, 0, 6, -31, {6, 22, 65}}};
  for (const AddressCase& k : kCases) {
    PinRecord pin;
    pin.DccCount = static_cast<uint8_t>(k.dcc);
    pin.XDccCount = static_cast<uint8_t>(k.xdcc);
    pin.LumoCount = static_cast<uint8_t>(k.lumo);
    pin.DeviceLink = k.device_link;
    EXPECT_EQ(AddressConfigBytes(pin), k.bytes) << k.name;
  }
}

// ---- The scripted module ----

// The stored-configuration block a module reports: as many bytes as the role has.
std::vector<int> StoredBlockReply(const PinRecord& m, int p) {
  const int role = m.PinConfig[0];
  const int n = role == kConfigServo                                    ? 12
                : role == kConfigPwm || role == kConfigPwmInverted      ? 6
                : role == kConfigInput || role == kConfigInputLowActive ? 5
                                                                        : 1;
  std::vector<int> v = {113, p};
  for (int i = 0; i < n; ++i) v.push_back(m.PinConfig[i]);
  return v;
}

std::vector<int> StepReply(const PinRecord& m, int p, int a, int s) {
  const StepWire w = EncodeStep(m.Aspects[a].Steps[s]);
  return {115, p, a, s, w[0], w[1], w[2], w[3], w[4]};
}

std::vector<int> InitReply(const PinRecord& m, int p) {
  return {116, p, InitialAspectByte(m.InitialAspect), 15, 31, 47, 63};
}

std::vector<int> AddressReply(const PinRecord& m, int p) {
  const auto b = AddressConfigBytes(m);
  return {118, p, b[0], b[1], b[2]};
}

// The answers of a module holding `m` to the whole-pin read of pin p.
Frames ReadReplies(const PinRecord& m, int p) {
  Frames f = {{114, p, m.AspectMode}};
  for (int a = 0; a < AspectCount(m.AspectMode); ++a) {
    for (int s = 0; s < StepCount(m.AspectMode); ++s) f.push_back(StepReply(m, p, a, s));
  }
  f.push_back(InitReply(m, p));
  f.push_back(AddressReply(m, p));
  f.push_back(StoredBlockReply(m, p));
  return f;
}

// The answers of a module holding `m` to the verification of pin p against `tool`: the tool
// asks no further steps of an aspect after the first that differs.
Frames VerifyReplies(const PinRecord& m, const PinRecord& tool, int p) {
  Frames f = {StoredBlockReply(m, p), {114, p, m.AspectMode}};
  if (m.AspectMode == tool.AspectMode) {
    for (int a = 0; a < AspectCount(m.AspectMode); ++a) {
      for (int s = 0; s < StepCount(m.AspectMode); ++s) {
        f.push_back(StepReply(m, p, a, s));
        if (m.Aspects[a].Steps[s] != tool.Aspects[a].Steps[s]) break;
      }
    }
  }
  f.push_back(InitReply(m, p));
  f.push_back(AddressReply(m, p));
  return f;
}

Frames Flatten(const std::vector<Frames>& groups) {
  Frames all;
  for (const Frames& g : groups) all.insert(all.end(), g.begin(), g.end());
  return all;
}

// A small but varied configuration: a servo with 4 aspects, a PWM pin with 12 aspects, an input.
Configuration SampleConfiguration() {
  Configuration c = DefaultConfiguration();
  PinRecord& servo = c.Pins[1];
  LoadDefaults(servo, kTabServo);
  servo.PinConfig[2] = 26;
  servo.AspectMode = kAspectMode4x9;
  servo.InitialAspect = 2;
  servo.Aspects[0].Steps[0] = {39, 1, 0, 100, 0, 0};
  servo.Aspects[1].Steps[0] = {100, 0, 0, 20, 10, 1};
  servo.Aspects[3].Steps[8] = {5, 0, 0, 200, 130, 0};
  PinRecord& pwm = c.Pins[2];
  LoadDefaults(pwm, kTabPwm);
  pwm.AspectMode = kAspectMode12x3;
  pwm.Aspects[11].Steps[2] = {96, 0, 127, 31, 63, 3};
  pwm.DccCount = 2;
  pwm.DeviceLink = -1;
  LoadDefaults(c.Pins[7], kTabInput);
  return c;
}

class PinTransferTest : public LinkFixture {
 protected:
  void SetUp() override { SkipReset(); }

  Configuration c_ = DefaultConfiguration();
};

// ---- Writes ----

TEST_F(PinTransferTest, WholePinWriteSendsStepsThenTheStoredBlockAndPacesEveryWrite) {
  link_.State().Bidirectional = false;
  Configuration c = SampleConfiguration();
  c.Pins[1].PinConfig[2] = 90;  // reported initialised by the module
  const auto start = clock_.Now();
  EXPECT_TRUE(WriteWholePin(link_, c, 1));
  const Frames sent = SentPayloads();
  ASSERT_EQ(sent.size(), 3u + 36u + 1u);
  EXPECT_EQ(sent[0], (std::vector<int>{98, 1, 3}));
  EXPECT_EQ(sent[1], (std::vector<int>{100, 1, 113}));
  EXPECT_EQ(sent[2], (std::vector<int>{102, 1, 9, 17, 64}));
  EXPECT_EQ(sent[3], (std::vector<int>{99, 1, 0, 0, 55, 0, 100, 0, 0})) << "fade in bit 4";
  EXPECT_EQ(sent[12], (std::vector<int>{99, 1, 1, 0, 100, 0, 20, 10, 1}));
  EXPECT_EQ(sent[38], (std::vector<int>{99, 1, 3, 8, 5, 3, 72, 2, 0}));
  EXPECT_EQ(sent[39], (std::vector<int>{97, 1, 1, 64, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0}))
      << "the stored block without Servo Initialised";
  EXPECT_EQ(c.Pins[1].PinConfig[2], 26);
  EXPECT_GE(clock_.Now() - start, std::chrono::milliseconds(100 * 40));
}

TEST_F(PinTransferTest, TwelveAspectPinWritesThreeStepsEach) {
  link_.State().Bidirectional = false;
  Configuration c = SampleConfiguration();
  EXPECT_TRUE(WritePinAspects(link_, c, 2));
  const Frames sent = SentPayloads();
  ASSERT_EQ(sent.size(), 3u + 36u);
  EXPECT_EQ(sent[2], (std::vector<int>{102, 2, 2 + 8, 17, 95}));
  EXPECT_EQ(sent.back(), (std::vector<int>{99, 2, 11, 2, 96, 127, 31, 63, 3}));
}

TEST_F(PinTransferTest, WriteAspectOfAPinWithoutAspectsFailsAndSendsNothing) {
  EXPECT_FALSE(WriteAspect(link_, c_, 0, 0));
  EXPECT_TRUE(channel_->Written().empty());
  link_.State().Bidirectional = false;
  c_.Pins[0].AspectMode = kAspectMode12x3;
  c_.Pins[0].Aspects[5].Steps[1] = {8, 1, 1, 10, 0, 0};
  EXPECT_TRUE(WriteAspect(link_, c_, 0, 5));
  EXPECT_EQ(SentPayloads(), (Frames{{99, 0, 5, 0, 0, 0, 0, 0, 0},
                                    {99, 0, 5, 1, 24, 1, 10, 0, 0},
                                    {99, 0, 5, 2, 0, 0, 0, 0, 0}}));
}

TEST_F(PinTransferTest, WriteDeviceWritesEveryPinOfTheHeadIncludingLowerOnes) {
  link_.State().Bidirectional = false;
  c_.Pins[3].DeviceLink = 0;
  c_.Pins[4].DeviceLink = -1;
  c_.Pins[5].DeviceLink = -2;
  c_.Pins[6].DeviceLink = 0;  // the next device
  c_.CurrentPin = 5;
  EXPECT_TRUE(WriteDevice(link_, c_));
  std::vector<int> commands, pins;
  for (const auto& f : SentPayloads()) {
    commands.push_back(f[0]);
    if (f[0] == 98) pins.push_back(f[1]);
  }
  EXPECT_EQ(pins, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(commands, (std::vector<int>{98, 100, 102, 97, 98, 100, 102, 97, 98, 100, 102, 97}));
}

TEST_F(PinTransferTest, WriteAllPinsCoversEveryPinInOrderAndPinsWithoutAspectsSendNoSteps) {
  link_.State().Bidirectional = false;
  c_.Pins[0].Aspects[0].Steps[0] = {9, 0, 0, 0, 0, 0};  // left over from an earlier mode
  EXPECT_TRUE(WriteAllPins(link_, c_));
  const Frames sent = SentPayloads();
  ASSERT_EQ(sent.size(), 32u * 4u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 4),
            (Frames{{98, 0, 0}, {100, 0, 127}, {102, 0, 9, 17, 64}, {97, 0, 0}}));
  EXPECT_EQ(sent[127], (std::vector<int>{97, 31, 0}));
}

TEST_F(PinTransferTest, CancelStopsWritingBetweenPins) {
  link_.State().Bidirectional = false;
  link_.RequestCancel();
  EXPECT_FALSE(WriteAllPins(link_, c_));
  EXPECT_TRUE(channel_->Written().empty());
  EXPECT_EQ(prompter_.Last(), "Cancelled by the user");
}

// ---- Reads ----

TEST_F(PinTransferTest, WholePinReadFillsTheRecordFromTheModule) {
  Configuration module = SampleConfiguration();
  PinRecord& m = module.Pins[5];
  m = module.Pins[1];  // the servo pin, placed on pin 5
  m.InitialAspect = 4;
  m.DccCount = 2;
  m.XDccCount = 1;
  m.LumoCount = 3;
  m.DeviceLink = -2;
  QueueReplies(ReadReplies(m, 5));
  std::vector<std::string> progress;
  link_.SetProgressSink([&](const std::string& s, int, int) { progress.push_back(s); });

  EXPECT_TRUE(ReadWholePin(link_, c_, 5));
  EXPECT_EQ(c_.Pins[5], m);
  EXPECT_TRUE(prompter_.Texts().empty());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), "Reading pin 6 of 32");
  EXPECT_EQ(progress.back(), "Reading pin 6 of 32, aspect 3");
}

TEST_F(PinTransferTest, ReadOfAPinWithoutAspectsAsksNoSteps) {
  c_.Pins[0].Aspects[0].Steps[0] = {9, 0, 0, 0, 0, 0};
  c_.Pins[0].InitialAspect = 3;
  // 0x3F is an Event-On slot, not an initial aspect.
  QueueReplies({{114, 0, 0}, {116, 0, 0x3F, 15, 31, 47, 63}, {118, 0, 1, 17, 64}});
  EXPECT_TRUE(ReadPinAspects(link_, c_, 0));
  EXPECT_EQ(SentPayloads(), (Frames{{114, 0}, {116, 0}, {118, 0}}));
  EXPECT_EQ(c_.Pins[0].InitialAspect, 0);
  EXPECT_EQ(c_.Pins[0].XDccCount, 0);
  EXPECT_EQ(c_.Pins[0].Aspects[0].Steps[0].Opcode, 9) << "the bytes stay in the model";
  EXPECT_TRUE(prompter_.Texts().empty());
}

struct BadReadCase {
  const char* name;
  Frames replies;
  std::vector<std::string> messages;
};

void PrintTo(const BadReadCase& c, std::ostream* os) { *os << c.name; }

class PinReadFailureTest : public PinTransferTest,
                           public ::testing::WithParamInterface<BadReadCase> {};

TEST_P(PinReadFailureTest, FailsWithTheRightMessage) {
  QueueReplies(GetParam().replies);
  EXPECT_FALSE(ReadPinAspects(link_, c_, 0));
  EXPECT_EQ(prompter_.Texts(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PinReadFailureTest,
    ::testing::Values(BadReadCase{"AspectModeForAnotherPin", {{114, 1, 0}}, {"No valid response"}},
                      BadReadCase{"StepOfAnotherAspect",
                                  {{114, 0, 2}, {115, 0, 1, 0, 9, 0, 0, 0, 0}},
                                  {"No valid response"}},
                      BadReadCase{"ShortAddressReply",
                                  {{114, 0, 0}, {116, 0, 0x7F, 15, 31, 47, 63}, {118, 0, 1, 17}},
                                  {"Read Pin Address Configuration: Invalid Response"}},
                      BadReadCase{
                          "AddressByteOfNoType",
                          {{114, 0, 0}, {116, 0, 0x7F, 15, 31, 47, 63}, {118, 0, 1, 40, 64}},
                          {"Read Pin Address Configuration: Invalid Response"}},
                      BadReadCase{"SilentModuleEndsWithoutAMessageOfItsOwn",
                                  {{114, 0, 0}},
                                  {"No response received, resetting bidirectional communication"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PinTransferTest, AFailingBlockReadShowsItsMessageButThePinIsRead) {
  Frames replies = ReadReplies(c_.Pins[0], 0);
  replies.back() = {113, 9, 0};
  QueueReplies(replies);
  EXPECT_TRUE(ReadWholePin(link_, c_, 0));
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"No valid response"}));
}

TEST_F(PinTransferTest, ReadAllPinsStopsAtTheFirstPinThatFails) {
  std::vector<Frames> groups = {ReadReplies(c_.Pins[0], 0), {{114, 5, 0}}};
  QueueReplies(Flatten(groups));
  EXPECT_FALSE(ReadAllPins(link_, c_));
  EXPECT_EQ(SentPayloads().size(), 5u);
  EXPECT_EQ(SentPayloads().back(), (std::vector<int>{114, 1}));
}

TEST_F(PinTransferTest, ReadAllPinsReadsEveryPin) {
  Configuration module = SampleConfiguration();
  std::vector<Frames> groups;
  for (int p = 0; p < kPinCount; ++p) groups.push_back(ReadReplies(module.Pins[p], p));
  QueueReplies(Flatten(groups));
  EXPECT_TRUE(ReadAllPins(link_, c_));
  for (int p = 0; p < kPinCount; ++p) EXPECT_EQ(c_.Pins[p], module.Pins[p]) << "pin " << p;
}

TEST_F(PinTransferTest, ReadDeviceReadsEveryPinPointingAtTheSameHead) {
  Configuration module = SampleConfiguration();
  module.Pins[3].DeviceLink = 0;
  module.Pins[4].DeviceLink = -1;
  module.Pins[5].DeviceLink = -2;
  c_.CurrentPin = 4;
  std::vector<Frames> groups = {{AddressReply(module.Pins[4], 4)}};
  for (int q = 0; q < kPinCount; ++q) {
    groups.push_back({AddressReply(module.Pins[q], q)});
    if (q >= 3 && q <= 5) groups.push_back(ReadReplies(module.Pins[q], q));
  }
  QueueReplies(Flatten(groups));
  EXPECT_TRUE(ReadDevice(link_, c_));
  std::vector<int> read;
  for (const auto& f : SentPayloads()) {
    if (f[0] == 114) read.push_back(f[1]);
  }
  EXPECT_EQ(read, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(c_.Pins[5].DeviceLink, -2);
  EXPECT_EQ(c_.Pins[4].DeviceLink, -1);
  EXPECT_EQ(channel_->PendingReplies(), 0u);
}

TEST_F(PinTransferTest, ReadDeviceNeedsADevicePointer) {
  c_.CurrentPin = 4;
  QueueReplies({{118, 4, 1, 17, 1}});
  EXPECT_FALSE(ReadDevice(link_, c_));
  EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Cannot read DevicePointer from Pin 5"}));
}

// ---- Verification ----

struct VerifyCase {
  const char* name;
  int number_base;
  // Edits the tool's and the module's copies, which start out equal.
  std::function<void(Configuration& tool, Configuration& module)> setup;
  std::string log;
  bool ok;
  // Edits the scripted answers of the module after they were built (pin groups 0..31).
  std::function<void(std::vector<Frames>& groups)> edit_replies = nullptr;
  bool all = false;  // through VerifyAllPins, over a log still holding an earlier line
};

void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.name; }

class VerifyPinsTest : public PinTransferTest, public ::testing::WithParamInterface<VerifyCase> {};

TEST_P(VerifyPinsTest, LogsExactlyTheFindings) {
  const VerifyCase& k = GetParam();
  Configuration tool = SampleConfiguration();
  tool.NumberBase = k.number_base;
  Configuration module = tool;
  if (k.setup) k.setup(tool, module);
  std::vector<Frames> groups;
  for (int p = 0; p < kPinCount; ++p) {
    groups.push_back(VerifyReplies(module.Pins[p], tool.Pins[p], p));
  }
  if (k.edit_replies) k.edit_replies(groups);
  QueueReplies(Flatten(groups));
  VerificationLog log;
  if (k.all) log.Append("left over");
  EXPECT_EQ(k.all ? VerifyAllPins(link_, tool, log) : VerifyPins(link_, tool, log), k.ok);
  EXPECT_EQ(log.Text(), k.log);
  EXPECT_EQ(channel_->PendingReplies(), 0u) << "every scripted answer was asked for";
}

const std::string kStart = "Start Pin Verification\r\nNote: Numbering starts at 1\r\n";

const VerifyCase kVerifyCases[] = {
    {"EqualModuleIsClean", 1, nullptr, kStart, true},
    {"ZeroBasedHasNoNote", 0, nullptr, "Start Pin Verification\r\n", true},
    {"EachDifferingBlockByteIsALineAndFails", 1,
     [](auto&, auto& m) {
       m.Pins[1].PinConfig[3] = 70;
       m.Pins[1].PinConfig[6] = 20;
       m.Pins[31].PinConfig[0] = 2;
     },
     kStart + "Pin 2: Pinconfig does not compare\r\n"
              "Pin 2: Pinconfig does not compare\r\n"
              "Pin 32: Pinconfig does not compare\r\n",
     false},
    {"InitialisedServoVerifiesClean", 1, [](auto&, auto& m) { m.Pins[1].PinConfig[2] = 26 + 64; },
     kStart, true},
    {"OldServoRangeByteIsNormalisedFirst", 1,
     [](auto& t, auto& m) {
       t.Pins[1].PinConfig[2] = 43;
       m.Pins[1].PinConfig[2] = 48;
     },
     kStart, true},
    {"AspectModeDiffersAndStepsAreSkipped", 1,
     [](auto&, auto& m) { m.Pins[2].AspectMode = kAspectMode4x9; },
     kStart + "Pin 3: Aspectconfig does not compare\r\n", false},
    {"FirstDifferingStepNamesItsAspect", 1,
     [](auto&, auto& m) {
       m.Pins[1].Aspects[1].Steps[0].Par2 = 11;
       m.Pins[1].Aspects[3].Steps[8].Par1 = 201;
     },
     kStart + "Pin 2: Aspect 1 does not compare\r\nPin 2: Aspect 3 does not compare\r\n", false},
    {"InitialAspectDiffers", 0, [](auto&, auto& m) { m.Pins[1].InitialAspect = 0; },
     "Start Pin Verification\r\nPin 1: Init does not compare\r\n", false},
    {"AddressCountsAndDevicePointerDiffer", 1,
     [](auto&, auto& m) {
       m.Pins[4].DccCount = 2;
       m.Pins[4].LumoCount = 0;
       m.Pins[4].DeviceLink = -4;
     },
     kStart + "Pin 5: DCC Address Configuration does not compare\r\n"
              "Pin 5: Serial Address Configuration does not compare\r\n"
              "Pin 5: Device Pointer does not compare\r\n",
     false},
    {"PwmWithoutLevelsComparesAgainst0And31", 1, nullptr, kStart, true,
     [](auto& g) { g[2][0].resize(2 + 4); }},
    {"PwmWithoutLevelsDiffersFromOtherLevels", 1,
     [](auto& t, auto&) { t.Pins[2].PinConfig[4] = 3; },
     kStart + "Pin 3: Pinconfig does not compare\r\n", false,
     [](auto& g) { g[2][0].resize(2 + 4); }},
    {"UninitialisedInitialAspectIsNotCompared", 1, nullptr, kStart, true,
     [](auto& g) {
       for (auto& f : g[1]) {
         if (f[0] == 116) f[2] = 0x3F;
       }
     }},
    {"AddressByteOfNoTypeIsLoggedAndTheRestCompared", 1, nullptr,
     kStart + "Pin Address Configuration: Invalid Response 2\r\n", false,
     [](auto& g) { g[0].back()[3] = 40; }},
    {"ShortAddressReplyIsLoggedAndTheNextPinCompared", 1,
     [](auto&, auto& m) { m.Pins[1].InitialAspect = 0; },
     kStart + "Pin Address Configuration: Invalid Response, expected 5,118,0, received 4,118,0\r\n"
              "Pin 2: Init does not compare\r\n",
     false, [](auto& g) { g[0].back().pop_back(); }},
    {"MalformedBlockReplyEndsTheVerification", 1, nullptr, kStart + "No valid response\r\n", false,
     [](auto& g) {
       g[1][0][1] = 0;
       g[1].resize(1);
       g.resize(2);
     }},
    {"MalformedStepReplyEndsTheVerification", 1, nullptr, kStart + "No valid response\r\n", false,
     [](auto& g) {
       g[1][2][3] = 5;
       g[1].resize(3);
       g.resize(2);
     }},
    {"SilentModuleEndsWithoutALine", 1, nullptr, kStart, false, [](auto& g) { g.resize(3); }},
    {"AllPinsEqualEndWithVerifyOkInAClearedLog", 1, nullptr, kStart + "Verify OK", true, nullptr,
     true},
    {"AllPinsStillComparedWhenOneDiffers", 1, [](auto&, auto& m) { m.Pins[0].LumoCount = 2; },
     kStart + "Pin 1: Serial Address Configuration does not compare\r\n", false, nullptr, true}};

INSTANTIATE_TEST_SUITE_P(Lines, VerifyPinsTest, ::testing::ValuesIn(kVerifyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PinTransferTest, CancelDuringVerificationIsLogged) {
  link_.RequestCancel();
  VerificationLog log;
  EXPECT_FALSE(VerifyPins(link_, c_, log));
  EXPECT_EQ(log.Text(), kStart + "Cancelled by the user\r\n");
}

}  // namespace
}  // namespace pyra::test

// The tool's pin transfer and pin-configuration operations against the simulated module, through
// the real link: what the pin writes store, the pin reads bring back and the pin verification
// compares.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <tuple>

#include "SimLinkFixture.h"
#include "model/Configuration.h"
#include "operations/Batch.h"
#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"
#include "pins/PinTransfer.h"

namespace pyra::sim {
namespace {

constexpr int kServoPin = 0;
constexpr int kPwmPin = 1;
constexpr int kInputPin = 2;
constexpr int kDeviceHead = 4;  // pins 4, 5, 6 form one device

// A step of instruction `code` with every byte it uses filled from `k`; bytes it does not use
// stay 0, as the aspect editor leaves them.
StepRecord StepOf(int code, int k) {
  const InstructionDef& d = Instruction(code);
  StepRecord s;
  s.Opcode = static_cast<uint8_t>(code);
  s.Fade = d.HasFade ? k % 2 : 0;
  s.Offset = static_cast<uint8_t>((7 * k) % 32);
  s.Par1 = static_cast<uint8_t>((13 * k) % 128);
  s.Par2 = static_cast<uint8_t>((29 * k) % 128);
  s.Par3 = static_cast<uint8_t>((3 * k) % 8);
  if (code == 4 || code == 5 || code == 20) {
    // These send whole bytes: the top bits travel in data 1.
    s.Par1 = static_cast<uint8_t>(s.Par1 + 128 * (k % 2));
    s.Par2 = static_cast<uint8_t>(s.Par2 + 128 * ((k / 2) % 2));
  }
  return CleanStep(s);
}

// Fills every aspect and step the pin's aspect mode transfers with instructions from the list.
void FillAspects(PinRecord& pin, int seed) {
  const std::vector<int>& codes = InstructionListOrder();
  int k = seed;
  for (int a = 0; a < AspectCount(pin.AspectMode); ++a) {
    for (int s = 0; s < StepCount(pin.AspectMode); ++s, ++k) {
      int code = codes[k % codes.size()];
      if (code > 127) code = codes[0];  // the opcode byte must fit a payload byte
      pin.Aspects[a].Steps[s] = StepOf(code, k);
    }
  }
}

// A servo, a PWM output, an input, a three-pin device and pins with other address counts.
Configuration Configured() {
  Configuration c = DefaultConfiguration();
  PinRecord& servo = c.Pins[kServoPin];
  servo.AspectMode = kAspectMode4x9;
  servo.InitialAspect = 4;
  servo.PinConfig = {1, 54, 26, 70, 100, 58, 90, 80, 70, 5, 60, 6, 0};
  servo.LiveLevel = 64;
  FillAspects(servo, 0);

  PinRecord& pwm = c.Pins[kPwmPin];
  pwm.AspectMode = kAspectMode12x3;
  pwm.InitialAspect = 12;
  pwm.PinConfig = {3, 10, 3, 28, 2, 30, 0, 0, 0, 0, 0, 0, 0};
  pwm.DccCount = 2;
  pwm.XDccCount = 0;
  pwm.LumoCount = 6;
  FillAspects(pwm, 50);

  PinRecord& input = c.Pins[kInputPin];
  input.PinConfig = {5, 0, 1, 4, 7, 0, 0, 0, 0, 0, 0, 0, 0};
  input.DccCount = 0;
  input.LumoCount = 0;

  for (int i = 0; i < 3; ++i) {
    PinRecord& p = c.Pins[kDeviceHead + i];
    p.DeviceLink = -i;
    p.AspectMode = kAspectMode4x9;
    p.InitialAspect = static_cast<uint8_t>(1 + i);
    FillAspects(p, 100 + 40 * i);
  }
  c.Pins[31].DeviceLink = -1;
  c.Pins[31].DccCount = 6;
  c.Pins[31].XDccCount = 1;
  return c;
}

class SimPinsEndToEndTest : public SimLinkFixture {
 protected:
  void SetUp() override { Connect(38400); }
  PinMemory& Pin(int p) { return Memory().pins[p]; }

  // The pins of the module whose requests with `command` the module saw, in order.
  std::vector<int> PinsAsked(int command) {
    std::vector<int> pins;
    for (const auto& r : Module().Requests()) {
      if (r.payload.size() >= 2 && r.payload[0] == command) pins.push_back(r.payload[1]);
    }
    return pins;
  }
  // Every pin of `got` carries what the pin transfer carries of `want`.
  static void ExpectSamePins(const Configuration& got, const Configuration& want) {
    const auto kept = [](const PinRecord& r) {
      return std::tie(r.AspectMode, r.InitialAspect, r.DccCount, r.XDccCount, r.LumoCount,
                      r.DeviceLink, r.PinConfig);
    };
    for (int p = 0; p < kPinCount; ++p) {
      const PinRecord& g = got.Pins[p];
      const PinRecord& w = want.Pins[p];
      SCOPED_TRACE("pin " + std::to_string(p));
      EXPECT_EQ(kept(g), kept(w));
      for (int a = 0; a < AspectCount(w.AspectMode); ++a) {
        for (int s = 0; s < StepCount(w.AspectMode); ++s) {
          EXPECT_EQ(g.Aspects[a].Steps[s], w.Aspects[a].Steps[s])
              << "aspect " << a << " step " << s;
        }
      }
    }
  }
  // What the module reports back of the configuration written: the servo it was given is
  // initialised, and says so in P2.
  static Configuration AsReported(Configuration c) {
    c.Pins[kServoPin].PinConfig[2] = 26 + kServoInitialisedBit;
    return c;
  }
};

const std::string kPinsHead = "Start Pin Verification\r\nNote: Numbering starts at 1\r\n";
const std::string kWholeModuleHead =
    "Start General Settings Verification\r\nStart EC Verification\r\n"
    "Note: Numbering starts at 1\r\n" +
    kPinsHead;

TEST_F(SimPinsEndToEndTest, WriteAllPinsThenReadAllPinsGivesTheSamePinsThatVerify) {
  Configuration out = Configured();
  ASSERT_TRUE(WriteAllPins(link_, out));
  Configuration in = DefaultConfiguration();
  ASSERT_TRUE(ReadAllPins(link_, in));
  ExpectSamePins(in, AsReported(out));

  VerificationLog log;
  EXPECT_TRUE(VerifyAllPins(link_, out, log));
  EXPECT_EQ(log.Text(), kPinsHead + "Verify OK");
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

TEST_F(SimPinsEndToEndTest, WriteAllPinsStoresTheBytesOfEachCommand) {
  Configuration out = Configured();
  ASSERT_TRUE(WriteAllPins(link_, out));
  EXPECT_EQ(Pin(kServoPin).stored_block,
            (std::vector<int>{1, 54, 26, 70, 100, 58, 90, 80, 70, 5, 60, 6}));
  EXPECT_EQ(Pin(kPwmPin).stored_block, (std::vector<int>{3, 10, 3, 28, 2, 30}));
  EXPECT_EQ(Pin(kInputPin).stored_block, (std::vector<int>{5, 0, 1, 4, 7}));
  EXPECT_EQ(Pin(3).stored_block, (std::vector<int>{0}));
  EXPECT_EQ(Pin(kServoPin).initial_aspect, 3);
  EXPECT_EQ(Pin(kPwmPin).initial_aspect, 11);
  EXPECT_EQ(Pin(3).initial_aspect, 15);
  EXPECT_EQ(Pin(kPwmPin).address_config, (std::array<int, 3>{2, 22, 64}));
  EXPECT_EQ(Pin(kInputPin).address_config, (std::array<int, 3>{8, 16, 64}));
  EXPECT_EQ(Pin(kDeviceHead + 2).address_config, (std::array<int, 3>{9, 17, 94}));
  EXPECT_EQ(Pin(31).address_config, (std::array<int, 3>{14, 17, 95}));
  EXPECT_EQ(Pin(kPwmPin).aspect_mode, 2);
  EXPECT_EQ(Pin(kPwmPin).steps[11][2], EncodeStep(out.Pins[kPwmPin].Aspects[11].Steps[2]));
  // Event slots share command 100 with the initial aspect and stay as they were.
  EXPECT_EQ(Pin(kServoPin).event_on, FactoryMemory().pins[kServoPin].event_on);
}

// One value changed inside the module after the pins were written, and the lines the pin
// verification writes about it.
struct PinMismatchCase {
  const char* name;
  std::function<void(std::array<PinMemory, kModulePins>&)> change;
  std::string lines;  // between the heading lines and the end of the log
};

class SimPinMismatchTest : public SimPinsEndToEndTest,
                           public ::testing::WithParamInterface<PinMismatchCase> {};

TEST_P(SimPinMismatchTest, VerificationNamesTheChangedValue) {
  Configuration c = Configured();
  ASSERT_TRUE(WriteAllPins(link_, c));
  GetParam().change(Memory().pins);
  VerificationLog log;
  VerifyPins(link_, c, log);
  EXPECT_EQ(log.Text(), kPinsHead + GetParam().lines);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

// The line for a difference in pin `pin` (numbered from 1).
std::string Differs(int pin, const std::string& what) {
  return "Pin " + std::to_string(pin) + ": " + what + " does not compare\r\n";
}

using Pins = std::array<PinMemory, kModulePins>;
const PinMismatchCase kPinMismatchCases[] = {
    {"PwmOnLevel", [](Pins& p) { p[kPwmPin].stored_block[5] = 31; }, Differs(2, "Pinconfig")},
    {"ServoMidpointAndDamping",
     [](Pins& p) {
       p[kServoPin].stored_block[3] = 64;
       p[kServoPin].stored_block[5] = 0;
     },
     Differs(1, "Pinconfig") + Differs(1, "Pinconfig")},
    {"InputBecameClear", [](Pins& p) { p[kInputPin].stored_block = {0}; }, Differs(3, "Pinconfig")},
    {"AspectMode", [](Pins& p) { p[kPwmPin].aspect_mode = 3; }, Differs(2, "Aspectconfig")},
    {"OneStepByte", [](Pins& p) { p[kDeviceHead + 1].steps[2][8][4] ^= 1; },
     Differs(6, "Aspect 2")},
    {"StepsOfTwoAspects",
     [](Pins& p) {
       p[kPwmPin].steps[0][0][4] ^= 1;
       p[kPwmPin].steps[0][1][4] ^= 1;
       p[kPwmPin].steps[11][2][4] ^= 1;
     },
     Differs(2, "Aspect 0") + Differs(2, "Aspect 11")},
    {"StepBeyondTheAspectMode", [](Pins& p) { p[kPwmPin].steps[0][5][4] ^= 1; }, ""},
    {"InitialAspect", [](Pins& p) { p[3].initial_aspect = 0; }, Differs(4, "Init")},
    {"DccAddresses", [](Pins& p) { p[31].address_config[0] = 6; },
     Differs(32, "DCC Address Configuration")},
    {"SerialAddresses", [](Pins& p) { p[kPwmPin].address_config[1] = 21; },
     Differs(2, "Serial Address Configuration")},
    {"DevicePointer", [](Pins& p) { p[kDeviceHead + 1].address_config[2] = 64; },
     Differs(6, "Device Pointer")},
    {"AddressByteOfNoType", [](Pins& p) { p[7].address_config[2] = 40; },
     "Pin Address Configuration: Invalid Response 2\r\n"},
    // "Servo Initialised" is the module's status: its absence is no difference.
    {"ServoNotInitialised", [](Pins& p) { p[kServoPin].servo_initialised = false; }, ""},
    // Event slots travel with command 116 too, but are not part of the pin.
    {"EventSlot", [](Pins& p) { p[kPwmPin].event_on[1] = 17; }, ""},
};
INSTANTIATE_TEST_SUITE_P(ChangedValues, SimPinMismatchTest, ::testing::ValuesIn(kPinMismatchCases),
                         kCaseName);

TEST_F(SimPinsEndToEndTest, WholeModuleRoundTripsThroughWriteAllReadAllAndVerifyAll) {
  Configuration out = Configured();
  out.Settings.IDString = "Pins";
  out.EventControl[kPwmPin].EventOn = {1, 2, 3, 4, -1};
  ASSERT_TRUE(WriteAll(link_, out));

  Configuration in = DefaultConfiguration();
  ASSERT_TRUE(ReadAll(link_, in));
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(in.Settings.IDString, "Pins");
  EXPECT_EQ(in.EventControl[kPwmPin], out.EventControl[kPwmPin]);
  ExpectSamePins(in, AsReported(out));

  // What was read verifies, "Servo Initialised" and all.
  VerificationLog log;
  EXPECT_TRUE(VerifyAll(link_, in, log));
  EXPECT_EQ(log.Text(), kWholeModuleHead + "Verify OK");

  // A difference in the pins is reported after the settings. Only the lines: whether it fails
  // the whole verification is left to the pin verification's own tests.
  Memory().pins[kDeviceHead].initial_aspect = 15;
  VerificationLog changed;
  VerifyAll(link_, in, changed);
  EXPECT_TRUE(
      changed.Text().starts_with(kWholeModuleHead + "Pin 5: Init does not compare\r\nVerif"))
      << changed.Text();
}

TEST_F(SimPinsEndToEndTest, WorkingBlockIsKeptApartFromTheStoredOne) {
  Configuration c = Configured();
  ASSERT_TRUE(WriteWholePin(link_, c, kPwmPin));

  // The working copy carries the live level where the stored one has the initial level.
  c.Pins[kPwmPin].LiveLevel = 17;
  c.Pins[kPwmPin].PinConfig[5] = 20;
  ASSERT_TRUE(WritePinConfig(link_, c, kWorkingCopy, kPwmPin));
  EXPECT_EQ(Pin(kPwmPin).working_block, (std::vector<int>{3, 17, 3, 28, 2, 20}));
  EXPECT_EQ(Pin(kPwmPin).stored_block, (std::vector<int>{3, 10, 3, 28, 2, 30}));

  Configuration in = DefaultConfiguration();
  const PinRecord& pin = in.Pins[kPwmPin];
  ASSERT_TRUE(ReadPinConfig(link_, in, kStoredCopy, kPwmPin));
  EXPECT_EQ(pin.PinConfig[1], 10);
  EXPECT_EQ(pin.PinConfig[5], 30);
  ASSERT_TRUE(ReadPinConfig(link_, in, kWorkingCopy, kPwmPin));
  EXPECT_EQ(pin.LiveLevel, 17);
  EXPECT_EQ(pin.PinConfig[1], 10) << "the working read leaves the initial level";
  EXPECT_EQ(pin.PinConfig[5], 20);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

// A live command sent through the link, and the live value the working copy then reports.
struct LiveCase {
  const char* name;
  int pin;
  std::vector<int> command;
  int live_level;
};

class SimLiveTest : public SimPinsEndToEndTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(SimLiveTest, LiveCommandMovesTheWorkingCopyOnly) {
  const auto& c = GetParam();
  Configuration out = Configured();
  ASSERT_TRUE(WriteAllPins(link_, out));
  ASSERT_TRUE(link_.SendPRMessage(false, std::span<const int>(c.command)));

  Configuration in = Configured();
  ASSERT_TRUE(ReadPinConfig(link_, in, kWorkingCopy, c.pin));
  EXPECT_EQ(in.Pins[c.pin].LiveLevel, c.live_level);
  ASSERT_TRUE(ReadPinConfig(link_, in, kStoredCopy, c.pin));
  EXPECT_EQ(in.Pins[c.pin].PinConfig[1], out.Pins[c.pin].PinConfig[1]);
}

const LiveCase kLiveCases[] = {
    {"PwmLevel", kPwmPin, {0, 38, kPwmPin, 31}, 31},
    {"SlowPwmLevel", kPwmPin, {0, 54, kPwmPin, 0}, 0},
    {"ServoLowest", kServoPin, {0, 39, kServoPin, 0}, 0},
    {"DynamicServoHighest", kServoPin, {0, 55, kServoPin, 127}, 127},
    // A PWM command does not move a servo: it stays at its initial position.
    {"PwmCommandOnAServo", kServoPin, {0, 38, kServoPin, 5}, 54},
};
INSTANTIATE_TEST_SUITE_P(Commands, SimLiveTest, ::testing::ValuesIn(kLiveCases), kCaseName);

TEST_F(SimPinsEndToEndTest, ServoWrittenBackLosesTheInitialisedBitTheModuleReported) {
  Configuration c = Configured();
  ASSERT_TRUE(WriteWholePin(link_, c, kServoPin));
  Configuration in = DefaultConfiguration();
  ASSERT_TRUE(ReadPinConfig(link_, in, kStoredCopy, kServoPin));
  EXPECT_TRUE(DecodeServoP2(in.Pins[kServoPin].PinConfig[2]).initialised);

  ASSERT_TRUE(WritePinConfig(link_, in, kStoredCopy, kServoPin));
  EXPECT_EQ(Pin(kServoPin).stored_block[2], 26);
}

TEST_F(SimPinsEndToEndTest, DeviceOperationsTakeThePinsThatPointAtTheSameHeadOnly) {
  Configuration out = Configured();
  out.CurrentPin = kDeviceHead + 1;
  ASSERT_TRUE(WriteDevice(link_, out));
  const std::vector<int> device = {kDeviceHead, kDeviceHead + 1, kDeviceHead + 2};
  EXPECT_EQ(PinsAsked(98), device);
  EXPECT_EQ(Pin(kDeviceHead).aspect_mode, kAspectMode4x9);
  EXPECT_EQ(Pin(kServoPin).aspect_mode, 0);

  Configuration in = DefaultConfiguration();
  in.CurrentPin = kDeviceHead + 2;
  ASSERT_TRUE(ReadDevice(link_, in));
  EXPECT_EQ(PinsAsked(114), device);
  EXPECT_EQ(in.Pins[kDeviceHead + 2].DeviceLink, -2);
  EXPECT_EQ(in.Pins[kDeviceHead + 1].InitialAspect, 2);
}

TEST_F(SimPinsEndToEndTest, ErasedModuleReadsAsAFreshConfiguration) {
  Configuration out = Configured();
  ASSERT_TRUE(WriteAllPins(link_, out));
  Module().FactoryReset();
  Configuration in = Configured();
  ASSERT_TRUE(ReadAllPins(link_, in));
  ExpectSamePins(in, DefaultConfiguration());
}

}  // namespace
}  // namespace pyra::sim

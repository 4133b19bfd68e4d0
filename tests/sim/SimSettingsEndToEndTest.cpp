// The tool's whole-module operations against the simulated module, through the real link: what
// Write All stores, Read All brings back and Verify All compares, byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "SimLinkFixture.h"
#include "model/Configuration.h"
#include "operations/Batch.h"
#include "operations/Cancel.h"
#include "operations/EventControl.h"

namespace pyra::sim {
namespace {

// Every general setting away from its start value, and an event control that differs per pin.
Configuration Configured() {
  Configuration c = DefaultConfiguration();
  ModuleSettings& s = c.Settings;
  s.IDString = "Station West";
  s.LumoFlex = true;
  s.LumoModeAddress = 5;
  s.ModuleXAddress = 42;
  s.GroupMask = {true,  false, false, false, false, true,  false, false,
                 false, false, true,  false, false, false, false, true};
  s.DccAddress = 300;
  s.XDccAddress = 2046;
  s.PacketRetention = 3;
  s.BasicPacketStateInvert = true;
  s.AllowAddress0 = true;
  s.HwcSink = {true, false, true, false};
  s.HwcSource = {false, false, true, true};
  s.LedGreen = {1, 0, 0, 1, 0, 0, 0, 0};
  s.LedOrange = {0, 1, 1, 0, 0, 0, 1, 0};
  s.SerialEnable = true;
  s.SerialBaudIndex = 5;
  s.SerialDataBits8 = true;
  s.SerialParity = 2;
  s.SerialStop2 = true;
  s.InitEE = {true, false, true, false, false, true, true, false};
  for (int p = 0; p < kPinCount; ++p) {
    for (int i = 0; i < 4; ++i) {
      c.EventControl[p].EventOn[i] = (p + i) % 13 - 1;  // -1 .. 11
      c.EventControl[p].EventOff[i] = (2 * p + 3 * i) % 13 - 1;
    }
  }
  return c;
}

// Every setting a module keeps, the firmware version left out.
auto Kept(const ModuleSettings& s) {
  return std::tie(s.IDString, s.PRNative, s.LumoFlex, s.LumoModeAddress, s.ForceXA,
                  s.ModuleXAddress, s.GroupMask, s.DccAddress, s.XDccAddress, s.PacketRetention,
                  s.BasicPacketStateInvert, s.AllowAddress0, s.HwcSink, s.HwcSource, s.LedGreen,
                  s.LedOrange, s.SerialEnable, s.SerialBaudIndex, s.SerialDataBits8, s.SerialParity,
                  s.SerialStop2, s.InitEE);
}

class SimSettingsEndToEndTest : public SimLinkFixture {
 protected:
  // The whole Verify All log, with its closing verdict.
  std::string VerifyAllText(const Configuration& c) {
    VerificationLog log;
    VerifyAll(link_, c, log);
    return log.Text();
  }
};

// The module addressing can be set three ways; each reads back as the module stores it. Write All
// stores the same without bidirectional mode.
struct AddressingCase {
  const char* name;
  bool native;
  bool enforced_xa;
  std::array<int, 2> serial_address;
  int x_address;
  bool bidirectional = true;
};

class SimAddressingRoundTripTest : public SimSettingsEndToEndTest,
                                   public ::testing::WithParamInterface<AddressingCase> {};

TEST_P(SimAddressingRoundTripTest, WriteAllThenReadAllGivesTheSameSettings) {
  const auto& c = GetParam();
  Configuration out = Configured();
  ModuleSettings& s = out.Settings;
  if (c.native) {
    s.LumoFlex = false;
    s.LumoModeAddress = 0;
    s.PRNative = true;
  }
  s.ForceXA = c.enforced_xa;
  State().Bidirectional = c.bidirectional;
  ASSERT_TRUE(WriteAll(link_, out));
  EXPECT_EQ(Memory().serial_address, c.serial_address);
  EXPECT_EQ(Memory().x_address, c.x_address);

  Configuration in = DefaultConfiguration();
  ASSERT_TRUE(ReadAll(link_, in));
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
  EXPECT_EQ(in.Settings.FirmwareVersion, "3.2.0.17");
  ModuleSettings want = s;
  if (c.enforced_xa) {
    // The module keeps none of the other addressing settings then.
    want.LumoFlex = false;
    want.LumoModeAddress = 0;
    want.ModuleXAddress = 0;
    want.GroupMask = {};
  }
  EXPECT_EQ(Kept(in.Settings), Kept(want));
  EXPECT_EQ(in.EventControl, out.EventControl);
}

const AddressingCase kAddressingCases[] = {
    {"LumoFlexibleAddressing", false, false, {1, 5}, 42},
    {"NativeMode", true, false, {0, 64}, 42},
    {"EnforcedExtendedAddress", false, true, {0, 0}, 127},
    {"WithoutBidirectionalMode", false, false, {1, 5}, 42, false},
};
INSTANTIATE_TEST_SUITE_P(Addressing, SimAddressingRoundTripTest,
                         ::testing::ValuesIn(kAddressingCases), kCaseName);

TEST_F(SimSettingsEndToEndTest, WriteAllStoresTheBytesOfEverySetting) {
  ASSERT_TRUE(WriteAll(link_, Configured()));
  const ModuleMemory& m = Memory();
  EXPECT_EQ(m.id_string, "Station West");
  EXPECT_EQ(m.hardware_groups, (std::array<int, 4>{1, 0, 3, 2}));
  EXPECT_EQ(m.group_mask, (std::array<int, 4>{1, 2, 4, 8}));
  EXPECT_EQ(m.dcc_address, (std::array<int, 2>{44, 4}));
  EXPECT_EQ(m.xdcc_address, (std::array<int, 2>{62, 31}));
  EXPECT_EQ(m.dcc_options, 3 + 4 + 8);
  EXPECT_EQ(m.led_green, 9);
  EXPECT_EQ(m.led_orange, 2 + 4 + 64);
  EXPECT_EQ(m.serial_port, (std::array<int, 2>{1, 5 + 8 + 32 + 64}));
  EXPECT_EQ(m.enable_map, (std::array<int, 2>{2 + 8, 1 + 8}));
  // Pin 5: On slots 4, 5, 6, 7; Off slots 9, -1, 2, 5.
  EXPECT_EQ(m.pins[5].event_on, (std::array<int, 4>{4, 21, 38, 55}));
  EXPECT_EQ(m.pins[5].event_off, (std::array<int, 4>{9, 31, 34, 53}));
  EXPECT_EQ(m.pins[5].initial_aspect, 15) << "event writes leave the initial aspect alone";
  EXPECT_EQ(Module().GetConfig().extended_address, 42) << "answers to its new eXtended Address";
}

TEST_F(SimSettingsEndToEndTest, FreshOrErasedModuleVerifiesAgainstAFreshConfiguration) {
  const std::string fresh =
      "Start General Settings Verification\r\nStart EC Verification\r\n"
      "Note: Numbering starts at 1\r\nStart Pin Verification\r\n"
      "Note: Numbering starts at 1\r\nVerify OK";
  EXPECT_EQ(VerifyAllText(DefaultConfiguration()), fresh);
  ASSERT_TRUE(WriteAll(link_, Configured()));
  Module().FactoryReset();
  EXPECT_EQ(VerifyAllText(DefaultConfiguration()), fresh);
  EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(SimSettingsEndToEndTest, ECVerifyAfterWriteAllAddsVerifyOk) {
  const Configuration c = Configured();
  ASSERT_TRUE(WriteAll(link_, c));
  // The Event-On reply carries the initial aspect too, but that belongs to the pin.
  Memory().pins[3].initial_aspect = 2;
  VerificationLog log;
  EXPECT_TRUE(ECVerify(link_, c, log));
  EXPECT_EQ(log.Text(), "Start EC Verification\r\nNote: Numbering starts at 1\r\nVerify OK\r\n");
  EXPECT_EQ(Module().CountRequests(112, 11), 1);
}

// One value changed inside the module after Write All, and the log Verify All writes about it.
struct MismatchCase {
  const char* name;
  std::function<void(ModuleMemory&)> change;
  std::string log;
};

class SimVerifyMismatchTest : public SimSettingsEndToEndTest,
                              public ::testing::WithParamInterface<MismatchCase> {};

TEST_P(SimVerifyMismatchTest, VerifyAllNamesTheChangedValue) {
  const Configuration c = Configured();
  ASSERT_TRUE(WriteAll(link_, c));
  ASSERT_TRUE(VerifyAllText(c).ends_with("Verify OK"));

  GetParam().change(Memory());
  EXPECT_EQ(VerifyAllText(c), GetParam().log);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

std::string General(const std::string& line) {
  return "Start General Settings Verification\r\n" + line + "\r\nVerification Stopped";
}
std::string Events(const std::string& line) {
  return General("Start EC Verification\r\nNote: Numbering starts at 1\r\n" + line);
}

const MismatchCase kMismatchCases[] = {
    {"IDString", [](ModuleMemory& m) { m.id_string = "Station"; },
     General("ID does not compare: PyraConfig = <Station West> Pyra = <Station>")},
    {"Hardware", [](ModuleMemory& m) { m.hardware_groups[3] = 3; },
     General("Hardware configuration does not compare")},
    {"DccAddress", [](ModuleMemory& m) { m.dcc_address[0] = 45; },
     General("DCC address does not compare")},
    {"ExtendedDccAddress", [](ModuleMemory& m) { m.xdcc_address[1] = 30; },
     General("eXtended DCC address does not compare")},
    {"DccOptions", [](ModuleMemory& m) { m.dcc_options = 7; },
     General("DCC Options do not compare")},
    {"SerialAddressSettings", [](ModuleMemory& m) { m.serial_address[1] = 6; },
     General("Serial Address Settings do not compare")},
    {"ExtendedAddress", [](ModuleMemory& m) { m.x_address = 127; },
     General("eXtended Address does not compare")},
    {"GroupMask", [](ModuleMemory& m) { m.group_mask[1] = m.group_mask[2] = 0; },
     General("eXtended Group Mask does not compare")},
    {"GreenLed", [](ModuleMemory& m) { m.led_green = 0; },
     General("Green LED configuration does not compare")},
    {"OrangeLed", [](ModuleMemory& m) { m.led_orange = 127; },
     General("Orange LED configuration does not compare")},
    {"SerialPort", [](ModuleMemory& m) { m.serial_port[0] = 0; },
     General("Serial Port Configuration does not compare")},
    {"EventOnSlot", [](ModuleMemory& m) { m.pins[7].event_on[2] = 47; },
     Events("Event-On(2) for pin 8 does not compare: Configured Action = 8, Pyra Reply = -1")},
    // 35 would be event 3 in slot 2; arriving in slot 0 it counts as no event.
    {"EventOffSlotNamingAnotherSlot", [](ModuleMemory& m) { m.pins[2].event_off[0] = 35; },
     Events("Event-Off(0) for pin 3 does not compare: Configured Action = 3, Pyra Reply = -1")},
    {"TwoSlotsOfOnePin",
     [](ModuleMemory& m) {
       m.pins[31].event_on[0] = 0;
       m.pins[31].event_on[3] = 48 + 11;
     },
     Events("Event-On(0) for pin 32 does not compare: Configured Action = 4, Pyra Reply = 0\r\n"
            "Event-On(3) for pin 32 does not compare: Configured Action = 7, Pyra Reply = 11")},
    {"EnableMapOn", [](ModuleMemory& m) { m.enable_map[0] = 0; },
     Events("ECInit: ON-mask does not compare")},
    {"EnableMapOff", [](ModuleMemory& m) { m.enable_map[1] = 15; },
     Events("ECInit: OFF-mask does not compare")},
};
INSTANTIATE_TEST_SUITE_P(ChangedValues, SimVerifyMismatchTest, ::testing::ValuesIn(kMismatchCases),
                         kCaseName);

// Where the progress sink asks for a cancel, and the last request the module then saw.
struct CancelCase {
  const char* name;
  std::string step;
  std::vector<int> last_request;
  int requests;
};

class SimCancelTest : public SimSettingsEndToEndTest,
                      public ::testing::WithParamInterface<CancelCase> {};

TEST_P(SimCancelTest, CancelDuringReadAllStopsAfterTheExchangeUnderWay) {
  const auto& c = GetParam();
  ASSERT_TRUE(WriteAll(link_, Configured()));
  const std::size_t before = Module().Requests().size();
  link_.SetProgressSink([&](const std::string& step, int, int) {
    if (step == c.step) link_.RequestCancel();
  });

  Configuration in = DefaultConfiguration();
  EXPECT_FALSE(ReadAll(link_, in));
  EXPECT_EQ(prompter_.Texts(), (Texts{kCancelledText}));
  const auto& requests = Module().Requests();
  EXPECT_EQ(static_cast<int>(requests.size() - before), c.requests);
  EXPECT_EQ(requests.back().payload, c.last_request);
  EXPECT_FALSE(link_.CancelRequested()) << "the cancel is used up";

  link_.SetProgressSink(nullptr);
  prompter_.Clear();
  EXPECT_TRUE(ReadAll(link_, in)) << "the next run goes to the end";
  EXPECT_TRUE(prompter_.Texts().empty());
}

// Read All asks 12 general settings, then four requests for each pin without aspects (aspect
// mode, initial aspect, address configuration, configuration block), then Event-On and
// Event-Off of 32 pins each.
const CancelCase kCancelCases[] = {
    {"DuringTheIDString", "Reading the ID string", {112, 10}, 2},
    {"DuringTheDccSettings", "Reading the DCC settings", {112, 12}, 5},
    {"DuringAPin", "Reading pin 3 of 32", {114, 2}, 12 + 8 + 1},
    {"DuringAnEventOnPin", "Reading Event-On of pin 6", {116, 5}, 12 + 128 + 6},
    {"DuringTheLastEventOffPin", "Reading Event-Off of pin 32", {117, 31}, 12 + 128 + 64},
};
INSTANTIATE_TEST_SUITE_P(Steps, SimCancelTest, ::testing::ValuesIn(kCancelCases), kCaseName);

TEST_F(SimSettingsEndToEndTest, SinglePinEventsGoToThatPinOnly) {
  Configuration c = DefaultConfiguration();
  c.EventControl[9].EventOn = {3, -1, 0, 11, -1};
  c.EventControl[9].EventOff = {-1, 5, -1, 6, -1};
  WritePinEvents(link_, c, 9);
  EXPECT_EQ(Memory().pins[9].event_on, (std::array<int, 4>{3, 31, 32, 59}));
  EXPECT_EQ(Memory().pins[9].event_off, (std::array<int, 4>{15, 21, 47, 54}));
  EXPECT_EQ(Memory().pins[8].event_on, FactoryMemory().pins[8].event_on);

  Configuration in = DefaultConfiguration();
  ReadPinEvents(link_, in, 9);
  EXPECT_EQ(in.EventControl[9], c.EventControl[9]);
  EXPECT_TRUE(prompter_.Texts().empty());
}

}  // namespace
}  // namespace pyra::sim

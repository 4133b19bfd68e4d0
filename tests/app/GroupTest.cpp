#include "AppTestSupport.h"

namespace pyra::test {
namespace {

using sim::ModuleMemory;

// A group of controls driven as a user drives it, against a module holding `held`. Every row
// writes at the end, so the module's memory shows what its controls and its read put in the
// model: a row that reads, then makes the module factory-fresh ("~"), then writes, proves that
// the read filled the model. `written` is that memory as changes to a factory-fresh module;
// null: the held values.
using M = ModuleMemory;
struct GroupCase {
  const char* name;
  void (*held)(M&);
  std::vector<const char*> actions;
  void (*written)(M&) = nullptr;
};

void PrintTo(const GroupCase& c, std::ostream* out) { *out << c.name; }

class GroupTest : public AppTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(GroupTest, ControlsReachTheModule) {
  GetParam().held(Memory());
  for (const char* action : GetParam().actions) Do(action);
  M expected = sim::FactoryMemory();
  (GetParam().written ? GetParam().written : GetParam().held)(expected);
  EXPECT_TRUE(Memory() == expected);
  for (const auto& shown : prompter_.All()) EXPECT_TRUE(shown.question) << shown.text;
}

void None(M&) {}

// Settings and pins a fresh window does not have.
void HoldSome(M& m) {
  m.id_string = "Gleis 7";
  m.dcc_address = {36, 1};
  m.led_orange = 2;
  m.serial_address = {1, 5};
  m.enable_map = {3, 12};
  m.pins[0].aspect_mode = 3;
  m.pins[0].initial_aspect = 2;
  m.pins[0].steps[3][8] = {9, 1, 5, 0, 0};
  m.pins[1].address_config = {8 + 2, 16 + 3, 64};
  m.pins[2].aspect_mode = 2;
  m.pins[2].steps[11][2] = {38, 0, 100, 0, 0};
  m.pins[2].address_config = {1, 16, 64};
  m.pins[3].address_config = {0, 16, 64 + 31};  // belongs to pin 2's device
  m.pins[4].stored_block =
      m.pins[4].working_block = {1, 64, 26, 64, 127, 58, 127, 127, 64, 0, 64, 0};
  m.pins[4].servo_initialised = true;
  m.pins[9].stored_block = m.pins[9].working_block = {4, 0, 0, 9, 11};
}

M Held() {
  M m = sim::FactoryMemory();
  HoldSome(m);
  return m;
}

// clang-format off
const GroupCase kGroups[] = {
  {"IdRead", [](M& m) { m.id_string = "Yard"; }, {"!CommandGenIDRead", "~", "!CommandGenIDWrite"}},
  {"IdTypedIsCutToTwelve", None, {"TextGenIDString=Layout 7 East", "!CommandGenIDWrite"},
   [](M& m) { m.id_string = "Layout 7 Eas"; }},
  {"EraseCancelled", [](M& m) { m.id_string = "keep me"; },
   {"?C", "!CommandGenEraseFlash", "?O", "?O", "!CommandGenEraseFlash"}},
  {"EraseAfterOkThenCancel", [](M& m) { m.id_string = "keep me"; },
   {"?O", "?C", "!CommandGenEraseFlash"}, None},
  {"AddressingRead",
   [](M& m) { m.serial_address = {1, 5}; m.x_address = 20; m.group_mask = {8, 4, 2, 1}; },
   {"!CommandGenAddrRead", "~", "!CommandGenAddrWrite"}},
  {"AddressingNative", None,
   {"CheckGenPRNative", "TextGenXaddr=10", "CheckGenXGM_0", "CheckGenXGM_5", "CheckGenXGM_10",
    "CheckGenXGM_15", "!CommandGenAddrWrite"},
   [](M& m) { m.serial_address = {0, 64}; m.x_address = 9; m.group_mask = {1, 2, 4, 8}; }},
  {"AddressingLumoFlex", None,
   {"?O", "CheckGenLMaddr", "TextGenLMaddr=9", "^UpDownGenLMaddr", "!CommandGenAddrWrite"},
   [](M& m) { m.serial_address = {1, 3}; }},
  {"AddressingEnforced", None,
   {"CheckGenXGM_3", "TextGenXaddr=10", "CheckGenForceXA", "!CommandGenAddrWrite"},
   [](M& m) { m.x_address = 127; }},
  {"DccRead", [](M& m) { m.dcc_options = 8 + 3; m.dcc_address = {0, 0}; m.xdcc_address = {20, 1}; },
   {"!CommandGenDCCRead", "~", "ChkGenDCCAllow0", "!CommandGenDCCWrite"},
   [](M& m) { m.dcc_options = 3; m.dcc_address = {1, 0}; m.xdcc_address = {20, 1}; }},
  {"DccTyped", None,
   {"TextGenDCCAddress=300", "TextGenXDCCAddress=2046", "OptGenDCC_PRP_1", "ChkGenDCC_BPSI",
    "!CommandGenDCCWrite"},
   [](M& m) { m.dcc_address = {44, 4}; m.xdcc_address = {62, 31}; m.dcc_options = 1 + 4; }},
  {"Hardware", [](M& m) { m.hardware_groups = {3, 0, 1, 2}; },
   {"!CommandGenHWCRead", "~", "ChkGenHWCSink_1", "ChkGenHWCSource_3", "!CommandGenHWCWrite"},
   [](M& m) { m.hardware_groups = {3, 1, 1, 0}; }},
  {"Leds", [](M& m) { m.led_orange = 6; },
   {"!CommandLCRead", "~", "CheckLCGreen_0", "CheckLCGreen_3", "!CommandLCWrite"},
   [](M& m) { m.led_green = 9; m.led_orange = 6; }},
  {"SerialPort", [](M& m) { m.serial_port = {0, 2 + 64 + 48}; },
   {"!CommandGenSerialRead", "~", "CheckGenSerialEnable", "ComboGenBaud:57600",
    "OptionGenSerialDatabits_1", "OptionGenSerialParity_2", "!CommandGenSerialWrite"},
   [](M& m) { m.serial_port = {1, 5 + 8 + 32 + 64}; }},
  {"EventSlotsOfOnePin",
   [](M& m) { m.pins[7].event_on = {3, 31, 32, 59}; m.pins[7].event_off = {2, 21, 47, 63}; },
   {"#1", "TextECpin=8", "!CommandECReadSingle", "~", "TextECon_1=4", "TextECoff_3=-1",
    "!CommandECWriteSingle"},
   [](M& m) { m.pins[7].event_on = {3, 20, 32, 59}; m.pins[7].event_off = {2, 21, 47, 63}; }},
  {"EventsCopiedToAll", None, {"#1", "TextECon_0=1", "CommandECcopy", "!CommandECWrite"},
   [](M& m) { for (sim::PinMemory& pin : m.pins) pin.event_on[0] = 1; }},
  {"EventsOfEveryPin",
   [](M& m) { m.pins[31].event_off = {4, 31, 47, 63}; m.pins[0].event_on = {15, 16, 47, 60}; },
   {"#1", "!CommandECRead", "~", "!CommandECWrite"}},
  {"EnableMap", [](M& m) { m.enable_map = {15, 5}; },
   {"#1", "!CommandECInitRead", "~", "CheckInitEE_0", "CheckInitEE_7", "!CommandECInitWrite"},
   [](M& m) { m.enable_map = {14, 13}; }},
  {"ReadAllThenWriteAll", HoldSome, {"!CommandReadAll", "~", "!CommandWriteAll"}},
  {"TypedThenWriteAll", None,
   {"TextGenIDString=Station", "TextGenDCCAddress=77", "ChkGenHWCSource_2", "!CommandWriteAll"},
   [](M& m) { m.id_string = "Station"; m.dcc_address = {13, 1}; m.hardware_groups[2] = 2; }},
  {"ExpertPin", HoldSome, {"*", "!CommandReadPin", "~", "!CommandWritePin"},
   [](M& m) { m.pins[0] = Held().pins[0]; }},
  {"ExpertPinOnTheDeviceTab", HoldSome,
   {"*", "#2", "CheckPAspShowDetails", "TextPAspOutput=3", "!CommandPAspReadPin", "~",
    "!CommandPAspWritePin"},
   [](M& m) { m.pins[2] = Held().pins[2]; }},
  {"AllPins", HoldSome, {"#2", "!CommandReadAllPins", "~", "!CommandWriteAllPins"},
   [](M& m) { m.pins = Held().pins; }},
  {"Device", HoldSome,
   {"#2", "TextPAspOutput=4", "!CommandReadDevice", "~", "TextPAspOutput=5", "TextDevicePin=3",
    "!CommandWriteDevice"},
   [](M& m) {
     m.pins[2] = Held().pins[2];
     m.pins[3] = Held().pins[3];
     m.pins[4].address_config[2] = 64 + 30;  // a member of pin 3's device, two pins back
   }},
  {"AspectWrittenAlone", None,
   {"#2", "TextPAspOutput=3", "OptionPAspConf_1", "CheckPAspShowDetails", "^UpDownPAspAspect",
    "ComboPAspInst_0:Set Level", "TextPAspPar1_0=20", "!CommandPAspWriteAspect"},
   [](M& m) { m.pins[2].steps[1][0] = {38, 0, 20, 0, 0}; }},
  {"AspectEditor", None,
   {"#2", "TextPAspOutput=3", "OptionPAspConf_1", "TextPAspInit=2", "CheckPAspShowDetails",
    "TextPaspDCCn=2", "TextPaspLumon=0", "ComboPAspInst_0:Wait", "TextPAspPar2_0=63",
    "TextPAspPar3_0=3", "ComboPAspInst_1:On", "CheckPAspFade_1", "TextPAspOffset_1=-1",
    "!CommandWriteAllPins"},
   [](M& m) {
     sim::PinMemory& pin = m.pins[2];
     pin.aspect_mode = 3;
     pin.initial_aspect = 2;
     pin.address_config = {8 + 2, 16 + 0, 64};
     pin.steps[0][0] = {102, 0, 0, 63, 3};
     pin.steps[0][1] = {9 + 16, 31, 0, 0, 0};  // the fade in bit 4
   }},
  {"ServoWorkingCopy", HoldSome,
   {"#2", "CheckPAspShowDetails", "TextPAspOutput=5", "!CommandPCFGGetParam_0", "~",
    "SSTabPCFG:Servo", "TextSrvMaxSpd=200", "_UpDownMaxSpeed", "OptionServoRange_1",
    "ChkSrvAutoSuspend", "!CommandPCFGSetParam_0"},
   [](M& m) {
     m.pins[4].working_block = {1, 64, 1 + 8, 64, 127, 58, 126, 127, 64, 0, 64, 0};
     m.pins[4].servo_initialised = true;
   }},
  {"PwmStoredCopy", None,
   {"*", "#2", "CheckPAspShowDetails", "TextPAspOutput=3", "SSTabPCFG:PWM", "CheckPWMInverted",
    "OptionPWMDriveMode_1", "TextPWMAccel=32", "!CommandPCFGSetParam_1"},
   [](M& m) { m.pins[2].stored_block = m.pins[2].working_block = {3, 0, 1, 31, 0, 31}; }},
  {"InputStoredCopy", HoldSome,
   {"*", "#2", "CheckPAspShowDetails", "TextPAspOutput=10", "!CommandPCFGGetParam_1", "~",
    "CheckInputInvert", "TextInputDelay_1=7", "!CommandPCFGSetParam_1"},
   [](M& m) { m.pins[9].stored_block = m.pins[9].working_block = {5, 0, 0, 9, 7}; }},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Groups, GroupTest, ::testing::ValuesIn(kGroups),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::test

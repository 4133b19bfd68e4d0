#include "monitor/TestCommands.h"

#include <cmath>

#include "model/TypedNumber.h"

namespace pyra {

namespace {

constexpr char kSelectPort[] = "Select communications port";
constexpr int kPins = 32;
constexpr int kMaxFrameValue = 127;
constexpr int kBulkOutputs = 8;  // "Pyra 8xSA0" / "Pyra 8xSA1"

// How the refusal messages name the boxes: by the legend beside each.
constexpr char kPyraOutputBox[] = "The Output box of the Pyra set-aspect buttons";

void SendSetAspect(Link& link, int sub_code, int target, int aspect) {
  link.SendPRMessage(false, {0, sub_code, target, aspect});
}

// Command_Clr and Command_LT address module ModuleAddress, 0 or 15.
int BulkModule(const Link& link, int index) {
  switch (index) {
    case 1:
      return 0;
    case 2:
      return 15;
    default:
      return link.State().ModuleAddress;
  }
}

bool SendToAllPins(Link& link, int index, int command, int value) {
  if (!link.PortOpen()) {
    link.GetPrompter().Message(kSelectPort);
    return false;
  }
  const int address_byte = LumoAddressByte(BulkModule(link, index));
  for (int pin = 0; pin < kPins; ++pin) link.SendLumoMessage(address_byte, command, pin, value);
  return true;
}

}  // namespace

const std::array<const char*, 7>& PyraSetAspectCaptions() {
  static const std::array<const char*, 7> captions = {
      "Pyra SA0", "Pyra SA1", "Pyra SA2", "Pyra SA3", "Pyra Toggle", "Pyra 8xSA0", "Pyra 8xSA1"};
  return captions;
}

const std::array<const char*, 20>& MatrixLegends() {
  static const std::array<const char*, 20> legends = {
      "Blank",     "EAV",        "Groen", "Kruis", "*VRe*", "*VLi*",  "100R",
      "90",        "80R",        "70",    "60R",   "50",    "*File*", "*Brug*",
      "*Ongeval*", "Slipgevaar", "Maas",  "Waal",  "*50*",  "*70*"};
  return legends;
}

const std::array<const char*, 4>& LumoParameterLegends() {
  static const std::array<const char*, 4> legends = {"Command", "Output", "Parameter", "Output"};
  return legends;
}

std::string MatrixBoxCaption(int index) { return "MB" + std::to_string(index); }
std::string MatrixButtonCaption(int index) { return "MB-" + std::to_string(index); }

const std::array<const char*, 2>& ResetCaptions() {
  static const std::array<const char*, 2> captions = {"Reset", "Reset 15"};
  return captions;
}

const std::array<const char*, 2>& ClearAllCaptions() {
  static const std::array<const char*, 2> captions = {"Clear All", "Clear All 0"};
  return captions;
}

const std::array<const char*, 3>& LampTestCaptions() {
  static const std::array<const char*, 3> captions = {"Lamp Test", "Lamp Test 0", "Lamp Test 15"};
  return captions;
}

long TypedRounded(std::string_view text) {
  // Far beyond any range a box checks; keeps the conversion to an integer defined.
  constexpr double kSaturation = 1e9;
  auto [i, negative] = ReadTypedStart(text);
  double value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kSaturation) value = value * 10 + (text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      value += (text[i] - '0') * scale;
      scale /= 10;
    }
  }
  if (value > kSaturation) value = kSaturation;
  // nearbyint under the default rounding mode rounds halves to even, as the boxes always did.
  return static_cast<long>(std::nearbyint(negative ? -value : value));
}

std::optional<int> FrameValue(Prompter& prompter, std::string_view box_name,
                              std::string_view typed) {
  const long value = TypedRounded(typed);
  if (value < 0 || value > kMaxFrameValue) {
    prompter.Message(std::string(box_name) + " takes a number from 0 to " +
                         std::to_string(kMaxFrameValue) + "; " + std::to_string(value) +
                         " cannot be carried by a frame. Nothing was sent.",
                     Icon::kWarning);
    return std::nullopt;
  }
  return static_cast<int>(value);
}

bool PyraSetAspect(Link& link, TestTabState& state, int index, std::string_view output_text) {
  if (index == 5 || index == 6) {
    for (int n = 0; n < kBulkOutputs; ++n) SendSetAspect(link, kSetAspectOnMap, n, index - 5);
    return true;
  }
  // Checked here rather than left to the link: the user must learn which box is wrong, and the
  // toggle must not move for a frame that never went out.
  const std::optional<int> n = FrameValue(link.GetPrompter(), kPyraOutputBox, output_text);
  if (!n) return false;
  if (index == 4) {
    SendSetAspect(link, kSetAspectOnMap, *n, state.ToggleAspect);
    state.ToggleAspect = 1 - state.ToggleAspect;
  } else {
    SendSetAspect(link, kSetAspectOnMap, *n, index);
  }
  return true;
}

void SetMatrix(Link& link, int index, const std::array<bool, kMatrixBoxes>& ticked) {
  for (int i = 0; i < kMatrixBoxes; ++i) {
    if (ticked[i]) SendSetAspect(link, kSetAspectOnMap, i, index);
  }
}

bool SendLumo(Link& link, const std::array<std::string, kLumoParameterBoxes>& texts) {
  // All three are checked before anything goes out: a frame with one byte out of range would
  // reach the module corrupted, and a partial refusal must not leave a half-sent message.
  std::array<int, kLumoParameterBoxes> bytes{};
  for (int i = 0; i < kLumoParameterBoxes; ++i) {
    const std::string box = "The " + std::string(LumoParameterLegends()[i]) + " box of LumoSend";
    const std::optional<int> v = FrameValue(link.GetPrompter(), box, texts[i]);
    if (!v) return false;
    bytes[i] = *v;
  }
  link.SendLumoMessage(LumoAddressByte(link.State().ModuleAddress), bytes[0], bytes[1], bytes[2]);
  return true;
}

void LumoReset(Link& link, int index) {
  const int module = index == 1 ? 15 : link.State().ModuleAddress;
  link.SendLumoMessage(LumoAddressByte(module), kLumoReset, 0, 0);
}

bool ClearAll(Link& link, int index) { return SendToAllPins(link, index, kLumoClear, 0); }

bool LampTest(Link& link, int index) {
  return SendToAllPins(link, index, kLumoLampTest, kLampTestValue);
}

std::string TestAspectHelp() {
  return "Test = Send Pyra Set Aspect\r\n"
         "Shift + Test = Send Legacy Lumo Set Aspect\r\n"
         "Control + Test = Send Pyra Set Aspect, use Address Map\r\n"
         "Shift + Control + Test = Send Legacy Lumo Set Aspect, use Address Map\r\n"
         "Alt + Test = Show this message";
}

std::string NoLumoAddressMessage(int shown_pin) {
  return "You have no Lumo-address(es) assigned to Pin " + std::to_string(shown_pin);
}

TestAspectResult TestAspect(Link& link, const Configuration& c, int modifiers, bool left_button) {
  if (!left_button) return TestAspectResult::kIgnored;
  Prompter& prompter = link.GetPrompter();
  if (modifiers & kAltKey) {
    prompter.Message(TestAspectHelp());
    return TestAspectResult::kHelpShown;
  }
  const int p = c.CurrentPin;
  const int k = c.CurrentAspect;
  const bool shift = (modifiers & kShiftKey) != 0;
  const bool ctrl = (modifiers & kCtrlKey) != 0;
  const bool flex = c.Settings.LumoFlex;
  const int module_byte = LumoAddressByte(link.State().ModuleAddress);

  if (!shift && !ctrl) {
    SendSetAspect(link, kSetAspectOnPin, p, k);
    return TestAspectResult::kSent;
  }
  if (shift && !ctrl && !flex) {
    link.SendLumoMessage(module_byte, kLumoSetAspect, p, k);
    return TestAspectResult::kSent;
  }
  // Every remaining choice addresses the pin through its first Lumo address.
  if (c.Pins[p].LumoCount == 0) {
    prompter.Message(NoLumoAddressMessage(p + c.NumberBase), Icon::kError);
    return TestAspectResult::kNoLumoAddress;
  }
  const int start = c.LumoStart[p];
  if (shift && flex) {
    // The flexible block counts Lumo addresses of 32 per older-format module address.
    const int a = c.Settings.LumoModeAddress * 4 + start;
    link.SendLumoMessage(LumoAddressByte(a / 32), kLumoSetAspectOnMap, a & 31, k);
  } else if (shift) {
    link.SendLumoMessage(module_byte, kLumoSetAspectOnMap, start, k);
  } else {
    SendSetAspect(link, kSetAspectOnMap, start, k);
  }
  return TestAspectResult::kSent;
}

}  // namespace pyra

#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "link/Link.h"
#include "model/Configuration.h"

namespace pyra {

// Command 0, "set aspect": payload 0, sub-code, target, aspect. Never answered by design, so the
// buttons send with expect-reply false and cannot tell whether the module acted.
inline constexpr int kSetAspectOnPin = 0;
inline constexpr int kSetAspectOnMap = 1;  // the target is an entry of the module's address map

// The older output modules' commands (first data byte of SendLumoMessage).
inline constexpr int kLumoSetAspect = 0;
inline constexpr int kLumoSetAspectOnMap = 1;
inline constexpr int kLumoReset = 2;
inline constexpr int kLumoClear = 8;
inline constexpr int kLumoLampTest = 10;
inline constexpr int kLampTestValue = 30;

// The address byte of the older format for a module address.
inline constexpr int LumoAddressByte(int module_address) { return module_address * 4 + 3; }

inline constexpr int kMatrixBoxes = 10;    // ChkMatrix "MB0".."MB9"
inline constexpr int kMatrixButtons = 32;  // CmdSetMatrix "MB-0".."MB-31"
inline constexpr int kLumoParameterBoxes = 3;

// ---- Captions of the "Test" tab ----

// CommandPyraSetAspect(0..6)
const std::array<const char*, 7>& PyraSetAspectCaptions();
// LblMatrix(0..19): the pictures of a matrix sign for aspects 0..19.
const std::array<const char*, 20>& MatrixLegends();
// LabelLumoParameter(0..3): 0..2 head the three TextLumoParameter boxes, 3 the Pyra output box.
const std::array<const char*, 4>& LumoParameterLegends();
std::string MatrixBoxCaption(int index);     // "MB3"
std::string MatrixButtonCaption(int index);  // "MB-3"
const std::array<const char*, 2>& ResetCaptions();
const std::array<const char*, 2>& ClearAllCaptions();
const std::array<const char*, 3>& LampTestCaptions();

// ---- Typed values ----

// The number in a box as the buttons take it: leading blanks, a sign, digits and an optional
// decimal part; reading stops at anything else, and text without a number reads 0. The value
// is rounded to the nearest integer, halves to even.
long TypedRounded(std::string_view text);

// A typed value that a frame must carry: refused with a message naming the box and the range
// when it is outside 0..127, because a frame carries 7 bits per byte and a larger value would go
// out as a corrupted frame. Returns the value, or nothing after the message.
std::optional<int> FrameValue(Prompter& prompter, std::string_view box_name,
                              std::string_view typed);

// ---- "Test" tab buttons ----

// Form-level state of the "Test" tab.
struct TestTabState {
  int ToggleAspect = 0;  // the aspect "Pyra Toggle" sends next
};

// CommandPyraSetAspect(index), index 0..6. `output_text` is TextPyraSendAspectOutput, sent as
// typed (no NumberBase correction). Returns false when the typed output was refused.
bool PyraSetAspect(Link& link, TestTabState& state, int index, std::string_view output_text);

// CmdSetMatrix(index): one frame per ticked ChkMatrix box, targets 0..9 in order.
void SetMatrix(Link& link, int index, const std::array<bool, kMatrixBoxes>& ticked);

// CommandSendLumo: the three TextLumoParameter boxes as the data bytes. Nothing is sent when a
// box is out of range. Returns false when refused.
bool SendLumo(Link& link, const std::array<std::string, kLumoParameterBoxes>& texts);

// CommandReset(index): the module's own address for index 0, address 15 for index 1.
void LumoReset(Link& link, int index);

// Command_Clr(index) and Command_LT(index): all 32 pins of the module ModuleAddress (index 0),
// 0 (index 1) or 15 (index 2). The port is tested once, before the 32 frames.
bool ClearAll(Link& link, int index);
bool LampTest(Link& link, int index);

// ---- The aspect editor's "Test" button ----

// Modifier keys held while the button was pressed, summed.
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// The help message of Alt + "Test" (lines separated by CR LF).
std::string TestAspectHelp();
// "You have no Lumo-address(es) assigned to Pin " + the shown pin number.
std::string NoLumoAddressMessage(int shown_pin);

enum class TestAspectResult {
  kSent,           // one frame handed to the link (the link reports its own failures)
  kHelpShown,      // Alt was held
  kNoLumoAddress,  // the chosen message needs a Lumo address the pin does not have
  kIgnored,        // not the left mouse button
};

// CommandPAspTestAspect_MouseDown: sets aspect CurrentAspect of CurrentPin in the format the
// modifier keys choose; uses the pin's Lumo addresses, "Lumo Flex-Addresss" and its start.
TestAspectResult TestAspect(Link& link, const Configuration& c, int modifiers,
                            bool left_button = true);

}  // namespace pyra

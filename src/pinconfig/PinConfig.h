#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/Link.h"
#include "model/Configuration.h"

namespace pyra {

// PinConfig(0): the hardware role of a pin.
inline constexpr int kConfigNone = 0;
inline constexpr int kConfigServo = 1;
inline constexpr int kConfigPwm = 2;
inline constexpr int kConfigPwmInverted = 3;
inline constexpr int kConfigInput = 4;
inline constexpr int kConfigInputLowActive = 5;

// Tabs of the pin-configuration panel.
inline constexpr int kTabClear = 0;
inline constexpr int kTabServo = 1;
inline constexpr int kTabPwm = 2;
inline constexpr int kTabInput = 3;
// The tab that shows a configuration type; -1 for a type outside 0..5.
int TabOfType(int type);

// Which copy of the block an exchange works on: the working copy carries the live position or
// level in place of P1; the stored copy is what the module starts with.
inline constexpr int kWorkingCopy = 0;  // 81 get / 65 set
inline constexpr int kStoredCopy = 1;   // 113 read / 97 write
inline constexpr int kCmdReadWorkingConfig = 81;
inline constexpr int kCmdReadStoredConfig = 113;

// ---- Numeric parameters ----

// A parameter box: the byte it edits, its shown range and the bias added when storing
// (signed servo values travel as value + 64).
struct ConfigParam {
  const char* control;  // the box's objectName
  const char* spin;     // its spin button's objectName, "" when it has none
  int byte;             // index into PinConfig
  int min;
  int max;
  int bias;
};

std::span<const ConfigParam> PinConfigParams();
// By box or spin-button objectName; nullptr when there is none of that name.
const ConfigParam* FindConfigParam(std::string_view control);

int ShownParam(const PinRecord& pin, const ConfigParam& param);

// A box's Click / LostFocus: the typed value is pulled into range (the text then shows the
// limit), shown value and byte are stored.
struct ParamEdit {
  std::string text;
  int value = 0;
};
ParamEdit CommitParamText(PinRecord& pin, const ConfigParam& param, std::string_view typed);
// The Change of the initial position / level boxes: typing is taken at once when it is already
// in range; otherwise nothing is stored until the box is confirmed. True when stored.
bool TakeTypedIfInRange(PinRecord& pin, const ConfigParam& param, std::string_view typed);
// A spin button moved: its buddy's value goes straight into the byte (clamped to the range).
void SetParamFromSpin(PinRecord& pin, const ConfigParam& param, int value);

// ---- Modes ----

// Servo P2: range index 0..4 ("Off", "S", "M", "L", "XL") + 8 + 16 x auto suspend + 32 x
// suspended. Bit 6 is "Servo Initialised", a status the module reports and the tool never sets.
inline constexpr int kServoInitialisedBit = 64;
int ServoP2(int range, bool auto_suspend, bool suspended);
struct ServoModes {
  int range = 0;
  bool auto_suspend = false;
  bool suspended = false;
  bool initialised = false;
};
ServoModes DecodeServoP2(int p2);
// Older modules report P2 without bit 3, with the flags in the high nibble: 48 becomes 43.
int NormaliseServoP2(int p2);
void SetServoModes(PinRecord& pin, int range, bool auto_suspend, bool suspended);

// PWM P2: drive mode index + 2 x acceleration mode index (0 "Logaritmic", 1 "Linear").
int PwmP2(int drive, int accel);
void SetPwmModes(PinRecord& pin, int drive, int accel);
void SetPwmInverted(PinRecord& pin, bool inverted);
void SetInputLowActive(PinRecord& pin, bool low_active);

// ---- Defaults and tabs ----

struct PinConfigDefaults {
  uint8_t live_level;
  std::array<uint8_t, 12> block;  // type, P1 .. P11
};
const PinConfigDefaults& TabDefaults(int tab);
// Type, P1..P11 and LiveLevel from the tab's defaults; P12 is left alone.
void LoadDefaults(PinRecord& pin, int tab);
// A tab was chosen: a pin not yet of the tab's kind takes the tab's defaults; a pin of that
// kind keeps its values (an inverted PWM output stays inverted).
void ChooseTab(PinRecord& pin, int tab);

// ---- The panel ----

struct ServoPanel {
  int init_pos = 0;
  int range = 0;
  bool auto_suspend = false;
  bool suspended = false;
  bool initialised = false;
  int midpoint = 0;
  int anti_mass = 0;
  int friction = 0;
  int max_spd = 0;
  int max_accel = 0;
  int bounce_down = 0;
  int bounce_down_factor = 0;
  int bounce_up = 0;
  int bounce_up_factor = 0;
  int position = 0;  // TextPosition and SliderServo
};

struct PwmPanel {
  bool inverted = false;
  int drive_mode = 0;
  int accel_mode = 0;
  int init_level = 0;
  int accel = 0;
  int off_level = 0;
  int on_level = 0;
  int level = 0;  // SliderPWM (and TextPWMLevel)
};

struct InputPanel {
  bool low_active = false;
  int off_delay = 0;  // TextInputDelay_0
  int on_delay = 0;   // TextInputDelay_1
};

inline constexpr char kHardwareMismatchWarning[] = "Warning: Hardware Configuration Mismatch";

// What ShowPinConfig puts on the panel for CurrentPin. Only the panel of `tab` is filled.
struct PinConfigView {
  int tab = kTabClear;  // -1: an unknown type, the tab stays as it is and `message` is shown
  std::string message;
  ServoPanel servo;
  PwmPanel pwm;
  InputPanel input;
  // LabelSrvHWCWarn / LabelInpHWCWarn: a servo or input pin whose group of eight has drivers.
  bool hwc_warning = false;
};
PinConfigView ShowPinConfig(const Configuration& c);

// The boxes of a tab that "Set Pin Config" / "Write Pin Config" take into the block when the user
// edited them, in that order. The step rows of the aspect editor are committed with CommitStepBox.
std::vector<std::string> CommittedControls(int tab);

// ---- Exchanges ----

// Takes the block of `pin` from the module into the configuration. False (block unchanged)
// when no valid reply came or the reply was not the pin's block ("No valid response").
bool ReadPinConfig(Link& link, Configuration& c, int index, int pin);
// Sends the block; a servo's status bit "Servo Initialised" is dropped from the block first.
// The result is that of the send.
bool WritePinConfig(Link& link, Configuration& c, int index, int pin);
// The payload WritePinConfig sends for a block (after dropping the status bit).
std::vector<int> PinConfigPayload(const PinRecord& pin, int index, int pin_number);

}  // namespace pyra

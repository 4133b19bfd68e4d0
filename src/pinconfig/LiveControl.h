#pragma once

#include <string>
#include <string_view>

#include "link/Link.h"
#include "model/Configuration.h"

namespace pyra {

// Live moves of a servo or PWM output: command 0 with a sub-code, never answered.
inline constexpr int kLivePwmLevel = 38;
inline constexpr int kLiveServoPosition = 39;
inline constexpr int kLiveGradual = 16;  // added for "Slow" / "Dynamic"

int LiveSubCode(bool servo, bool gradual);
// 0, 38 (+16), pin, level 0..31
bool SendLivePwmLevel(Link& link, int pin, int level, bool slow);
// 0, 39 (+16), pin, position + 64 for a position -64..63
bool SendLiveServoPosition(Link& link, int pin, int position, bool dynamic);

// Everything below acts on CurrentPin and keeps its LiveLevel (a PWM level as is, a servo
// position plus 64), which "Set Pin Config" sends as the working position or level.

// A slider moved, by the user or from code. Only a user move sends: the slider must have the
// focus, so showing another pin's configuration moves the sliders silently. Nothing is sent
// and nothing reported while the port is closed. Returns the text of the level box.
std::string PwmSliderMoved(Link& link, Configuration& c, int level, bool has_focus, bool slow);
std::string ServoSliderMoved(Link& link, Configuration& c, int position, bool has_focus,
                             bool dynamic);

// The "<" buttons: the typed level or position is pulled into range (the box then shows the
// limit), the slider moves to it, and it is sent when the port is open.
struct LiveEdit {
  std::string text;  // TextPWMLevel / TextPosition
  int value = 0;     // SliderPWM / SliderServo
};
LiveEdit PwmLevelButton(Link& link, Configuration& c, std::string_view typed, bool slow);
LiveEdit ServoLevelButton(Link& link, Configuration& c, std::string_view typed, bool dynamic);

// "Jump": the present value again, at once (never slow or dynamic). The port is not tested
// first, so a closed port gets the link's own message.
bool PwmJump(Link& link, const Configuration& c);
bool ServoJump(Link& link, const Configuration& c);

// The live value becomes the initial one (P1). Returns the value the initial box shows.
int TakeOverPwmLevel(Configuration& c, int slider_value);
int TakeOverServoPosition(Configuration& c, int slider_value);

}  // namespace pyra

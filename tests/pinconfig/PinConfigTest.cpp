// The pin-configuration blocks' known answers (tests/data/pins/pinconfig.txt): servo and PWM mode
// bytes, parameter boxes, tab defaults and the panel shown for a block.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "pinconfig/PinConfig.h"
#include "sim/Golden.h"

namespace pyra {
namespace {

using golden::Ints;
using golden::Join;
using Words = std::vector<std::string>;

std::string Panel(const Configuration& c) {
  const PinConfigView v = ShowPinConfig(c);
  std::vector<int> shown = {v.tab};
  const ServoPanel& s = v.servo;
  const PwmPanel& p = v.pwm;
  if (v.tab == kTabServo) {
    shown.insert(shown.end(),
                 {s.init_pos, s.range, s.auto_suspend, s.suspended, s.initialised, s.midpoint,
                  s.anti_mass, s.friction, s.max_spd, s.max_accel, s.bounce_down,
                  s.bounce_down_factor, s.bounce_up, s.bounce_up_factor, s.position});
  }
  if (v.tab == kTabPwm) {
    shown.insert(shown.end(), {p.inverted, p.drive_mode, p.accel_mode, p.init_level, p.accel,
                               p.off_level, p.on_level, p.level});
  }
  if (v.tab == kTabInput) {
    shown.insert(shown.end(), {v.input.low_active, v.input.off_delay, v.input.on_delay});
  }
  shown.push_back(v.hwc_warning);
  return Join(shown) + (v.message.empty() ? "" : " " + v.message);
}

PinRecord PinOf(const std::vector<int>& block, int live) {
  PinRecord pin;
  for (std::size_t i = 0; i < block.size(); ++i) pin.PinConfig[i] = static_cast<uint8_t>(block[i]);
  pin.LiveLevel = static_cast<uint8_t>(live);
  return pin;
}

const std::map<std::string, std::function<std::string(const Words&)>> kAnswers = {
    {"p2",
     [](const Words& w) {
       const int p2 = std::stoi(w[0]);
       const ServoModes m = DecodeServoP2(p2);
       return Join({m.range, m.auto_suspend, m.suspended, m.initialised, NormaliseServoP2(p2)});
     }},
    {"servo-p2",
     [](const Words& w) {
       return std::to_string(ServoP2(std::stoi(w[0]), w[1] == "1", w[2] == "1"));
     }},
    {"pwm-p2",
     [](const Words& w) {
       PinRecord pin;
       SetPwmModes(pin, std::stoi(w[0]), std::stoi(w[1]));
       return std::to_string(pin.PinConfig[2]);
     }},
    {"param",
     [](const Words& w) {
       PinRecord pin;
       const ConfigParam& param = *FindConfigParam(w[0]);
       const ParamEdit e = CommitParamText(pin, param, w[1]);
       EXPECT_EQ(e.value, ShownParam(pin, param));
       return e.text + " " + Join({param.byte, pin.PinConfig[param.byte], e.value});
     }},
    {"spin",
     [](const Words& w) {
       PinRecord pin;
       const ConfigParam& param = *FindConfigParam(w[0]);
       SetParamFromSpin(pin, param, std::stoi(w[1]));
       return Join({param.byte, pin.PinConfig[param.byte]});
     }},
    {"typed",
     [](const Words& w) {
       PinRecord pin;
       const bool taken = TakeTypedIfInRange(pin, *FindConfigParam(w[0]), w[1]);
       return Join({taken, pin.PinConfig[1]});
     }},
    {"tab",
     [](const Words& w) {
       PinRecord pin = PinOf(Ints(w, 1, 14), std::stoi(w[14]));
       ChooseTab(pin, std::stoi(w[0]));
       std::vector<int> after(pin.PinConfig.begin(), pin.PinConfig.end());
       after.push_back(pin.LiveLevel);
       return Join(after);
     }},
    {"show",
     [](const Words& w) {
       Configuration c = DefaultConfiguration();
       c.CurrentPin = std::stoi(w[0]);
       if (w[1] != "none") {
         auto& drivers = w[1].starts_with("sink") ? c.Settings.HwcSink : c.Settings.HwcSource;
         drivers[w[1].back() - '0'] = true;
       }
       c.Pins[c.CurrentPin] = PinOf(Ints(w, 3), std::stoi(w[2]));
       return Panel(c);
     }},
};

TEST(PinConfigTest, GivesItsKnownAnswers) {
  golden::ExpectAnswers("pins/pinconfig.txt", [](const std::string& kind, const Words& in) {
    return kAnswers.at(kind)(in);
  });
}

}  // namespace
}  // namespace pyra

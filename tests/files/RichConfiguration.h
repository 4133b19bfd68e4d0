#pragma once

#include <string>

#include "model/AddressAssignment.h"
#include "model/Configuration.h"
#include "pins/InstructionSet.h"

namespace pyra::test {

// A step as the aspect editor leaves it: bytes the instruction does not use are 0.
inline StepRecord Step(int code, int offset = 0, int par1 = 0, int par2 = 0, int par3 = 0,
                       int fade = 0) {
  StepRecord s;
  s.Opcode = static_cast<uint8_t>(code);
  s.Fade = static_cast<uint8_t>(fade);
  s.Offset = static_cast<uint8_t>(offset);
  s.Par1 = static_cast<uint8_t>(par1);
  s.Par2 = static_cast<uint8_t>(par2);
  s.Par3 = static_cast<uint8_t>(par3);
  return CleanStep(s);
}

// A configuration that uses every record of the file with values a module can hold too: settings
// away from their defaults, events, a servo, PWM and input pin, a three-pin device, both aspect
// modes, fades, byte-sending instructions above 127 and text with code-page characters.
inline Configuration RichConfiguration() {
  Configuration c = DefaultConfiguration();
  ModuleSettings& s = c.Settings;
  s.IDString = "Bahnhof Sued";
  s.DccAddress = 17;
  s.XDccAddress = 300;
  s.PacketRetention = 1;
  s.BasicPacketStateInvert = true;
  s.AllowAddress0 = false;
  s.PRNative = true;
  s.ModuleXAddress = 12;
  s.GroupMask = {true,  false, true,  false, false, true, false, false,
                 false, false, false, true,  true,  true, false, false};
  s.HwcSink = {true, false, false, true};
  s.HwcSource = {false, true, false, true};
  s.LedGreen = {1, 0, 1, 0, 0, 0, 1, 0};
  s.LedOrange = {0, 0, 0, 0, 0, 0, 0, 2};
  s.SerialEnable = true;
  s.SerialBaudIndex = 4;
  s.SerialDataBits8 = true;
  s.SerialParity = 3;
  s.SerialStop2 = false;

  c.EventControl[0].EventOn = {0, 3, -1, 11, -1};
  c.EventControl[0].EventOff = {1, -1, -1, -1, -1};
  c.EventControl[31].EventOff = {-1, 7, 8, -1, -1};

  // Pin 0: servo turnout with a frog relay on pin 1.
  PinRecord& servo = c.Pins[0];
  servo.Description = "Weiche 1 (Servo)";
  servo.DeviceName = "Servo turnout";
  servo.PinConfig = {1, 70, 2 + 8 + 16, 60, 100, 50, 90, 80, 70, 5, 60, 30, 0};
  servo.LiveLevel = 70;
  servo.AspectMode = kAspectMode12x3;
  servo.InitialAspect = 1;
  servo.Aspects[0].Description = "Straight";
  servo.Aspects[0].Steps[0] = Step(39, 0, 20, 0, 0, 1);
  servo.Aspects[0].Steps[1] = Step(8, 1);
  servo.Aspects[1].Description = "Diverging";
  servo.Aspects[1].Steps[0] = Step(39, 0, 108, 0, 0, 1);
  servo.Aspects[1].Steps[1] = Step(9, 1);
  PinRecord& frog = c.Pins[1];
  frog.Description = "Frog polarity";
  frog.DeviceLink = -1;
  frog.DccCount = 0;
  frog.XDccCount = 0;
  frog.LumoCount = 0;

  // Pin 4: PWM street light fading on, four aspects of nine steps.
  PinRecord& pwm = c.Pins[4];
  pwm.Description = "Straßenlaterne";
  pwm.PinConfig = {3, 5, 1 + 2, 12, 2, 29, 0, 0, 0, 0, 0, 0, 0};
  pwm.LiveLevel = 5;
  pwm.AspectMode = kAspectMode4x9;
  pwm.DccCount = 2;
  pwm.LumoCount = 3;
  pwm.Aspects[0].Description = "Off";
  pwm.Aspects[0].Steps[0] = Step(38, 0, 0, 0, 0, 1);
  pwm.Aspects[2].Description = "Flicker on";
  pwm.Aspects[2].Steps[0] = Step(96, 127, 31, 10, 1);
  pwm.Aspects[2].Steps[1] = Step(98, 4, 12, 63, 3);
  pwm.Aspects[2].Steps[2] = Step(102, 0, 0, 5, 2);
  pwm.Aspects[2].Steps[3] = Step(1, 0, 2, 1);
  pwm.Aspects[2].Steps[8] = Step(5, 0, 200, 130);
  pwm.Aspects[3].Steps[4] = Step(20, 0, 255, 128);  // an aspect without description

  // Pin 9: input.
  PinRecord& input = c.Pins[9];
  input.Description = "Occupancy, Gleis 3";
  input.PinConfig = {5, 0, 0, 7, 9, 0, 0, 0, 0, 0, 0, 0, 0};
  input.XDccCount = 0;

  // Pins 30, 31, 0 would wrap; keep a device at 20..22 instead.
  for (int p = 20; p <= 22; ++p) {
    PinRecord& pin = c.Pins[p];
    pin.Description = "Signal lamp " + std::to_string(p - 19);
    pin.DeviceLink = 20 - p;
    pin.AspectMode = kAspectMode12x3;
  }
  c.Pins[20].DeviceName = "Home signal";
  c.Pins[20].InitialAspect = 2;
  c.Pins[20].Aspects[0].Description = "Stop";
  c.Pins[20].Aspects[0].Steps[0] = Step(9, 0, 0, 0, 0, 1);
  c.Pins[20].Aspects[0].Steps[1] = Step(8, 1, 0, 0, 0, 1);
  c.Pins[20].Aspects[0].Steps[2] = Step(3, 2, 1, 0, 0, 1);
  c.Pins[20].Aspects[11].Description = "Dark";
  c.Pins[20].Aspects[11].Steps[0] = Step(6, 0, 30, 0, 0, 1);
  c.Pins[21].Aspects[0].Steps[0] = Step(112, 31, 0, 3, 0);

  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ComputeLumoStarts(c);
  return c;
}

}  // namespace pyra::test

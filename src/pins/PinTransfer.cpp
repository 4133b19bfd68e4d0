#include "pins/PinTransfer.h"

#include <initializer_list>
#include <string>

#include "link/Cancel.h"
#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"

namespace pyra {

namespace {

constexpr char kNoValidResponse[] = "No valid response";
constexpr char kInvalidAddressConfig[] = "Read Pin Address Configuration: Invalid Response";

constexpr int kNoInitialAspect = 15;
constexpr int kDeviceType = 2;  // address-configuration byte div 32 of a device pointer

enum class Reply { kNone, kWrong, kOk };

// One request; a reply counts when it has `size` and echoes every payload byte.
Reply Request(Link& link, std::initializer_list<int> payload, int size) {
  if (!link.SendPRMessage(true, payload) || !link.State().ReplyValid) return Reply::kNone;
  const auto& rx = link.State().RxMessage;
  if (link.ReplySize() != size) return Reply::kWrong;
  int i = 2;
  for (int b : payload) {
    if (rx[i++] != b) return Reply::kWrong;
  }
  return Reply::kOk;
}

// Every write is followed by the pacing wait that stands in for the missing acknowledgement.
bool Write(Link& link, std::initializer_list<int> payload) {
  if (!link.SendPRMessage(false, payload)) return false;
  link.PaceWrite();
  return true;
}

std::array<int, 3> AddressBytesOfReply(const Link& link) {
  const auto& rx = link.State().RxMessage;
  return {rx[4], rx[5], rx[6]};
}

std::string Shown(const Configuration& c, int pin) { return std::to_string(pin + c.NumberBase); }

void Report(Link& link, const Configuration& c, const char* verb, int pin, int aspect = -1) {
  std::string text =
      std::string(verb) + " pin " + Shown(c, pin) + " of " + std::to_string(kPinCount);
  if (aspect >= 0) text += ", aspect " + std::to_string(aspect);
  link.ReportProgress(text, pin, kPinCount);
}

bool IsDevicePointer(int b) { return b / 32 == kDeviceType; }
int HeadOf(int device_byte, int pin) { return ((device_byte & 31) + pin) % 32; }

}  // namespace

int InitialAspectByte(int initial_aspect) {
  return 112 + (initial_aspect == 0 ? kNoInitialAspect : initial_aspect - 1);
}

int DecodeInitialAspect(int byte) {
  if (byte / 16 != 7) return -1;
  const int low = byte & 15;
  return low == kNoInitialAspect ? 0 : low + 1;
}

std::array<int, 3> AddressConfigBytes(const PinRecord& pin) {
  return {8 * pin.XDccCount + pin.DccCount, 16 + pin.LumoCount, 64 + (pin.DeviceLink & 31)};
}

bool ReadAspectMode(Link& link, Configuration& c, int pin) {
  link.State().Bidirectional = true;
  const Reply reply = Request(link, {kCmdReadAspectMode, pin}, 3);
  if (reply == Reply::kNone) return false;
  if (reply == Reply::kWrong) {
    link.GetPrompter().Message(kNoValidResponse);
    return false;
  }
  c.Pins[pin].AspectMode = static_cast<uint8_t>(link.State().RxMessage[4]);
  return true;
}

bool ReadStep(Link& link, Configuration& c, int pin, int aspect, int step) {
  PinRecord& r = c.Pins[pin];
  if (aspect >= AspectCount(r.AspectMode) || step >= StepCount(r.AspectMode)) return false;
  link.State().Bidirectional = true;
  const Reply reply = Request(link, {kCmdReadStep, pin, aspect, step}, 9);
  if (reply == Reply::kNone) return false;
  if (reply == Reply::kWrong) {
    link.GetPrompter().Message(kNoValidResponse);
    return false;
  }
  const auto& rx = link.State().RxMessage;
  r.Aspects[aspect].Steps[step] = DecodeStep({rx[6], rx[7], rx[8], rx[9], rx[10]});
  return true;
}

bool ReadInitialAspect(Link& link, Configuration& c, int pin) {
  link.State().Bidirectional = true;
  const Reply reply = Request(link, {kCmdReadInitialAspect, pin}, 7);
  if (reply == Reply::kNone) return false;
  const int initial = reply == Reply::kOk ? DecodeInitialAspect(link.State().RxMessage[4]) : -1;
  c.Pins[pin].InitialAspect = static_cast<uint8_t>(initial < 0 ? 0 : initial);
  return true;
}

bool ReadAddressConfig(Link& link, Configuration& c, int pin) {
  link.State().Bidirectional = true;
  PinRecord& r = c.Pins[pin];
  const Reply reply = Request(link, {kCmdReadAddressConfig, pin}, 5);
  if (reply == Reply::kNone) return false;
  if (reply == Reply::kWrong) {
    link.GetPrompter().Message(kInvalidAddressConfig);
    return false;
  }
  for (int b : AddressBytesOfReply(link)) {
    if (b < 16) {
      r.DccCount = static_cast<uint8_t>(b & 7);
      r.XDccCount = static_cast<uint8_t>((b / 8) % 2);
    } else if (b < 32) {
      r.LumoCount = static_cast<uint8_t>(b & 7);
    } else if (IsDevicePointer(b)) {
      r.DeviceLink = HeadOf(b, pin) - pin;
    } else {
      link.GetPrompter().Message(kInvalidAddressConfig);
      return false;
    }
  }
  return true;
}

bool WriteAspectMode(Link& link, const Configuration& c, int pin) {
  return Write(link, {kCmdWriteAspectMode, pin, c.Pins[pin].AspectMode});
}

bool WriteStep(Link& link, const Configuration& c, int pin, int aspect, int step) {
  const StepWire w = EncodeStep(c.Pins[pin].Aspects[aspect].Steps[step]);
  return Write(link, {kCmdWriteStep, pin, aspect, step, w[0], w[1], w[2], w[3], w[4]});
}

bool WriteInitialAspect(Link& link, const Configuration& c, int pin) {
  return Write(link, {kCmdWriteInitialAspect, pin, InitialAspectByte(c.Pins[pin].InitialAspect)});
}

bool WriteAddressConfig(Link& link, const Configuration& c, int pin) {
  const auto address = AddressConfigBytes(c.Pins[pin]);
  return Write(link, {kCmdWriteAddressConfig, pin, address[0], address[1], address[2]});
}

bool ReadPinAspects(Link& link, Configuration& c, int pin) {
  link.State().Bidirectional = true;
  Report(link, c, "Reading", pin);
  if (!ReadAspectMode(link, c, pin)) return false;
  const int mode = c.Pins[pin].AspectMode;
  for (int a = 0; a < AspectCount(mode); ++a) {
    Report(link, c, "Reading", pin, a);
    for (int s = 0; s < StepCount(mode); ++s) {
      if (StopForCancel(link) || !ReadStep(link, c, pin, a, s)) return false;
    }
  }
  if (StopForCancel(link)) return false;
  return ReadInitialAspect(link, c, pin) && ReadAddressConfig(link, c, pin);
}

bool WriteAspect(Link& link, const Configuration& c, int pin, int aspect) {
  const PinRecord& r = c.Pins[pin];
  if (r.AspectMode != kAspectMode4x9 && r.AspectMode != kAspectMode12x3) return false;
  for (int s = 0; s < StepCount(r.AspectMode); ++s) {
    if (StopForCancel(link) || !WriteStep(link, c, pin, aspect, s)) return false;
  }
  return true;
}

bool WritePinAspects(Link& link, const Configuration& c, int pin) {
  const PinRecord& r = c.Pins[pin];
  Report(link, c, "Writing", pin);
  if (!WriteAspectMode(link, c, pin) || !WriteInitialAspect(link, c, pin) ||
      !WriteAddressConfig(link, c, pin)) {
    return false;
  }
  for (int a = 0; a < AspectCount(r.AspectMode); ++a) {
    Report(link, c, "Writing", pin, a);
    if (!WriteAspect(link, c, pin, a)) return false;
  }
  return true;
}

bool ReadWholePin(Link& link, Configuration& c, int pin) {
  if (!ReadPinAspects(link, c, pin)) return false;
  ReadPinConfig(link, c, kStoredCopy, pin);
  return true;
}

bool WriteWholePin(Link& link, Configuration& c, int pin) {
  if (!WritePinAspects(link, c, pin)) return false;
  if (WritePinConfig(link, c, kStoredCopy, pin)) link.PaceWrite();
  return true;
}

bool ReadAllPins(Link& link, Configuration& c) {
  for (int p = 0; p < kPinCount; ++p) {
    if (StopForCancel(link) || !ReadWholePin(link, c, p)) return false;
  }
  return true;
}

bool WriteAllPins(Link& link, Configuration& c) {
  for (int p = 0; p < kPinCount; ++p) {
    if (StopForCancel(link) || !WriteWholePin(link, c, p)) return false;
  }
  return true;
}

bool ReadPin(Link& link, Configuration& c) { return ReadWholePin(link, c, c.CurrentPin); }

bool WritePin(Link& link, Configuration& c) { return WriteWholePin(link, c, c.CurrentPin); }

bool ReadDevice(Link& link, Configuration& c) {
  Prompter& prompter = link.GetPrompter();
  const int current = c.CurrentPin;
  // Like every other read: without bidirectional mode no reply could come and the read would
  // end silently.
  link.State().Bidirectional = true;
  Reply reply = Request(link, {kCmdReadAddressConfig, current}, 5);
  if (reply == Reply::kNone) return false;
  if (reply == Reply::kWrong) {
    prompter.Message(kInvalidAddressConfig);
    return false;
  }
  int head = -1;
  for (int b : AddressBytesOfReply(link)) {
    if (IsDevicePointer(b)) {
      head = HeadOf(b, current);
      break;
    }
  }
  if (head < 0) {
    prompter.Message("Cannot read DevicePointer from Pin " + Shown(c, current));
    return false;
  }
  for (int q = 0; q < kPinCount; ++q) {
    if (StopForCancel(link)) return false;
    reply = Request(link, {kCmdReadAddressConfig, q}, 5);
    if (reply == Reply::kNone) return false;
    if (reply == Reply::kWrong) {
      prompter.Message(kInvalidAddressConfig);
      return false;
    }
    // The pin read overwrites the reply buffer: keep this pin's bytes.
    for (int b : AddressBytesOfReply(link)) {
      if (IsDevicePointer(b) && HeadOf(b, q) == head && !ReadWholePin(link, c, q)) return false;
    }
  }
  return true;
}

bool WriteDevice(Link& link, Configuration& c) {
  const int head = c.CurrentPin + c.Pins[c.CurrentPin].DeviceLink;
  for (int p = 0; p < kPinCount; ++p) {
    if (p + c.Pins[p].DeviceLink != head) continue;
    if (StopForCancel(link) || !WriteWholePin(link, c, p)) return false;
  }
  return true;
}

bool VerifyPins(Link& link, const Configuration& c, VerificationLog& log) {
  link.State().Bidirectional = true;
  const auto& rx = link.State().RxMessage;
  log.Append("Start Pin Verification");
  if (c.NumberBase == 1) log.Append("Note: Numbering starts at 1");
  // Every difference makes the result false, yet the comparison goes on over all pins so that
  // the log lists them all; only a missing or malformed reply ends it early.
  bool result = true;
  auto differs = [&](const std::string& line) {
    log.Append(line);
    result = false;
  };

  for (int p = 0; p < kPinCount; ++p) {
    if (StopForCancel(link, &log)) return false;
    Report(link, c, "Verifying", p);
    const PinRecord& r = c.Pins[p];
    const std::string pin_text = "Pin " + Shown(c, p) + ": ";

    // Pin configuration block
    link.SendPRMessage(true, {kCmdReadStoredConfig, p});
    if (!link.State().ReplyValid) return false;
    const int n = link.ReplySize() - 2;
    if (n < 1 || (rx[2] != kCmdReadStoredConfig && rx[2] != kCmdReadWorkingConfig) || rx[3] != p) {
      log.Append(kNoValidResponse);
      return false;
    }
    auto got = rx;
    const bool servo = got[4] == kConfigServo;
    if (servo) got[6] = NormaliseServoP2(got[6]);
    for (int i = 0; i < n && i < static_cast<int>(r.PinConfig.size()); ++i) {
      int expected = r.PinConfig[i];
      int actual = got[4 + i];
      // "Servo Initialised" is a status the module sets on its own and the tool never writes:
      // a servo that has moved must still verify clean.
      if (servo && i == 2) {
        expected &= ~kServoInitialisedBit;
        actual &= ~kServoInitialisedBit;
      }
      if (expected != actual) differs(pin_text + "Pinconfig does not compare");
    }
    // A module without off and on levels reads them as 0 and 31.
    if ((got[4] == kConfigPwm || got[4] == kConfigPwmInverted) && n < 6 &&
        !(r.PinConfig[4] == 0 && r.PinConfig[5] == 31)) {
      differs(pin_text + "Pinconfig does not compare");
    }

    // Aspect mode and steps
    Reply reply = Request(link, {kCmdReadAspectMode, p}, 3);
    if (reply == Reply::kNone) return false;
    if (reply == Reply::kWrong) {
      log.Append(kNoValidResponse);
      return false;
    }
    if (rx[4] != r.AspectMode) {
      differs(pin_text + "Aspectconfig does not compare");
    } else {
      for (int a = 0; a < AspectCount(r.AspectMode); ++a) {
        if (StopForCancel(link, &log)) return false;
        Report(link, c, "Verifying", p, a);
        for (int s = 0; s < StepCount(r.AspectMode); ++s) {
          reply = Request(link, {kCmdReadStep, p, a, s}, 9);
          if (reply == Reply::kNone) return false;
          if (reply == Reply::kWrong) {
            log.Append(kNoValidResponse);
            return false;
          }
          if (DecodeStep({rx[6], rx[7], rx[8], rx[9], rx[10]}) != r.Aspects[a].Steps[s]) {
            differs(pin_text + "Aspect " + std::to_string(a) + " does not compare");
            break;
          }
        }
      }
    }

    // Initial aspect: a module that does not report it is not compared.
    reply = Request(link, {kCmdReadInitialAspect, p}, 7);
    if (reply == Reply::kNone) return false;
    if (reply == Reply::kOk) {
      const int initial = DecodeInitialAspect(rx[4]);
      if (initial >= 0 && initial != r.InitialAspect) differs(pin_text + "Init does not compare");
    }

    // Address configuration
    reply = Request(link, {kCmdReadAddressConfig, p}, 5);
    if (reply == Reply::kNone) return false;
    if (reply == Reply::kWrong) {
      differs("Pin Address Configuration: Invalid Response, expected 5,118," + std::to_string(p) +
              ", received " + std::to_string(rx[1] & 15) + "," + std::to_string(rx[2]) + "," +
              std::to_string(rx[3]));
      continue;
    }
    for (int b : AddressBytesOfReply(link)) {
      if (b < 16) {
        if ((b & 15) != 8 * r.XDccCount + r.DccCount) {
          differs(pin_text + "DCC Address Configuration does not compare");
        }
      } else if (b < 32) {
        if ((b & 15) != r.LumoCount)
          differs(pin_text + "Serial Address Configuration does not compare");
      } else if (b >= 64 && b < 128) {
        if ((b & 31) != ((r.DeviceLink + 32) & 31)) {
          differs(pin_text + "Device Pointer does not compare");
        }
      } else {
        differs("Pin Address Configuration: Invalid Response " + std::to_string(b / 16));
      }
    }
  }
  return result;
}

bool VerifyAllPins(Link& link, const Configuration& c, VerificationLog& log) {
  log.Clear();
  const bool ok = VerifyPins(link, c, log);
  if (ok) log.AppendWithoutBreak("Verify OK");
  return ok;
}

}  // namespace pyra

#include "operations/GeneralSettings.h"

#include "link/Protocol.h"
#include "operations/EventControl.h"
#include "operations/SettingsCodec.h"

namespace pyra {

namespace {

// Result of one general-settings read request.
enum class Read { kNoReply, kRejected, kOk };

// Sends 112, sub and checks size and echo. Rejections are reported by the caller's own words.
Read Request(Link& link, int sub, int size) {
  link.SendPRMessage(true, {kCmdReadGeneral, sub});
  const LinkState& s = link.State();
  if (!s.ReplyValid) return Read::kNoReply;
  if (link.ReplySize() != size || s.RxMessage[2] != kCmdReadGeneral || s.RxMessage[3] != sub) {
    return Read::kRejected;
  }
  return Read::kOk;
}

std::string SizeMessage(int n, int expected) {
  return "No valid response, size = " + std::to_string(n) +
         " expected = " + std::to_string(expected);
}

std::string EchoMessage(const LinkState& s, int sub) {
  return "No valid response, msg = " + std::to_string(s.RxMessage[2]) + "," +
         std::to_string(s.RxMessage[3]) + " expected = 112," + std::to_string(sub);
}

// The addressing reads name what was wrong: the size first, then the echo.
Read RequestReporting(Link& link, int sub, int size) {
  Read r = Request(link, sub, size);
  if (r == Read::kRejected) {
    const LinkState& s = link.State();
    link.GetPrompter().Message(link.ReplySize() != size ? SizeMessage(link.ReplySize(), size)
                                                        : EchoMessage(s, sub));
  }
  return r;
}

int Rx(const Link& link, int i) { return link.State().RxMessage[i]; }

}  // namespace

bool ReadAddressSettings(Link& link, ModuleSettings& s) {
  link.State().Bidirectional = true;
  Read r = RequestReporting(link, 8, 4);
  if (r == Read::kNoReply) return false;
  if (r == Read::kOk) {
    const int f = Rx(link, 4);
    const int v = Rx(link, 5);
    if (f != 0) {
      s.LumoFlex = true;
      s.PRNative = false;
      s.LumoModeAddress = v;
    } else {
      s.LumoFlex = false;
      s.PRNative = (v & 64) != 0;
      s.LumoModeAddress = 0;
    }
  }
  r = RequestReporting(link, 2, 3);
  if (r == Read::kNoReply) return false;
  if (r == Read::kOk) {
    const int x = Rx(link, 4);
    s.ForceXA = x == kEnforcedXAddress;
    s.ModuleXAddress = s.ForceXA ? 0 : x;
    s.ForceXAKnown = true;
  }
  r = RequestReporting(link, 3, 6);
  if (r == Read::kNoReply) return false;
  if (r == Read::kOk) {
    ApplyGroupMaskBytes(s, {Rx(link, 4), Rx(link, 5), Rx(link, 6), Rx(link, 7)});
  }
  return true;
}

bool ReadEnforcedFlag(Link& link, ModuleSettings& s) {
  link.State().Bidirectional = true;
  if (RequestReporting(link, 2, 3) != Read::kOk) return false;
  s.ForceXA = Rx(link, 4) == kEnforcedXAddress;
  s.ForceXAKnown = true;
  return true;
}

bool WriteSettingSubCode(Link& link, const ModuleSettings& s, int sub) {
  const AddressingBytes a = AddressingAsWritten(s);
  const auto g = HardwareGroupBytes(s);
  const auto m = EnableMasks(s);
  switch (sub) {
    case 1:
      return link.SendPRMessage(false, {96, 1, g[0], g[1], g[2], g[3]});
    case 2:
      return link.SendPRMessage(false, {96, 2, a.x_address});
    case 3:
      return link.SendPRMessage(false, {96, 3, a.mask[0], a.mask[1], a.mask[2], a.mask[3]});
    case 4:
      return link.SendPRMessage(false, {96, 4, s.DccAddress % 64, s.DccAddress / 64});
    case 5:
      return link.SendPRMessage(false, {96, 5, DccOptionsByte(s)});
    case 6:
      return link.SendPRMessage(false, {96, 6, LedFunctionByte(s.LedGreen)});
    case 7:
      return link.SendPRMessage(false, {96, 7, LedFunctionByte(s.LedOrange)});
    case 8:
      return link.SendPRMessage(false, {96, 8, a.serial[0], a.serial[1]});
    case 11:
      return link.SendPRMessage(false, {96, 11, m[0], m[1]});
    case 12:
      return link.SendPRMessage(false, {96, 12, s.XDccAddress % 64, s.XDccAddress / 64});
    case 13:
      return link.SendPRMessage(false, {96, 13, s.SerialEnable ? 1 : 0, SerialPortByte(s)});
    default:
      return false;
  }
}

bool WriteAddressSettings(Link& link, const ModuleSettings& s) {
  return WriteSettingSubCode(link, s, 8) && WriteSettingSubCode(link, s, 3) &&
         WriteSettingSubCode(link, s, 2);
}

bool ReadDCCSettings(Link& link, ModuleSettings& s) {
  Prompter& prompter = link.GetPrompter();
  link.State().Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadGeneral, 5});
  if (!link.State().ReplyValid) return false;
  if (link.ReplySize() != 3) {
    prompter.Message("Received Address, cannot read DCC options");
  } else if (Rx(link, 2) != kCmdReadGeneral || Rx(link, 3) != 5) {
    prompter.Message("Received Address: No valid response");
  } else {
    ApplyDccOptionsByte(s, Rx(link, 4));
  }

  link.SendPRMessage(true, {kCmdReadGeneral, 4});
  if (!link.State().ReplyValid) return false;
  if (link.ReplySize() != 4) {
    prompter.Message("Get DCC Address: No valid response, size <> 4");
  } else if (Rx(link, 2) != kCmdReadGeneral || Rx(link, 3) != 4) {
    prompter.Message("Get DCC Address: No valid response");
  } else {
    s.DccAddress = ClampDccAddress(Rx(link, 4) + 64 * Rx(link, 5), s.AllowAddress0);
  }

  if (Request(link, 12, 4) == Read::kNoReply) return false;
  if (link.ReplySize() != 4 || Rx(link, 2) != kCmdReadGeneral || Rx(link, 3) != 12) {
    prompter.Message("No valid response");
  } else {
    s.XDccAddress = ClampXDccAddress(Rx(link, 4) + 64 * Rx(link, 5), s.AllowAddress0);
  }
  return true;
}

bool WriteDCCSettings(Link& link, const ModuleSettings& s) {
  if (!WriteSettingSubCode(link, s, 5)) return false;
  WriteSettingSubCode(link, s, 4);
  return WriteSettingSubCode(link, s, 12);
}

bool HWCRead(Link& link, ModuleSettings& s) {
  Prompter& prompter = link.GetPrompter();
  link.State().Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadGeneral, 1});
  if (!link.State().ReplyValid) return false;
  if (link.ReplySize() != 6) {
    prompter.Message("No valid response size");
    return true;
  }
  if (Rx(link, 2) != kCmdReadGeneral || Rx(link, 3) != 1) {
    prompter.Message("No valid response type");
    return true;
  }
  for (int i = 0; i < 4; ++i) {
    const int g = Rx(link, 4 + i);
    if (g > 3) {
      prompter.Message("No valid response byte");
      return false;
    }
    s.HwcSink[i] = (g & 1) != 0;
    s.HwcSource[i] = (g & 2) != 0;
  }
  return true;
}

bool WriteHWConfig(Link& link, const ModuleSettings& s) { return WriteSettingSubCode(link, s, 1); }

bool ReadLEDConfig(Link& link, ModuleSettings& s) {
  link.State().Bidirectional = true;
  for (int sub : {6, 7}) {
    Read r = Request(link, sub, 3);
    if (r == Read::kNoReply) return false;
    if (r == Read::kRejected) {
      link.GetPrompter().Message("No valid response");
      continue;
    }
    ApplyLedFunctionByte(sub == 6 ? s.LedGreen : s.LedOrange, Rx(link, 4));
  }
  return true;
}

bool WriteLEDConfig(Link& link, const ModuleSettings& s) {
  return WriteSettingSubCode(link, s, 6) && WriteSettingSubCode(link, s, 7);
}

bool ReadSerialPortConfig(Link& link, ModuleSettings& s) {
  link.State().Bidirectional = true;
  if (RequestReporting(link, 13, 4) == Read::kNoReply) return false;
  if (link.ReplySize() == 4 && Rx(link, 2) == kCmdReadGeneral && Rx(link, 3) == 13) {
    ApplySerialPortBytes(s, Rx(link, 4), Rx(link, 5));
  }
  return true;
}

bool WriteSerialPortConfig(Link& link, const ModuleSettings& s) {
  return WriteSettingSubCode(link, s, 13);
}

}  // namespace pyra

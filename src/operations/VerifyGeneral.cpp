#include "operations/VerifyGeneral.h"

#include <functional>

#include "link/Cancel.h"
#include "link/Protocol.h"
#include "model/IdString.h"
#include "operations/SettingsCodec.h"

namespace pyra {

namespace {

// How a step reacts to a reply it cannot use: end the verification, or log it and go on with
// the next setting. Either way the verification fails: that setting was never compared.
enum class OnBad { kStop, kGoOn };

// One comparison of the verification table.
struct Check {
  int sub;
  int size;
  OnBad on_no_reply;
  // Log line for a wrong size / a wrong echo, and whether the check stops there or goes on.
  std::function<std::string(int n)> size_text;
  OnBad on_bad_size;
  std::function<std::string(int r2, int r3)> echo_text;
  // Compares the reply (RxMessage) with the settings; returns the difference line or "".
  std::function<std::string(const LinkState&)> compare;
  const char* no_reply_log = nullptr;  // logged when the module stays silent
};

std::string Sized(const char* what, int n, int expected) {
  return std::string(what) + ": No valid response, size = " + std::to_string(n) +
         " expected = " + std::to_string(expected);
}

std::string Echoed(const char* what, int r2, int r3, int sub) {
  return std::string(what) + ": No valid response, msg = " + std::to_string(r2) + "," +
         std::to_string(r3) + " expected = 112," + std::to_string(sub);
}

int Word(const LinkState& s) { return s.RxMessage[4] + 64 * s.RxMessage[5]; }

std::vector<Check> Checks(const ModuleSettings& s) {
  auto fixed = [](const char* text) { return [text](int, int = 0) { return std::string(text); }; };
  // With "Enforced eXtended Address" the addressing is expected as the write sends it, so that a
  // module written that way verifies.
  const AddressingBytes written = AddressingAsWritten(s);
  std::vector<Check> checks;
  // 1. ID string: any size from 2 on is usable. Only the part the write sends can compare.
  checks.push_back({kSubIDString, -1, OnBad::kGoOn, fixed("ReadIDString: No valid response"),
                    OnBad::kStop, fixed("ReadIDString: No valid response"),
                    [&s](const LinkState& st) {
                      std::string got;
                      for (int i = 4; i <= (st.RxMessage[1] & 15) + 1; ++i) {
                        got += static_cast<char>(st.RxMessage[i]);
                      }
                      if (got == ModuleIDString(s.IDString)) return std::string();
                      return "ID does not compare: PyraConfig = <" + s.IDString + "> Pyra = <" +
                             got + ">";
                    },
                    "ReadIDString: No response"});
  checks.push_back({1, 6, OnBad::kGoOn, fixed("HWCRead: No valid response size"), OnBad::kStop,
                    fixed("HWCRead: No valid response type"),
                    [&s](const LinkState& st) {
                      const auto g = HardwareGroupBytes(s);
                      for (int i = 0; i < 4; ++i) {
                        if (g[i] != st.RxMessage[4 + i]) {
                          return std::string("Hardware configuration does not compare");
                        }
                      }
                      return std::string();
                    },
                    "HWCRead: No response"});
  checks.push_back({4, 4, OnBad::kStop, fixed("DCC Address: No valid response"), OnBad::kGoOn,
                    fixed("DCC Address: No valid response"), [&s](const LinkState& st) {
                      return Word(st) == s.DccAddress ? std::string()
                                                      : "DCC address does not compare";
                    }});
  checks.push_back(
      {12, 4, OnBad::kStop, fixed("eXtended DCC Address: No valid response"), OnBad::kGoOn,
       fixed("eXtended DCC Address: No valid response"), [&s](const LinkState& st) {
         return Word(st) == s.XDccAddress ? std::string() : "eXtended DCC address does not compare";
       }});
  checks.push_back({5, 3, OnBad::kStop, fixed("DCC Options: No valid response"), OnBad::kStop,
                    fixed("DCC Options: No valid response"), [&s](const LinkState& st) {
                      return st.RxMessage[4] == DccOptionsByte(s) ? std::string()
                                                                  : "DCC Options do not compare";
                    }});
  checks.push_back({8, 4, OnBad::kStop,
                    [](int n) { return Sized("Serial Address Settings", n, 4); }, OnBad::kStop,
                    [](int r2, int r3) { return Echoed("Serial Address Settings", r2, r3, 8); },
                    [&s, written](const LinkState& st) {
                      const int expected = s.ForceXA ? 128 * written.serial[0] + written.serial[1]
                                           : s.LumoFlex ? 128 + s.LumoModeAddress
                                           : s.PRNative ? 64
                                                        : 0;
                      return 128 * st.RxMessage[4] + st.RxMessage[5] == expected
                                 ? std::string()
                                 : "Serial Address Settings do not compare";
                    }});
  checks.push_back(
      {2, 3, OnBad::kStop, [](int n) { return Sized("eXtended Address", n, 3); }, OnBad::kStop,
       [](int r2, int r3) { return Echoed("eXtended Address", r2, r3, 2); },
       [written](const LinkState& st) {
         return st.RxMessage[4] == written.x_address ? std::string()
                                                     : "eXtended Address does not compare";
       }});
  checks.push_back({3, 6, OnBad::kStop, [](int n) { return Sized("eXtended Group Mask", n, 6); },
                    OnBad::kStop,
                    [](int r2, int r3) { return Echoed("eXtended Group Mask", r2, r3, 3); },
                    [written](const LinkState& st) {
                      for (int i = 0; i < 4; ++i) {
                        if (written.mask[i] != st.RxMessage[4 + i]) {
                          return std::string("eXtended Group Mask does not compare");
                        }
                      }
                      return std::string();
                    }});
  for (int sub : {6, 7}) {
    const bool green = sub == 6;
    checks.push_back({sub, 3, OnBad::kStop, fixed("ReadLEDConfig: No valid response"), OnBad::kStop,
                      fixed("ReadLEDConfig: No valid response"),
                      [&s, green](const LinkState& st) {
                        const int b = LedFunctionByte(green ? s.LedGreen : s.LedOrange);
                        if (b == st.RxMessage[4]) return std::string();
                        return std::string(green ? "Green" : "Orange") +
                               " LED configuration does not compare";
                      },
                      "ReadLEDConfig: No valid response"});
  }
  checks.push_back({13, 4, OnBad::kStop, [](int n) { return Sized("Serial Port Config", n, 4); },
                    OnBad::kStop,
                    [](int r2, int r3) { return Echoed("Serial Port Config", r2, r3, 13); },
                    [&s](const LinkState& st) {
                      const int expected = 128 * (s.SerialEnable ? 1 : 0) + SerialPortByte(s);
                      return 128 * st.RxMessage[4] + st.RxMessage[5] == expected
                                 ? std::string()
                                 : "Serial Port Configuration does not compare";
                    }});
  return checks;
}

}  // namespace

bool VerifyGeneralSettings(Link& link, const ModuleSettings& s, VerificationLog& log) {
  LinkState& st = link.State();
  st.Bidirectional = true;
  bool result = true;
  log.Append("Start General Settings Verification");
  const std::vector<Check> checks = Checks(s);
  int done = 0;
  for (const Check& check : checks) {
    if (StopForCancel(link, &log)) return false;
    link.ReportProgress("Verifying the general settings", done++, static_cast<int>(checks.size()));
    link.SendPRMessage(true, {kCmdReadGeneral, check.sub});
    if (!st.ReplyValid) {
      if (check.no_reply_log) log.Append(check.no_reply_log);
      if (check.on_no_reply == OnBad::kStop) return false;
      result = false;
      continue;
    }
    const int n = link.ReplySize();
    // The LED replies are refused on size or echo alike, before anything is compared.
    const bool size_bad = check.size < 0 ? n < 2 : n != check.size;
    if (size_bad) {
      log.Append(check.size_text(n));
      if (check.on_bad_size == OnBad::kStop) return false;
      result = false;
      continue;
    }
    if (st.RxMessage[2] != kCmdReadGeneral || st.RxMessage[3] != check.sub) {
      log.Append(check.echo_text(st.RxMessage[2], st.RxMessage[3]));
      return false;
    }
    std::string difference = check.compare(st);
    if (!difference.empty()) {
      log.Append(difference);
      result = false;
    }
  }
  return result;
}

}  // namespace pyra

#include "operations/Identity.h"

#include <vector>

#include "link/Protocol.h"
#include "model/IdString.h"

namespace pyra {

namespace {
constexpr char kCrLf[] = "\r\n";
}

bool ReadIDString(Link& link, ModuleSettings& settings) {
  LinkState& s = link.State();
  s.Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadGeneral, kSubIDString});
  if (!s.ReplyValid) return false;
  const int n = link.ReplySize();
  if (n >= 2 && s.RxMessage[2] == kCmdReadGeneral && s.RxMessage[3] == kSubIDString) {
    std::string id;
    for (int k = 1; k <= n - 2; ++k) id += static_cast<char>(s.RxMessage[3 + k]);
    settings.IDString = id;
    return true;
  }
  link.GetPrompter().Message("No valid response");
  return false;
}

bool WriteIDString(Link& link, ModuleSettings& settings) {
  for (char c : settings.IDString) {
    if (static_cast<unsigned char>(c) > 127) {
      link.GetPrompter().Message(
          "The ID String can only hold plain ASCII characters (letters without accents, digits "
          "and common signs)." +
          std::string(kCrLf) + "Nothing was sent.");
      return false;
    }
  }
  settings.IDString = std::string(ModuleIDString(settings.IDString));
  std::vector<int> payload = {kCmdWriteGeneral, kSubIDString};
  for (char c : settings.IDString) payload.push_back(static_cast<unsigned char>(c));
  return link.SendPRMessage(false, payload);
}

bool GetVersion(Link& link, ModuleSettings& settings) {
  LinkState& s = link.State();
  std::string version = "Unknown";
  bool ok = false;
  s.Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadGeneral, kSubVersion});
  if (s.ReplyValid) {
    if (link.ReplySize() != 6) {
      link.GetPrompter().Message("GetVersion: No valid response, size <> 6");
    } else if (s.RxMessage[2] != kCmdReadGeneral || s.RxMessage[3] != kSubVersion) {
      link.GetPrompter().Message("GetVersion: No valid response");
    } else {
      version = std::to_string(s.RxMessage[4]) + "." + std::to_string(s.RxMessage[5]) + "." +
                std::to_string(s.RxMessage[6]) + "." + std::to_string(s.RxMessage[7]);
      ok = true;
    }
  }
  settings.FirmwareVersion = version;
  return ok;
}

bool EraseFlash(Link& link) {
  Prompter& prompter = link.GetPrompter();
  const std::string warning = std::string("WARNING !!") + kCrLf +
                              "This operation will erase the Pyra Configuration Memory" + kCrLf;
  if (prompter.Ask(warning + "Continue?", Buttons::kOkCancel, Icon::kExclamation) != Answer::kOk) {
    return false;
  }
  // The question is put so that Cancel is the answer that goes on: its buttons say "Erase" and
  // "Do not erase" instead, the latter the safe default.
  if (prompter.Ask(warning + "The green LED on the Pyra will be ON during this process" + kCrLf +
                       "The erase process may take up to 45 seconds, please be patient" + kCrLf +
                       kCrLf + "Do you want to cancel this operation?",
                   Buttons::kEraseOrKeep, Icon::kExclamation) != Answer::kCancel) {
    return false;
  }
  LinkState& s = link.State();
  const bool bidirectional = s.Bidirectional;
  s.Bidirectional = false;  // the module does not answer while it erases
  std::vector<int> payload = {kCmdWriteGeneral, kSubVersion};
  payload.insert(payload.end(), kEraseGuard.begin(), kEraseGuard.end());
  const bool sent = link.SendPRMessage(false, payload);
  s.Bidirectional = bidirectional;
  return sent;
}

}  // namespace pyra

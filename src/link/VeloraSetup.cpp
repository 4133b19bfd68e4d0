#include "link/VeloraSetup.h"

#include "link/Frame.h"
#include "link/Protocol.h"

namespace pyra {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kNotSupported[] = "Your system does not support this function";

bool IsReply(const LinkState& s, int length, int first, int second) {
  return s.RxMessage[0] == length && s.RxMessage[1] == first && s.RxMessage[2] == second;
}

}  // namespace

VeloraSwitchResult EnableVeloraTunneling(Link& link) {
  LinkState& s = link.State();
  Prompter& prompter = link.GetPrompter();
  VeloraSwitchResult result;
  s.UseVelora = false;
  if (!link.PortOpen()) {
    prompter.Message("Select communications port", Icon::kWarning);
    return result;
  }
  s.VeloraToggle = 1;
  if (!link.SendVeloraMessage({})) return result;
  result.ticked = true;
  // A failed version request leaves tunnelling on, untested: the failure was already reported.
  if (link.SendVeloraMessage({1, 2})) {
    if (!IsReply(s, 4, 1, 2)) {
      result.ticked = false;
      prompter.Message(kNotSupported, Icon::kWarning);
    } else {
      const int version = VeloraVersion(s.RxMessage[3], s.RxMessage[4]);
      if (version >= kVeloraMinTunnelVersion) {
        result.tunnel_ready = true;
      } else {
        result.ticked = false;
        prompter.Message(std::string(kNotSupported) + kCrLf + "Protocol = " +
                         std::to_string(version / 1000) + "." + std::to_string(version % 1000));
      }
    }
  }
  link.SendVeloraMessage({});
  s.UseVelora = result.ticked;
  return result;
}

bool ActivateTransparentMode(Link& link) {
  LinkState& s = link.State();
  Prompter& prompter = link.GetPrompter();
  if (!link.PortOpen()) {
    prompter.Message("Select communications port", Icon::kWarning);
    return false;
  }
  if (!link.SendVeloraMessage({})) return false;
  if (!link.SendVeloraMessage({1, 2})) return false;
  if (IsReply(s, 4, 1, 2) &&
      VeloraVersion(s.RxMessage[3], s.RxMessage[4]) >= kVeloraMinTunnelVersion) {
    link.SendVeloraMessage({});
    Answer answer = prompter.Ask(std::string("Your Velora system supports Pyra Tunneling") + kCrLf +
                                     "We recommend to use the Velora Tunneling option instead" +
                                     kCrLf + "Do you still want to activate Transparant Mode?",
                                 Buttons::kYesNo);
    if (answer != Answer::kYes) return false;
  }
  if (!link.SendVeloraMessage({1, 10})) return false;
  if (!IsReply(s, 5, 1, 10)) {
    link.SendVeloraMessage({});
    prompter.Message(kNotSupported, Icon::kWarning);
    return false;
  }
  const int type = s.RxMessage[3];
  const int version = VeloraVersion(s.RxMessage[4], s.RxMessage[5]);
  std::string confirmation;
  switch (type) {
    case kInterfaceHBA:
      confirmation = "Your HB-A has been put in Transparent Mode";
      if (version < 1020) {
        link.SendVeloraMessage({});
        prompter.Message("Your HB-A does not support this function", Icon::kWarning);
        return false;
      }
      break;
    case kInterfaceHBB:
      confirmation = "Your HB-B has been put in Transparent Mode";
      break;
    case kInterfaceTavi:
      confirmation = "Your Tavi has been put in Transparent Mode";
      if (version < 1030) {
        link.SendVeloraMessage({});
        prompter.Message("Your Tavi does not support this function");
        return false;
      }
      break;
    default:
      link.SendVeloraMessage({});
      prompter.Message(kNotSupported);
      return false;
  }
  if (!link.SendVeloraMessage({1, 5, 16})) return false;
  prompter.Message(confirmation, Icon::kInformation);
  return true;
}

}  // namespace pyra

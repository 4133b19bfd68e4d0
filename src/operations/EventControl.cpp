#include "operations/EventControl.h"

#include <algorithm>

#include "link/Cancel.h"
#include "link/Protocol.h"
#include "operations/GeneralSettings.h"

namespace pyra {

namespace {

constexpr int kReadEventOn = 116;
constexpr int kReadEventOff = 117;
constexpr int kWriteEventOn = 100;
constexpr int kWriteEventOff = 101;
constexpr int kSubEnableMap = 11;

// Where the slot bytes start in a reply, and the reply size, per direction.
struct Direction {
  int read;
  int write;
  int size;
  int first_slot;
  const char* name;  // "Event-On" / "Event-Off"
};
constexpr Direction kOn{kReadEventOn, kWriteEventOn, 7, 5, "Event-On"};
constexpr Direction kOff{kReadEventOff, kWriteEventOff, 6, 4, "Event-Off"};

std::array<int, 5>& Slots(EventControlRecord& r, const Direction& d) {
  return d.read == kReadEventOn ? r.EventOn : r.EventOff;
}
const std::array<int, 5>& Slots(const EventControlRecord& r, const Direction& d) {
  return d.read == kReadEventOn ? r.EventOn : r.EventOff;
}

enum class Reply { kNoReply, kUnsupported, kOk };

Reply RequestSlots(Link& link, const Direction& d, int pin) {
  if (!link.SendPRMessage(true, {d.read, pin}) || !link.State().ReplyValid) return Reply::kNoReply;
  const auto& rx = link.State().RxMessage;
  if (link.ReplySize() != d.size || rx[2] != d.read || rx[3] != pin) return Reply::kUnsupported;
  return Reply::kOk;
}

bool WriteSlots(Link& link, const Direction& d, int pin, const std::array<int, 5>& slots) {
  return link.SendPRMessage(false, {d.write, pin, EncodeSlot(0, slots[0]), EncodeSlot(1, slots[1]),
                                    EncodeSlot(2, slots[2]), EncodeSlot(3, slots[3])});
}

}  // namespace

int EncodeSlot(int slot, int value) { return 16 * slot + (value < 0 ? 15 : value); }

int DecodeSlot(int slot, int byte) {
  if ((byte - (byte & 15)) / 16 == slot && (byte & 15) != 15) return byte & 15;
  return kNoEvent;
}

std::array<int, 2> EnableMasks(const ModuleSettings& s) {
  std::array<int, 2> m{};
  for (int i = 0; i < 4; ++i) {
    m[0] += (1 - s.InitEE[i]) << i;
    m[1] += (1 - s.InitEE[4 + i]) << i;
  }
  return m;
}

int ClampEventValue(int typed) { return std::clamp(typed, -1, 11); }

bool ReadEnableMap(Link& link, ModuleSettings& s) {
  link.State().Bidirectional = true;
  link.SendPRMessage(true, {kCmdReadGeneral, kSubEnableMap});
  if (!link.State().ReplyValid) return false;
  const auto& rx = link.State().RxMessage;
  if (link.ReplySize() != 4) {
    link.GetPrompter().Message("No valid response size");
  } else if (rx[2] != kCmdReadGeneral || rx[3] != kSubEnableMap) {
    link.GetPrompter().Message("No valid response type");
  } else {
    for (int i = 0; i < 4; ++i) {
      s.InitEE[i] = ((rx[4] >> i) & 1) == 0;
      s.InitEE[4 + i] = ((rx[5] >> i) & 1) == 0;
    }
    s.InitEEKnown = true;
  }
  return true;
}

bool WriteEnableMap(Link& link, const ModuleSettings& s) {
  return WriteSettingSubCode(link, s, kSubEnableMap);
}

bool ReadAllEvents(Link& link, Configuration& c) {
  link.State().Bidirectional = true;
  for (const Direction* d : {&kOn, &kOff}) {
    for (int p = 0; p < kPinCount; ++p) {
      if (StopForCancel(link)) return false;
      link.ReportProgress(
          std::string("Reading ") + d->name + " of pin " + std::to_string(p + c.NumberBase),
          (d == &kOff ? kPinCount : 0) + p, 2 * kPinCount);
      Reply r = RequestSlots(link, *d, p);
      if (r == Reply::kNoReply) return false;
      if (r == Reply::kUnsupported) {
        link.GetPrompter().Message(std::string("Read ") + d->name +
                                   ": Function not supported by Device");
        break;
      }
      auto& slots = Slots(c.EventControl[p], *d);
      for (int i = 0; i < 4; ++i) {
        slots[i] = DecodeSlot(i, link.State().RxMessage[d->first_slot + i]);
      }
    }
  }
  return true;
}

bool WriteAllEvents(Link& link, const Configuration& c) {
  for (const Direction* d : {&kOn, &kOff}) {
    for (int p = 0; p < kPinCount; ++p) {
      if (StopForCancel(link)) return false;
      link.ReportProgress(
          std::string("Writing ") + d->name + " of pin " + std::to_string(p + c.NumberBase),
          (d == &kOff ? kPinCount : 0) + p, 2 * kPinCount);
      if (!WriteSlots(link, *d, p, Slots(c.EventControl[p], *d))) return false;
      link.PaceWrite();
    }
  }
  return true;
}

void ReadPinEvents(Link& link, Configuration& c, int pin) {
  link.State().Bidirectional = true;
  for (const Direction* d : {&kOn, &kOff}) {
    Reply r = RequestSlots(link, *d, pin);
    if (r == Reply::kNoReply) return;
    if (r == Reply::kUnsupported) {
      link.GetPrompter().Message("Function not supported by Device");
      return;
    }
    auto& slots = Slots(c.EventControl[pin], *d);
    for (int i = 0; i < 4; ++i) slots[i] = DecodeSlot(i, link.State().RxMessage[d->first_slot + i]);
  }
}

void WritePinEvents(Link& link, const Configuration& c, int pin) {
  for (const Direction* d : {&kOn, &kOff}) {
    if (!WriteSlots(link, *d, pin, Slots(c.EventControl[pin], *d))) return;
    link.PaceWrite();
  }
}

bool ReadPinEventSlots(Link& link, Configuration& c, int pin, bool off) {
  link.State().Bidirectional = true;
  const Direction& d = off ? kOff : kOn;
  const Reply r = RequestSlots(link, d, pin);
  if (r == Reply::kNoReply) return false;
  if (r == Reply::kUnsupported) {
    link.GetPrompter().Message("Function not supported by Device");
    return false;
  }
  auto& slots = Slots(c.EventControl[pin], d);
  for (int i = 0; i < 4; ++i) slots[i] = DecodeSlot(i, link.State().RxMessage[d.first_slot + i]);
  return true;
}

bool WritePinEventSlots(Link& link, const Configuration& c, int pin, bool off) {
  const Direction& d = off ? kOff : kOn;
  if (!WriteSlots(link, d, pin, Slots(c.EventControl[pin], d))) return false;
  link.PaceWrite();
  return true;
}

void CopyEventsToAll(Configuration& c, const EventControlRecord& shown) {
  for (int p = 0; p < kPinCount; ++p) {
    for (int i = 0; i < 4; ++i) {
      c.EventControl[p].EventOn[i] = shown.EventOn[i];
      c.EventControl[p].EventOff[i] = shown.EventOff[i];
    }
  }
}

bool VerifyEvents(Link& link, const Configuration& c, VerificationLog& log) {
  link.State().Bidirectional = true;
  log.Append("Start EC Verification");
  if (c.NumberBase == 1) log.Append("Note: Numbering starts at 1");
  bool result = true;
  for (const Direction* d : {&kOn, &kOff}) {
    for (int p = 0; p < kPinCount; ++p) {
      if (StopForCancel(link, &log)) return false;
      link.ReportProgress(
          std::string("Verifying ") + d->name + " of pin " + std::to_string(p + c.NumberBase),
          (d == &kOff ? kPinCount : 0) + p, 2 * kPinCount);
      Reply r = RequestSlots(link, *d, p);
      if (r == Reply::kNoReply) return false;
      if (r == Reply::kUnsupported) {
        log.Append(std::string("Read ") + d->name + ": Function not supported by Device");
        result = false;
        break;
      }
      const auto& configured = Slots(c.EventControl[p], *d);
      for (int i = 0; i < 4; ++i) {
        const int got = DecodeSlot(i, link.State().RxMessage[d->first_slot + i]);
        if (got != configured[i]) {
          log.Append(std::string(d->name) + "(" + std::to_string(i) + ") for pin " +
                     std::to_string(p + c.NumberBase) + " does not compare: " +
                     "Configured Action = " + std::to_string(configured[i]) + ", " +
                     "Pyra Reply = " + std::to_string(got));
          result = false;
        }
      }
    }
  }
  link.SendPRMessage(true, {kCmdReadGeneral, kSubEnableMap});
  // An unanswered request leaves the map uncompared, so it cannot pass.
  if (!link.State().ReplyValid) {
    log.Append("ECInit: No response");
    return false;
  }
  const auto& rx = link.State().RxMessage;
  if (link.ReplySize() != 4) {
    log.Append("ECInit: No valid response size");
    return false;
  }
  if (rx[2] != kCmdReadGeneral || rx[3] != kSubEnableMap) {
    log.Append("ECInit: No valid response type");
    return false;
  }
  const auto m = EnableMasks(c.Settings);
  if (m[0] != rx[4]) {
    log.Append("ECInit: ON-mask does not compare");
    result = false;
  }
  if (m[1] != rx[5]) {
    log.Append("ECInit: OFF-mask does not compare");
    result = false;
  }
  return result;
}

}  // namespace pyra

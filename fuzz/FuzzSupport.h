#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "link/ByteChannel.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/Prompter.h"
#include "model/Configuration.h"
#include "pins/InstructionSet.h"

namespace pyra::fuzz {

// A property the fuzzer found broken: printed, then abort() so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "PROPERTY VIOLATED: %s\n", what.c_str());
  std::abort();
}

inline void Require(bool holds, const std::string& what) {
  if (!holds) Fail(what);
}

// Messages are only counted; every question is answered with the first button.
class QuietPrompter final : public Prompter {
 public:
  void Message(const std::string&, Icon) override { ++messages; }
  Answer Ask(const std::string&, Buttons buttons, Icon) override {
    return buttons == Buttons::kYesNo ? Answer::kYes : Answer::kOk;
  }
  int messages = 0;
};

// A line whose bytes arrive on a time line of their own, whatever the tool writes: a byte may
// come before the frame it seems to answer (stale), during the wait, or after the deadline. Every
// byte the tool reads is recorded together with how many bytes the tool had written by then.
class TimedChannel final : public ByteChannel {
 public:
  explicit TimedChannel(ManualClock& clock) : clock_(clock) {}

  void Add(uint8_t byte, Clock::Duration gap) {
    last_arrival_ += gap;
    pending_.push_back({byte, last_arrival_});
  }
  // The line fails once the tool waits with nothing left to come.
  void FailWhenDrained() { fail_when_drained_ = true; }
  bool Drained() const { return pending_.empty(); }

  bool IsOpen() const override { return open_; }
  void Write(uint8_t) override { ++written_; }
  std::size_t Available() override {
    std::size_t n = 0;
    for (const Pending& p : pending_) {
      if (p.arrival > clock_.Now()) break;
      ++n;
    }
    return n;
  }
  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override {
    if (!open_) return std::nullopt;
    if (pending_.empty() && fail_when_drained_) {
      open_ = false;
      return std::nullopt;
    }
    if (pending_.empty() || pending_.front().arrival > deadline) {
      clock_.SleepUntil(deadline);
      return std::nullopt;
    }
    clock_.SleepUntil(pending_.front().arrival);
    const uint8_t b = pending_.front().byte;
    pending_.pop_front();
    read_.push_back({b, written_});
    return b;
  }
  std::string Failure() const override { return open_ ? std::string() : "line failed"; }

  std::size_t WrittenCount() const { return written_; }
  std::size_t ReadCount() const { return read_.size(); }
  // The bytes read from position `from` on that were read after `written` bytes had gone out.
  std::vector<uint8_t> ReadSince(std::size_t from, std::size_t written) const {
    std::vector<uint8_t> out;
    for (std::size_t i = from; i < read_.size(); ++i) {
      if (read_[i].written_before >= written) out.push_back(read_[i].byte);
    }
    return out;
  }

 private:
  struct Pending {
    uint8_t byte;
    Clock::TimePoint arrival;
  };
  struct Read {
    uint8_t byte;
    std::size_t written_before;
  };
  ManualClock& clock_;
  std::deque<Pending> pending_;
  std::vector<Read> read_;
  Clock::TimePoint last_arrival_{};
  std::size_t written_ = 0;
  bool open_ = true;
  bool fail_when_drained_ = false;
};

// The link inputs share one layout so that a seed is easy to write by hand: the bytes the line
// delivers at the front, and from the back the set-up (flags, address, eXtended Address), then
// one gap code per delivered byte.
struct LinkScript {
  uint8_t flags = 0;
  uint8_t address = 0;
  uint8_t extended = 0;
};

// Most bytes follow at once; some after a pause inside the time-out, some only after it.
inline Clock::Duration GapFor(uint8_t code) {
  using namespace std::chrono;
  switch (code & 7) {
    case 5:
      return milliseconds(1);
    case 6:
      return milliseconds(700);
    case 7:
      return milliseconds(2500);
    default:
      return Clock::Duration::zero();
  }
}

inline LinkScript ReadLinkScript(const uint8_t* data, std::size_t size, TimedChannel& channel) {
  FuzzedDataProvider in(data, size);
  LinkScript script;
  script.flags = in.ConsumeIntegral<uint8_t>();
  script.address = in.ConsumeIntegral<uint8_t>();
  script.extended = in.ConsumeIntegral<uint8_t>();
  while (in.remaining_bytes() > 1) {
    const uint8_t gap = in.ConsumeIntegral<uint8_t>();
    channel.Add(in.ConsumeBytes<uint8_t>(1)[0], GapFor(gap));
  }
  return script;
}

// A link on a line that delivers the script's bytes, set up as the script says: its eXtended
// Address, whether it is used, and (flag 16) a line that fails once it has delivered them all.
struct LinkRig {
  LinkRig(const uint8_t* data, std::size_t size) {
    auto owned = std::make_unique<TimedChannel>(clock);
    channel = owned.get();
    script = ReadLinkScript(data, size, *owned);
    if (script.flags & 16) owned->FailWhenDrained();
    link.Open(std::move(owned));
    link.State().ExtendedAddress = script.extended % 96;
    link.State().UseXAddress = (script.flags & 1) != 0;
  }

  ManualClock clock;
  QuietPrompter prompter;
  Link link{clock, prompter};
  TimedChannel* channel = nullptr;  // owned by the link
  LinkScript script;
};

// The frame at the end of `bytes`: from the last lead byte (bit 7 clear) on.
inline std::vector<uint8_t> LastFrame(const std::vector<uint8_t>& bytes) {
  std::size_t start = bytes.size();
  while (start > 0 && bytes[start - 1] >= 128) --start;
  if (start == 0) return {};
  return std::vector<uint8_t>(bytes.begin() + static_cast<long>(start) - 1, bytes.end());
}

inline auto SettingsFields(const ModuleSettings& s) {
  return std::tie(s.IDString, s.FirmwareVersion, s.PRNative, s.LumoFlex, s.LumoModeAddress,
                  s.ForceXA, s.ModuleXAddress, s.GroupMask, s.DccAddress, s.XDccAddress,
                  s.PacketRetention, s.BasicPacketStateInvert, s.AllowAddress0, s.HwcSink,
                  s.HwcSource, s.LedGreen, s.LedOrange, s.SerialEnable, s.SerialBaudIndex,
                  s.SerialDataBits8, s.SerialParity, s.SerialStop2, s.InitEE);
}

// Which aspects and steps take part in a comparison: all the model holds, or only those of the
// pin's aspect mode in `a`. Steps outside the mode are kept in the model but neither shown,
// sent nor saved.
enum class Aspects { kAll, kOfTheMode };

// The first field in which two configurations differ, or "" when they are the same.
inline std::string Difference(const Configuration& a, const Configuration& b,
                              Aspects aspects = Aspects::kAll) {
  if (SettingsFields(a.Settings) != SettingsFields(b.Settings)) return "settings";
  for (std::size_t p = 0; p < a.Pins.size(); ++p) {
    const PinRecord& x = a.Pins[p];
    const PinRecord& y = b.Pins[p];
    const std::string pin = "pin " + std::to_string(p) + " ";
    if (x.Description != y.Description) return pin + "description";
    if (x.DeviceName != y.DeviceName) return pin + "device name";
    if (x.DeviceLink != y.DeviceLink) return pin + "device link";
    if (x.PinConfig != y.PinConfig) return pin + "configuration bytes";
    if (x.LiveLevel != y.LiveLevel) return pin + "live level";
    if (x.InitialAspect != y.InitialAspect) return pin + "initial aspect";
    if (x.DccCount != y.DccCount || x.XDccCount != y.XDccCount || x.LumoCount != y.LumoCount) {
      return pin + "address counts";
    }
    if (x.AspectMode != y.AspectMode) return pin + "aspect mode";
    const bool all = aspects == Aspects::kAll;
    const std::size_t aspect_count =
        all ? x.Aspects.size() : static_cast<std::size_t>(AspectCount(x.AspectMode));
    const std::size_t step_count =
        all ? x.Aspects[0].Steps.size() : static_cast<std::size_t>(StepCount(x.AspectMode));
    for (std::size_t k = 0; k < aspect_count; ++k) {
      if (x.Aspects[k].Description != y.Aspects[k].Description) {
        return pin + "aspect " + std::to_string(k) + " description";
      }
      for (std::size_t s = 0; s < step_count; ++s) {
        if (!(x.Aspects[k].Steps[s] == y.Aspects[k].Steps[s])) {
          return pin + "aspect " + std::to_string(k) + " step " + std::to_string(s);
        }
      }
    }
    if (!(a.EventControl[p] == b.EventControl[p])) return pin + "events";
  }
  if (a.DccStart != b.DccStart || a.XDccStart != b.XDccStart || a.LumoStart != b.LumoStart ||
      a.DccTotal != b.DccTotal || a.XDccTotal != b.XDccTotal || a.DccBase != b.DccBase ||
      a.XDccBase != b.XDccBase) {
    return "address sums";
  }
  if (std::tie(a.CurrentPin, a.CurrentAspect, a.CurrentStep, a.ECPin, a.NumberBase) !=
      std::tie(b.CurrentPin, b.CurrentAspect, b.CurrentStep, b.ECPin, b.NumberBase)) {
    return "editor positions";
  }
  return "";
}

}  // namespace pyra::fuzz

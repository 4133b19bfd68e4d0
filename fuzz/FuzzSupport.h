#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "files/Cp1252.h"
#include "link/ByteChannel.h"
#include "link/Clock.h"
#include "link/Link.h"
#include "link/Prompter.h"
#include "model/Configuration.h"

namespace pyra::fuzz {

// A broken property is printed, then abort() so that libFuzzer keeps the input.
inline void Require(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "PROPERTY VIOLATED: %s\n", what.c_str());
  std::abort();
}

// Files travel through the code page on disk; this is the text a load from disk reads.
inline std::string OnDisk(const std::string& utf8) { return Cp1252ToUtf8(Utf8ToCp1252(utf8)); }

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
    pending_.emplace_back(byte, last_arrival_);
  }
  // The line fails once the tool waits with nothing left to come.
  bool fail_when_drained = false;

  bool IsOpen() const override { return open_; }
  void Write(uint8_t) override { ++written_; }
  std::size_t Available() override {
    std::size_t n = 0;
    while (n < pending_.size() && pending_[n].second <= clock_.Now()) ++n;
    return n;
  }
  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override {
    if (!open_) return std::nullopt;
    if (pending_.empty() && fail_when_drained) {
      open_ = false;
      return std::nullopt;
    }
    if (pending_.empty() || pending_.front().second > deadline) {
      clock_.SleepUntil(deadline);
      return std::nullopt;
    }
    const auto [b, arrival] = pending_.front();
    clock_.SleepUntil(arrival);
    pending_.pop_front();
    read_.emplace_back(b, written_);
    return b;
  }
  std::string Failure() const override { return open_ ? std::string() : "line failed"; }

  std::size_t WrittenCount() const { return written_; }
  std::size_t ReadCount() const { return read_.size(); }
  // The bytes read from position `from` on that were read after `written` bytes had gone out.
  std::vector<uint8_t> ReadSince(std::size_t from, std::size_t written) const {
    std::vector<uint8_t> out;
    for (std::size_t i = from; i < read_.size(); ++i) {
      if (read_[i].second >= written) out.push_back(read_[i].first);
    }
    return out;
  }

 private:
  ManualClock& clock_;
  std::deque<std::pair<uint8_t, Clock::TimePoint>> pending_;  // each byte with its arrival
  std::vector<std::pair<uint8_t, std::size_t>> read_;  // each byte with the bytes written before
  Clock::TimePoint last_arrival_{};
  std::size_t written_ = 0;
  bool open_ = true;
};

// A link on a line that delivers the input's bytes. The link inputs share one layout so that a
// seed is easy to write by hand: the delivered bytes at the front; read from the end, flags,
// module address, eXtended Address and one gap code per delivered byte. Flag 1 uses the
// eXtended Address, flag 16 fails the line once it has delivered all, the top three bits are
// one less than the number of exchanges; the harnesses give the other bits their meaning.
struct LinkRig {
  LinkRig(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    flags = in.ConsumeIntegral<uint8_t>();
    address = in.ConsumeIntegral<uint8_t>();
    extended = in.ConsumeIntegral<uint8_t>();
    auto owned = std::make_unique<TimedChannel>(clock);
    channel = owned.get();
    // Most bytes follow at once; some after a pause inside the time-out, some only after it.
    constexpr int kGapMs[8] = {0, 0, 0, 0, 0, 1, 700, 2500};
    while (in.remaining_bytes() > 1) {
      const int gap = kGapMs[in.ConsumeIntegral<uint8_t>() & 7];
      channel->Add(in.ConsumeBytes<uint8_t>(1)[0], std::chrono::milliseconds(gap));
    }
    channel->fail_when_drained = (flags & 16) != 0;
    link.Open(std::move(owned));
    link.State().ExtendedAddress = extended % 96;
    link.State().UseXAddress = (flags & 1) != 0;
  }
  int Exchanges() const { return 1 + (flags >> 5); }

  ManualClock clock;
  QuietPrompter prompter;
  Link link{clock, prompter};
  TimedChannel* channel = nullptr;  // owned by the link
  uint8_t flags = 0;
  uint8_t address = 0;
  uint8_t extended = 0;
};

// The `length` bytes of `read` from `start` on when they form a whole frame (the lead byte, then
// only bytes with bit 7 set); empty otherwise.
inline std::vector<uint8_t> WholeFrame(const std::vector<uint8_t>& read, std::size_t start,
                                       std::size_t length) {
  if (start + length > read.size()) return {};
  for (std::size_t k = start + 1; k < start + length; ++k) {
    if (read[k] < 128) return {};
  }
  return {read.begin() + static_cast<long>(start),
          read.begin() + static_cast<long>(start + length)};
}

// Where two configurations differ first, for the report; "" when they are the same.
inline std::string Difference(const Configuration& a, const Configuration& b) {
  if (a == b) return "";
  if (a.Settings != b.Settings) return "settings";
  for (std::size_t p = 0; p < a.Pins.size(); ++p) {
    if (a.Pins[p] != b.Pins[p]) return "pin " + std::to_string(p);
    if (a.EventControl[p] != b.EventControl[p]) return "events of pin " + std::to_string(p);
  }
  return "address sums or editor positions";
}

}  // namespace pyra::fuzz

#pragma once

#include <deque>
#include <vector>

#include "link/ByteChannel.h"
#include "link/Clock.h"

namespace pyra::test {

// A channel whose replies are written by the test. Each queued reply becomes readable when the
// tool starts waiting with nothing left to read, `delay` after that moment; a reply later than
// the tool's deadline stays queued and arrives as a stale reply on the next wait.
class ScriptedChannel final : public ByteChannel {
 public:
  explicit ScriptedChannel(ManualClock& clock) : clock_(clock) {}

  void QueueReply(std::vector<uint8_t> bytes, Clock::Duration delay = {});
  // Makes the line fail (an adapter pulled) as soon as the tool next waits for a byte.
  void FailOnNextRead(std::string why) { fail_reason_ = std::move(why); }

  const std::vector<uint8_t>& Written() const { return written_; }
  // Every length hint the reader gave, oldest first.
  const std::vector<std::size_t>& Expected() const { return expected_; }
  void ClearWritten() { written_.clear(); }
  std::size_t PendingReplies() const { return replies_.size(); }

  bool IsOpen() const override { return open_; }
  void Write(uint8_t byte) override { written_.push_back(byte); }
  std::size_t Available() override;
  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override;
  void Expect(std::size_t count) override { expected_.push_back(count); }
  std::string Failure() const override { return open_ ? std::string() : fail_reason_; }

 private:
  struct Reply {
    std::vector<uint8_t> bytes;
    Clock::Duration delay;
  };
  ManualClock& clock_;
  std::deque<Reply> replies_;
  std::deque<uint8_t> rx_;
  Clock::TimePoint rx_ready_{};
  std::vector<uint8_t> written_;
  std::vector<std::size_t> expected_;
  std::string fail_reason_;
  bool open_ = true;
};

}  // namespace pyra::test

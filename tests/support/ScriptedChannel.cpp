#include "support/ScriptedChannel.h"

namespace pyra::test {

void ScriptedChannel::QueueReply(std::vector<uint8_t> bytes, Clock::Duration delay) {
  replies_.push_back({std::move(bytes), delay});
}

std::size_t ScriptedChannel::Available() { return clock_.Now() >= rx_ready_ ? rx_.size() : 0; }

std::optional<uint8_t> ScriptedChannel::ReadByte(Clock::TimePoint deadline) {
  if (!fail_reason_.empty()) open_ = false;
  if (!open_) return std::nullopt;
  if (rx_.empty() && !replies_.empty()) {
    rx_.assign(replies_.front().bytes.begin(), replies_.front().bytes.end());
    rx_ready_ = clock_.Now() + replies_.front().delay;
    replies_.pop_front();
  }
  if (rx_.empty() || rx_ready_ > deadline) {
    clock_.SleepUntil(deadline);
    return std::nullopt;
  }
  clock_.SleepUntil(rx_ready_);
  uint8_t b = rx_.front();
  rx_.pop_front();
  return b;
}

}  // namespace pyra::test

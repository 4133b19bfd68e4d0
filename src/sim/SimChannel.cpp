#include "sim/SimChannel.h"

#include <algorithm>

namespace pyra::sim {

namespace {
constexpr int kBitsPerByte = 11;  // start, 8 data, parity, stop
}

SimChannel::SimChannel(Clock& clock, SimDevice& device, int bit_rate)
    : clock_(clock),
      device_(device),
      byte_time_(std::chrono::duration_cast<Clock::Duration>(
          std::chrono::duration<double>(static_cast<double>(kBitsPerByte) / bit_rate))) {}

void SimChannel::Write(uint8_t byte) {
  if (!open_) return;
  std::optional<Emission> emission = device_.Receive(byte);
  if (!emission) return;
  const Clock::TimePoint start = clock_.Now() + emission->delay;
  Clock::Duration offset{};
  for (uint8_t b : emission->bytes) {
    offset += byte_time_;
    Clock::TimePoint ready = start + offset;
    // One transmitter: a byte cannot overtake the one still queued before it.
    if (!rx_.empty()) ready = std::max(ready, rx_.back().ready + byte_time_);
    rx_.push_back({b, ready});
  }
}

std::size_t SimChannel::Available() {
  if (!open_) return 0;
  const Clock::TimePoint now = clock_.Now();
  std::size_t n = 0;
  while (n < rx_.size() && rx_[n].ready <= now) ++n;
  return n;
}

std::optional<uint8_t> SimChannel::ReadByte(Clock::TimePoint deadline) {
  if (!open_) return std::nullopt;
  if (rx_.empty() || rx_.front().ready > deadline) {
    clock_.SleepUntil(deadline);
    return std::nullopt;
  }
  const Timed next = rx_.front();
  rx_.pop_front();
  clock_.SleepUntil(next.ready);
  return next.byte;
}

SimModule& Simulator::AddModule(int address, int extended_address) {
  return bus_.Add({.address = address, .extended_address = extended_address});
}

bool Simulator::RemoveModule(int address, int extended_address) {
  return bus_.Modules().size() > 1 && bus_.Remove(address, extended_address);
}

SimDevice& Simulator::Line() {
  return velora_in_front_ ? static_cast<SimDevice&>(velora_) : static_cast<SimDevice&>(bus_);
}

std::unique_ptr<SimChannel> Simulator::Connect(Clock& clock, int bit_rate) {
  bus_.SetClock(&clock);
  return std::make_unique<SimChannel>(clock, Line(), bit_rate);
}

}  // namespace pyra::sim

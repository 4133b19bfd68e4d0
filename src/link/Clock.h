#pragma once

#include <atomic>
#include <chrono>

namespace pyra {

// Monotonic time as the link sees it. Every wait of the protocol reads this clock and blocks
// through SleepUntil, so tests can run a 2-second timeout in no real time at all.
class Clock {
 public:
  using Duration = std::chrono::nanoseconds;
  using TimePoint = std::chrono::time_point<std::chrono::steady_clock, Duration>;

  virtual ~Clock() = default;
  virtual TimePoint Now() = 0;
  // Blocks until Now() >= t. Never spins: the real clock sleeps, the manual clock jumps.
  virtual void SleepUntil(TimePoint t) = 0;
};

class SteadyClock final : public Clock {
 public:
  TimePoint Now() override;
  void SleepUntil(TimePoint t) override;
};

// Time that only moves when somebody waits on it or advances it; safe to read from any thread.
class ManualClock final : public Clock {
 public:
  TimePoint Now() override { return TimePoint(Duration(ticks_.load())); }
  void SleepUntil(TimePoint t) override;
  void Advance(Duration d) { ticks_ += d.count(); }

 private:
  std::atomic<Duration::rep> ticks_{0};
};

}  // namespace pyra

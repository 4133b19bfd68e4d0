#include "link/Clock.h"

#include <thread>

namespace pyra {

Clock::TimePoint SteadyClock::Now() {
  return std::chrono::time_point_cast<Duration>(std::chrono::steady_clock::now());
}

void SteadyClock::SleepUntil(TimePoint t) { std::this_thread::sleep_until(t); }

void ManualClock::SleepUntil(TimePoint t) {
  auto target = t.time_since_epoch().count();
  auto current = ticks_.load();
  while (current < target && !ticks_.compare_exchange_weak(current, target)) {
  }
}

}  // namespace pyra

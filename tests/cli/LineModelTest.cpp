#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "cli/PtyServer.h"
#include "link/Frame.h"

namespace pyra::cli {
namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;
using TimePoint = Clock::TimePoint;

TimePoint At(Clock::Duration d) { return TimePoint(d); }

struct ByteTimeCase {
  int bit_rate;
  Clock::Duration expected;
};

class LineByteTimeTest : public ::testing::TestWithParam<ByteTimeCase> {};

TEST_P(LineByteTimeTest, ElevenBitsAtTheBitRate) {
  EXPECT_EQ(LineByteTime(GetParam().bit_rate), GetParam().expected) << GetParam().bit_rate;
}

INSTANTIATE_TEST_SUITE_P(Table, LineByteTimeTest,
                         ::testing::Values(ByteTimeCase{9600, nanoseconds(1'145'833)},
                                           ByteTimeCase{19200, nanoseconds(572'916)},
                                           ByteTimeCase{38400, nanoseconds(286'458)},
                                           ByteTimeCase{0, nanoseconds(0)}));

// Answers every `every`-th byte it receives with `reply`, after `delay`, and notes the simulated
// time at which each byte reached it.
class TimedDevice final : public sim::SimDevice {
 public:
  TimedDevice(const TimePoint& now, int every, std::vector<uint8_t> reply, Clock::Duration delay)
      : now_(now), every_(every), reply_(std::move(reply)), delay_(delay) {}

  std::optional<sim::Emission> Receive(uint8_t) override {
    arrivals_.push_back(now_);
    if (arrivals_.size() % every_ != 0) return std::nullopt;
    return sim::Emission{reply_, delay_};
  }
  const std::vector<TimePoint>& Arrivals() const { return arrivals_; }

 private:
  const TimePoint& now_;
  std::size_t every_;
  std::vector<uint8_t> reply_;
  Clock::Duration delay_;
  std::vector<TimePoint> arrivals_;
};

struct Released {
  TimePoint at;
  uint8_t byte;
  bool operator==(const Released&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Released& r) {
  return os << FormatHexByte(r.byte) << "@" << r.at.time_since_epoch().count() << "ns";
}

// Runs the line the way the server does, waking exactly when something is due, until nothing is
// under way or `until` is reached; returns every byte handed to the tool with its moment.
std::vector<Released> RunUntilIdle(LineModel& line, TimePoint& now, TimePoint until) {
  std::vector<Released> released;
  while (std::optional<TimePoint> next = line.NextDue()) {
    if (*next > until) break;
    now = std::max(now, *next);
    line.Advance(now);
    std::vector<uint8_t> out;
    line.TakeDue(now, out);
    for (uint8_t b : out) released.push_back({now, b});
  }
  return released;
}

constexpr Clock::Duration kByte = nanoseconds(572'916);  // 19200 bit/s

TEST(LineModelTest, RequestReachesTheDeviceByteByByteAndTheReplyLeavesAtLinePace) {
  TimePoint now{};
  const Clock::Duration latency = microseconds(3000);
  TimedDevice device(now, 3, {0x41, 0xC2}, latency);
  LineModel line(device, kByte);

  const std::vector<uint8_t> request = {0x03, 0xA1, 0xDC};
  line.FromTool(request, now);  // the tool writes the whole frame at once
  const std::vector<Released> released = RunUntilIdle(line, now, At(std::chrono::seconds(1)));

  EXPECT_EQ(device.Arrivals(), (std::vector<TimePoint>{At(kByte), At(2 * kByte), At(3 * kByte)}));
  const TimePoint reply_start = At(3 * kByte + latency);
  EXPECT_EQ(released,
            (std::vector<Released>{{reply_start + kByte, 0x41}, {reply_start + 2 * kByte, 0xC2}}));
  EXPECT_EQ(line.Counted().from_tool, 3u);
  EXPECT_EQ(line.Counted().to_tool, 2u);
}

TEST(LineModelTest, ABurstIsTakenInNoFasterThanTheLineCarriesIt) {
  TimePoint now{};
  TimedDevice device(now, 1000, {}, {});
  LineModel line(device, kByte);
  line.FromTool(std::vector<uint8_t>(100, 0x55), now);

  // Looked at every tenth of a byte time, exactly one more byte has arrived per byte time.
  for (int tenth = 0; tenth <= 1000; ++tenth) {
    now = At(kByte * tenth / 10);
    line.Advance(now);
    ASSERT_EQ(device.Arrivals().size(), static_cast<std::size_t>(tenth / 10)) << "at " << tenth;
  }
  EXPECT_EQ(line.NextDue(), std::nullopt);
}

TEST(LineModelTest, AnIdleLineStartsTheNextByteWhenItIsWritten) {
  TimePoint now{};
  TimedDevice device(now, 1000, {}, {});
  LineModel line(device, kByte);
  line.FromTool(std::vector<uint8_t>{0x01}, At(microseconds(0)));
  RunUntilIdle(line, now, At(std::chrono::seconds(1)));
  line.FromTool(std::vector<uint8_t>{0x02, 0x03}, At(microseconds(10'000)));
  RunUntilIdle(line, now, At(std::chrono::seconds(1)));

  EXPECT_EQ(device.Arrivals(), (std::vector<TimePoint>{At(kByte), At(microseconds(10'000) + kByte),
                                                       At(microseconds(10'000) + 2 * kByte)}));
}

TEST(LineModelTest, ALateWakeUpDoesNotStretchTheLine) {
  TimePoint now{};
  TimedDevice device(now, 1, {0x10, 0x11, 0x12, 0x13}, {});
  LineModel line(device, kByte);
  line.FromTool(std::vector<uint8_t>{0x00}, now);

  // The server oversleeps: the request arrived at one byte time but is only noticed at four.
  now = At(4 * kByte);
  line.Advance(now);
  std::vector<uint8_t> out;
  line.TakeDue(now, out);
  EXPECT_EQ(Hex(out), Hex(std::vector<uint8_t>{0x10, 0x11, 0x12})) << "the overdue ones at once";
  EXPECT_EQ(line.NextDue(), std::optional<TimePoint>(At(5 * kByte)));
}

TEST(LineModelTest, AnAnswerWaitsUntilTheEarlierOneHasLeft) {
  TimePoint now{};
  TimedDevice device(now, 1, {0x20, 0x21, 0x22}, {});
  LineModel line(device, kByte);
  // Two requests back to back: the second answer is ready before the first is out.
  line.FromTool(std::vector<uint8_t>{0x00, 0x01}, now);
  const std::vector<Released> released = RunUntilIdle(line, now, At(std::chrono::seconds(1)));

  std::vector<Released> expected;
  for (int i = 0; i < 6; ++i) {
    expected.push_back({At((2 + i) * kByte), static_cast<uint8_t>(0x20 + i % 3)});
  }
  EXPECT_EQ(released, expected);
}

TEST(LineModelTest, UnpacedLineHoldsBackOnlyTheDevicesDelay) {
  TimePoint now = At(microseconds(500));
  const Clock::Duration delay = microseconds(2000);
  TimedDevice device(now, 2, {0x30, 0x31}, delay);
  LineModel line(device, Clock::Duration::zero());
  line.FromTool(std::vector<uint8_t>{0x00, 0x01}, now);
  const std::vector<Released> released = RunUntilIdle(line, now, At(std::chrono::seconds(1)));

  EXPECT_EQ(device.Arrivals(),
            (std::vector<TimePoint>{At(microseconds(500)), At(microseconds(500))}));
  EXPECT_EQ(released, (std::vector<Released>{{At(microseconds(2500)), 0x30},
                                             {At(microseconds(2500)), 0x31}}));
}

TEST(LineModelTest, TrafficCountsOnlyWhatWasHandedOver) {
  TimePoint now{};
  TimedDevice device(now, 1, {0x40, 0x41}, {});
  LineModel line(device, kByte);
  line.FromTool(std::vector<uint8_t>{0x00}, now);
  RunUntilIdle(line, now, At(2 * kByte));  // the reply's second byte is still on the line

  EXPECT_EQ(line.Counted().from_tool, 1u);
  EXPECT_EQ(line.Counted().to_tool, 1u);
  EXPECT_EQ(TrafficLine(line.Counted()), "traffic: 1 in, 1 out");
}

}  // namespace
}  // namespace pyra::cli

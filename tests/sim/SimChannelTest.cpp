#include <gtest/gtest.h>

#include <chrono>
#include <deque>

#include "sim/SimChannel.h"

namespace pyra::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Answers each byte 0x01 with the next emission the test queued.
class EchoDevice final : public SimDevice {
 public:
  std::optional<Emission> Receive(uint8_t byte) override {
    received.push_back(byte);
    if (byte != 0x01 || emissions.empty()) return std::nullopt;
    Emission e = emissions.front();
    emissions.pop_front();
    return e;
  }
  std::vector<uint8_t> received;
  std::deque<Emission> emissions;
};

class SimChannelTest : public ::testing::Test {
 protected:
  // Writes the byte the device answers with `bytes` after `delay`.
  void Trigger(std::vector<uint8_t> bytes, Clock::Duration delay) {
    device_.emissions.push_back({std::move(bytes), delay});
    channel_.Write(0x01);
  }
  static Clock::TimePoint At(Clock::Duration d) { return Clock::TimePoint(d); }

  ManualClock clock_;
  EchoDevice device_;
  // 9600 bit/s: 11 bits per byte take 1145833 ns.
  SimChannel channel_{clock_, device_, 9600};
  const Clock::Duration byte_ = std::chrono::nanoseconds(1145833);
};

TEST_F(SimChannelTest, ByteTimeIsElevenBitsAtTheBitRate) {
  EXPECT_EQ(channel_.ByteTime(), byte_);
  EXPECT_EQ(SimChannel(clock_, device_, 38400).ByteTime(), std::chrono::nanoseconds(286458));
}

TEST_F(SimChannelTest, AnswerBytesArriveOneByteTimeApartAfterTheDelay) {
  Trigger({0xA1, 0xA2}, milliseconds(10));
  EXPECT_EQ(channel_.Available(), 0u);
  clock_.Advance(milliseconds(10) + byte_);
  EXPECT_EQ(channel_.Available(), 1u);
  clock_.Advance(byte_);
  EXPECT_EQ(channel_.Available(), 2u);
  EXPECT_EQ(channel_.ReadByte(clock_.Now()), 0xA1);
  EXPECT_EQ(channel_.ReadByte(clock_.Now()), 0xA2);
  EXPECT_EQ(channel_.Available(), 0u);
}

TEST_F(SimChannelTest, ReadSleepsUntilItsByteOrTheDeadlineAndNotLonger) {
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(2))), std::nullopt) << "empty line";
  EXPECT_EQ(clock_.Now(), At(milliseconds(2)));

  Trigger({0xA1}, milliseconds(10));
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(5))), std::nullopt);
  EXPECT_EQ(clock_.Now(), At(milliseconds(5)));
  EXPECT_EQ(channel_.ReadByte(At(seconds(2))), 0xA1) << "the late byte is kept";
  EXPECT_EQ(clock_.Now(), At(milliseconds(12) + byte_));
}

TEST_F(SimChannelTest, AQuickAnswerQueuesBehindASlowOne) {
  Trigger({0xA1}, seconds(3));
  Trigger({0xB1}, {});
  EXPECT_EQ(channel_.Available(), 0u);
  EXPECT_EQ(channel_.ReadByte(At(seconds(5))), 0xA1);
  EXPECT_EQ(channel_.ReadByte(At(seconds(5))), 0xB1);
  EXPECT_EQ(clock_.Now(), At(seconds(3) + 2 * byte_));
}

TEST_F(SimChannelTest, UnpluggedLineFailsEveryRead) {
  Trigger({0xA1}, {});
  channel_.Unplug();
  EXPECT_FALSE(channel_.IsOpen());
  EXPECT_EQ(channel_.Available(), 0u);
  EXPECT_EQ(channel_.ReadByte(At(seconds(2))), std::nullopt);
  EXPECT_EQ(channel_.Failure(), "the simulated line was disconnected");
  channel_.Write(0x01);
  EXPECT_EQ(device_.received, (std::vector<uint8_t>{0x01})) << "nothing reaches the device";
}

TEST(SimulatorTest, ConnectsTheModuleOrTheVeloraUnitInFront) {
  ManualClock clock;
  Simulator sim;
  auto direct = sim.Connect(clock, 19200);
  direct->Write(0x28);  // an empty Velora frame means nothing to a module
  direct->Write(0xD8);
  EXPECT_TRUE(sim.Velora().Frames().empty());

  sim.SetVeloraInFront(true);
  auto velora = sim.Connect(clock, 19200);
  velora->Write(0x28);
  velora->Write(0xD8);
  ASSERT_EQ(sim.Velora().Frames().size(), 1u);
  EXPECT_EQ(velora->ReadByte(clock.Now() + seconds(1)), 0x28);
}

}  // namespace
}  // namespace pyra::sim

#include <gtest/gtest.h>

#include <chrono>
#include <deque>

#include "sim/SimChannel.h"

namespace pyra::sim {
namespace {

using std::chrono::milliseconds;

// Answers the byte 0x01 with the emissions the test queued, one per written byte.
class EchoDevice final : public SimDevice {
 public:
  void Queue(Emission e) { emissions_.push_back(std::move(e)); }
  std::optional<Emission> Receive(uint8_t byte) override {
    received.push_back(byte);
    if (byte != 0x01 || emissions_.empty()) return std::nullopt;
    Emission e = emissions_.front();
    emissions_.pop_front();
    return e;
  }
  std::vector<uint8_t> received;

 private:
  std::deque<Emission> emissions_;
};

class SimChannelTest : public ::testing::Test {
 protected:
  ManualClock clock_;
  EchoDevice device_;
  // 9600 bit/s: 11 bits per byte take 1145833 ns.
  SimChannel channel_{clock_, device_, 9600};
  const Clock::Duration byte_ = std::chrono::nanoseconds(1145833);
  Clock::TimePoint At(Clock::Duration d) { return Clock::TimePoint(d); }
};

TEST_F(SimChannelTest, ByteTimeIsElevenBitsAtTheBitRate) {
  EXPECT_EQ(channel_.ByteTime(), byte_);
  SimChannel fast(clock_, device_, 38400);
  EXPECT_EQ(fast.ByteTime(), std::chrono::nanoseconds(286458));
}

TEST_F(SimChannelTest, WrittenBytesReachTheDevice) {
  channel_.Write(0x43);
  channel_.Write(0xE2);
  EXPECT_EQ(device_.received, (std::vector<uint8_t>{0x43, 0xE2}));
}

TEST_F(SimChannelTest, AnswerBytesArriveOneByteTimeApartAfterTheDelay) {
  device_.Queue({{0xA1, 0xA2}, milliseconds(10)});
  channel_.Write(0x01);

  EXPECT_EQ(channel_.Available(), 0u);
  clock_.Advance(milliseconds(10) + byte_);
  EXPECT_EQ(channel_.Available(), 1u);
  clock_.Advance(byte_);
  EXPECT_EQ(channel_.Available(), 2u);

  EXPECT_EQ(channel_.ReadByte(clock_.Now()), 0xA1);
  EXPECT_EQ(channel_.ReadByte(clock_.Now()), 0xA2);
  EXPECT_EQ(channel_.Available(), 0u);
}

TEST_F(SimChannelTest, ReadSleepsUntilTheByteIsThereAndNotLonger) {
  device_.Queue({{0xA1}, milliseconds(10)});
  channel_.Write(0x01);
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(2))), 0xA1);
  EXPECT_EQ(clock_.Now(), At(milliseconds(10) + byte_));
}

TEST_F(SimChannelTest, ReadGivesUpAtTheDeadlineAndKeepsTheLateByte) {
  device_.Queue({{0xA1}, milliseconds(10)});
  channel_.Write(0x01);
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(5))), std::nullopt);
  EXPECT_EQ(clock_.Now(), At(milliseconds(5)));
  EXPECT_EQ(channel_.ReadByte(At(milliseconds(20))), 0xA1);
}

TEST_F(SimChannelTest, ReadOnAnEmptyLineWaitsOutTheDeadline) {
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(2))), std::nullopt);
  EXPECT_EQ(clock_.Now(), At(std::chrono::seconds(2)));
}

TEST_F(SimChannelTest, AQuickAnswerQueuesBehindASlowOne) {
  device_.Queue({{0xA1}, std::chrono::seconds(3)});
  device_.Queue({{0xB1}, {}});
  channel_.Write(0x01);
  channel_.Write(0x01);
  EXPECT_EQ(channel_.Available(), 0u);
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(5))), 0xA1);
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(5))), 0xB1);
  EXPECT_EQ(clock_.Now(), At(std::chrono::seconds(3) + 2 * byte_));
}

TEST_F(SimChannelTest, UnpluggedLineFailsEveryRead) {
  device_.Queue({{0xA1}, {}});
  channel_.Write(0x01);
  channel_.Unplug();
  EXPECT_FALSE(channel_.IsOpen());
  EXPECT_EQ(channel_.Available(), 0u);
  EXPECT_EQ(channel_.ReadByte(At(std::chrono::seconds(2))), std::nullopt);
  EXPECT_EQ(channel_.Failure(), "the simulated line was disconnected");
  channel_.Write(0x01);
  EXPECT_EQ(device_.received.size(), 1u);
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
  EXPECT_EQ(velora->ReadByte(clock.Now() + std::chrono::seconds(1)), 0x28);
}

}  // namespace
}  // namespace pyra::sim

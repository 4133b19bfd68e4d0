#include "cli/PtyServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "QtTestApp.h"
#include "link/Frame.h"
#include "link/serial/SerialPort.h"

namespace pyra::cli {
namespace {

// A device that answers every byte with the same byte, so both directions are seen at once.
class EchoDevice final : public sim::SimDevice {
 public:
  std::optional<sim::Emission> Receive(uint8_t byte) override {
    received_.push_back(byte);
    return sim::Emission{{byte}, {}};
  }
  // Read only after the server thread has ended.
  const std::vector<uint8_t>& Received() const { return received_; }

 private:
  std::vector<uint8_t> received_;
};

// Only a guard against a hung test: every read returns as soon as its byte is there.
Clock::TimePoint Guard(SteadyClock& clock) { return clock.Now() + std::chrono::seconds(10); }

class PtyServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureQtApp();
    std::string error;
    ASSERT_TRUE(server_->Open(error)) << error;
    ASSERT_EQ(server_->SlavePath().rfind("/dev/", 0), 0u) << server_->SlavePath();
    thread_ = std::thread([this] { served_ = server_->Run(run_error_); });
  }
  void TearDown() override { StopServer(); }

  void StopServer() {
    if (!thread_.joinable()) return;
    server_->Stop();
    thread_.join();
  }

  EchoDevice device_;
  std::unique_ptr<PtyServer> server_ = std::make_unique<PtyServer>(device_);
  std::thread thread_;
  bool served_ = false;
  std::string run_error_;
  SteadyClock clock_;
};

TEST_F(PtyServerTest, EveryByteValuePassesUnchangedBothWays) {
  SerialOpenResult opened = OpenSerialPort(server_->SlavePath(), 19200);
  ASSERT_TRUE(opened.channel) << opened.error;
  ByteChannel& channel = *opened.channel;

  std::vector<uint8_t> sent;
  for (int b = 0; b <= 255; ++b) sent.push_back(static_cast<uint8_t>(b));
  for (uint8_t b : sent) channel.Write(b);

  std::vector<uint8_t> echoed;
  while (echoed.size() < sent.size()) {
    std::optional<uint8_t> b = channel.ReadByte(Guard(clock_));
    if (!b) break;
    echoed.push_back(*b);
  }
  StopServer();
  EXPECT_TRUE(served_) << run_error_;
  EXPECT_EQ(Hex(device_.Received()), Hex(sent)) << "serial port to device";
  EXPECT_EQ(Hex(echoed), Hex(sent)) << "device to serial port";
  EXPECT_TRUE(channel.IsOpen());
  EXPECT_EQ(channel.Failure(), "");
}

TEST_F(PtyServerTest, ServerOutlivesAClientThatCloses) {
  for (uint8_t b : {uint8_t{0x11}, uint8_t{0xEE}}) {
    SerialOpenResult opened = OpenSerialPort(server_->SlavePath(), 9600);
    ASSERT_TRUE(opened.channel) << opened.error;
    opened.channel->Write(b);
    EXPECT_EQ(opened.channel->ReadByte(Guard(clock_)), std::optional<uint8_t>(b));
  }
  StopServer();
  EXPECT_TRUE(served_) << run_error_;
}

TEST_F(PtyServerTest, ChannelClosesItselfWhenTheTerminalGoesAway) {
  const std::string path = server_->SlavePath();
  SerialOpenResult opened = OpenSerialPort(path, 38400);
  ASSERT_TRUE(opened.channel) << opened.error;
  StopServer();
  server_.reset();  // closes both of the server's ends, as a dying process would

  EXPECT_EQ(opened.channel->ReadByte(Guard(clock_)), std::nullopt);
  EXPECT_FALSE(opened.channel->IsOpen());
  // The link shows this to the user, so it names the port as the user gave it.
  EXPECT_NE(opened.channel->Failure().find("the port " + path + " "), std::string::npos)
      << opened.channel->Failure();
}

TEST(PacedPtyServerTest, CarriesEveryByteBothWaysAndReportsTheTraffic) {
  EnsureQtApp();
  EchoDevice device;
  PtyServer server(device, 38400);
  std::mutex mutex;
  std::vector<Traffic> reports;
  server.SetReportSink([&](const Traffic& t) {
    std::lock_guard lock(mutex);
    reports.push_back(t);
  });
  std::string error;
  ASSERT_TRUE(server.Open(error)) << error;
  bool served = false;
  std::thread thread([&] { served = server.Run(error); });

  SerialOpenResult opened = OpenSerialPort(server.SlavePath(), 38400);
  ASSERT_TRUE(opened.channel) << opened.error;
  std::vector<uint8_t> sent;
  for (int b = 0; b < 40; ++b) sent.push_back(static_cast<uint8_t>(b * 7));
  for (uint8_t b : sent) opened.channel->Write(b);
  SteadyClock clock;
  std::vector<uint8_t> echoed;
  while (echoed.size() < sent.size()) {
    std::optional<uint8_t> b = opened.channel->ReadByte(Guard(clock));
    if (!b) break;
    echoed.push_back(*b);
  }
  // The report is asked for first, so it comes before the run ends.
  server.RequestReport();
  server.Stop();
  thread.join();

  EXPECT_TRUE(served) << error;
  EXPECT_EQ(Hex(device.Received()), Hex(sent));
  EXPECT_EQ(Hex(echoed), Hex(sent));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].from_tool, sent.size());
  EXPECT_EQ(reports[0].to_tool, sent.size());
}

TEST(PtyServerStopTest, StopBeforeRunEndsTheRunAtOnce) {
  EchoDevice device;
  PtyServer server(device);
  std::string error;
  ASSERT_TRUE(server.Open(error)) << error;
  server.Stop();
  EXPECT_TRUE(server.Run(error)) << error;
}

TEST(PtyServerStopTest, RunWithoutOpenFails) {
  EchoDevice device;
  PtyServer server(device);
  std::string error;
  EXPECT_FALSE(server.Run(error));
  EXPECT_EQ(error, "The pseudo-terminal is not open");
}

}  // namespace
}  // namespace pyra::cli

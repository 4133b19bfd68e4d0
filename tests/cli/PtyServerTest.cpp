#include "cli/PtyServer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <QProcess>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "QtTestApp.h"
#include "files/TempDir.h"
#include "link/Frame.h"
#include "link/serial/SerialPort.h"
#include "sim/SimChannel.h"

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

// Passes bytes on to the module until a number of them have come, then holds the server there
// until let go: the client is then surely in the middle of an exchange.
class GateDevice final : public sim::SimDevice {
 public:
  GateDevice(sim::SimDevice& inner, int hold_at) : inner_(inner), hold_at_(hold_at) {}
  std::optional<sim::Emission> Receive(uint8_t byte) override {
    std::unique_lock lock(mutex_);
    if (++count_ == hold_at_) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    }
    return inner_.Receive(byte);
  }
  bool WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return held_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  sim::SimDevice& inner_;
  const int hold_at_;
  int count_ = 0;
  bool held_ = false;
  bool released_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct TerminalState {
  termios settings{};
  int exclusive = -1;
  int unread = -1;
};

TerminalState StateOf(const std::string& path) {
  TerminalState state;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return state;
  ::tcgetattr(fd, &state.settings);
  ::ioctl(fd, TIOCGEXCL, &state.exclusive);
  ::ioctl(fd, FIONREAD, &state.unread);
  ::close(fd);
  return state;
}

std::string Flags(const termios& t) {
  return std::to_string(t.c_iflag) + " " + std::to_string(t.c_oflag) + " " +
         std::to_string(t.c_cflag) + " " + std::to_string(t.c_lflag) + " " +
         Hex(std::vector<uint8_t>(t.c_cc, t.c_cc + NCCS));
}

// A killed client cannot restore the terminal or give up its exclusive claim; the next one must
// still find the terminal as new, or its serial library refuses to open or set it up.
TEST(PtyServerClientTest, ClientKilledMidTransferLeavesTheTerminalAsNew) {
  EnsureQtApp();
  sim::Simulator simulator;
  GateDevice gate(simulator.Module(), 40);
  PtyServer server(gate);
  std::mutex mutex;
  std::condition_variable reported;
  int reports = 0;
  server.SetReportSink([&](const Traffic&) {
    std::lock_guard lock(mutex);
    ++reports;
    reported.notify_all();
  });
  std::string error;
  ASSERT_TRUE(server.Open(error)) << error;
  std::thread serving([&] { server.Run(error); });
  const std::string path = server.SlavePath();
  const TerminalState fresh = StateOf(path);

  test::TempDir dir;
  QProcess client;
  client.start(QStringLiteral(PYRACTL_PATH),
               {"--port", QString::fromStdString(path), "read-all", "-o",
                QString::fromStdString(dir.File("backup.dat"))});
  const bool held = gate.WaitUntilHeld();
  client.kill();
  client.waitForFinished();
  gate.Release();
  // Answered after every event the server saw before it, the client's end among them.
  server.RequestReport();
  {
    std::unique_lock lock(mutex);
    reported.wait_for(lock, std::chrono::seconds(20), [&] { return reports > 0; });
  }
  const TerminalState after = StateOf(path);

  QProcess next;
  next.start(QStringLiteral(PYRACTL_PATH), {"--port", QString::fromStdString(path), "version"});
  next.waitForFinished();
  server.Stop();
  serving.join();

  ASSERT_TRUE(held) << "the client never reached the module";
  EXPECT_EQ(client.exitStatus(), QProcess::CrashExit);
  EXPECT_EQ(Flags(after.settings), Flags(fresh.settings));
  EXPECT_EQ(cfgetispeed(&after.settings), cfgetispeed(&fresh.settings));
  EXPECT_EQ(after.exclusive, 0);
  EXPECT_EQ(after.unread, 0);
  EXPECT_EQ(next.readAllStandardOutput().toStdString(), "3.2.0.17\n")
      << next.readAllStandardError().toStdString();
  EXPECT_EQ(error, "");
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

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "QtTestApp.h"
#include "link/serial/SerialPort.h"

namespace pyra::cli {
namespace {

using namespace std::chrono_literals;

// 9600 bit/s: a byte takes 1.15 ms on the line.
constexpr int kBitRate = 9600;
constexpr auto kByteTime = std::chrono::microseconds(1146);

// The other end of the line, driven by the test: what the module would see and send.
class LineEnd {
 public:
  LineEnd() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::array<char, 128> name{};
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0 &&
        ::ptsname_r(master_, name.data(), name.size()) == 0) {
      path_ = name.data();
    }
  }
  ~LineEnd() { Close(); }
  LineEnd(const LineEnd&) = delete;
  LineEnd& operator=(const LineEnd&) = delete;

  const std::string& Path() const { return path_; }
  // A pseudo-terminal's settings are its slave side's, whichever side sets them.
  termios Settings() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
  }
  void Set(const termios& t) { ::tcsetattr(master_, TCSANOW, &t); }
  void Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Everything the tool wrote within the time.
  std::vector<uint8_t> Take(std::size_t count, std::chrono::milliseconds within = 2000ms) {
    std::vector<uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + within;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      std::array<uint8_t, 64> buffer{};
      const ssize_t n = ::read(master_, buffer.data(), buffer.size());
      if (n > 0) got.insert(got.end(), buffer.begin(), buffer.begin() + n);
    }
    return got;
  }

  // Sends the bytes the way a line carries them: one after the other, a byte time apart.
  void Send(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
      std::this_thread::sleep_for(kByteTime);
      ASSERT_EQ(::write(master_, &b, 1), 1);
    }
  }
  void SendAtOnce(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int master_ = -1;
  std::string path_;
};

class SerialChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureQtApp();
    ASSERT_FALSE(line_.Path().empty());
    SerialOpenResult opened = OpenSerialPort(line_.Path(), kBitRate);
    ASSERT_TRUE(opened.channel) << opened.error;
    channel_ = std::move(opened.channel);
  }

  // Reads until the deadline; every byte that came, in order.
  std::vector<uint8_t> ReadUntil(Clock::TimePoint deadline) {
    std::vector<uint8_t> got;
    while (std::optional<uint8_t> b = channel_->ReadByte(deadline)) got.push_back(*b);
    return got;
  }

  // One exchange: the frame goes out whole, the answer comes back after the frame's time on the
  // line (as from a real module) while the tool reads with the given length hint.
  std::vector<uint8_t> Exchange(const std::vector<uint8_t>& frame,
                                const std::vector<uint8_t>& answer, std::size_t hint,
                                Clock::Duration within = 300ms) {
    channel_->WriteFrame(frame);
    std::thread module([&] {
      EXPECT_EQ(line_.Take(frame.size()), frame);
      std::this_thread::sleep_for(kByteTime * frame.size());
      line_.Send(answer);
    });
    channel_->Expect(hint);
    std::vector<uint8_t> got = ReadUntil(clock_.Now() + within);
    module.join();
    return got;
  }

  LineEnd line_;
  std::unique_ptr<ByteChannel> channel_;
  SteadyClock clock_;
};

TEST_F(SerialChannelTest, LengthHintsChangeNeitherTheBytesNorTheDeadline) {
  const std::vector<uint8_t> frame = {0x43, 0xE4, 0xF3, 0x80, 0xCE};
  const std::vector<uint8_t> short_answer = {0x43, 0xE2, 0x9B};
  const std::vector<uint8_t> long_answer = {0x43, 0xE9, 0xF3, 0x80, 0x81, 0x80,
                                            0x81, 0x80, 0x82, 0x81, 0x80, 0xDC};

  // A hint longer than the answer: every byte still comes, and the read ends at its deadline
  // rather than waiting for bytes that never come.
  const auto start = clock_.Now();
  EXPECT_EQ(Exchange(frame, short_answer, 12), short_answer);
  EXPECT_LT(clock_.Now() - start, 2s) << "waited far past the deadline";

  // The line has now shown that it keeps to its bit rate. Too short a hint, no hint at all and
  // the right one all give the whole answer, in order.
  EXPECT_EQ(Exchange(frame, long_answer, 3), long_answer);
  EXPECT_EQ(Exchange(frame, long_answer, 0), long_answer);
  EXPECT_EQ(Exchange(frame, long_answer, long_answer.size()), long_answer);
  EXPECT_TRUE(channel_->IsOpen());
}

TEST_F(SerialChannelTest, AnswerFasterThanTheLineIsTakenAsItComes) {
  // The unpaced simulator answers before the frame could have crossed a real line.
  const std::vector<uint8_t> frame(10, 0x80);
  const std::vector<uint8_t> answer = {0x03, 0xE4, 0xF0, 0x80, 0x83, 0x82, 0x80, 0x91, 0xD1};
  for (int round = 0; round < 3; ++round) {
    channel_->WriteFrame(frame);
    EXPECT_EQ(line_.Take(frame.size()), frame);
    line_.SendAtOnce(answer);
    channel_->Expect(answer.size());
    std::vector<uint8_t> got;
    for (std::size_t i = 0; i < answer.size(); ++i) {
      std::optional<uint8_t> b = channel_->ReadByte(clock_.Now() + 2s);
      if (!b) break;
      got.push_back(*b);
    }
    EXPECT_EQ(got, answer) << "round " << round;
  }
}

TEST_F(SerialChannelTest, LineLostWhileWaitingForTheRestOfAFrame) {
  channel_->WriteFrame(std::vector<uint8_t>{0x43, 0xE2, 0xF0, 0x80, 0xEB});
  EXPECT_EQ(line_.Take(5).size(), 5u);
  std::this_thread::sleep_for(kByteTime * 7);
  line_.Send({0x43, 0xE9});
  channel_->Expect(12);
  EXPECT_EQ(channel_->ReadByte(clock_.Now() + 2s), std::optional<uint8_t>(0x43));
  EXPECT_EQ(channel_->ReadByte(clock_.Now() + 2s), std::optional<uint8_t>(0xE9));
  line_.Close();
  const auto start = clock_.Now();
  EXPECT_EQ(channel_->ReadByte(start + 10s), std::nullopt);
  EXPECT_LT(clock_.Now() - start, 5s) << "a lost line must end the wait, not its time-out";
  EXPECT_FALSE(channel_->IsOpen());
  EXPECT_NE(channel_->Failure().find("stopped working"), std::string::npos) << channel_->Failure();
}

TEST_F(SerialChannelTest, BytesQtTookBetweenOperationsComeFirst) {
  // In the window the port lives on the link thread, whose event loop runs between operations
  // and lets Qt read what arrives into its own buffer.
  line_.SendAtOnce({0x01, 0x02, 0x03});
  std::this_thread::sleep_for(20ms);
  QCoreApplication::processEvents();
  line_.SendAtOnce({0x04, 0x05});
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(channel_->Available(), 5u);
  EXPECT_EQ(ReadUntil(clock_.Now() + 100ms), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

// States another program may leave a port in. The first is what a run of this tool leaves when
// it is killed: every setting already as wanted except the parity a pseudo-terminal drops.
struct LeftState {
  const char* name;
  tcflag_t iflag, oflag, cflag, lflag;
  cc_t vmin, vtime;
};

class SerialPortLeftStateTest : public ::testing::TestWithParam<LeftState> {};

TEST_P(SerialPortLeftStateTest, OpensRawAndCarriesEveryByteUnchanged) {
  EnsureQtApp();
  const LeftState& left = GetParam();
  LineEnd line;
  termios t = line.Settings();
  t.c_iflag = left.iflag;
  t.c_oflag = left.oflag;
  t.c_cflag = left.cflag;
  t.c_lflag = left.lflag;
  t.c_cc[VMIN] = left.vmin;
  t.c_cc[VTIME] = left.vtime;
  ::cfsetspeed(&t, B19200);
  line.Set(t);

  SerialOpenResult opened = OpenSerialPort(line.Path(), 19200);
  ASSERT_TRUE(opened.channel) << opened.error;
  const termios set = line.Settings();
  EXPECT_EQ(set.c_cflag & (CSIZE | CSTOPB | PARODD | CLOCAL | CRTSCTS | CMSPAR),
            static_cast<tcflag_t>(CS8 | PARODD | CLOCAL));
  EXPECT_EQ(set.c_cc[VMIN], 0);
  EXPECT_EQ(set.c_cc[VTIME], 0);

  // Echo, canonical lines, signals, CR/LF translation, XON/XOFF or a stripped bit 7 would each
  // change, hold back or add bytes.
  std::vector<uint8_t> all;
  for (int b = 0; b <= 255; ++b) all.push_back(static_cast<uint8_t>(b));
  opened.channel->WriteFrame(all);
  EXPECT_EQ(line.Take(all.size()), all);
  line.SendAtOnce(all);
  SteadyClock clock;
  std::vector<uint8_t> got;
  while (got.size() < all.size()) {
    std::optional<uint8_t> b = opened.channel->ReadByte(clock.Now() + 2s);
    if (!b) break;
    got.push_back(*b);
  }
  EXPECT_EQ(got, all);
  EXPECT_EQ(line.Take(1, 50ms), std::vector<uint8_t>{}) << "echoed";
}

INSTANTIATE_TEST_SUITE_P(
    States, SerialPortLeftStateTest,
    ::testing::Values(
        LeftState{"KilledRunOfThisTool", IGNPAR, OPOST | ONLCR, CS8 | CREAD | PARODD | CLOCAL,
                  ECHOE | ECHOK | ECHOCTL | ECHOKE, 0, 0},
        LeftState{"CookedTerminal",
                  ICRNL | IXON | IXOFF | IXANY | ISTRIP | INLCR | IGNCR | INPCK | PARMRK | BRKINT,
                  OPOST | ONLCR | OCRNL, CS7 | CSTOPB | CRTSCTS | CMSPAR | CREAD,
                  ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN, 4, 50}),
    [](const ::testing::TestParamInfo<LeftState>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::cli

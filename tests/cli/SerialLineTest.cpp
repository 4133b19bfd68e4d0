// The serial line: pyractl as a program over the simulator's pseudo-terminal (one backup, restore
// and verify run with both exit statuses; a client killed mid-transfer that leaves the terminal
// as new), the server's line model on manual time, and the serial adapter on a bare terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QProcess>

#include <poll.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/CliRunner.h"
#include "cli/PtyServer.h"
#include "files/TempDir.h"
#include "link/Frame.h"
#include "link/serial/SerialPort.h"
#include "sim/SimChannel.h"

namespace pyra::cli {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;
using std::chrono::nanoseconds;

// Guards against a hung process only; a healthy run takes a fraction of a second.
constexpr int kGuardMs = 20000;

// QProcess wants the application's event dispatcher, though no event loop runs.
void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "cli_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

struct Finished {
  int status = -1;
  std::string out, err;
};

Finished Pyractl(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(PYRACTL_PATH), args);
  Finished f;
  if (process.waitForFinished(kGuardMs) && process.exitStatus() == QProcess::NormalExit) {
    f.status = process.exitCode();
  }
  f.out = process.readAllStandardOutput().toStdString();
  f.err = process.readAllStandardError().toStdString();
  return f;
}

// `pyractl sim --pty` serving a fresh simulated module; each command runs as its own process.
class PyractlOverPtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureQtApp();
    server_.start(QStringLiteral(PYRACTL_PATH), {"sim", "--pty"});
    while (!server_.canReadLine() && server_.waitForReadyRead(kGuardMs)) {
    }
    port_ = QString::fromUtf8(server_.readLine()).trimmed();
    ASSERT_TRUE(port_.startsWith("/dev/")) << port_.toStdString();
  }
  void TearDown() override {
    server_.terminate();
    ASSERT_TRUE(server_.waitForFinished(kGuardMs));
    EXPECT_EQ(server_.exitCode(), 0) << server_.readAllStandardError().toStdString();
  }
  Finished Run(const QStringList& args) { return Pyractl(QStringList{"--port", port_} + args); }

  QProcess server_;
  QString port_;
  const QString file_ = PYRA_TEST_DATA "/files/limits_full.dat";
};

TEST_F(PyractlOverPtyTest, WriteAllThenVerifyAllPassesAndFailsOnAChangedId) {
  const Finished write = Run({"write-all", file_});
  EXPECT_EQ(write.status, 0) << write.err;
  EXPECT_EQ(write.err, "");  // no progress line: standard error is not a terminal
  const Finished verify = Run({"verify-all", file_});
  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  EXPECT_TRUE(verify.out.ends_with("\nVerify OK\n")) << verify.out;
  EXPECT_EQ(Run({"id", "Other ID"}).status, 0);
  const Finished changed = Run({"verify-all", file_});
  EXPECT_EQ(changed.status, 1);
  EXPECT_NE(changed.out.find("Other ID"), std::string::npos) << changed.out;
  EXPECT_TRUE(changed.out.ends_with("Verification Stopped\n")) << changed.out;
}

TEST_F(PyractlOverPtyTest, ReadAllSavesAFileThatShowsDiffsAndVerifies) {
  test::TempDir dir;
  const QString backup = QString::fromStdString(dir.File("backup.dat"));
  const Finished read = Run({"read-all", "-o", backup});
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(Run({"verify-all", backup}).status, 0);
  EXPECT_EQ(Pyractl({"show", backup}).status, 0);
  EXPECT_EQ(Pyractl({"diff", "--module", backup, backup}).status, 0);
  EXPECT_EQ(Pyractl({"diff", "--module", backup, file_}).status, 1);
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

// compare in this process, its options filled in as the parser fills them, over the simulator's
// terminal: equal after write-all, one line per difference, and a file that does not load.
TEST(PyractlCompareTest, ComparesTheModuleOverThePtyWithEachExitStatus) {
  EnsureQtApp();
  sim::Simulator simulator;
  PtyServer server(simulator.Module());
  std::string error;
  ASSERT_TRUE(server.Open(error)) << error;
  std::thread serving([&] { server.Run(error); });
  const std::string file = PYRA_TEST_DATA "/files/limits_full.dat";
  auto run = [&](Command command, const std::string& operand) {
    CliOptions o;
    o.command = command;
    o.port = server.SlavePath();
    if (command == Command::kId) {
      o.id_text = operand;
    } else {
      o.files = {operand};
    }
    std::ostringstream out, err;
    const int status = RunCommand(o, out, err);
    return Finished{status, out.str(), err.str()};
  };
  const Finished written = run(Command::kWriteAll, file);
  const Finished equal = run(Command::kCompare, file);
  run(Command::kId, "Other ID");
  const Finished differ = run(Command::kCompare, file);
  const Finished missing = run(Command::kCompare, file + ".none");
  server.Stop();
  serving.join();

  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(equal.status, 0) << equal.out << equal.err;
  EXPECT_EQ(equal.out, "");
  EXPECT_EQ(differ.status, 1) << differ.err;
  EXPECT_EQ(differ.out, "General\tID string\t\"Bahnhof Sued\"\t\"Other ID\"\n");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(error, "");
}

using TimePoint = Clock::TimePoint;

TimePoint At(Clock::Duration d) { return TimePoint(d); }

TEST(LineModelTest, ByteTimeIsElevenBitsAtTheBitRate) {
  EXPECT_EQ(LineByteTime(9600), nanoseconds(1'145'833));
  EXPECT_EQ(LineByteTime(38400), nanoseconds(286'458));
  EXPECT_EQ(LineByteTime(0), nanoseconds(0));
}

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
  EXPECT_EQ(TrafficLine(line.Counted()), "traffic: 3 in, 2 out");
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
    SerialOpenResult opened = OpenSerialPort(line_.Path(), 9600);
    ASSERT_TRUE(opened.channel) << opened.error;
    channel_ = std::move(opened.channel);
  }

  // Reads until the deadline; every byte that came, in order.
  std::vector<uint8_t> ReadUntil(Clock::TimePoint deadline) {
    std::vector<uint8_t> got;
    while (std::optional<uint8_t> b = channel_->ReadByte(deadline)) got.push_back(*b);
    return got;
  }

  LineEnd line_;
  std::unique_ptr<ByteChannel> channel_;
  SteadyClock clock_;
};

TEST_F(SerialChannelTest, LineLostWhileWaitingForTheRestOfAFrame) {
  channel_->WriteFrame(std::vector<uint8_t>{0x43, 0xE2, 0xF0, 0x80, 0xEB});
  EXPECT_EQ(line_.Take(5).size(), 5u);
  line_.SendAtOnce({0x43, 0xE9});
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

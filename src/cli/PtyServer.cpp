#include "cli/PtyServer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace pyra::cli {

namespace {

constexpr int kBitsPerByte = 11;  // start, 8 data, parity, stop

// What the wake-up pipe carries.
constexpr char kWakeStop = 1;
constexpr char kWakeReport = 2;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

timespec ToTimespec(Clock::Duration d) {
  const auto ns = std::max<Clock::Duration::rep>(d.count(), 0);
  return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// A paced line hands out a byte every few hundred microseconds; the kernel's default timer slack
// of 50 microseconds per wake-up would add up to a noticeable share of that. Restored on exit,
// as the thread may serve other purposes afterwards.
class FineTimerSlack {
 public:
  explicit FineTimerSlack(bool wanted) {
    if (!wanted) return;
    const int old = ::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (old > 0 && ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0) == 0) old_ = old;
  }
  ~FineTimerSlack() {
    if (old_ > 0) ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(old_), 0, 0, 0);
  }
  FineTimerSlack(const FineTimerSlack&) = delete;
  FineTimerSlack& operator=(const FineTimerSlack&) = delete;

 private:
  int old_ = 0;
};

}  // namespace

Clock::Duration LineByteTime(int bit_rate) {
  if (bit_rate <= 0) return {};
  return std::chrono::duration_cast<Clock::Duration>(
      std::chrono::duration<double>(static_cast<double>(kBitsPerByte) / bit_rate));
}

LineModel::LineModel(sim::SimDevice& device, Clock::Duration byte_time)
    : device_(device), byte_time_(byte_time) {}

void LineModel::FromTool(std::span<const std::uint8_t> bytes, TimePoint seen) {
  for (std::uint8_t b : bytes) {
    inbound_free_ = std::max(inbound_free_, seen) + byte_time_;
    to_device_.push_back({b, inbound_free_});
  }
  traffic_.from_tool += bytes.size();
}

void LineModel::Advance(TimePoint now) {
  while (!to_device_.empty() && to_device_.front().at <= now) {
    const Timed arrived = to_device_.front();
    to_device_.pop_front();
    std::optional<sim::Emission> emission = device_.Receive(arrived.byte);
    if (!emission) continue;
    // Counted from the arrival, not from now: a late wake-up must not stretch the line.
    const TimePoint start = arrived.at + emission->delay;
    for (std::uint8_t b : emission->bytes) {
      // One transmitter: a later answer never overtakes an earlier one, whatever their delays.
      outbound_free_ = std::max(outbound_free_, start) + byte_time_;
      to_tool_.push_back({b, outbound_free_});
    }
  }
}

void LineModel::TakeDue(TimePoint now, std::vector<std::uint8_t>& out) {
  while (!to_tool_.empty() && to_tool_.front().at <= now) {
    out.push_back(to_tool_.front().byte);
    to_tool_.pop_front();
    ++traffic_.to_tool;
  }
}

std::optional<LineModel::TimePoint> LineModel::NextDue() const {
  std::optional<TimePoint> next;
  if (!to_device_.empty()) next = to_device_.front().at;
  if (!to_tool_.empty() && (!next || to_tool_.front().at < *next)) next = to_tool_.front().at;
  return next;
}

PtyServer::PtyServer(sim::SimDevice& device, int bit_rate) : line_(device, LineByteTime(bit_rate)) {
  // Created up front so that a Stop() before Run() is not lost.
  if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
}

PtyServer::~PtyServer() {
  CloseAll();
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void PtyServer::CloseAll() {
  clients_ = 0;
  for (int* fd : {&master_, &slave_, &watch_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

bool PtyServer::Open(std::string& error) {
  CloseAll();
  if (wake_[0] < 0) {
    error = "Cannot create the stop pipe";
    return false;
  }
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) {
    error = SystemError("Cannot create a pseudo-terminal");
    return false;
  }
  std::array<char, 128> name{};
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name.data(), name.size()) != 0) {
    error = SystemError("Cannot set up the pseudo-terminal");
    CloseAll();
    return false;
  }
  slave_path_ = name.data();
  slave_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) {
    error = SystemError("Cannot open " + slave_path_);
    CloseAll();
    return false;
  }
  // Both ends carry a line discipline; each must pass every byte through untouched.
  if (!MakeRaw(master_) || !MakeRaw(slave_)) {
    error = SystemError("Cannot set " + slave_path_ + " to raw mode");
    CloseAll();
    return false;
  }
  // The server's own slave keeps the terminal alive between clients, and with it whatever the last
  // client set: a client killed before it could close the port properly leaves its line settings,
  // its exclusive claim (no one but root can open the terminal any more) and unread replies. The
  // serial library's next open fails on them, so the server notices each client leaving and
  // resets the terminal once the last one has gone.
  watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (::tcgetattr(slave_, &fresh_) != 0 || watch_ < 0 ||
      ::inotify_add_watch(watch_, slave_path_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    error = SystemError("Cannot watch " + slave_path_);
    CloseAll();
    return false;
  }
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
    error = SystemError("Cannot make " + slave_path_ + " non-blocking");
    CloseAll();
    return false;
  }
  return true;
}

void PtyServer::Stop() {
  if (wake_[1] < 0) return;
  // A full pipe already holds a wake-up, so a failed write loses nothing that matters.
  [[maybe_unused]] ssize_t ignored = ::write(wake_[1], &kWakeStop, 1);
}

void PtyServer::RequestReport() {
  if (wake_[1] < 0) return;
  [[maybe_unused]] ssize_t ignored = ::write(wake_[1], &kWakeReport, 1);
}

bool PtyServer::HandleWakeUps() {
  bool keep_running = true;
  std::array<char, 16> drain{};
  ssize_t got = 0;
  while ((got = ::read(wake_[0], drain.data(), drain.size())) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      if (drain[i] == kWakeReport && report_) {
        report_(line_.Counted());
      } else if (drain[i] == kWakeStop) {
        keep_running = false;
      }
    }
  }
  return keep_running;
}

void PtyServer::HandleOpensAndCloses() {
  alignas(inotify_event) std::array<char, 4096> events{};
  bool closed = false;
  ssize_t got = 0;
  while ((got = ::read(watch_, events.data(), events.size())) > 0) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events.data() + at);
      if ((event->mask & IN_OPEN) != 0) ++clients_;
      if ((event->mask & IN_CLOSE) != 0 && clients_ > 0) {
        --clients_;
        closed = true;
      }
      // Events were lost: the count is unknown, and the next close is taken as the last.
      if ((event->mask & IN_Q_OVERFLOW) != 0) clients_ = 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  // A client that has opened in the meantime keeps what it has set.
  if (closed && clients_ == 0) ResetTerminal();
}

void PtyServer::ResetTerminal() {
  ::ioctl(slave_, TIOCNXCL);
  int discipline = N_TTY;
  ::ioctl(slave_, TIOCSETD, &discipline);
  ::tcsetattr(slave_, TCSANOW, &fresh_);
  // Output the client stopped (XOFF) would hold back every later client's frames.
  ::tcflow(slave_, TCOON);
  // What reached the port after its client had gone is lost, as on a real line.
  ::tcflush(slave_, TCIFLUSH);
  out_.clear();
}

bool PtyServer::Run(std::string& error) {
  if (master_ < 0) {
    error = "The pseudo-terminal is not open";
    return false;
  }
  const FineTimerSlack slack(line_.ByteTime() > Clock::Duration::zero());
  SteadyClock clock;
  std::array<std::uint8_t, 256> buffer{};
  for (;;) {
    const Clock::TimePoint now = clock.Now();
    line_.Advance(now);
    line_.TakeDue(now, out_);
    if (!out_.empty()) {
      const ssize_t written = ::write(master_, out_.data(), out_.size());
      if (written > 0) {
        out_.erase(out_.begin(), out_.begin() + written);
      } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        error = SystemError("Cannot write to " + slave_path_);
        return false;
      }
    }
    std::array<pollfd, 3> fds{};
    fds[0] = {master_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
    fds[1] = {wake_[0], POLLIN, 0};
    fds[2] = {watch_, POLLIN, 0};
    // Only the terminal, a wake-up or the line's next due byte can change anything; the timeout
    // has nanosecond resolution, as the line's byte times are finer than poll's milliseconds.
    const std::optional<Clock::TimePoint> next = line_.NextDue();
    timespec timeout{};
    if (next) timeout = ToTimespec(*next - clock.Now());
    const int ready = ::ppoll(fds.data(), fds.size(), next ? &timeout : nullptr, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      error = SystemError("Cannot wait on " + slave_path_);
      return false;
    }
    // Before the wake-ups: a report then also stands for every client seen leaving before it.
    if (fds[2].revents != 0) HandleOpensAndCloses();
    if (fds[1].revents != 0 && !HandleWakeUps()) return true;
    if ((fds[0].revents & POLLIN) != 0) {
      const ssize_t got = ::read(master_, buffer.data(), buffer.size());
      if (got > 0) {
        line_.FromTool(std::span(buffer.data(), static_cast<std::size_t>(got)), clock.Now());
      } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
        error = SystemError("Cannot read from " + slave_path_);
        return false;
      }
    } else if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      error = "The pseudo-terminal " + slave_path_ + " failed";
      return false;
    }
  }
}

}  // namespace pyra::cli

#include "cli/PtyServer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace pyra::cli {

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PtyServer::PtyServer(sim::SimDevice& device) : device_(device) {
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
  for (int* fd : {&master_, &slave_}) {
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
  const char c = 1;
  // A full pipe already holds a wake-up, so a failed write loses nothing.
  [[maybe_unused]] ssize_t ignored = ::write(wake_[1], &c, 1);
}

void PtyServer::Feed(const uint8_t* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    std::optional<sim::Emission> emission = device_.Receive(bytes[i]);
    if (!emission || emission->bytes.empty()) continue;
    TimePoint due =
        std::chrono::steady_clock::now() +
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(emission->delay);
    // A later answer never overtakes an earlier one, whatever their delays.
    if (!pending_.empty()) due = std::max(due, pending_.back().due);
    pending_.push_back({std::move(emission->bytes), due});
  }
}

void PtyServer::ReleaseDue(TimePoint now) {
  while (!pending_.empty() && pending_.front().due <= now) {
    out_.insert(out_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
    pending_.pop_front();
  }
}

int PtyServer::PollTimeoutMs(TimePoint now) const {
  if (pending_.empty()) return -1;  // only the device's input or Stop() can change anything
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(pending_.front().due - now);
  return static_cast<int>(std::max<long long>(left.count(), 0));
}

bool PtyServer::Run(std::string& error) {
  if (master_ < 0) {
    error = "The pseudo-terminal is not open";
    return false;
  }
  std::array<uint8_t, 256> buffer{};
  for (;;) {
    ReleaseDue(std::chrono::steady_clock::now());
    if (!out_.empty()) {
      const ssize_t written = ::write(master_, out_.data(), out_.size());
      if (written > 0) {
        out_.erase(out_.begin(), out_.begin() + written);
      } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        error = SystemError("Cannot write to " + slave_path_);
        return false;
      }
    }
    std::array<pollfd, 2> fds{};
    fds[0] = {master_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
    fds[1] = {wake_[0], POLLIN, 0};
    const int ready =
        ::poll(fds.data(), fds.size(), PollTimeoutMs(std::chrono::steady_clock::now()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      error = SystemError("Cannot wait on " + slave_path_);
      return false;
    }
    if (fds[1].revents != 0) {
      char drain[16];
      while (::read(wake_[0], drain, sizeof drain) > 0) {
      }
      return true;
    }
    if ((fds[0].revents & POLLIN) != 0) {
      const ssize_t got = ::read(master_, buffer.data(), buffer.size());
      if (got > 0) {
        Feed(buffer.data(), static_cast<std::size_t>(got));
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

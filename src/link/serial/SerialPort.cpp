#include "link/serial/SerialPort.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace pyra {

namespace {

// A single byte at 9600 bit/s takes about a millisecond; a second covers a stalled USB adapter
// without letting a dead line hang the link thread.
constexpr int kWriteWaitMs = 1000;

// QSerialPort opens and sets up the port; the bytes then move through its descriptor directly,
// a frame per write. A reply arrives at line speed, a byte at a time, and waking up for each
// one was most of the tool's CPU time. So the channel keeps a model of the line: the bytes the
// reader expects cannot all be there before the line has carried them, one after the other,
// and a single sleep until then replaces a wake-up per byte.
class SerialChannel final : public ByteChannel {
 public:
  SerialChannel(std::unique_ptr<QSerialPort> port, std::string name, int bit_rate)
      : port_(std::move(port)),
        name_(std::move(name)),
        fd_(port_->handle()),
        byte_time_(11'000'000'000LL / std::max(bit_rate, 1)) {
    // The sleeps are a few byte times long; the default timer slack of 50 us, paid on each of
    // them, would add up to more than the line allows for.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  }

  bool IsOpen() const override { return port_->isOpen(); }

  void Write(uint8_t byte) override { WriteFrame(std::span<const uint8_t>(&byte, 1)); }

  void WriteFrame(std::span<const uint8_t> bytes) override {
    CheckHealth();
    expected_ = 0;
    const std::size_t size = bytes.size();
    while (IsOpen() && !bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n > 0) {
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        Fail(errno);
        return;
      }
      // The driver's buffer is full: wait for room, but not for ever. What could not be written
      // is dropped, and the exchange then ends as an unanswered frame.
      if (Wait(POLLOUT, std::chrono::milliseconds(kWriteWaitMs)) != Ready::kYes) return;
    }
    // The module hears the end of the frame only once it has crossed the line; its answer
    // follows from then on.
    written_at_ = clock_.Now();
    line_mark_ = written_at_ + byte_time_ * static_cast<long>(size);
    first_answer_ = line_mark_ + byte_time_;
    answer_pending_ = true;
  }

  std::size_t Available() override {
    CheckHealth();
    if (!IsOpen()) return 0;
    Absorb();
    Fill(clock_.Now());
    return Buffered();
  }

  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override {
    CheckHealth();
    Absorb();
    for (;;) {
      if (std::optional<uint8_t> b = Take()) return b;
      if (!IsOpen()) return std::nullopt;
      // Looks once more even when the time is up, so that a byte already waiting is not missed.
      if (!Fill(deadline) && clock_.Now() >= deadline) return std::nullopt;
    }
  }

  void Expect(std::size_t count) override { expected_ = count; }

  std::string Failure() const override { return failure_; }

 private:
  enum class Ready { kYes, kNo, kFailed };
  // Whether the line keeps to its bit rate. A real line does; the simulated module's
  // pseudo-terminal without pacing answers at once, and waiting for line time there would only
  // slow every exchange down. Told apart by the first answer: a real one cannot begin before the
  // frame has crossed the line.
  enum class Pace { kUnknown, kLine, kFaster };

  // Waits until the descriptor is ready for `events` or the time runs out; a hang-up or an
  // error on the line counts as ready, so that the read or write that follows reports it.
  Ready Wait(short events, Clock::Duration timeout) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
    pollfd p{fd_, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX)));
    if (r < 0) {
      if (errno == EINTR) return Ready::kNo;
      Fail(errno);
      return Ready::kFailed;
    }
    if (r == 0) return Ready::kNo;
    if ((p.revents & POLLNVAL) != 0) {
      Fail(EBADF);
      return Ready::kFailed;
    }
    return Ready::kYes;
  }

  // Reads what has arrived, waiting until the deadline for the first byte; true when bytes came.
  bool Fill(Clock::TimePoint deadline) {
    if (head_ == tail_) head_ = tail_ = 0;
    if (tail_ == buffer_.size()) return false;         // the caller still has unread bytes
    if (port_->bytesAvailable() > 0) return Absorb();  // older than the descriptor's
    // The answer to the frame just written is waited for by line time only once the line is
    // known to keep to it; the rest of a frame that has begun to arrive always is.
    if (!answer_pending_ || pace_ == Pace::kLine) SleepForExpected(deadline);
    Ready ready = Wait(POLLIN, Clock::Duration::zero());
    if (ready == Ready::kNo && clock_.Now() < deadline) {
      ready = Wait(POLLIN, deadline - clock_.Now());
      if (ready == Ready::kYes) {
        // Later than the line alone explains (the module took its time), or the first answer:
        // what is there has just come, and the rest follows at line speed.
        JudgePace();
        line_mark_ = clock_.Now() - byte_time_ * static_cast<long>(Queued());
        SleepForExpected(deadline);
      }
    }
    if (ready != Ready::kYes) return false;
    JudgePace();
    const ssize_t n = ::read(fd_, buffer_.data() + tail_, buffer_.size() - tail_);
    if (n > 0) {
      tail_ += static_cast<std::size_t>(n);
      answer_pending_ = false;
      // They came one after the other, and the last of them no later than now.
      line_mark_ = std::min(line_mark_ + byte_time_ * n, clock_.Now());
      return true;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    // Ready to read yet nothing to read: the device has ended (the other side of a
    // pseudo-terminal closed, or the adapter went away).
    Fail(n < 0 ? errno : EIO);
    return false;
  }

  // The first byte of the first answer is there: it came in less than half the time a real
  // line needs for the frame and one byte back, or it did not.
  void JudgePace() {
    if (!answer_pending_ || pace_ != Pace::kUnknown) return;
    const Clock::Duration line = first_answer_ - written_at_;
    pace_ = clock_.Now() - written_at_ < line / 2 ? Pace::kFaster : Pace::kLine;
  }

  std::size_t Queued() {
    int queued = 0;
    if (::ioctl(fd_, FIONREAD, &queued) != 0 || queued < 0) return 0;
    return static_cast<std::size_t>(queued);
  }

  // Sleeps until the expected bytes (those waiting in the driver first) can all have crossed
  // the line after the mark, but not past the deadline.
  void SleepForExpected(Clock::TimePoint deadline) {
    if (expected_ == 0) return;
    const std::size_t wanted = std::min(expected_, buffer_.size() - tail_);
    if (Queued() >= wanted) return;
    const Clock::TimePoint until =
        std::min<Clock::TimePoint>(line_mark_ + byte_time_ * static_cast<long>(wanted), deadline);
    if (until > clock_.Now()) clock_.SleepUntil(until);
  }

  std::optional<uint8_t> Take() {
    if (head_ == tail_) Absorb();
    if (head_ == tail_) return std::nullopt;
    if (expected_ > 0) --expected_;
    return buffer_[head_++];
  }

  // Moves what Qt read itself into the buffer. Qt reads only while the thread's event loop runs,
  // between two operations, so its bytes are newer than any left in the buffer and older than
  // any still in the descriptor; true when some came.
  bool Absorb() {
    if (!port_->isOpen() || port_->bytesAvailable() <= 0) return false;
    if (head_ > 0) {
      std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(head_),
                buffer_.begin() + static_cast<std::ptrdiff_t>(tail_), buffer_.begin());
      tail_ -= head_;
      head_ = 0;
    }
    const qint64 n = port_->read(reinterpret_cast<char*>(buffer_.data() + tail_),
                                 static_cast<qint64>(buffer_.size() - tail_));
    if (n <= 0) return false;
    tail_ += static_cast<std::size_t>(n);
    return true;
  }

  std::size_t Buffered() const {
    const qint64 qt = port_->isOpen() ? port_->bytesAvailable() : 0;
    return tail_ - head_ + static_cast<std::size_t>(std::max<qint64>(qt, 0));
  }

  void Fail(int error) {
    if (error == ENODEV || error == ENXIO || error == EBADF) {
      failure_ = "the port " + name_ + " is no longer available (" + std::strerror(error) + ")";
    } else {
      // EIO is all an ended device says, so its text would mislead.
      failure_ = "the port " + name_ + " stopped working (the device was closed or disconnected)";
    }
    port_->close();
  }

  // Errors Qt itself met while reading for the event loop. A pulled adapter shows up as a
  // resource error, a pseudo-terminal whose other side went away as a read error. Either way the
  // line is gone for good; anything else is cleared so that the next call starts clean.
  void CheckHealth() {
    const QSerialPort::SerialPortError error = port_->error();
    if (error == QSerialPort::NoError) return;
    if (error == QSerialPort::ResourceError) {
      failure_ = "the port " + name_ + " is no longer available (" +
                 port_->errorString().toStdString() + ")";
    } else if (error == QSerialPort::ReadError || error == QSerialPort::WriteError) {
      failure_ = "the port " + name_ + " stopped working (the device was closed or disconnected)";
    }
    port_->clearError();
    if (!failure_.empty()) port_->close();
  }

  std::unique_ptr<QSerialPort> port_;
  std::string name_;             // as the user gave it: Qt's portName() drops the /dev/ of a path
  int fd_;                       // the open port's descriptor; QSerialPort owns and closes it
  Clock::Duration byte_time_;    // 11 bits: start, 8 data, parity, stop
  std::size_t expected_ = 0;     // bytes the reader still wants in one go
  Clock::TimePoint written_at_;  // when the last frame was handed to the driver
  Clock::TimePoint line_mark_;   // when the last byte read (or written) finished crossing the line
  Clock::TimePoint first_answer_;  // the earliest a real line can bring the answer's first byte
  bool answer_pending_ = false;    // nothing read since the last frame was written
  Pace pace_ = Pace::kUnknown;
  std::array<uint8_t, 256> buffer_{};
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
  SteadyClock clock_;
  std::string failure_;
};

// Linux numbers the slave sides of its pseudo-terminals with these device majors.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kPtySlaveMajors = 8;

bool IsPseudoTerminal(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  return major(st.st_rdev) - kFirstPtySlaveMajor < kPtySlaveMajors;
}

// Every line setting the link relies on, set in one go rather than one by one: a port that
// another program left canonical, echoing, translating, with flow control, another frame or
// character timing keeps none of it. A pseudo-terminal carries no bits on a wire, so its driver
// drops the parity, and the C library's tcsetattr then reports EINVAL when nothing else changed (a
// port a killed run of this tool left behind). What counts is what the port holds afterwards, read
// back.
std::string SetLine(int fd) {
  termios wanted{};
  if (::tcgetattr(fd, &wanted) != 0) return std::strerror(errno);
  ::cfmakeraw(&wanted);
  wanted.c_iflag = IGNPAR;
  wanted.c_oflag = 0;
  wanted.c_lflag = 0;
  // The bit rate is already set; whether closing hangs the line up is not the link's business.
  wanted.c_cflag =
      (wanted.c_cflag & (CBAUD | CIBAUD | HUPCL)) | CS8 | CREAD | CLOCAL | PARENB | PARODD;
  wanted.c_cc[VMIN] = 0;
  wanted.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &wanted) != 0 && errno != EINVAL) return std::strerror(errno);
  termios held{};
  if (::tcgetattr(fd, &held) != 0) return std::strerror(errno);
  tcflag_t frame = CSIZE | CSTOPB | CREAD | PARENB | PARODD | CLOCAL | CRTSCTS | CMSPAR;
  if (IsPseudoTerminal(fd)) frame &= ~static_cast<tcflag_t>(PARENB);
  const bool kept = held.c_iflag == wanted.c_iflag && held.c_oflag == wanted.c_oflag &&
                    held.c_lflag == wanted.c_lflag &&
                    (held.c_cflag & frame) == (wanted.c_cflag & frame) && held.c_cc[VMIN] == 0 &&
                    held.c_cc[VTIME] == 0;
  return kept ? "" : "the port does not keep these settings";
}

}  // namespace

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    names.push_back(info.portName().toStdString());
  }
  std::sort(names.begin(), names.end());
  return names;
}

SerialOpenResult OpenSerialPort(const std::string& name, int bit_rate) {
  SerialOpenResult result;
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(QString::fromStdString(name));
  if (!port->open(QIODevice::ReadWrite)) {
    result.error = "Cannot open port " + name + ": " + port->errorString().toStdString();
    return result;
  }
  // Qt sets the rate, standard or not; the rest is set together, see SetLine.
  std::string error;
  if (!port->setBaudRate(bit_rate)) {
    error = port->errorString().toStdString();
  } else {
    error = SetLine(static_cast<int>(port->handle()));
  }
  if (!error.empty()) {
    result.error = "Cannot set port " + name + " to " + std::to_string(bit_rate) +
                   " bit/s, odd parity, 8 data bits, 1 stop bit: " + error;
    return result;
  }
  result.channel = std::make_unique<SerialChannel>(std::move(port), name, bit_rate);
  return result;
}

}  // namespace pyra

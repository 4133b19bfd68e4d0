#include "link/serial/SerialPort.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <chrono>
#include <climits>

namespace pyra {

namespace {

// A single byte at 9600 bit/s takes about a millisecond; a second covers a stalled USB adapter
// without letting a dead line hang the link thread.
constexpr int kWriteWaitMs = 1000;

class SerialChannel final : public ByteChannel {
 public:
  SerialChannel(std::unique_ptr<QSerialPort> port, std::string name)
      : port_(std::move(port)), name_(std::move(name)) {}

  bool IsOpen() const override { return port_->isOpen(); }

  void Write(uint8_t byte) override {
    if (!IsOpen()) return;
    const char c = static_cast<char>(byte);
    if (port_->write(&c, 1) != 1) {
      CheckHealth();
      return;
    }
    // Hands the byte to the driver straight away. Waiting first for the port to report itself
    // writable, which it nearly always is, cost a poll per byte; only a full driver buffer
    // still needs the wait below.
    port_->flush();
    while (port_->bytesToWrite() > 0) {
      if (!port_->waitForBytesWritten(kWriteWaitMs)) break;
    }
    CheckHealth();
  }

  std::size_t Available() override {
    if (!IsOpen()) return 0;
    port_->waitForReadyRead(0);
    CheckHealth();
    return IsOpen() ? static_cast<std::size_t>(port_->bytesAvailable()) : 0;
  }

  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override {
    while (IsOpen()) {
      char c = 0;
      if (port_->bytesAvailable() > 0 && port_->getChar(&c)) return static_cast<uint8_t>(c);
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock_.Now());
      if (left.count() <= 0) return std::nullopt;
      port_->waitForReadyRead(static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
      CheckHealth();
    }
    return std::nullopt;
  }

  std::string Failure() const override { return failure_; }

 private:
  // A pulled adapter shows up as a resource error, a pseudo-terminal whose other side went away
  // as a read error (the device reads as ended). Either way the line is gone for good; anything
  // else (a timed-out wait) is cleared so that the next call starts clean.
  void CheckHealth() {
    const QSerialPort::SerialPortError error = port_->error();
    if (error == QSerialPort::NoError) return;
    if (error == QSerialPort::ResourceError) {
      failure_ = "the port " + name_ + " is no longer available (" +
                 port_->errorString().toStdString() + ")";
    } else if (error == QSerialPort::ReadError || error == QSerialPort::WriteError) {
      // errno is stale for an ended device, so Qt's own text would mislead.
      failure_ = "the port " + name_ + " stopped working (the device was closed or disconnected)";
    }
    port_->clearError();
    if (!failure_.empty()) port_->close();
  }

  std::unique_ptr<QSerialPort> port_;
  std::string name_;  // as the user gave it: Qt's portName() drops the /dev/ of a path
  SteadyClock clock_;
  std::string failure_;
};

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
  const bool configured = port->setBaudRate(bit_rate) && port->setDataBits(QSerialPort::Data8) &&
                          port->setParity(QSerialPort::OddParity) &&
                          port->setStopBits(QSerialPort::OneStop) &&
                          port->setFlowControl(QSerialPort::NoFlowControl);
  if (!configured) {
    result.error =
        "Cannot set port " + name + " to " + std::to_string(bit_rate) +
        " bit/s, odd parity, 8 data bits, 1 stop bit: " + port->errorString().toStdString();
    return result;
  }
  result.channel = std::make_unique<SerialChannel>(std::move(port), name);
  return result;
}

}  // namespace pyra

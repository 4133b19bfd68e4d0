#include "link/Link.h"

#include <algorithm>
#include <chrono>

#include "link/Frame.h"
#include "link/Protocol.h"

namespace pyra {

namespace {
constexpr char kCrLf[] = "\r\n";
constexpr char kSelectPort[] = "Select communications port";
constexpr std::size_t kShortestReply = 3;  // address, header, checksum
}  // namespace

Link::Link(Clock& clock, Prompter& prompter) : clock_(clock), prompter_(prompter) {}
Link::~Link() = default;

void Link::Open(std::unique_ptr<ByteChannel> channel) {
  channel_ = std::move(channel);
  line_lost_reported_ = false;
  RequestReset();
}

void Link::Close() {
  channel_.reset();
  line_lost_reported_ = false;
}

void Link::ReportLineLost() {
  if (!LineLost() || line_lost_reported_) return;
  line_lost_reported_ = true;
  prompter_.get().Message("The connection to the module was lost: " + channel_->Failure());
}

bool Link::PortOpen() const { return channel_ && channel_->IsOpen(); }

void Link::Log(const std::string& line) {
  if (log_) log_(line);
}

void Link::PaceWrite() {
  if (!state_.Bidirectional) clock_.SleepUntil(clock_.Now() + std::chrono::milliseconds(100));
}

void Link::WriteBytes(std::span<const uint8_t> bytes) {
  if (channel_) channel_->WriteFrame(bytes);
}

void Link::DiscardReceived() {
  while (channel_ && channel_->Available() > 0 && channel_->ReadByte(clock_.Now())) {
  }
}

void Link::SendSyncBurst() {
  if (!PortOpen()) return;
  WriteBytes(kSyncBurst);
}

void Link::WriteReset(uint8_t address_byte, std::initializer_list<uint8_t> rest) {
  if (PortOpen()) {
    std::vector<uint8_t> reset(kSyncBurst.begin(), kSyncBurst.end());
    reset.push_back(address_byte);
    reset.insert(reset.end(), rest.begin(), rest.end());
    WriteBytes(reset);
  }
  state_.ToggleBit = 64;
}

Clock::TimePoint Link::Deadline() {
  return clock_.Now() + std::chrono::duration_cast<Clock::Duration>(
                            std::chrono::duration<double>(kReplyTimeoutSeconds));
}

Clock::TimePoint Link::ReplyDeadline() {
  return probe_wait_ ? clock_.Now() + *probe_wait_ : Deadline();
}

bool Link::Probe(std::span<const int> payload, Clock::Duration wait) {
  state_.Bidirectional = true;
  probe_wait_ = wait;
  SendPRMessage(true, payload);
  probe_wait_.reset();
  return state_.ReplyValid;
}

bool Link::TimeUp(Clock::TimePoint t0, Clock::TimePoint deadline) {
  auto now = clock_.Now();
  return now > deadline || now < t0;
}

bool Link::SendPRMessage(bool expect_reply, std::span<const int> payload) {
  LinkState& s = state_;
  s.ReplyValid = false;
  const int size = static_cast<int>(payload.size());
  if (size >= 16) {
    prompter_.get().Message("SendPRMessage: Message Size Overrun, size = " + std::to_string(size));
    return false;
  }
  // A port that went away is not a port never chosen: say what happened, and only once, however
  // many more frames the running operation still tries before it notices.
  if (LineLost()) {
    ReportLineLost();
    return false;
  }
  if (!PortOpen()) {
    prompter_.get().Message(kSelectPort);
    return false;
  }
  // A frame carries 7 bits per payload byte; anything larger would go out corrupted.
  for (int p : payload) {
    if (p < 0 || p > 127) {
      prompter_.get().Message("SendPRMessage: Payload value out of range (0..127), value = " +
                              std::to_string(p));
      return false;
    }
  }
  if (s.UseVelora) return SendVeloraRoute(expect_reply, payload);

  const uint8_t a = static_cast<uint8_t>(s.ModuleAddress * 4 + 3);
  // A reply that came after its time-out would otherwise be taken for the answer to this frame,
  // refused, and leave the link one reply behind for good.
  DiscardReceived();
  if (s.ToggleBit == 128) WriteReset(a, {192, static_cast<uint8_t>(192 - a)});

  const uint8_t address_byte = static_cast<uint8_t>(s.ToggleBit + a);
  const int extended = s.ExtendedAddress;
  std::vector<uint8_t> frame =
      EncodeFrame(address_byte, s.Bidirectional, s.UseXAddress ? &extended : nullptr, payload);
  WriteBytes(frame);
  if (log_) {
    std::string line = "> ";
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) line += FormatHexByte(frame[i] & 127);
    Log(line);
  }

  // Lost while writing or while waiting for the reply: the frame may never have reached the
  // module, so the caller must not count it as sent (a write sequence would otherwise go on, or
  // even end as a success).
  if (LineLost()) {
    ReportLineLost();
    return false;
  }
  if (s.Bidirectional) {
    const int command = payload.empty() ? -1 : payload[0];
    if (command >= 0) expected_reply_ = reply_sizes_[static_cast<std::size_t>(command)];
    const bool received = ReceiveReply();
    if (received && command >= 0)
      reply_sizes_[static_cast<std::size_t>(command)] = last_reply_size_;
    if (!received) {
      if (LineLost()) {
        ReportLineLost();
        return false;
      }
      // Silence is the expected answer at most addresses a probe asks.
      if (!probe_wait_) {
        prompter_.get().Message("No response received, resetting bidirectional communication");
        s.Bidirectional = false;
      }
    } else {
      auto& rx = s.RxMessage;
      const bool reply_has_xa = (rx[1] & 16) != 0;
      const int n = (rx[1] & 15) + (reply_has_xa ? 1 : 0);
      if (log_) {
        std::string reply = "< ";
        for (int i = 0; i <= n + 1; ++i) reply += FormatHexByte(static_cast<uint8_t>(rx[i]));
        Log(reply);
      }

      s.ReplyValid = true;
      if (rx[0] != address_byte || rx[1] < 96) {
        s.ReplyValid = false;
        prompter_.get().Message(std::string("Invalid response received, ") + kCrLf +
                                "Received: Addr = " + std::to_string(rx[0]) +
                                " Header = " + std::to_string(rx[1]) + kCrLf +
                                "Expected: Addr = " + std::to_string(a) + " Header > 95 ");
      } else if (!s.UseXAddress && reply_has_xa) {
        s.ReplyValid = false;
        prompter_.get().Message("Unexpected eXtended Address Byte " + std::to_string(rx[2] & 127));
      } else if (s.UseXAddress && !reply_has_xa) {
        s.ReplyValid = false;
        prompter_.get().Message("eXtended Address Byte expected");
      } else if (s.UseXAddress && (rx[2] & 127) != s.ExtendedAddress) {
        s.ReplyValid = false;
        prompter_.get().Message(std::string("Incorrect eXtended Address byte ") + kCrLf +
                                "Received " + std::to_string(rx[2] & 127) + " Expected " +
                                std::to_string(s.ExtendedAddress));
      }
      if (s.ReplyValid && reply_has_xa) {
        for (int i = 2; i <= (rx[1] & 15) + 1; ++i) rx[i] = rx[i + 1];
      }
    }
  }
  // The alternation bit flips even when no reply came.
  s.ToggleBit = (s.ToggleBit + 64) & 127;
  return true;
}

bool Link::ReceiveReply() {
  auto& rx = state_.RxMessage;
  enum class Phase { kIdle, kHeader, kPayload } phase = Phase::kIdle;
  int count = 0;
  int index = 2;
  const auto t0 = clock_.Now();
  const auto deadline = ReplyDeadline();
  // As long as the last answer to the same command, when the caller knows it; at least the
  // shortest frame.
  if (channel_) channel_->Expect(std::max<std::size_t>(kShortestReply, expected_reply_));
  expected_reply_ = 0;
  while (!TimeUp(t0, deadline)) {
    std::optional<uint8_t> got = channel_ ? channel_->ReadByte(deadline) : std::nullopt;
    if (!got) return false;
    const uint8_t b = *got;
    if (b < 128) {
      // A frame start always restarts reception, also in the middle of a frame.
      rx[0] = b;
      phase = Phase::kHeader;
      count = 0;
      continue;
    }
    if (phase == Phase::kIdle) continue;
    const int v = b & 127;
    if (phase == Phase::kHeader) {
      rx[1] = v;
      count = (v & 15) + ((v & 16) ? 1 : 0);
      index = 2;
      phase = Phase::kPayload;
      channel_->Expect(static_cast<std::size_t>(count) + 1);
      // Sum of the frame so far, kept in rx only; the checksum test re-adds at the end.
    } else if (count > 0) {
      if (index >= static_cast<int>(rx.size())) {
        phase = Phase::kIdle;  // cannot fit: drop the frame rather than write past the buffer
        continue;
      }
      rx[index++] = v;
      --count;
    } else {
      int sum = v;
      for (int i = 0; i < index; ++i) sum += rx[i];
      if (sum % 128 == 0) {
        last_reply_size_ = static_cast<uint8_t>(index + 1);
        return true;
      }
      phase = Phase::kIdle;  // a bad checksum drops the frame silently
    }
  }
  return false;
}

void Link::SendLumoMessage(int address_byte, int b1, int b2, int b3) {
  for (int v : {b1, b2, b3}) {
    if (v < 0 || v > 127) {
      prompter_.get().Message("SendLumoMessage: Data value out of range (0..127), value = " +
                              std::to_string(v));
      return;
    }
  }
  if (LineLost()) {
    ReportLineLost();
    return;
  }
  if (state_.UseVelora && PortOpen()) {
    SendVeloraMessage({0, address_byte / 4 + kVeloraModuleBase, b1, b2, b3});
    return;
  }
  if (!PortOpen()) {
    prompter_.get().Message(kSelectPort);
    return;
  }
  const uint8_t a = static_cast<uint8_t>(address_byte & 127);
  if (state_.ToggleBit == 128) WriteReset(a, {128, 128, 128, static_cast<uint8_t>(256 - a)});
  std::vector<uint8_t> frame = {a, static_cast<uint8_t>(128 + b1), static_cast<uint8_t>(128 + b2),
                                static_cast<uint8_t>(128 + b3)};
  frame.push_back(ChecksumFor(frame));
  WriteBytes(frame);
}

}  // namespace pyra

#include <numeric>

#include "link/Frame.h"
#include "link/Link.h"
#include "link/Protocol.h"

namespace pyra {

namespace {
constexpr char kCrLf[] = "\r\n";
constexpr int kIdle = 20;  // "remaining" at or above this marks the receiver idle
}  // namespace

bool Link::SendVeloraMessage(std::span<const int> payload) {
  if (!channel_) return false;
  if (LineLost()) {
    ReportLineLost();
    return false;
  }
  // Whatever is waiting belongs to an earlier exchange.
  DiscardReceived();
  std::vector<uint8_t> frame = EncodeVeloraFrame(payload, state_.VeloraToggle);
  WriteBytes(frame);
  if (!payload.empty()) {
    std::string line = ">> ";
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) line += FormatHexByte(frame[i] & 127);
    Log(line);
  }
  state_.VeloraToggle = 1 - state_.VeloraToggle;
  if (ReceiveVeloraReply().empty()) {
    if (LineLost()) {
      ReportLineLost();
    } else {
      prompter_.get().Message("No answer from Velora", Icon::kWarning);
    }
    return false;
  }
  return true;
}

std::string Link::ReceiveVeloraReply() {
  auto& rx = state_.RxMessage;
  rx.fill(0);
  std::string text;
  int remaining = kIdle;
  int index = 1;
  int n = 0;
  bool complete = false;
  const auto t0 = clock_.Now();
  const auto deadline = Deadline();
  while (!complete && !TimeUp(t0, deadline)) {
    std::optional<uint8_t> got = channel_ ? channel_->ReadByte(deadline) : std::nullopt;
    if (!got) break;
    const uint8_t b = *got;
    if (b < 128) {
      text = "<< " + FormatHexByte(b);
      rx.fill(0);
      rx[0] = b;
      n = VeloraLengthFromLead(b);
      remaining = n;
      index = 1;
      channel_->Expect(static_cast<std::size_t>(n) + 1);
      continue;
    }
    if (remaining >= kIdle) continue;
    if (index >= static_cast<int>(rx.size())) {
      remaining = kIdle;  // cannot fit: drop the frame
      continue;
    }
    rx[index++] = b & 127;
    if (remaining > 0) text += FormatHexByte(b & 127);
    if (remaining == 0) complete = true;
    --remaining;
  }
  if (complete) {
    if (std::accumulate(rx.begin(), rx.end(), 0) % 128 != 0) {
      prompter_.get().Message(std::string("Checksum Error") + kCrLf +
                              "Size = " + std::to_string(n) + text);
      rx[0] = 0;
      text.clear();
    } else {
      rx[0] = n;
    }
  } else {
    // Time ran out: a started frame is still logged, but it is no answer.
    if (rx[0] > 0) Log(text);
    return {};
  }
  if (rx[0] > 0) Log(text);
  return text;
}

bool Link::SendVeloraRoute(bool expect_reply, std::span<const int> payload) {
  LinkState& s = state_;
  auto& rx = s.RxMessage;
  const int v = s.ModuleAddress + kVeloraModuleBase;
  std::vector<int> message = {0, v, s.UseXAddress ? 112 : 96};
  if (s.UseXAddress) message.push_back(s.ExtendedAddress);
  message.insert(message.end(), payload.begin(), payload.end());

  bool found = false;
  s.ReplyValid = SendVeloraMessage(message);
  if (s.ReplyValid) {
    if (!expect_reply) {
      SendVeloraMessage({});
      s.ReplyValid = true;
      return true;
    }
    const auto t0 = clock_.Now();
    const auto deadline = ReplyDeadline();
    while (!TimeUp(t0, deadline) && !found && s.ReplyValid) {
      if (rx[0] >= 4 && rx[1] == 0 && rx[2] == v) {
        found = true;
      } else {
        s.ReplyValid = SendVeloraMessage({});
      }
    }
  }
  if (found) {
    const int h = rx[3];
    rx[0] = (rx[2] & 31) * 4 + 3;
    rx[1] = 0;
    if (!(h & 16)) {
      rx[1] = h;
      for (int i = 2; i <= 16; ++i) rx[i] = rx[i + 2];
    } else if (s.UseXAddress && (rx[4] & 127) == s.ExtendedAddress) {
      rx[1] = h;
      for (int i = 2; i <= 16; ++i) rx[i] = rx[i + 3];
    } else if (s.UseXAddress) {
      prompter_.get().Message(std::string("Incorrect eXtended Address byte ") + kCrLf +
                              "Received " + std::to_string(rx[4] & 127) + " Expected " +
                              std::to_string(s.ExtendedAddress));
    } else {
      prompter_.get().Message("Unexpected eXtended Address Byte " + std::to_string(rx[4] & 127));
    }
  } else if (!LineLost() && !(probe_wait_ && s.ReplyValid)) {
    // A lost line was reported once already; a second message would only blame the module. A
    // probe expects silence from most addresses (but not from the Velora unit itself).
    prompter_.get().Message("No valid response received");
  }
  s.ReplyValid = found;
  return found;
}

}  // namespace pyra

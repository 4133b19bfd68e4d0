#include "sim/SimModule.h"

#include <algorithm>
#include <chrono>

#include "link/Frame.h"
#include "link/Protocol.h"

namespace pyra::sim {

namespace {

constexpr int kToggle = 64;
constexpr int kAddressBits = 3;  // bits 0..1 of every address byte
constexpr int kExtendedAddressCount = 96;
constexpr auto kSlowReplyDelay = std::chrono::seconds(3);
// Bytes with bit 7 set that a receiver must skip while it waits for a frame start.
constexpr uint8_t kNoise[] = {0xFF, 0x85, 0x90};

int ModuleAddressOf(uint8_t address_byte) { return (address_byte >> 2) & 15; }

bool Starts(const std::vector<int>& payload, int command, int sub_code) {
  return payload.size() >= 2 && payload[0] == command && payload[1] == sub_code;
}

bool IsEraseCommand(const std::vector<int>& payload) {
  if (payload.size() != 2 + kEraseGuard.size() || !Starts(payload, kCmdWriteGeneral, kSubVersion)) {
    return false;
  }
  return std::equal(kEraseGuard.begin(), kEraseGuard.end(), payload.begin() + 2);
}

}  // namespace

SimModule::SimModule(Config config) : config_(config) {}

std::optional<Emission> SimModule::Receive(uint8_t byte) {
  if (byte < 128) {
    // A frame start always restarts reception; this is also what absorbs the sync burst.
    frame_.assign(1, byte);
    remaining_ = 0;
    return std::nullopt;
  }
  if (remaining_ < 0) return std::nullopt;
  frame_.push_back(byte);
  if (frame_.size() == 2) {
    if ((byte & 0xC0) != 0xC0) {
      // Not a header: an older-format frame or line noise.
      remaining_ = -1;
      return std::nullopt;
    }
    remaining_ = (byte & 15) + ((byte & kHeaderExtended) ? 1 : 0) + 1;
    return std::nullopt;
  }
  if (--remaining_ > 0) return std::nullopt;
  remaining_ = -1;
  return CompleteFrame();
}

bool SimModule::Addressed(int address, const std::optional<int>& extended_address) const {
  if (address != config_.address) return false;
  return !extended_address || *extended_address == config_.extended_address;
}

std::optional<Emission> SimModule::CompleteFrame() {
  if (!ChecksumOk(frame_)) return std::nullopt;
  const uint8_t address_byte = frame_[0];
  if ((address_byte & kAddressBits) != kAddressBits) return std::nullopt;
  const int header = frame_[1] & 127;
  const bool has_xa = (header & kHeaderExtended) != 0;

  Request request;
  request.address = ModuleAddressOf(address_byte);
  request.wants_reply = (header & kHeaderBidirectional) != 0;
  if (has_xa) request.extended_address = frame_[2] & 127;
  for (std::size_t i = has_xa ? 3 : 2; i + 1 < frame_.size(); ++i) {
    request.payload.push_back(frame_[i] & 127);
  }
  if (!Addressed(request.address, request.extended_address)) return std::nullopt;

  const int toggle = address_byte & kToggle;
  if (toggle == 0 && header == 64 && request.payload.empty()) {
    // The link reset: the next frame carries the alternation bit.
    ++reset_frames_;
    last_toggle_ = 0;
    last_answer_.reset();
    return std::nullopt;
  }
  if (toggle == last_toggle_) {
    // The tool repeats a frame whose answer it missed: act once, answer again.
    if (!last_answer_) return std::nullopt;
    return Emit(*last_answer_);
  }
  last_toggle_ = toggle;
  last_answer_.reset();
  std::optional<Reply> reply = Handle(request);
  if (!reply) return std::nullopt;
  last_answer_ = Answer{address_byte, has_xa, *reply};
  return Emit(*last_answer_);
}

std::optional<SimModule::Reply> SimModule::Handle(const Request& request) {
  if (!Addressed(request.address, request.extended_address)) return std::nullopt;
  requests_.push_back(request);
  const std::vector<int>& p = request.payload;
  Reply reply;
  reply.extended_address = request.extended_address;
  if (p.empty()) {
    reply.payload.assign(feedback_.begin(), feedback_.end());
  } else if (Starts(p, kCmdReadGeneral, kSubVersion)) {
    reply.payload = {kCmdReadGeneral, kSubVersion};
    reply.payload.insert(reply.payload.end(), config_.firmware.begin(), config_.firmware.end());
  } else if (Starts(p, kCmdReadGeneral, kSubIDString)) {
    reply.payload = {kCmdReadGeneral, kSubIDString};
    for (char c : memory_.id_string) reply.payload.push_back(static_cast<unsigned char>(c));
  } else {
    if (Starts(p, kCmdWriteGeneral, kSubIDString)) {
      const std::size_t n = std::min<std::size_t>(p.size() - 2, kMaxIDLength);
      memory_.id_string.assign(p.begin() + 2, p.begin() + 2 + static_cast<std::ptrdiff_t>(n));
    } else if (IsEraseCommand(p)) {
      FactoryReset();
      ++erases_;
    }
    // Writes the module does not know yet are still acknowledged, so that the tool's later
    // features do not see a dead module.
    reply.payload.assign(p.begin(), p.begin() + std::min<std::ptrdiff_t>(2, p.size()));
  }
  if (!request.wants_reply) return std::nullopt;
  return reply;
}

std::optional<Emission> SimModule::Emit(const Answer& answer) {
  const std::optional<Fault> fault = TakeFault();
  uint8_t address_byte = answer.address_byte;
  std::optional<int> xa;
  if (answer.with_extended_address) xa = config_.extended_address;
  std::vector<int> payload = answer.reply.payload;
  Emission emission;
  emission.delay = config_.latency;

  if (fault) {
    switch (*fault) {
      case Fault::kNoReply:
        return std::nullopt;
      case Fault::kWrongAddress: {
        const int other = (ModuleAddressOf(address_byte) + 1) & 15;
        address_byte = static_cast<uint8_t>((address_byte & kToggle) + other * 4 + kAddressBits);
        break;
      }
      case Fault::kStaleToggle:
        address_byte ^= kToggle;
        break;
      case Fault::kNoiseBefore:
        emission.bytes.assign(std::begin(kNoise), std::end(kNoise));
        break;
      case Fault::kWrongXAddress:
        xa = (config_.extended_address + 1) % kExtendedAddressCount;
        break;
      case Fault::kSlowReply:
        emission.delay += kSlowReplyDelay;
        break;
      case Fault::kShortReply:
        if (!payload.empty()) payload.pop_back();
        break;
      case Fault::kBadChecksum:
        break;
    }
  }
  const int xa_value = xa.value_or(0);
  std::vector<uint8_t> frame = EncodeFrame(address_byte, true, xa ? &xa_value : nullptr, payload);
  if (fault == Fault::kBadChecksum) {
    frame.back() = static_cast<uint8_t>(128 + ((frame.back() + 1) & 127));
  }
  emission.bytes.insert(emission.bytes.end(), frame.begin(), frame.end());
  return emission;
}

void SimModule::InjectFault(Fault fault, int at_reply) {
  faults_.emplace_back(replies_sent_ + std::max(at_reply, 1), fault);
}

std::optional<Fault> SimModule::TakeFault() {
  ++replies_sent_;
  std::optional<Fault> taken;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->first == replies_sent_ && !taken) {
      taken = it->second;
      it = faults_.erase(it);
    } else if (it->first <= replies_sent_) {
      it = faults_.erase(it);  // a second fault on a reply already faulted is dropped
    } else {
      ++it;
    }
  }
  return taken;
}

int SimModule::CountRequests(int command, int sub_code) const {
  return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const Request& r) {
    return Starts(r.payload, command, sub_code);
  }));
}

}  // namespace pyra::sim

#include "sim/SimVeloraUnit.h"

#include <algorithm>
#include <initializer_list>

#include "link/Frame.h"

namespace pyra::sim {

namespace {

constexpr int kClassTunnel = 0;
constexpr int kClassSystem = 1;
constexpr int kAskProtocolVersion = 2;
constexpr int kAskUnitVersion = 10;
constexpr int kSetMode = 5;
constexpr int kTransparentMode = 16;
// Tunnelled controller headers are 96 (bidirectional) or 112 (with an eXtended Address); below
// that the message is in the older three-byte format.
constexpr int kTunnelHeaderMin = 96;
constexpr int kExtendedAddressCount = 96;

}  // namespace

SimVeloraUnit::SimVeloraUnit(SimBus& bus, Config config) : bus_(bus), config_(config) {}

void SimVeloraUnit::Restart() {
  transparent_ = false;
  frame_.clear();
  remaining_ = -1;
  toggle_ = 0;
  pending_reply_.reset();
}

std::optional<Emission> SimVeloraUnit::Receive(uint8_t byte) {
  if (transparent_) return bus_.Receive(byte);
  if (byte < 128) {
    frame_.assign(1, byte);
    remaining_ = VeloraLengthFromLead(byte) + 1;
    return std::nullopt;
  }
  if (remaining_ <= 0) return std::nullopt;
  frame_.push_back(byte);
  if (--remaining_ > 0) return std::nullopt;
  remaining_ = -1;
  if (!ChecksumOk(frame_)) return std::nullopt;
  std::vector<int> payload;
  for (std::size_t i = 1; i + 1 < frame_.size(); ++i) payload.push_back(frame_[i] & 127);
  frames_.push_back(payload);
  return Answer(payload);
}

std::optional<Emission> SimVeloraUnit::Answer(const std::vector<int>& payload) {
  if (!config_.answers) return std::nullopt;
  std::vector<int> answer;
  bool go_transparent = false;
  const auto is = [&](std::initializer_list<int> head) {
    return payload.size() == head.size() && std::equal(head.begin(), head.end(), payload.begin());
  };

  if (payload.empty()) {
    if (pending_reply_) {
      answer = *pending_reply_;
      pending_reply_.reset();
    }
  } else if (is({kClassSystem, kAskProtocolVersion})) {
    answer = {kClassSystem, kAskProtocolVersion, config_.protocol_hi, config_.protocol_lo};
  } else if (is({kClassSystem, kAskUnitVersion})) {
    answer = {kClassSystem, kAskUnitVersion, config_.unit_type, config_.unit_hi, config_.unit_lo};
  } else if (is({kClassSystem, kSetMode, kTransparentMode})) {
    go_transparent = true;
  } else if (payload.size() >= 3 && payload[0] == kClassTunnel && payload[2] >= kTunnelHeaderMin) {
    const int v = payload[1];
    const int h = payload[2];
    SimModule::Request request;
    request.address = v - kVeloraModuleBase;
    request.wants_reply = (h & kHeaderBidirectional) != 0;
    std::size_t first = 3;
    if ((h & kHeaderExtended) && payload.size() >= 4) {
      request.extended_address = payload[3];
      first = 4;
    }
    request.payload.assign(payload.begin() + static_cast<std::ptrdiff_t>(first), payload.end());
    SimModule* module = bus_.Find(request.address, request.extended_address);
    std::optional<SimModule::Reply> reply =
        module ? module->Handle(request) : std::optional<SimModule::Reply>();
    // Faults of the serial line cannot happen inside the tunnel; a lost reply and a wrong
    // eXtended Address can.
    std::optional<Fault> fault = reply ? module->TakeFault() : std::nullopt;
    if (reply && fault != Fault::kNoReply) {
      std::optional<int> xa = reply->extended_address;
      if (fault == Fault::kWrongXAddress) {
        xa = (module->GetConfig().extended_address + 1) % kExtendedAddressCount;
      }
      std::vector<int> tunnelled = {
          kClassTunnel, v,
          kTunnelHeaderMin + (xa ? kHeaderExtended : 0) + static_cast<int>(reply->payload.size())};
      if (xa) tunnelled.push_back(*xa);
      tunnelled.insert(tunnelled.end(), reply->payload.begin(), reply->payload.end());
      pending_reply_ = tunnelled;
    }
  } else if (payload.size() == 5 && payload[0] == kClassTunnel && payload[1] >= kVeloraModuleBase) {
    // A module message in the older format: 0, module + 96, b1, b2, b3.
    // The older format carries no eXtended Address; a module of that address takes it, and with
    // none there the first module still logs what went by.
    const int address = payload[1] - kVeloraModuleBase;
    SimModule* module = bus_.Find(address, std::nullopt);
    if (!module && !bus_.Empty()) module = bus_.Modules().front();
    if (module) module->OlderFormat(address * 4 + 3, payload[2], payload[3], payload[4]);
  }
  // Every message is answered, most with an empty answer.

  std::vector<uint8_t> frame = EncodeVeloraFrame(answer, toggle_);
  toggle_ = 1 - toggle_;
  if (corrupt_next_) {
    corrupt_next_ = false;
    frame.back() = static_cast<uint8_t>(128 + ((frame.back() + 1) & 127));
  }
  if (go_transparent) transparent_ = true;
  return Emission{frame, {}};
}

}  // namespace pyra::sim

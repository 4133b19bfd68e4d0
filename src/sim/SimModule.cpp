#include "sim/SimModule.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <string>

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

constexpr int kReadEventOn = 116;
constexpr int kReadEventOff = 117;
constexpr int kWriteEventOn = 100;
constexpr int kWriteEventOff = 101;
constexpr int kInitialAspectNibble = 7;  // high nibble that marks the initial-aspect byte
constexpr int kNoInitialAspect = 15;
constexpr int kEmptySlot = 15;
constexpr int kAllSlotsDisabled = 15;
constexpr int kEnforcedXAddress = 127;

constexpr int kReadStoredBlock = 113;
constexpr int kWriteStoredBlock = 97;
constexpr int kReadWorkingBlock = 81;
constexpr int kWriteWorkingBlock = 65;
constexpr int kReadAspectMode = 114;
constexpr int kWriteAspectMode = 98;
constexpr int kReadStep = 115;
constexpr int kWriteStep = 99;
constexpr int kReadAddressConfig = 118;
constexpr int kWriteAddressConfig = 102;

// Command 0 sub-codes of the live outputs; 16 more asks for the slow / dynamic movement.
constexpr int kCmdOutputs = 0;
constexpr int kSetAspectOnPin = 0;
constexpr int kSetAspectOnMapEntry = 1;
constexpr int kLivePwm = 38;
constexpr int kLiveServo = 39;
constexpr int kLiveSlow = 16;

constexpr int kSignedBias = 64;  // servo positions travel as value + 64

// The older format: address byte, three data bytes, checksum. Its first data byte is the command.
constexpr int kOlderFrameSize = 5;
constexpr int kOlderSetAspectOnPin = 0;
constexpr int kOlderSetAspectOnMapEntry = 1;
constexpr int kOlderReset = 2;
constexpr int kOlderClearPin = 8;
constexpr int kOlderLampTest = 10;

constexpr int kTypeServo = 1;
constexpr int kTypePwm = 2;
constexpr int kTypePwmInverted = 3;
constexpr int kServoInitialisedBit = 64;
// Factory address configuration: one DCC and one extended-DCC address (8 + 1), one serial
// address (16 + 1), heading its own device (64 + 0).
constexpr std::array<int, 3> kFactoryAddressConfig = {9, 17, 64};

// The bytes of a fixed-size general setting, in the order they travel; empty for the sub-codes
// the module does not keep that way (version, ID string, unknown ones).
std::span<int> SettingBytes(ModuleMemory& m, int sub_code) {
  switch (sub_code) {
    case 1:
      return m.hardware_groups;
    case 2:
      return {&m.x_address, 1};
    case 3:
      return m.group_mask;
    case 4:
      return m.dcc_address;
    case 5:
      return {&m.dcc_options, 1};
    case 6:
      return {&m.led_green, 1};
    case 7:
      return {&m.led_orange, 1};
    case 8:
      return m.serial_address;
    case 11:
      return m.enable_map;
    case 12:
      return m.xdcc_address;
    case 13:
      return m.serial_port;
    default:
      return {};
  }
}

bool ValidPin(const std::vector<int>& p) { return p.size() >= 2 && p[1] < kModulePins; }

// What every request the module does not answer with data gets: its first two bytes.
std::vector<int> Acknowledge(const std::vector<int>& p) {
  return {p.begin(), p.begin() + std::min<std::ptrdiff_t>(2, std::ssize(p))};
}

}  // namespace

ModuleMemory FactoryMemory() {
  ModuleMemory m;
  m.dcc_address = {1, 0};
  m.xdcc_address = {1, 0};
  m.dcc_options = 2;  // packet retention 250 ms
  m.enable_map = {kAllSlotsDisabled, kAllSlotsDisabled};
  for (PinMemory& pin : m.pins) {
    pin.initial_aspect = kNoInitialAspect;
    pin.address_config = kFactoryAddressConfig;
    pin.stored_block = {0};
    pin.working_block = {0};
    for (int i = 0; i < 4; ++i) {
      pin.event_on[i] = 16 * i + kEmptySlot;
      pin.event_off[i] = 16 * i + kEmptySlot;
    }
  }
  return m;
}

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
    // Without a header this is the older format: its first data byte is here, two more and
    // the checksum follow. (A first data byte of 64 or more cannot be told from a header.)
    older_format_ = (byte & 0xC0) != 0xC0;
    remaining_ =
        older_format_ ? kOlderFrameSize - 2 : (byte & 15) + ((byte & kHeaderExtended) ? 1 : 0) + 1;
    return std::nullopt;
  }
  if (--remaining_ > 0) return std::nullopt;
  remaining_ = -1;
  return older_format_ ? CompleteOlderFrame() : CompleteFrame();
}

bool SimModule::Answers(int address, const std::optional<int>& extended_address) const {
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
  if (!Answers(request.address, request.extended_address)) return std::nullopt;

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
  if (!Answers(request.address, request.extended_address)) return std::nullopt;
  requests_.push_back(request);
  Reply reply;
  reply.extended_address = request.extended_address;
  reply.payload = Act(request.payload);
  if (!request.wants_reply) return std::nullopt;
  return reply;
}

std::vector<int> SimModule::Act(const std::vector<int>& p) {
  if (p.empty()) {
    const std::array<int, 4> bytes = Feedback();
    return {bytes.begin(), bytes.end()};
  }
  switch (p[0]) {
    case kCmdReadGeneral:
      if (p.size() >= 2) return ReadGeneral(p[1]);
      break;
    case kCmdWriteGeneral:
      WriteGeneral(p);
      break;
    case kReadEventOn:
      if (ValidPin(p)) return ReadEventOn(p[1]);
      break;
    case kReadEventOff:
      if (ValidPin(p)) return ReadEventOff(p[1]);
      break;
    case kWriteEventOn:
    case kWriteEventOff:
      if (ValidPin(p)) WriteEvents(p);
      break;
    case kCmdOutputs:
      ActOnOutputs(p);
      break;
    default:
      if (ValidPin(p)) {
        if (auto reply = ActOnPin(p)) return *reply;
      }
      break;
  }
  // Writes, and requests the module does not know, are acknowledged so that the tool's later
  // features do not see a dead module.
  return Acknowledge(p);
}

std::vector<int> SimModule::ReadGeneral(int sub_code) {
  std::vector<int> reply = {kCmdReadGeneral, sub_code};
  if (sub_code == kSubVersion) {
    reply.insert(reply.end(), config_.firmware.begin(), config_.firmware.end());
  } else if (sub_code == kSubIDString) {
    for (char c : memory_.id_string) reply.push_back(static_cast<unsigned char>(c));
  } else {
    const std::span<int> bytes = SettingBytes(memory_, sub_code);
    reply.insert(reply.end(), bytes.begin(), bytes.end());
  }
  return reply;
}

void SimModule::WriteGeneral(const std::vector<int>& p) {
  if (p.size() < 2) return;
  const int sub_code = p[1];
  if (sub_code == kSubIDString) {
    const std::size_t n = std::min<std::size_t>(p.size() - 2, kMaxIDLength);
    memory_.id_string.assign(p.begin() + 2, p.begin() + 2 + static_cast<std::ptrdiff_t>(n));
    return;
  }
  if (IsEraseCommand(p)) {
    FactoryReset();
    ++erases_;
    return;
  }
  const std::span<int> bytes = SettingBytes(memory_, sub_code);
  // A write of the wrong length is taken for a garbled one and changes nothing.
  if (bytes.empty() || p.size() != 2 + bytes.size()) return;
  std::copy(p.begin() + 2, p.end(), bytes.begin());
  if (sub_code == 2 && memory_.x_address != kEnforcedXAddress) {
    config_.extended_address = memory_.x_address;
  }
}

std::vector<int> SimModule::ReadEventOn(int pin) {
  const PinMemory& m = memory_.pins[pin];
  std::vector<int> reply = {kReadEventOn, pin, 16 * kInitialAspectNibble + m.initial_aspect};
  reply.insert(reply.end(), m.event_on.begin(), m.event_on.end());
  return reply;
}

std::vector<int> SimModule::ReadEventOff(int pin) {
  const PinMemory& m = memory_.pins[pin];
  std::vector<int> reply = {kReadEventOff, pin};
  reply.insert(reply.end(), m.event_off.begin(), m.event_off.end());
  return reply;
}

void SimModule::WriteEvents(const std::vector<int>& p) {
  PinMemory& m = memory_.pins[p[1]];
  std::array<int, 4>& slots = p[0] == kWriteEventOn ? m.event_on : m.event_off;
  // Slot bytes fill the slots in the order they come; on Event-On a byte with high nibble 7 is
  // the initial aspect instead and takes no slot.
  std::size_t slot = 0;
  for (std::size_t i = 2; i < p.size(); ++i) {
    if (p[0] == kWriteEventOn && p[i] / 16 == kInitialAspectNibble) {
      m.initial_aspect = p[i] & 15;
    } else if (slot < slots.size()) {
      slots[slot++] = p[i];
    }
  }
}

std::optional<std::vector<int>> SimModule::ActOnPin(const std::vector<int>& p) {
  const int pin = p[1];
  PinMemory& m = memory_.pins[pin];
  const std::size_t n = p.size();
  switch (p[0]) {
    case kReadStoredBlock:
    case kReadWorkingBlock:
      return ReadBlock(p[0], pin);
    case kWriteStoredBlock:
    case kWriteWorkingBlock:
      WriteBlock(p);
      break;
    case kReadAspectMode:
      return std::vector<int>{kReadAspectMode, pin, m.aspect_mode};
    case kWriteAspectMode:
      if (n == 3) m.aspect_mode = p[2];
      break;
    case kReadStep:
      if (n == 4 && p[2] < kModuleAspects && p[3] < kModuleSteps) {
        std::vector<int> reply = {kReadStep, pin, p[2], p[3]};
        const StepBytes& step = m.steps[p[2]][p[3]];
        reply.insert(reply.end(), step.begin(), step.end());
        return reply;
      }
      break;
    case kWriteStep:
      if (n == 4 + std::tuple_size_v<StepBytes> && p[2] < kModuleAspects && p[3] < kModuleSteps) {
        std::copy(p.begin() + 4, p.end(), m.steps[p[2]][p[3]].begin());
      }
      break;
    case kReadAddressConfig:
      return std::vector<int>{kReadAddressConfig, pin, m.address_config[0], m.address_config[1],
                              m.address_config[2]};
    case kWriteAddressConfig:
      if (n == 2 + m.address_config.size()) {
        std::copy(p.begin() + 2, p.end(), m.address_config.begin());
      }
      break;
    default:
      return std::nullopt;
  }
  return std::nullopt;
}

std::vector<int> SimModule::ReadBlock(int command, int pin) {
  const PinMemory& m = memory_.pins[pin];
  std::vector<int> reply = {command, pin};
  const std::vector<int>& block = command == kReadStoredBlock ? m.stored_block : m.working_block;
  reply.insert(reply.end(), block.begin(), block.end());
  if (block.size() >= 3 && block[0] == kTypeServo && m.servo_initialised) {
    reply[4] |= kServoInitialisedBit;
  }
  return reply;
}

void SimModule::WriteBlock(const std::vector<int>& p) {
  PinMemory& m = memory_.pins[p[1]];
  if (p.size() < 3) return;
  std::vector<int> block(p.begin() + 2, p.end());
  if (p[0] == kWriteStoredBlock) {
    m.stored_block = block;
  }
  // A stored block is also taken on at once, starting from its initial position or level.
  m.working_block = block;
  m.servo_initialised = block[0] == kTypeServo;
}

void SimModule::ActOnOutputs(const std::vector<int>& p) {
  if (p.size() != 4) return;
  const int sub_code = p[1] & ~kLiveSlow;
  const bool slow = (p[1] & kLiveSlow) != 0;
  const std::string target = std::to_string(p[2]);
  const std::string value = std::to_string(p[3]);
  std::string text;
  if (p[1] == kSetAspectOnPin) {
    text = "Set aspect " + value + " on pin " + target;
    if (p[2] < kModulePins) pin_aspects_[p[2]] = p[3];
  } else if (p[1] == kSetAspectOnMapEntry) {
    text = "Set aspect " + value + " on address-map entry " + target;
  } else if (sub_code == kLivePwm) {
    text = "PWM level " + value + " on pin " + target + (slow ? ", slow" : "");
    MoveLive(p);
  } else if (sub_code == kLiveServo) {
    text = "Servo position " + std::to_string(p[3] - kSignedBias) + " on pin " + target +
           (slow ? ", dynamic" : "");
    MoveLive(p);
  } else {
    return;
  }
  Record({.bytes = p, .text = text});
}

void SimModule::MoveLive(const std::vector<int>& p) {
  if (p[2] >= kModulePins) return;
  const int sub_code = p[1] & ~kLiveSlow;
  std::vector<int>& block = memory_.pins[p[2]].working_block;
  if (block.size() < 2) return;
  // An output moves only when it is of the kind the command names.
  const bool pwm = block[0] == kTypePwm || block[0] == kTypePwmInverted;
  if ((sub_code == kLivePwm && pwm) || (sub_code == kLiveServo && block[0] == kTypeServo)) {
    block[1] = p[3];
  }
}

std::optional<Emission> SimModule::CompleteOlderFrame() {
  if (!ChecksumOk(frame_)) return std::nullopt;
  OlderFormat(frame_[0], frame_[1] & 127, frame_[2] & 127, frame_[3] & 127);
  return std::nullopt;  // the older format is never answered
}

void SimModule::OlderFormat(int address_byte, int b1, int b2, int b3) {
  const int module = address_byte / 4;
  const bool mine = module == config_.address;
  if (b1 == 0 && b2 == 0 && b3 == 0) {
    // The link reset in this format: the next direct frame starts a new alternation.
    if (mine) {
      ++reset_frames_;
      last_toggle_ = 0;
      last_answer_.reset();
    }
    return;
  }
  const std::string pin = std::to_string(b2);
  std::string what;
  switch (b1) {
    case kOlderSetAspectOnPin:
      what = "set aspect " + std::to_string(b3) + " on pin " + pin;
      if (mine && b2 < kModulePins) pin_aspects_[b2] = b3;
      break;
    case kOlderSetAspectOnMapEntry:
      what = "set aspect " + std::to_string(b3) + " on address-map entry " + pin;
      break;
    case kOlderReset:
      what = "reset";
      if (mine) pin_aspects_ = UnsetAspects();
      break;
    case kOlderClearPin:
      what = "clear pin " + pin;
      if (mine && b2 < kModulePins) pin_aspects_[b2] = -1;
      break;
    case kOlderLampTest:
      what = "lamp test of pin " + pin + ", value " + std::to_string(b3);
      break;
    default:
      what = "command " + std::to_string(b1) + ", " + pin + ", " + std::to_string(b3);
      break;
  }
  Record({.older_format = true,
          .address_byte = address_byte,
          .bytes = {b1, b2, b3},
          .text = "Older format to module " + std::to_string(module) + ": " + what});
}

void SimModule::Record(LayoutCommand command) {
  if (activity_sink_) activity_sink_(command.text);
  layout_commands_.push_back(std::move(command));
}

std::array<int, 4> SimModule::Feedback() const {
  std::array<int, 4> bytes = feedback_;
  if (toggling_ && clock_ && toggling_->period.count() > 0) {
    const auto phase = clock_->Now().time_since_epoch() / toggling_->period;
    if (phase % 2 == 1) bytes.at(toggling_->byte) ^= 1 << toggling_->bit;
  }
  return bytes;
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

// The Velora reply receiver on arbitrary line traffic with injected time, called on its own,
// through one Velora exchange and through the Velora route of SendPRMessage. The receiver is
// held against the frame rules alone: a byte below 128 starts a frame whose length its lead
// byte gives (20 payload bytes or more are never received), the first complete frame ends
// reception, and it is an answer exactly when its 7-bit sum is a multiple of 128. A tunnelled
// reply is valid only when the last frame read passed the checksum and came from the module.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "link/Frame.h"
#include "link/Link.h"
#include "link/Protocol.h"

namespace pyra::fuzz {
namespace {

constexpr int kNeverReceived = 20;

struct ReferenceFrame {
  bool complete = false;
  bool good = false;
  std::size_t end = 0;
  std::vector<uint8_t> bytes;
};

ReferenceFrame FirstCompleteFrame(const std::vector<uint8_t>& read) {
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (read[i] >= 128) continue;
    const int n = VeloraLengthFromLead(read[i]);
    if (n >= kNeverReceived) continue;
    const std::size_t length = static_cast<std::size_t>(n) + 2;
    if (i + length > read.size()) continue;
    bool whole = true;
    for (std::size_t k = i + 1; k < i + length; ++k) whole = whole && read[k] >= 128;
    if (!whole) continue;
    ReferenceFrame ref;
    ref.complete = true;
    ref.bytes.assign(read.begin() + static_cast<long>(i),
                     read.begin() + static_cast<long>(i + length));
    ref.good = ChecksumOk(ref.bytes);
    ref.end = i + length;
    return ref;
  }
  return {};
}

// RxMessage as the receiver leaves a good frame: its length, then its bytes, then zeros.
std::array<int, 21> Received(const std::vector<uint8_t>& frame) {
  std::array<int, 21> rx{};
  rx[0] = static_cast<int>(frame.size()) - 2;
  for (std::size_t i = 1; i < frame.size(); ++i) rx[i] = frame[i] & 127;
  return rx;
}

// Checks one receiver run over `read`; `answered` is what the caller made of it.
void CheckReceiver(const Link& link, const std::vector<uint8_t>& read, bool answered) {
  const ReferenceFrame ref = FirstCompleteFrame(read);
  if (!ref.complete) {
    Require(!answered, "an answer without a complete frame");
    return;
  }
  Require(ref.end == read.size(), "the receiver read on past a complete frame");
  Require(answered == ref.good, ref.good ? "a good frame was refused" : "a bad checksum passed");
  if (ref.good) {
    Require(link.State().RxMessage == Received(ref.bytes), "RxMessage differs from the frame");
  } else {
    Require(link.State().RxMessage[0] == 0, "a refused frame left its length");
  }
}

void ReceiveDirectly(Link& link, TimedChannel& channel) {
  const std::size_t read_before = channel.ReadCount();
  const bool answered = !link.ReceiveVeloraReply().empty();
  CheckReceiver(link, channel.ReadSince(read_before, 0), answered);
}

void ExchangeOnce(Link& link, TimedChannel& channel, int k) {
  const std::size_t read_before = channel.ReadCount();
  const int toggle = link.State().VeloraToggle;
  const bool open = channel.IsOpen();
  std::vector<int> payload;
  for (int i = 0; i < k % 4; ++i) payload.push_back((k * 37 + i) & 127);
  const bool answered = link.SendVeloraMessage(payload);
  // Nothing goes out on a line that failed before; a frame that went out flips the bit.
  Require(link.State().VeloraToggle == (open ? 1 - toggle : toggle),
          "the Velora alternation bit does not follow the frames sent");
  CheckReceiver(link, channel.ReadSince(read_before, channel.WrittenCount()), answered);
}

void Tunnel(Link& link, TimedChannel& channel, int k, bool expect_reply) {
  LinkState& s = link.State();
  const std::size_t read_before = channel.ReadCount();
  const int v = s.ModuleAddress + kVeloraModuleBase;
  const bool open = channel.IsOpen();
  const int payload[] = {112, k & 127};
  const bool result = link.SendPRMessage(expect_reply, std::span<const int>(payload));
  Require(result == s.ReplyValid, "the result is not ReplyValid");
  if (!open) {
    Require(!result, "a reply on a failed line");
    return;
  }
  if (!result || !expect_reply) return;

  const std::vector<uint8_t> last = LastFrame(channel.ReadSince(read_before, 0));
  Require(last.size() >= 2 &&
              last.size() == static_cast<std::size_t>(VeloraLengthFromLead(last[0])) + 2,
          "ReplyValid but the last frame read is not complete");
  Require(ChecksumOk(last), "ReplyValid without a frame that passed the checksum");
  const std::array<int, 21> rx = Received(last);
  Require(rx[0] >= 4 && rx[1] == 0 && rx[2] == v, "ReplyValid for a frame not from the module");
  Require(s.RxMessage[0] == (v & 31) * 4 + 3, "RxMessage(0) is not the module's address byte");
  const int h = rx[3];
  int shift = 0;
  if ((h & 16) == 0) {
    shift = 2;
  } else if (s.UseXAddress && (rx[4] & 127) == s.ExtendedAddress) {
    shift = 3;
  }
  if (shift == 0) {
    Require(s.RxMessage[1] == 0, "a reply with a wrong eXtended Address keeps its header");
    return;
  }
  Require(s.RxMessage[1] == h, "RxMessage(1) is not the reply header");
  for (int i = 2; i <= 16; ++i) {
    Require(s.RxMessage[i] == rx[i + shift], "tunnelled payload byte " + std::to_string(i));
  }
}

}  // namespace
}  // namespace pyra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pyra;
  using namespace pyra::fuzz;
  LinkRig rig(data, size);
  Link& link = rig.link;
  TimedChannel& channel = *rig.channel;
  const LinkScript& script = rig.script;
  LinkState& s = link.State();
  s.UseVelora = true;
  s.ModuleAddress = script.address & 31;
  s.VeloraToggle = (script.flags >> 1) & 1;

  const int exchanges = 1 + (script.flags >> 5);
  for (int k = 0; k < exchanges; ++k) {
    switch ((script.extended >> (2 * (k % 4))) & 3) {
      case 0:
        Tunnel(link, channel, k, true);
        break;
      case 1:
        Tunnel(link, channel, k, (script.flags & 4) != 0);
        break;
      case 2:
        ExchangeOnce(link, channel, k);
        break;
      default:
        ReceiveDirectly(link, channel);
        break;
    }
  }
  return 0;
}

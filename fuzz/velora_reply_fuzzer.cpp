// The Velora reply receiver on arbitrary line traffic with injected time, called on its own,
// through one Velora exchange and through the Velora route of SendPRMessage. The receiver is
// held against the frame rules alone: a byte below 128 starts a frame whose length its lead
// byte gives (20 payload bytes or more are never received), the first complete frame ends
// reception, and it is an answer exactly when its 7-bit sum is a multiple of 128. A tunnelled
// reply is valid only when the last frame read passed the checksum and came from the module.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "link/Frame.h"
#include "link/Protocol.h"

namespace pyra::fuzz {
namespace {

constexpr int kNeverReceived = 20;

// The first complete frame of `read`, good or not (empty if none), and where it ends.
std::vector<uint8_t> FirstCompleteFrame(const std::vector<uint8_t>& read, std::size_t& end) {
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (read[i] >= 128) continue;
    const int n = VeloraLengthFromLead(read[i]);
    if (n >= kNeverReceived) continue;
    std::vector<uint8_t> frame = WholeFrame(read, i, static_cast<std::size_t>(n) + 2);
    if (frame.empty()) continue;
    end = i + frame.size();
    return frame;
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
  std::size_t end = 0;
  const std::vector<uint8_t> frame = FirstCompleteFrame(read, end);
  if (frame.empty()) {
    Require(!answered, "an answer without a complete frame");
    return;
  }
  Require(end == read.size(), "the receiver read on past a complete frame");
  const bool good = ChecksumOk(frame);
  Require(answered == good, good ? "a good frame was refused" : "a bad checksum passed");
  Require(good ? link.State().RxMessage == Received(frame) : link.State().RxMessage[0] == 0,
          good ? "RxMessage differs from the frame" : "a refused frame left its length");
}

void ReceiveDirectly(LinkRig& rig) {
  const std::size_t read_before = rig.channel->ReadCount();
  const bool answered = !rig.link.ReceiveVeloraReply().empty();
  CheckReceiver(rig.link, rig.channel->ReadSince(read_before, 0), answered);
}

void ExchangeOnce(LinkRig& rig, int k) {
  const std::size_t read_before = rig.channel->ReadCount();
  const int toggle = rig.link.State().VeloraToggle;
  const bool open = rig.channel->IsOpen();
  std::vector<int> payload;
  for (int i = 0; i < k % 4; ++i) payload.push_back((k * 37 + i) & 127);
  const bool answered = rig.link.SendVeloraMessage(payload);
  // Nothing goes out on a line that failed before; a frame that went out flips the bit.
  Require(rig.link.State().VeloraToggle == (open ? 1 - toggle : toggle),
          "the Velora alternation bit does not follow the frames sent");
  CheckReceiver(rig.link, rig.channel->ReadSince(read_before, rig.channel->WrittenCount()),
                answered);
}

void Tunnel(LinkRig& rig, int k, bool expect_reply) {
  LinkState& s = rig.link.State();
  const std::size_t read_before = rig.channel->ReadCount();
  const int v = s.ModuleAddress + kVeloraModuleBase;
  const bool open = rig.channel->IsOpen();
  const int payload[] = {112, k & 127};
  const bool result = rig.link.SendPRMessage(expect_reply, std::span<const int>(payload));
  Require(result == s.ReplyValid, "the result is not ReplyValid");
  Require(open || !result, "a reply on a failed line");
  if (!result || !expect_reply) return;

  // The last frame read: from the last lead byte on.
  const std::vector<uint8_t> read = rig.channel->ReadSince(read_before, 0);
  std::size_t start = read.size();
  while (start > 0 && read[start - 1] >= 128) --start;
  const std::vector<uint8_t> last =
      start == 0 ? std::vector<uint8_t>{} : WholeFrame(read, start - 1, read.size() - start + 1);
  Require(last.size() >= 2 &&
              last.size() == static_cast<std::size_t>(VeloraLengthFromLead(last[0])) + 2,
          "ReplyValid but the last frame read is not complete");
  Require(ChecksumOk(last), "ReplyValid without a frame that passed the checksum");
  const std::array<int, 21> rx = Received(last);
  Require(rx[0] >= 4 && rx[1] == 0 && rx[2] == v, "ReplyValid for a frame not from the module");
  Require(s.RxMessage[0] == (v & 31) * 4 + 3, "RxMessage(0) is not the module's address byte");
  const int h = rx[3];
  const int shift = (h & 16) == 0 ? 2 : s.UseXAddress && (rx[4] & 127) == s.ExtendedAddress ? 3 : 0;
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
  using namespace pyra::fuzz;
  LinkRig rig(data, size);
  pyra::LinkState& s = rig.link.State();
  s.UseVelora = true;
  s.ModuleAddress = rig.address & 31;
  s.VeloraToggle = (rig.flags >> 1) & 1;
  for (int k = 0; k < rig.Exchanges(); ++k) {
    // Two bits of the eXtended Address byte per exchange choose its kind: a tunnelled exchange
    // that expects a reply (0), one that does so only with flag 4 (1), one Velora exchange (2) or
    // the receiver on its own (3).
    const int kind = (rig.extended >> (2 * (k % 4))) & 3;
    if (kind == 2) {
      ExchangeOnce(rig, k);
    } else if (kind == 3) {
      ReceiveDirectly(rig);
    } else {
      Tunnel(rig, k, kind == 0 || (rig.flags & 4) != 0);
    }
  }
  return 0;
}

// The direct-link reply receiver on arbitrary line traffic with injected time: stale bytes,
// noise, cut frames, bad checksums, late replies and a line that fails. Every result is held
// against a receiver written from the frame rules alone: reception restarts at each byte below
// 128 and ends with the first frame whose 7-bit sum is a multiple of 128. A reply counts as
// valid exactly when that frame carries the address byte sent, a header of 96 or more and the
// eXtended Address as configured; RxMessage then holds its payload. Writes past RxMessage are
// caught by the library's bounds checks and AddressSanitizer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "link/Frame.h"

namespace pyra::fuzz {
namespace {

// The first frame of `read` that passes its checksum (empty if none) and how far `read` must
// have gone to take it.
std::vector<uint8_t> FirstGoodFrame(const std::vector<uint8_t>& read, std::size_t& end) {
  for (std::size_t i = 0; i + 1 < read.size(); ++i) {
    if (read[i] >= 128) continue;
    const int h = read[i + 1] & 127;
    const auto length = static_cast<std::size_t>((h & 15) + ((h & 16) ? 1 : 0) + 3);
    std::vector<uint8_t> frame = WholeFrame(read, i, length);
    if (!frame.empty() && ChecksumOk(frame)) {
      end = i + length;
      return frame;
    }
  }
  return {};
}

// RxMessage after a good frame: address, header, then the payload from `skip` bytes on.
void CheckPayload(const LinkState& s, const std::vector<uint8_t>& frame, int skip) {
  Require(s.RxMessage[0] == frame[0] && s.RxMessage[1] == (frame[1] & 127),
          "RxMessage does not start with the frame's address byte and header");
  for (int i = 0; i < (frame[1] & 15); ++i) {
    Require(s.RxMessage[2 + i] == (frame[2 + skip + i] & 127),
            "payload byte " + std::to_string(i) + " differs from the frame");
  }
}

void ReceiveDirectly(LinkRig& rig) {
  const std::size_t read_before = rig.channel->ReadCount();
  const bool got = rig.link.ReceiveReply();
  const std::vector<uint8_t> read = rig.channel->ReadSince(read_before, 0);
  std::size_t end = 0;
  const std::vector<uint8_t> frame = FirstGoodFrame(read, end);
  Require(got == !frame.empty(), got ? "a reply without a good frame" : "a good frame was missed");
  if (!got) return;
  Require(end == read.size(), "the receiver read on past a complete frame");
  CheckPayload(rig.link.State(), frame, 0);
}

void Exchange(LinkRig& rig, int k) {
  LinkState& s = rig.link.State();
  TimedChannel& channel = *rig.channel;
  const int toggle_before = s.ToggleBit;
  const int toggle = toggle_before == 128 ? 64 : toggle_before;
  const auto address_byte = static_cast<uint8_t>(toggle + s.ModuleAddress * 4 + 3);
  const bool bidirectional = s.Bidirectional;
  const std::size_t read_before = channel.ReadCount();

  const bool open = channel.IsOpen();
  const int payload[] = {112, k & 127};
  const bool sent = rig.link.SendPRMessage(true, std::span<const int>(payload));
  // A line that fails before or during the exchange means the frame does not count as sent.
  Require(sent == (open && channel.IsOpen()), "a frame counts as sent on a failed line");
  if (!sent) {
    Require(!s.ReplyValid, "ReplyValid on a failed line");
    if (!open) Require(s.ToggleBit == toggle_before, "a frame never sent changed the state");
    return;
  }
  const std::vector<uint8_t> read = channel.ReadSince(read_before, channel.WrittenCount());
  Require(s.ToggleBit == (toggle ^ 64), "the alternation bit did not flip");

  if (!bidirectional) {
    Require(!s.ReplyValid && read.empty(), "a reply was read without bidirectional mode");
    return;
  }
  std::size_t end = 0;
  const std::vector<uint8_t> f = FirstGoodFrame(read, end);
  if (f.empty()) {
    Require(!s.ReplyValid, "ReplyValid without a frame that passed the checksum");
    Require(s.Bidirectional == !channel.IsOpen(), "bidirectional mode after no reply");
    return;
  }
  Require(end == read.size(), "the receiver read on past a complete frame");
  Require(s.Bidirectional, "bidirectional mode ended although a reply came");
  const int h = f[1] & 127;
  const bool has_xa = (h & 16) != 0;
  const bool valid = f[0] == address_byte && h >= 96 && has_xa == s.UseXAddress &&
                     (!has_xa || (f[2] & 127) == s.ExtendedAddress);
  Require(s.ReplyValid == valid, valid ? "a valid reply was refused" : "a wrong reply is valid");
  if (valid) CheckPayload(s, f, has_xa ? 1 : 0);
}

}  // namespace
}  // namespace pyra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pyra::fuzz::LinkRig rig(data, size);
  pyra::LinkState& s = rig.link.State();
  s.ModuleAddress = rig.address & 15;
  const int toggles[] = {0, 64, 128, 128};
  s.ToggleBit = toggles[(rig.flags >> 2) & 3];
  for (int k = 0; k < rig.Exchanges(); ++k) {
    // Reading operations tick bidirectional mode again; flag 2 leaves it off.
    s.Bidirectional = (rig.flags & 2) == 0;
    if ((rig.address >> (4 + k % 4)) & 1) {
      pyra::fuzz::ReceiveDirectly(rig);
    } else {
      pyra::fuzz::Exchange(rig, k);
    }
  }
  return 0;
}

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
#include "link/Link.h"

namespace pyra::fuzz {
namespace {

struct ReferenceFrame {
  bool found = false;
  std::size_t end = 0;  // one past its checksum
  std::vector<uint8_t> bytes;
};

ReferenceFrame FirstGoodFrame(const std::vector<uint8_t>& read) {
  for (std::size_t i = 0; i + 1 < read.size(); ++i) {
    if (read[i] >= 128 || read[i + 1] < 128) continue;
    const int h = read[i + 1] & 127;
    const std::size_t length = static_cast<std::size_t>((h & 15) + ((h & 16) ? 1 : 0) + 3);
    if (i + length > read.size()) continue;
    bool whole = true;
    for (std::size_t k = i + 2; k < i + length; ++k) whole = whole && read[k] >= 128;
    if (!whole) continue;
    const std::vector<uint8_t> frame(read.begin() + static_cast<long>(i),
                                     read.begin() + static_cast<long>(i + length));
    if (ChecksumOk(frame)) return {true, i + length, frame};
  }
  return {};
}

// RxMessage after a good frame: address, header, then the payload from `skip` bytes on.
void CheckPayload(const LinkState& s, const std::vector<uint8_t>& frame, int skip) {
  Require(s.RxMessage[0] == frame[0], "RxMessage(0) is not the frame's address byte");
  Require(s.RxMessage[1] == (frame[1] & 127), "RxMessage(1) is not the frame's header");
  const int size = frame[1] & 15;
  for (int i = 0; i < size; ++i) {
    Require(s.RxMessage[2 + i] == (frame[2 + skip + i] & 127),
            "payload byte " + std::to_string(i) + " differs from the frame");
  }
}

void ReceiveDirectly(Link& link, TimedChannel& channel) {
  const std::size_t read_before = channel.ReadCount();
  const bool got = link.ReceiveReply();
  const std::vector<uint8_t> read = channel.ReadSince(read_before, 0);
  const ReferenceFrame ref = FirstGoodFrame(read);
  Require(got == ref.found, got ? "a reply without a good frame" : "a good frame was missed");
  if (!got) return;
  Require(ref.end == read.size(), "the receiver read on past a complete frame");
  CheckPayload(link.State(), ref.bytes, 0);
}

void Exchange(Link& link, TimedChannel& channel, int k) {
  LinkState& s = link.State();
  const int toggle_before = s.ToggleBit;
  const int toggle = toggle_before == 128 ? 64 : toggle_before;
  const auto address_byte = static_cast<uint8_t>(toggle + s.ModuleAddress * 4 + 3);
  const bool bidirectional = s.Bidirectional;
  const std::size_t read_before = channel.ReadCount();

  const bool open = channel.IsOpen();
  const int payload[] = {112, k & 127};
  const bool sent = link.SendPRMessage(true, std::span<const int>(payload));
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
  const ReferenceFrame ref = FirstGoodFrame(read);
  if (!ref.found) {
    Require(!s.ReplyValid, "ReplyValid without a frame that passed the checksum");
    Require(s.Bidirectional == !channel.IsOpen(), "bidirectional mode after no reply");
    return;
  }
  Require(ref.end == read.size(), "the receiver read on past a complete frame");
  Require(s.Bidirectional, "bidirectional mode ended although a reply came");
  const std::vector<uint8_t>& f = ref.bytes;
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
  using namespace pyra;
  using namespace pyra::fuzz;
  LinkRig rig(data, size);
  Link& link = rig.link;
  TimedChannel& channel = *rig.channel;
  const LinkScript& script = rig.script;
  LinkState& s = link.State();
  s.ModuleAddress = script.address & 15;
  const int toggles[] = {0, 64, 128, 128};
  s.ToggleBit = toggles[(script.flags >> 2) & 3];

  const int exchanges = 1 + (script.flags >> 5);
  for (int k = 0; k < exchanges; ++k) {
    // Reading operations tick bidirectional mode again; the script may leave it off.
    s.Bidirectional = (script.flags & 2) == 0;
    if ((script.address >> (4 + k % 4)) & 1) {
      ReceiveDirectly(link, channel);
    } else {
      Exchange(link, channel, k);
    }
  }
  return 0;
}

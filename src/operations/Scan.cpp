#include "operations/Scan.h"

#include <chrono>

#include "link/Protocol.h"
#include "model/ModuleSettings.h"
#include "operations/Identity.h"

namespace pyra {

namespace {

using std::chrono::milliseconds;

constexpr int kDirectAddresses = 16;
constexpr int kVeloraAddresses = 32;
constexpr int kExtendedAddresses = 96;

constexpr int kBitsPerByte = 11;  // start, 8 data, parity, stop
// A probe goes to a module other than the last one, so it follows a sync burst and a reset frame;
// the request 112, 0 and the version reply carry an eXtended Address byte when one is used.
constexpr int kProbeBytesOut = 9 + 3 + 6;  // burst, reset frame, request
constexpr int kProbeBytesIn = 10;          // address, header, XA, 112, 0, four numbers, checksum
constexpr int kVersionReplySize = 6;

// A module answers a version request from its memory within a few milliseconds of the request's
// checksum byte. The allowance also covers a USB adapter, which holds received bytes up to its
// latency timer (16 ms by default) and may still be sending the request when the wait starts.
constexpr milliseconds kAnswerAllowance{100};
// Behind a Velora unit the request crosses the layout bus and the reply waits for one of the
// tool's polls; the system answers its own frames at once, so this is the only added wait.
constexpr milliseconds kVeloraAllowance{300};

std::string VersionFromReply(const LinkState& s) {
  const auto& rx = s.RxMessage;
  if ((rx[1] & 15) != kVersionReplySize || rx[2] != kCmdReadGeneral || rx[3] != kSubVersion) {
    return "Unknown";
  }
  return std::to_string(rx[4]) + "." + std::to_string(rx[5]) + "." + std::to_string(rx[6]) + "." +
         std::to_string(rx[7]);
}

}  // namespace

// Both directions at the line's bit rate, doubled against pauses between bytes, plus the
// module's answer: 132 ms at 19200 bit/s, 164 ms at 9600, so that the 15 silent addresses of a
// bus with one module cost about 2 seconds instead of 30.
Clock::Duration ScanReplyWait(int bit_rate, bool velora) {
  const double line_seconds =
      2.0 * (kProbeBytesOut + kProbeBytesIn) * kBitsPerByte / static_cast<double>(bit_rate);
  const auto line =
      std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(line_seconds));
  return line + kAnswerAllowance + (velora ? Clock::Duration(kVeloraAllowance) : Clock::Duration{});
}

void SelectModule(Link& link, int address, std::optional<int> extended_address) {
  LinkState& s = link.State();
  s.ModuleAddress = static_cast<uint8_t>(address);
  s.UseXAddress = extended_address.has_value();
  s.ExtendedAddress = static_cast<uint8_t>(extended_address.value_or(0));
  s.Bidirectional = true;
  link.RequestReset();
}

ScanResult ScanBus(Link& link, const ScanOptions& options) {
  ScanResult result;
  const bool velora = link.State().UseVelora;
  const int addresses = velora ? kVeloraAddresses : kDirectAddresses;
  const Clock::Duration wait = ScanReplyWait(options.bit_rate, velora);
  const auto ask = [&](int address, std::optional<int> extended_address) -> bool {
    SelectModule(link, address, extended_address);
    if (!link.Probe({kCmdReadGeneral, kSubVersion}, wait)) return false;
    FoundModule found{address, extended_address, VersionFromReply(link.State()), std::nullopt};
    result.modules.push_back(found);
    return true;
  };

  for (int address = 0; address < addresses && !result.cancelled; ++address) {
    link.ReportProgress("Scanning address " + std::to_string(address + options.number_base),
                        address, addresses);
    if (link.CancelRequested()) {
      result.cancelled = true;
      break;
    }
    if (!ask(address, std::nullopt) || !options.extended) continue;
    // Modules that share a base address all hear a frame without an eXtended Address; each is
    // told apart by its own.
    const std::size_t base = result.modules.size() - 1;
    for (int x = 0; x < kExtendedAddresses; ++x) {
      if (link.CancelRequested()) {
        result.cancelled = true;
        break;
      }
      ask(address, x);
    }
    if (result.modules.size() > base + 1) result.modules.erase(result.modules.begin() + base);
  }
  for (FoundModule& found : result.modules) {
    if (link.CancelRequested()) {
      result.cancelled = true;
      break;
    }
    SelectModule(link, found.address, found.extended_address);
    ModuleSettings settings;
    if (ReadIDString(link, settings)) found.id = settings.IDString;
  }
  link.ReportProgress("Scan done", addresses, addresses);
  return result;
}

}  // namespace pyra

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/Link.h"

namespace pyra {

// One module that answered a scan.
struct FoundModule {
  int address = 0;                      // 0-based, as the link stores it
  std::optional<int> extended_address;  // present when it was found at an eXtended Address
  std::string firmware_version;         // "Unknown" when its answer was no version
  std::optional<std::string> id;        // nothing when the ID could not be read
};

struct ScanOptions {
  int bit_rate = 19200;
  // Also ask every eXtended Address at each base address that answers.
  bool extended = false;
  int number_base = 1;  // how the progress line numbers the addresses
};

struct ScanResult {
  std::vector<FoundModule> modules;  // in the order asked: by address, then eXtended Address
  bool cancelled = false;
};

// How long a scan waits for a module at an address that may be silent (see Scan.cpp).
Clock::Duration ScanReplyWait(int bit_rate, bool velora);

// Asks every module address (0..15, or 0..31 through the Velora route the link uses) for its
// firmware version, quietly and with a short reply deadline, then each module found for its ID.
// A silent address is no failure and prints nothing; Cancel stops between addresses.
ScanResult ScanBus(Link& link, const ScanOptions& options);

// Points the link at one module of the bus; the next frame goes after a link reset, as after any
// change of address, because the module's alternation bit is its own.
void SelectModule(Link& link, int address, std::optional<int> extended_address);

}  // namespace pyra

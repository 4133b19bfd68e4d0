// Backup and restore through the simulated module. The fuzzer's bytes fill a module memory field
// by field over the ranges the wire carries (tests/roundtrip/WireMemory.h); Read All saves it as a
// configuration file, which is loaded and written with Write All onto a factory-fresh module.
// Loading never refuses what Read All saved, the fresh module holds the memory up to the named
// normalisations, and Verify All of the file against the first module passes exactly when none
// of the normalisations needed is one that verification compares raw.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "roundtrip/RoundTrip.h"
#include "roundtrip/WireMemory.h"

namespace pyra::fuzz {
namespace {

// A dry input answers the bottom of every range: a faithful memory of usual values.
struct FuzzedDraw final : roundtrip::Draw {
  explicit FuzzedDraw(FuzzedDataProvider& bytes) : in(bytes) {}
  int Int(int lo, int hi) override { return in.ConsumeIntegralInRange<int>(lo, hi); }
  FuzzedDataProvider& in;
};

std::string Joined(const std::vector<std::string>& texts) {
  std::string s;
  for (const std::string& t : texts) s += (s.empty() ? "" : "; ") + t;
  return s;
}

}  // namespace
}  // namespace pyra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pyra;
  using namespace pyra::fuzz;
  FuzzedDataProvider in(data, size);
  FuzzedDraw draw(in);
  const sim::ModuleMemory memory = roundtrip::RandomMemory(draw);
  const roundtrip::Normalised want = roundtrip::Normalise(memory);
  const roundtrip::RoundTripResult r = roundtrip::RoundTrip(memory);

  Require(r.read_ok, "Read All failed: " + Joined(r.messages));
  Require(r.load.ok, "the saved file is refused: line " + std::to_string(r.load.error.line) + ": " +
                         r.load.error.reason);
  Require(r.write_ok, "Write All failed: " + Joined(r.messages));
  const std::string differs = roundtrip::FirstDifference(want.memory, r.written);
  Require(differs.empty(), "written back differently: " + differs);
  if (want.seen_by_verify.empty()) {
    Require(r.verify_ok, "the backup does not verify against its module: " + r.verify_log);
  } else {
    Require(!r.verify_ok, "verification missed: " + Joined(want.seen_by_verify));
  }
  return 0;
}

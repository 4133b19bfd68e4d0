// Backup and restore over many seeded random module memories: Read All, save, load, Write All
// onto a factory-fresh module gives the memory back up to the named normalisations, and the
// file verifies against the module it came from exactly when no normalisation that Verify All
// compares raw was needed.
#include <gtest/gtest.h>

#include "roundtrip/RoundTrip.h"
#include "roundtrip/WireMemory.h"

namespace pyra::roundtrip {
namespace {

constexpr uint32_t kFirstSeed = 20261207;
// Blocks short enough under the sanitizers on a busy machine (300 memories in all).
constexpr int kBlocks = 60;
constexpr int kMemoriesPerBlock = 5;

std::string Lines(const std::vector<std::string>& texts) {
  std::string s;
  for (const std::string& t : texts) s += "\n  " + t;
  return s;
}

class RoundTripTest : public ::testing::TestWithParam<int> {};

TEST_P(RoundTripTest, BackupRestoresTheMemoryAndVerifiesAgainstItsModule) {
  for (int k = 0; k < kMemoriesPerBlock; ++k) {
    const uint32_t seed = kFirstSeed + static_cast<uint32_t>(GetParam() * kMemoriesPerBlock + k);
    SCOPED_TRACE("memory of seed " + std::to_string(seed));
    SeededDraw draw(seed);
    const sim::ModuleMemory memory = RandomMemory(draw);
    const Normalised want = Normalise(memory);
    const RoundTripResult r = RoundTrip(memory);

    EXPECT_TRUE(r.read_ok);
    EXPECT_TRUE(r.messages.empty()) << Lines(r.messages);
    if (!r.load.ok) {
      ADD_FAILURE() << "the saved file does not load: line " << r.load.error.line << ": "
                    << r.load.error.reason;
      continue;
    }
    EXPECT_TRUE(r.write_ok);
    EXPECT_EQ(FirstDifference(want.memory, r.written), "") << "normalised:" << Lines(want.applied);
    if (want.seen_by_verify.empty()) {
      EXPECT_TRUE(r.verify_ok && r.verify_log.ends_with("Verify OK")) << r.verify_log;
    } else {
      EXPECT_FALSE(r.verify_ok) << "the module differs from the file in:"
                                << Lines(want.seen_by_verify);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SeedBlocks, RoundTripTest, ::testing::Range(0, kBlocks));

}  // namespace
}  // namespace pyra::roundtrip

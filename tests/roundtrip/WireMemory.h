#pragma once

// Module memories drawn from the wire rules alone, and what a read-save-load-write round trip
// can give back of them. Written without the tool's encoders and decoders, so that a fault the
// two share (a symmetric mistake) still shows.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/SimModule.h"

namespace pyra::roundtrip {

// Where the values come from: a seeded generator in the tests, the fuzzer's bytes in the fuzz
// target. A source that has run dry answers `lo`, which the generator reads as the usual case.
class Draw {
 public:
  virtual ~Draw() = default;
  virtual int Int(int lo, int hi) = 0;  // lo..hi inclusive
  // A value that only a module written by some other means holds; one draw in sixteen.
  bool Unusual() { return Int(0, 15) == 15; }
};

// mt19937 gives the same numbers everywhere; the standard distributions do not, so the range
// is reduced here.
class SeededDraw final : public Draw {
 public:
  explicit SeededDraw(uint32_t seed) : engine_(seed) {}
  int Int(int lo, int hi) override {
    return lo + static_cast<int>(engine_() % static_cast<uint32_t>(hi - lo + 1));
  }

 private:
  std::mt19937 engine_;
};

// Every field over the range its bytes carry on the wire, tied together where the write rules
// tie them (see the ties named in WireMemory.cpp).
sim::ModuleMemory RandomMemory(Draw& draw);

struct Normalised {
  sim::ModuleMemory memory;
  // The normalisations that changed something, by name; those of them that Verify All of the
  // loaded file against the original module must report as a difference.
  std::vector<std::string> applied;
  std::vector<std::string> seen_by_verify;
};

// What Write All of the saved and loaded configuration puts onto a factory-fresh module.
Normalised Normalise(const sim::ModuleMemory& memory);

// The first field in which `got` differs from `want`, with both values; "" when they agree. The
// servo's "initialised" status is no setting and is left out.
std::string FirstDifference(const sim::ModuleMemory& want, const sim::ModuleMemory& got);

}  // namespace pyra::roundtrip

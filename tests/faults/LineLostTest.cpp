// The line vanishing in the middle of Read All, Write All and Verify All: between two steps (pulled
// from the progress report) or while the tool waits for a reply. The operation ends with the one
// clear message, nothing waits, the tool keeps what it had done, and the same operation on a
// reconnected line works.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "faults/FaultRig.h"
#include "operations/Batch.h"

namespace pyra::faults {
namespace {

using Texts = std::vector<std::string>;

constexpr char kLost[] =
    "The connection to the module was lost: the simulated line was disconnected";
constexpr auto kLongestWait = std::chrono::seconds(2) + std::chrono::milliseconds(100);

struct LostCase {
  const char* name;
  Op op;
  // Pulled when the operation reports this step, or else when the module has taken the request
  // that starts with `payload_start` and the tool waits for its reply.
  const char* step;
  std::vector<int> payload_start;
  bool through_velora = false;
  // Verify All: the log lines written after the line went, before the closing verdict.
  std::string log_after_loss = {};
};

void PrintTo(const LostCase& c, std::ostream* os) { *os << c.name; }

// What the tool had done when the line went, and what it did in the end.
struct Snapshot {
  Configuration model = DefaultConfiguration();
  sim::ModuleMemory memory;
  std::string log;
};

class LineLostTest : public ::testing::TestWithParam<LostCase> {
 protected:
  // Runs the case's operation on a fresh rig; `at_the_point` runs where the line is to go.
  static bool RunCase(Rig& rig, Snapshot& result,
                      const std::function<void(Snapshot&)>& at_the_point) {
    const LostCase& c = GetParam();
    bool reached = false;
    VerificationLog log;
    Snapshot then;
    auto reach = [&] {
      if (reached) return;
      reached = true;
      then.model = result.model;
      then.memory = rig.Module().Memory();
      then.log = log.Text();
      at_the_point(then);
    };
    if (c.step) {
      rig.link.SetProgressSink([&](const std::string& step, int, int) {
        if (step == c.step) reach();
      });
    } else {
      rig.watch.on_request = [&](int request) {
        if (FindRequest(rig.Module(), c.payload_start) == request) reach();
      };
    }
    const bool ok = RunOperation(c.op, rig, result.model, log);
    EXPECT_TRUE(reached) << "the operation never came to the point";
    result.memory = rig.Module().Memory();
    result.log = log.Text();
    return ok;
  }
};

TEST_P(LineLostTest, OperationEndsWithTheMessageAndTheNextOneWorks) {
  const LostCase& c = GetParam();

  Rig reference(StartMemory(c.op), StartExtendedAddress(c.op), c.through_velora);
  Snapshot reference_then;
  Snapshot reference_end;
  ASSERT_TRUE(RunCase(reference, reference_end, [&](Snapshot& then) { reference_then = then; }));
  ASSERT_TRUE(reference.prompter.Texts().empty()) << reference.prompter.Last();

  Rig rig(StartMemory(c.op), StartExtendedAddress(c.op), c.through_velora);
  Snapshot end;
  const bool ok = RunCase(rig, end, [&](Snapshot&) { rig.Channel().Unplug(); });

  EXPECT_FALSE(ok);
  EXPECT_EQ(rig.prompter.Texts(), (Texts{kLost}));
  EXPECT_LE(rig.LongestSilence(), kLongestWait);
  switch (c.op) {
    case Op::kReadAll:
      ExpectSameConfiguration(end.model, reference_then.model);
      break;
    case Op::kWriteAll:
      ExpectSameMemory(end.memory, reference_then.memory);
      break;
    case Op::kVerifyAll:
      EXPECT_EQ(end.log, reference_then.log + c.log_after_loss + "Verification Stopped");
      break;
  }

  // Picking the port again gives a working line; the operation now runs through.
  rig.Reconnect();
  rig.prompter.Clear();
  rig.watch.on_request = nullptr;
  rig.link.SetProgressSink({});
  Configuration model = DefaultConfiguration();
  VerificationLog log;
  EXPECT_TRUE(RunOperation(c.op, rig, model, log)) << rig.prompter.Last();
  EXPECT_TRUE(rig.prompter.Texts().empty()) << rig.prompter.Last();
  switch (c.op) {
    case Op::kReadAll:
      ExpectSameConfiguration(model, reference_end.model);
      break;
    case Op::kWriteAll:
      ExpectSameMemory(rig.Module().Memory(), reference_end.memory);
      break;
    case Op::kVerifyAll:
      EXPECT_EQ(log.Text(), reference_end.log);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Unplugged, LineLostTest,
    ::testing::Values(
        LostCase{"ReadAllBeforeTheDccSettings", Op::kReadAll, "Reading the DCC settings", {}},
        LostCase{"ReadAllBeforePin5", Op::kReadAll, "Reading pin 5 of 32", {}},
        LostCase{"ReadAllBeforeTheEnableMap", Op::kReadAll, "Reading the enable map", {}},
        LostCase{"ReadAllWaitingInsidePin4", Op::kReadAll, nullptr, {115, 4, 2, 3}},
        LostCase{"ReadAllThroughVeloraBeforePin5", Op::kReadAll, "Reading pin 5 of 32", {}, true},
        LostCase{"WriteAllBeforeTheFirstWrite", Op::kWriteAll, "Writing the ID string", {}},
        LostCase{"WriteAllBeforePin5", Op::kWriteAll, "Writing pin 5 of 32", {}},
        LostCase{"WriteAllWaitingInsidePin4", Op::kWriteAll, nullptr, {99, 4, 2, 3}},
        // The last write's acknowledgement never comes: the write is not done as far as the
        // user can tell, so Write All must not end as a success.
        LostCase{"WriteAllWaitingForTheLastAcknowledgement", Op::kWriteAll, nullptr, {96, 2}},
        LostCase{"VerifyAllWaitingForTheId",
                 Op::kVerifyAll,
                 nullptr,
                 {112, 10},
                 false,
                 "ReadIDString: No response\r\nHWCRead: No response\r\n"},
        LostCase{
            "VerifyAllBeforeTheEventsOfPin3", Op::kVerifyAll, "Verifying Event-On of pin 3", {}},
        LostCase{"VerifyAllBeforePin5", Op::kVerifyAll, "Verifying pin 5 of 32", {}},
        LostCase{"VerifyAllWaitingForTheLastPin", Op::kVerifyAll, nullptr, {118, 31}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::faults

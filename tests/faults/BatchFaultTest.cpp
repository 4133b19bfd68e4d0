// Read All, Write All and Verify All against a simulated module that breaks one reply: at the
// first exchange, in the middle of a pin, and at the last exchange. Each case states what the user
// is told, whether the operation succeeds, and what the tool holds afterwards, compared field by
// field with a fault-free run of the same module; the next operation must work again.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "faults/FaultRig.h"
#include "files/RichConfiguration.h"
#include "operations/Batch.h"

namespace pyra::faults {
namespace {

using sim::Fault;
using std::chrono::milliseconds;
using std::chrono::seconds;
using Texts = std::vector<std::string>;

constexpr char kNoResponse[] = "No response received, resetting bidirectional communication";
constexpr char kCrLf[] = "\r\n";

// The longest the tool may stay silent: the 2-second reply time-out, followed at most by the
// 100 ms pacing of a write that no longer waits for its acknowledgement.
constexpr auto kLongestWait = seconds(2) + milliseconds(100);

// After a failure the user answers the message before starting the next operation (the window's
// message box is modal, pyractl ends); by then even a reply that came late has arrived and is
// dropped before the next frame.
constexpr auto kUserPause = seconds(2);

// The link's text for a reply it refuses. The first frame after opening carries the alternation
// bit (address byte 67 for module 0), every later one flips it.
std::string Invalid(int received_address, int header) {
  return std::string("Invalid response received, ") + kCrLf +
         "Received: Addr = " + std::to_string(received_address) +
         " Header = " + std::to_string(header) + kCrLf + "Expected: Addr = 3 Header > 95 ";
}

// Which exchange the fault hits, found in a fault-free run by the start of its payload.
struct Exchange {
  const char* name;
  std::vector<int> payload_start;
};

const Exchange kReadVersion{"FirstExchange", {112, 0}};
const Exchange kReadStep{"InsidePin4", {115, 4, 2, 3}};  // aspect 2, step 3 of pin 4
const Exchange kReadEnableMap{"LastExchange", {112, 11}};
const Exchange kWriteID{"FirstExchange", {96, 10}};
const Exchange kWriteStep{"InsidePin4", {99, 4, 2, 3}};
const Exchange kWriteXAddress{"LastExchange", {96, 2}};
const Exchange kVerifyID{"FirstExchange", {112, 10}};
const Exchange kVerifyStep{"InsidePin4", {115, 4, 2, 3}};
const Exchange kVerifyAddressConfig{"LastExchange", {118, 31}};

// What the tool holds afterwards: what a fault-free run held just before the faulted exchange,
// or everything.
enum class Holds { kUpToTheFault, kEverything };

struct FaultCase {
  Op op;
  Exchange at;
  Fault fault;
  const char* fault_name;
  bool ok;
  Texts messages;
  Holds holds;
  // Verify All: the log lines written after the faulted exchange, before the closing verdict.
  std::string log_after_fault = {};
};

std::string Name(const FaultCase& c) {
  return std::string(OpName(c.op)) + "_" + c.at.name + "_" + c.fault_name;
}

// A fault-free run: what the operation ended with, and the model and log as they were when the
// module accepted the exchange that a faulted run breaks, before it answered.
struct Outcome {
  bool ok = false;
  Configuration model = DefaultConfiguration();
  sim::ModuleMemory memory;
  VerificationLog log;
  Configuration model_then = DefaultConfiguration();
  std::string log_then;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << Name(c); }

class BatchFaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  // A fault-free run, snapshotted at the exchange that starts with `payload_start`.
  static Outcome Reference(Op op, const std::vector<int>& payload_start, int& exchange) {
    Outcome reference;
    {
      Rig probe(StartMemory(op), StartExtendedAddress(op));
      Configuration model;
      VerificationLog log;
      EXPECT_TRUE(RunOperation(op, probe, model, log)) << probe.prompter.Last();
      exchange = FindRequest(probe.Module(), payload_start);
    }
    Rig rig(StartMemory(op), StartExtendedAddress(op));
    rig.watch.on_request = [&](int request) {
      if (request != exchange) return;
      reference.model_then = reference.model;
      reference.log_then = reference.log.Text();
    };
    reference.ok = RunOperation(op, rig, reference.model, reference.log);
    reference.memory = rig.Module().Memory();
    return reference;
  }

  // What a fresh Read All of the rich module gives.
  static const Configuration& FullRead() {
    static const Configuration full = [] {
      Rig rig(RichMemory(), RichExtendedAddress());
      Configuration c = DefaultConfiguration();
      EXPECT_TRUE(ReadAll(rig.link, c));
      return c;
    }();
    return full;
  }
};

TEST_P(BatchFaultTest, FaultIsReportedAndLeavesWhatWasDoneBeforeIt) {
  const FaultCase& c = GetParam();
  int exchange = 0;
  const Outcome reference = Reference(c.op, c.at.payload_start, exchange);
  ASSERT_TRUE(reference.ok);
  ASSERT_GT(exchange, 0) << "the operation has no such exchange";

  Rig rig(StartMemory(c.op), StartExtendedAddress(c.op));
  rig.Module().InjectFault(c.fault, exchange);
  Configuration model = DefaultConfiguration();
  VerificationLog log;
  const bool ok = RunOperation(c.op, rig, model, log);

  EXPECT_EQ(ok, c.ok);
  EXPECT_EQ(rig.prompter.Texts(), c.messages);
  EXPECT_LE(rig.LongestSilence(), kLongestWait);
  switch (c.op) {
    case Op::kReadAll:
      ExpectSameConfiguration(
          model, c.holds == Holds::kEverything ? reference.model : reference.model_then);
      break;
    case Op::kWriteAll:
      // Every fault of a reply to a write leaves the write done; the sequence goes on.
      ExpectSameMemory(rig.Module().Memory(), reference.memory);
      break;
    case Op::kVerifyAll:
      EXPECT_EQ(log.Text(), c.holds == Holds::kEverything
                                ? reference.log.Text()
                                : reference.log_then + c.log_after_fault + "Verification Stopped");
      break;
  }

  // The next operation, a fresh Read All, gets the whole module.
  rig.clock.Advance(kUserPause);
  rig.prompter.Clear();
  Configuration again = DefaultConfiguration();
  EXPECT_TRUE(ReadAll(rig.link, again)) << rig.prompter.Last();
  EXPECT_TRUE(rig.prompter.Texts().empty()) << rig.prompter.Last();
  ExpectSameConfiguration(again, FullRead());
}

#define FAULT(f) Fault::f, #f

// Read All: a broken reply ends the step that asked (the closing enable-map read only reports a
// short reply), and the model keeps what earlier exchanges filled in, a half-read pin included.
const FaultCase kReadAllCases[] = {
    {Op::kReadAll, kReadVersion, FAULT(kNoReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll, kReadVersion, FAULT(kBadChecksum), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadVersion,
     FAULT(kWrongAddress),
     false,
     {Invalid(71, 102)},
     Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadVersion,
     FAULT(kStaleToggle),
     false,
     {Invalid(3, 102)},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadVersion, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kReadAll,
     kReadVersion,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadVersion, FAULT(kSlowReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadVersion,
     FAULT(kShortReply),
     false,
     {"GetVersion: No valid response, size <> 6"},
     Holds::kUpToTheFault},

    {Op::kReadAll, kReadStep, FAULT(kNoReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll, kReadStep, FAULT(kBadChecksum), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadStep,
     FAULT(kWrongAddress),
     false,
     {Invalid(71, 105)},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadStep, FAULT(kStaleToggle), false, {Invalid(3, 105)}, Holds::kUpToTheFault},
    {Op::kReadAll, kReadStep, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kReadAll,
     kReadStep,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadStep, FAULT(kSlowReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadStep,
     FAULT(kShortReply),
     false,
     {"No valid response"},
     Holds::kUpToTheFault},

    {Op::kReadAll, kReadEnableMap, FAULT(kNoReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll, kReadEnableMap, FAULT(kBadChecksum), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadEnableMap,
     FAULT(kWrongAddress),
     false,
     {Invalid(71, 100)},
     Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadEnableMap,
     FAULT(kStaleToggle),
     false,
     {Invalid(3, 100)},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadEnableMap, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kReadAll,
     kReadEnableMap,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault},
    {Op::kReadAll, kReadEnableMap, FAULT(kSlowReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kReadAll,
     kReadEnableMap,
     FAULT(kShortReply),
     true,
     {"No valid response size"},
     Holds::kUpToTheFault},
};

// Write All: a write counts as sent once it is out, so a broken acknowledgement is reported (a
// missing one switches bidirectional mode off) and the sequence writes everything regardless.
const FaultCase kWriteAllCases[] = {
    {Op::kWriteAll, kWriteID, FAULT(kNoReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kBadChecksum), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kWrongAddress), true, {Invalid(71, 98)}, Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kStaleToggle), true, {Invalid(3, 98)}, Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kWriteAll,
     kWriteID,
     FAULT(kWrongXAddress),
     true,
     {"Unexpected eXtended Address Byte 1"},
     Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kSlowReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteID, FAULT(kShortReply), true, {}, Holds::kEverything},

    {Op::kWriteAll, kWriteStep, FAULT(kNoReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kBadChecksum), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kWrongAddress), true, {Invalid(71, 98)}, Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kStaleToggle), true, {Invalid(3, 98)}, Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kWriteAll,
     kWriteStep,
     FAULT(kWrongXAddress),
     true,
     {"Unexpected eXtended Address Byte 1"},
     Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kSlowReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteStep, FAULT(kShortReply), true, {}, Holds::kEverything},

    {Op::kWriteAll, kWriteXAddress, FAULT(kNoReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteXAddress, FAULT(kBadChecksum), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll,
     kWriteXAddress,
     FAULT(kWrongAddress),
     true,
     {Invalid(7, 98)},
     Holds::kEverything},
    {Op::kWriteAll,
     kWriteXAddress,
     FAULT(kStaleToggle),
     true,
     {Invalid(67, 98)},
     Holds::kEverything},
    {Op::kWriteAll, kWriteXAddress, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    // The module has taken its new eXtended Address 12 when it answers this write.
    {Op::kWriteAll,
     kWriteXAddress,
     FAULT(kWrongXAddress),
     true,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kEverything},
    {Op::kWriteAll, kWriteXAddress, FAULT(kSlowReply), true, {kNoResponse}, Holds::kEverything},
    {Op::kWriteAll, kWriteXAddress, FAULT(kShortReply), true, {}, Holds::kEverything},
};

// Verify All: findings go to the log, a broken reply stops the verification. The ID and hardware
// checks log a module that gives no usable reply and go on, but the verification can no longer
// pass; after a time-out bidirectional mode is off, so the DCC address check that follows gets no
// reply and stops.
const FaultCase kVerifyAllCases[] = {
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kNoReply),
     false,
     {kNoResponse},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kBadChecksum),
     false,
     {kNoResponse},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kWrongAddress),
     false,
     {Invalid(71, 110)},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\n"},
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kStaleToggle),
     false,
     {Invalid(3, 110)},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\n"},
    {Op::kVerifyAll, kVerifyID, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\n"},
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kSlowReply),
     false,
     {kNoResponse},
     Holds::kUpToTheFault,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    // The ID comes one character short: a difference, and the verification ends after the
    // general settings.
    {Op::kVerifyAll,
     kVerifyID,
     FAULT(kShortReply),
     false,
     {},
     Holds::kUpToTheFault,
     "ID does not compare: PyraConfig = <Bahnhof Sued> Pyra = <Bahnhof Sue>\r\n"},

    {Op::kVerifyAll, kVerifyStep, FAULT(kNoReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kVerifyAll, kVerifyStep, FAULT(kBadChecksum), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyStep,
     FAULT(kWrongAddress),
     false,
     {Invalid(7, 105)},
     Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyStep,
     FAULT(kStaleToggle),
     false,
     {Invalid(67, 105)},
     Holds::kUpToTheFault},
    {Op::kVerifyAll, kVerifyStep, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kVerifyAll,
     kVerifyStep,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault},
    {Op::kVerifyAll, kVerifyStep, FAULT(kSlowReply), false, {kNoResponse}, Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyStep,
     FAULT(kShortReply),
     false,
     {},
     Holds::kUpToTheFault,
     "No valid response\r\n"},

    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kNoReply),
     false,
     {kNoResponse},
     Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kBadChecksum),
     false,
     {kNoResponse},
     Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kWrongAddress),
     false,
     {Invalid(7, 101)},
     Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kStaleToggle),
     false,
     {Invalid(67, 101)},
     Holds::kUpToTheFault},
    {Op::kVerifyAll, kVerifyAddressConfig, FAULT(kNoiseBefore), true, {}, Holds::kEverything},
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kWrongXAddress),
     false,
     {"Unexpected eXtended Address Byte 13"},
     Holds::kUpToTheFault},
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kSlowReply),
     false,
     {kNoResponse},
     Holds::kUpToTheFault},
    // A short address configuration is a difference of the last pin, logged; nothing follows.
    {Op::kVerifyAll,
     kVerifyAddressConfig,
     FAULT(kShortReply),
     false,
     {},
     Holds::kUpToTheFault,
     "Pin Address Configuration: Invalid Response, expected 5,118,31, received 4,118,31\r\n"},
};

#undef FAULT

INSTANTIATE_TEST_SUITE_P(ReadAll, BatchFaultTest, ::testing::ValuesIn(kReadAllCases),
                         [](const auto& info) { return Name(info.param); });
INSTANTIATE_TEST_SUITE_P(WriteAll, BatchFaultTest, ::testing::ValuesIn(kWriteAllCases),
                         [](const auto& info) { return Name(info.param); });
INSTANTIATE_TEST_SUITE_P(VerifyAll, BatchFaultTest, ::testing::ValuesIn(kVerifyAllCases),
                         [](const auto& info) { return Name(info.param); });

}  // namespace
}  // namespace pyra::faults

// Read All, Write All and Verify All end to end through the simulated module, each broken once:
// no reply, a refused reply (bad checksum, one byte short) or the line lost, at the first exchange
// and at one inside pin 4. Each row says what the user is told and whether the operation
// succeeds; what the tool holds afterwards is compared with the fault-free reference run of the
// same operation (computed once) at the exchange the fault hit, and the next operation must work.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>

#include "link/Link.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"
#include "sim/SimModule.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

enum Op { kReadAll, kWriteAll, kVerifyAll };
enum At { kFirst, kInsidePin4 };
enum Break { kNoReply, kBadChecksum, kShortReply, kLineLost };

const char* const kNoResponse = "No response received, resetting bidirectional communication";
const char* const kLost =
    "The connection to the module was lost: the simulated line was disconnected";

// The module the operations meet: settings and pins that differ from a new module's before and
// after pin 4, which has four aspects of nine steps.
sim::ModuleMemory RichMemory() {
  sim::ModuleMemory m = sim::FactoryMemory();
  m.id_string = "Fault Matrix";
  m.dcc_address = {44, 4};
  m.led_green = 9;
  m.enable_map = {0, 3};
  m.pins[2].aspect_mode = 2;
  m.pins[2].steps[0][0] = {3, 1, 0, 0, 0};
  m.pins[20].aspect_mode = 2;
  m.pins[20].steps[11][2] = {4, 7, 0, 0, 0};
  m.pins[7].event_on[1] = 16 + 5;
  m.pins[4].aspect_mode = 3;
  m.pins[4].steps[2][3] = {2, 5, 0, 0, 0};
  m.pins[4].steps[3][0] = {1, 10, 20, 0, 0};
  return m;
}

// The tool's line to one simulated module, watched from the module's side.
struct Rig : sim::SimDevice {
  explicit Rig(const sim::ModuleMemory& memory) {
    module.Memory() = memory;
    Connect();
  }
  void Connect() {
    auto channel = std::make_unique<sim::SimChannel>(clock, *this, 19200);
    line = channel.get();
    link.Open(std::move(channel));
  }
  std::optional<sim::Emission> Receive(uint8_t byte) override {
    longest_silence = std::max(longest_silence, clock.Now() - last_byte);
    last_byte = clock.Now();
    const std::size_t before = module.Requests().size();
    auto emission = module.Receive(byte);
    if (module.Requests().size() > before && on_request) on_request();
    return emission;
  }
  // The tool never stays silent longer than the reply time-out and the pacing after it.
  bool NeverWaitedTooLong() {
    return std::max(longest_silence, clock.Now() - last_byte) <= seconds(2) + milliseconds(100);
  }

  ManualClock clock;
  test::ScriptedPrompter prompter;
  sim::SimModule module;
  Link link{clock, prompter};
  sim::SimChannel* line = nullptr;
  // Runs when the module has taken a request, before it answers.
  std::function<void()> on_request;
  Clock::Duration longest_silence{};
  Clock::TimePoint last_byte{};
};

// What the tool held: after a run, or when the module took the exchange that a fault breaks.
struct Held {
  bool ok = false;
  Configuration model = DefaultConfiguration();
  sim::ModuleMemory memory;
  std::string log;
  bool operator==(const Held&) const = default;
};

struct Reference {
  Held end;
  std::map<At, Held> then;
  std::map<At, int> exchange;  // 1-based number of the request each fault hits
  std::vector<sim::SimModule::Request> requests;
};

const Configuration& ReadModel();

Held RunOp(Op op, Rig& rig, const std::function<void(Held&)>& at_request = {}) {
  Held h;
  VerificationLog log;
  if (op != kReadAll) h.model = ReadModel();
  if (at_request) {
    rig.on_request = [&] {
      h.log = log.Text();
      h.memory = rig.module.Memory();
      at_request(h);
    };
  }
  h.ok = op == kReadAll    ? ReadAll(rig.link, h.model)
         : op == kWriteAll ? WriteAll(rig.link, h.model)
                           : VerifyAll(rig.link, h.model, log);
  h.log = log.Text();
  h.memory = rig.module.Memory();
  rig.on_request = nullptr;
  return h;
}

sim::ModuleMemory StartMemory(Op op) {
  return op == kWriteAll ? sim::FactoryMemory() : RichMemory();
}

const Reference& ReferenceRun(Op op) {
  static std::map<Op, Reference> runs;
  if (runs.contains(op)) return runs.at(op);
  Reference& ref = runs[op];
  Rig rig(StartMemory(op));
  // Inside pin 4: step 3 of aspect 2, read or written.
  const std::vector<int> step = {op == kWriteAll ? 99 : 115, 4, 2, 3};
  ref.end = RunOp(op, rig, [&](Held& now) {
    const auto& p = rig.module.Requests().back().payload;
    const int number = static_cast<int>(rig.module.Requests().size());
    const bool in_pin4 = p.size() >= 4 && std::equal(step.begin(), step.end(), p.begin());
    for (At at : {kFirst, kInsidePin4}) {
      if (!ref.exchange.contains(at) && (at == kFirst ? number == 1 : in_pin4)) {
        ref.exchange[at] = number;
        ref.then[at] = now;
      }
    }
  });
  ref.requests = rig.module.Requests();
  EXPECT_TRUE(ref.end.ok && rig.prompter.Texts().empty()) << rig.prompter.Last();
  return ref;
}

const Configuration& ReadModel() { return ReferenceRun(kReadAll).end.model; }

struct Row {
  Op op;
  At at;
  Break fault;
  bool ok;
  const char* message;  // "" = none
  // Verify All: the log lines after the faulted exchange, before the closing verdict.
  const char* log_after = "";
};

const Row kRows[] = {
    {kReadAll, kFirst, kNoReply, false, kNoResponse},
    {kReadAll, kFirst, kBadChecksum, false, kNoResponse},
    {kReadAll, kFirst, kShortReply, false, "GetVersion: No valid response, size <> 6"},
    {kReadAll, kFirst, kLineLost, false, kLost},
    {kReadAll, kInsidePin4, kNoReply, false, kNoResponse},
    {kReadAll, kInsidePin4, kBadChecksum, false, kNoResponse},
    {kReadAll, kInsidePin4, kShortReply, false, "No valid response"},
    {kReadAll, kInsidePin4, kLineLost, false, kLost},
    // A write counts as done once it is out: a broken acknowledgement is reported and the
    // sequence writes everything; a lost line stops it.
    {kWriteAll, kFirst, kNoReply, true, kNoResponse},
    {kWriteAll, kFirst, kBadChecksum, true, kNoResponse},
    {kWriteAll, kFirst, kShortReply, true, ""},
    {kWriteAll, kFirst, kLineLost, false, kLost},
    {kWriteAll, kInsidePin4, kNoReply, true, kNoResponse},
    {kWriteAll, kInsidePin4, kBadChecksum, true, kNoResponse},
    {kWriteAll, kInsidePin4, kShortReply, true, ""},
    {kWriteAll, kInsidePin4, kLineLost, false, kLost},
    // Without an ID reply the general settings go on until the first setting that must stop.
    {kVerifyAll, kFirst, kNoReply, false, kNoResponse,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    {kVerifyAll, kFirst, kBadChecksum, false, kNoResponse,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    {kVerifyAll, kFirst, kShortReply, false, "",
     "ID does not compare: PyraConfig = <Fault Matrix> Pyra = <Fault Matri>\r\n"},
    {kVerifyAll, kFirst, kLineLost, false, kLost,
     "ReadIDString: No response\r\nHWCRead: No response\r\n"},
    {kVerifyAll, kInsidePin4, kNoReply, false, kNoResponse},
    {kVerifyAll, kInsidePin4, kBadChecksum, false, kNoResponse},
    {kVerifyAll, kInsidePin4, kShortReply, false, "", "No valid response\r\n"},
    {kVerifyAll, kInsidePin4, kLineLost, false, kLost},
};

std::string Name(const Row& r) {
  const char* ops[] = {"ReadAll", "WriteAll", "VerifyAll"};
  const char* ats[] = {"AtTheFirstExchange", "InsidePin4"};
  const char* faults[] = {"NoReply", "BadChecksum", "ShortReply", "LineLost"};
  return std::string(ops[r.op]) + "_" + faults[r.fault] + "_" + ats[r.at];
}

void PrintTo(const Row& r, std::ostream* os) { *os << Name(r); }

class FaultMatrixTest : public ::testing::TestWithParam<Row> {};

TEST_P(FaultMatrixTest, IsReportedKeepsWhatWasDoneAndTheNextRunWorks) {
  const Row& r = GetParam();
  const Reference& ref = ReferenceRun(r.op);
  ASSERT_TRUE(ref.exchange.contains(r.at));
  const int exchange = ref.exchange.at(r.at);
  Rig rig(StartMemory(r.op));
  const sim::Fault faults[] = {sim::Fault::kNoReply, sim::Fault::kBadChecksum,
                               sim::Fault::kShortReply};
  if (r.fault != kLineLost) rig.module.InjectFault(faults[r.fault], exchange);
  int number = 0;
  const Held got = RunOp(r.op, rig, [&](Held&) {
    if (++number == exchange && r.fault == kLineLost) rig.line->Unplug();
  });

  EXPECT_EQ(got.ok, r.ok);
  EXPECT_EQ(rig.prompter.Texts(),
            *r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
  EXPECT_TRUE(rig.NeverWaitedTooLong());
  const Held& then = ref.then.at(r.at);
  switch (r.op) {
    case kReadAll:
      EXPECT_TRUE(got.model == then.model) << "the model holds what was read before the fault";
      break;
    case kWriteAll:
      EXPECT_TRUE(got.memory == (r.ok ? ref.end.memory : then.memory));
      break;
    case kVerifyAll:
      EXPECT_EQ(got.log, then.log + r.log_after + "Verification Stopped");
  }

  // The user answers the message (and picks the port again); the same operation then works.
  if (r.fault == kLineLost) rig.Connect();
  rig.clock.Advance(seconds(2));
  rig.prompter.Clear();
  EXPECT_TRUE(RunOp(r.op, rig) == ref.end) << rig.prompter.Last();
  EXPECT_TRUE(rig.prompter.Texts().empty()) << rig.prompter.Last();
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrixTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return Name(info.param); });

// The module may answer to another address once its addressing is written, so Write All writes
// it after every other setting: serial address, group mask, eXtended Address, nothing after.
TEST(WriteAllOrderTest, AddressingIsWrittenLast) {
  std::vector<int> general;
  const auto& requests = ReferenceRun(kWriteAll).requests;
  for (const auto& r : requests) {
    if (r.payload[0] == 96) general.push_back(r.payload[1]);
  }
  EXPECT_EQ(general, (std::vector<int>{10, 5, 4, 12, 6, 7, 1, 13, 11, 8, 3, 2}));
  EXPECT_EQ(requests.back().payload, (std::vector<int>{96, 2, 0}));
}

}  // namespace
}  // namespace pyra

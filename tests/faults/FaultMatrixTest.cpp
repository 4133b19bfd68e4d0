// Read All, Write All and Verify All end to end through the simulated module, each broken once:
// no reply, a refused reply (bad checksum, one byte short) or the line lost, at the first exchange
// and at one inside pin 4. Each row says what the user is told and whether the operation
// succeeds; what the tool holds afterwards is compared with the fault-free reference run of the
// same operation (computed once) at the exchange the fault hit, and the next operation must work.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "link/Link.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"
#include "sim/SimModule.h"
#include "support/ScriptedPrompter.h"

namespace pyra {
namespace {

using std::chrono::seconds;

enum Op { kReadAll, kWriteAll, kVerifyAll };
enum At { kFirst, kInsidePin4 };
enum Break { kNoReply, kBadChecksum, kShortReply, kLineLost };

// The module the operations meet: settings and pins that differ from a new module's before and
// after pin 4, which has four aspects of nine steps.
sim::ModuleMemory RichMemory() {
  sim::ModuleMemory m = sim::FactoryMemory();
  m.id_string = "Fault Matrix";
  m.dcc_address = {44, 4};
  m.led_green = 9;
  m.enable_map = {0, 3};
  m.pins[7].event_on[1] = 16 + 5;
  for (int pin : {2, 4, 20}) m.pins[pin].aspect_mode = pin == 4 ? 3 : 2;
  m.pins[2].steps[0][0] = {3, 1, 0, 0, 0};
  m.pins[4].steps[2][3] = {2, 5, 0, 0, 0};
  m.pins[4].steps[3][0] = {1, 10, 20, 0, 0};
  m.pins[20].steps[11][2] = {4, 7, 0, 0, 0};
  return m;
}

// The tool's line to one simulated module, watched from the module's side.
struct Rig : sim::SimDevice {
  explicit Rig(Op op) {
    module.Memory() = op == kWriteAll ? sim::FactoryMemory() : RichMemory();
    Connect();
  }
  void Connect() {
    auto channel = std::make_unique<sim::SimChannel>(clock, *this, 19200);
    line = channel.get();
    link.Open(std::move(channel));
  }
  std::optional<sim::Emission> Receive(uint8_t byte) override {
    const std::size_t before = module.Requests().size();
    auto emission = module.Receive(byte);
    if (module.Requests().size() > before && on_request) on_request();
    return emission;
  }

  ManualClock clock;
  test::ScriptedPrompter prompter;
  sim::SimModule module;
  Link link{clock, prompter};
  sim::SimChannel* line = nullptr;
  // Runs when the module has taken a request, before it answers.
  std::function<void()> on_request;
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

const Reference& ReferenceRun(Op op) {
  static std::map<Op, Reference> runs;
  if (runs.contains(op)) return runs.at(op);
  Reference& ref = runs[op];
  Rig rig(op);
  // Inside pin 4: step 3 of aspect 2, read or written.
  const std::vector<int> step = {op == kWriteAll ? 99 : 115, 4, 2, 3};
  ref.end = RunOp(op, rig, [&](Held& now) {
    const auto& p = rig.module.Requests().back().payload;
    const int number = static_cast<int>(rig.module.Requests().size());
    const At at = number == 1 ? kFirst : kInsidePin4;
    const bool in_pin4 = p.size() >= 4 && std::equal(step.begin(), step.end(), p.begin());
    if (ref.exchange.contains(at) || (at == kInsidePin4 && !in_pin4)) return;
    ref.exchange[at] = number;
    ref.then[at] = now;
  });
  ref.requests = rig.module.Requests();
  EXPECT_TRUE(ref.end.ok && rig.prompter.Texts().empty()) << rig.prompter.Last();
  return ref;
}

const Configuration& ReadModel() { return ReferenceRun(kReadAll).end.model; }

// One row of tests/data/link/fault-matrix.tsv.
struct Row {
  Op op;
  At at;
  Break fault;
  bool ok;
  std::string message;    // "" = none
  std::string log_after;  // Verify All: the log lines after the fault, before the verdict
  std::string name;
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

std::vector<Row> LoadRows() {
  const std::vector<std::string> ops = {"ReadAll", "WriteAll", "VerifyAll"},
                                 ats = {"First", "InsidePin4"},
                                 faults = {"NoReply", "BadChecksum", "ShortReply", "LineLost"};
  auto index = [](const std::vector<std::string>& names, const std::string& name) {
    return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
  };
  std::vector<Row> rows;
  std::ifstream in(PYRA_TEST_DATA "/link/fault-matrix.tsv");
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    if (line.empty() || line[0] == '#' || f.size() < 5) continue;
    f.resize(6);
    for (std::size_t i; (i = f[5].find("\\r\\n")) != std::string::npos;) f[5].replace(i, 4, "\r\n");
    rows.push_back({Op(index(ops, f[0])), At(index(ats, f[1])), Break(index(faults, f[2])),
                    f[3] == "ok", f[4] == "-" ? "" : f[4], f[5], f[0] + "_" + f[2] + "_" + f[1]});
  }
  return rows;
}

class FaultMatrixTest : public ::testing::TestWithParam<Row> {};

TEST_P(FaultMatrixTest, IsReportedKeepsWhatWasDoneAndTheNextRunWorks) {
  const Row& r = GetParam();
  const Reference& ref = ReferenceRun(r.op);
  ASSERT_TRUE(ref.exchange.contains(r.at));
  const int exchange = ref.exchange.at(r.at);
  Rig rig(r.op);
  const sim::Fault faults[] = {sim::Fault::kNoReply, sim::Fault::kBadChecksum,
                               sim::Fault::kShortReply};
  if (r.fault != kLineLost) rig.module.InjectFault(faults[r.fault], exchange);
  int number = 0;
  const Held got = RunOp(r.op, rig, [&](Held&) {
    if (++number == exchange && r.fault == kLineLost) rig.line->Unplug();
  });

  EXPECT_EQ(got.ok, r.ok);
  EXPECT_EQ(rig.prompter.Texts(),
            r.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.message});
  const Held& then = ref.then.at(r.at);
  EXPECT_TRUE(r.op != kReadAll || got.model == then.model) << "the model holds what was read";
  EXPECT_TRUE(r.op != kWriteAll || got.memory == (r.ok ? ref.end.memory : then.memory));
  EXPECT_EQ(got.log, r.op == kVerifyAll ? then.log + r.log_after + "Verification Stopped" : "");

  // The user answers the message (and picks the port again); the same operation then works.
  if (r.fault == kLineLost) rig.Connect();
  rig.clock.Advance(seconds(2));
  rig.prompter.Clear();
  EXPECT_TRUE(RunOp(r.op, rig) == ref.end) << rig.prompter.Last();
  EXPECT_TRUE(rig.prompter.Texts().empty()) << rig.prompter.Last();
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrixTest, ::testing::ValuesIn(LoadRows()),
                         [](const auto& info) { return info.param.name; });

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

// The instruction set's known answers (tests/data/pins/instructions.txt), and the pin transfer,
// pin configuration and live control replayed against the simulated module as their peer
// (tests/data/pins/transfer.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "pinconfig/LiveControl.h"
#include "pinconfig/PinConfig.h"
#include "pins/InstructionSet.h"
#include "pins/PinTransfer.h"
#include "sim/Golden.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra {

// A pin in the words of the transcripts, so that a difference reads as one.
void PrintTo(const PinRecord& p, std::ostream* os) {
  *os << "mode " << +p.AspectMode << ", init " << +p.InitialAspect << ", counts " << +p.DccCount
      << " " << +p.XDccCount << " " << +p.LumoCount << ", link " << p.DeviceLink << ", live "
      << +p.LiveLevel << ", cfg";
  for (int b : p.PinConfig) *os << " " << b;
  for (std::size_t i = 0; i < p.Aspects.size() * p.Aspects[0].Steps.size(); ++i) {
    const StepRecord& t = p.Aspects[i / 10].Steps[i % 10];
    if (t != StepRecord{}) *os << ", step " << i / 10 << " " << i % 10 << " " << +t.Opcode << "..";
  }
}

namespace {

using golden::Ints;
using golden::Join;
using Words = std::vector<std::string>;

std::vector<int> Bytes(const StepRecord& s) {
  return {s.Opcode, s.Fade, s.Offset, s.Par1, s.Par2, s.Par3};
}
StepRecord Step(const std::vector<int>& b) {
  const auto u = [&](int i) { return static_cast<uint8_t>(b.at(i)); };
  return {u(0), u(1), u(2), u(3), u(4), u(5)};
}

// ---- The instruction set ----

// The answer of each kind of row to its input words, as text.
const std::map<std::string, std::function<std::string(const Words&)>> kInstructionAnswers = {
    {"step",
     [](const Words& w) {
       // The decoded step is named only where it differs from the step sent.
       const StepWire wire = EncodeStep(Step(Ints(w, 0)));
       const std::string back = Join(Bytes(DecodeStep(wire)));
       return Join({wire.begin(), wire.end()}) + (back == Join(Ints(w, 0)) ? "" : " : " + back);
     }},
    {"box",
     [](const Words& w) {
       const int op = std::stoi(w[1]);
       const BoxEdit e = w[0] == "Offset"
                             ? ValidateOffset(op, w[2], std::stoi(w[3]), std::stoi(w[4]))
                         : w[0] == "Par1" ? ValidatePar1(op, w[2], std::stoi(w[3]))
                         : w[0] == "Par2" ? ValidatePar2(op, w[2])
                                          : ValidatePar3(w[2]);
       return e.text + " " + std::to_string(e.stored);
     }},
    {"show",
     [](const Words& w) {
       const auto t = ShownStepTexts(Step(Ints(w, 0)), std::stoi(w[6]), std::stoi(w[7]));
       return t[0] + " " + t[1] + " " + t[2] + " " + t[3];
     }},
    {"time", [](const Words& w) { return TimeLabel(Step(Ints(w, 0))); }},
    {"view",
     [](const Words& w) {
       const StepRowView v = ViewStep(Step(Ints(w, 0)));
       return Join(Bytes(v.step)) + " " + (v.fade_shown ? "1 " : "0 ") + v.time_label;
     }},
    {"choose",
     [](const Words& w) {
       Configuration c = DefaultConfiguration();
       c.CurrentPin = 4;
       c.CurrentAspect = 2;
       StepRecord& s = c.Pins[4].Aspects[2].Steps[1];
       s = Step(Ints(w, 0, 6));
       if (w[6] == "fade") {
         SetStepFade(c, 1, w[7] == "1");
       } else {
         ChooseInstruction(c, 1, std::stoi(w[6]));
       }
       return Join(Bytes(s));
     }},
    {"commit",
     [](const Words& w) {
       Configuration c = DefaultConfiguration();
       c.CurrentPin = 5;
       StepRecord& s = c.Pins[5].Aspects[0].Steps[2];
       s = Step(Ints(w, 0, 6));
       const std::map<std::string, StepBox> boxes = {{"Offset", StepBox::kOffset},
                                                     {"Par1", StepBox::kPar1},
                                                     {"Par2", StepBox::kPar2},
                                                     {"Par3", StepBox::kPar3}};
       const std::string text = CommitStepBox(c, 2, boxes.at(w[6]), w[7]).text;
       return text + " " + Join(Bytes(s));
     }},
    {"geometry",
     [](const Words& w) {
       const int mode = std::stoi(w[0]);
       return Join({AspectCount(mode), StepCount(mode), OptionOfAspectMode(mode)});
     }},
    {"option", [](const Words& w) { return std::to_string(AspectModeOfOption(std::stoi(w[0]))); }},
    {"list", [](const Words&) { return Join(InstructionListOrder()); }},
};

TEST(InstructionSetTest, GivesItsKnownAnswers) {
  golden::ExpectAnswers("pins/instructions.txt", [](const std::string& kind, const Words& in) {
    return kInstructionAnswers.at(kind)(in);
  });
}

// ---- Transfers against the simulated module ----

void SetPin(PinRecord& pin, const Words& w) {
  const std::vector<int> v = Ints(w, 3);
  const auto u = [&](int i) { return static_cast<uint8_t>(v.at(i)); };
  const std::string& field = w[2];
  if (field == "mode") pin.AspectMode = u(0);
  if (field == "init") pin.InitialAspect = u(0);
  if (field == "link") pin.DeviceLink = v.at(0);
  if (field == "live") pin.LiveLevel = u(0);
  if (field == "counts") {
    pin.DccCount = u(0);
    pin.XDccCount = u(1);
    pin.LumoCount = u(2);
  }
  if (field == "cfg") {
    pin.PinConfig = {};
    for (std::size_t i = 0; i < v.size(); ++i) pin.PinConfig[i] = u(static_cast<int>(i));
  }
  if (field == "step") pin.Aspects[v.at(0)].Steps[v.at(1)] = Step({v.begin() + 2, v.end()});
}

void SetMemory(sim::PinMemory& pin, const Words& w) {
  const std::vector<int> v = Ints(w, 3);
  const std::string& field = w[2];
  if (field == "mode") pin.aspect_mode = v.at(0);
  if (field == "init") pin.initial_aspect = v.at(0);
  if (field == "init-byte") pin.initial_aspect = v.at(0) - 112;  // as the reply to 116 carries it
  if (field == "servo") pin.servo_initialised = v.at(0) == 1;
  if (field == "addr") pin.address_config = {v.at(0), v.at(1), v.at(2)};
  if (field == "block") pin.stored_block = v;
  if (field == "working") pin.working_block = v;
  if (field == "step") std::copy(v.begin() + 2, v.end(), pin.steps[v.at(0)][v.at(1)].begin());
}

// Runs the operation a "run" row names; its result.
bool Run(Link& l, Configuration& c, VerificationLog& log, const Words& w) {
  const auto n = [&](int i) { return std::stoi(w.at(i)); };
  const std::string& op = w[1];
  if (op == "read-aspects") return ReadPinAspects(l, c, n(2));
  if (op == "write-aspects") return WritePinAspects(l, c, n(2));
  if (op == "write-aspect") return WriteAspect(l, c, n(2), n(3));
  if (op == "read-pin") return ReadWholePin(l, c, n(2));
  if (op == "write-pin") return WriteWholePin(l, c, n(2));
  if (op == "read-all") return ReadAllPins(l, c);
  if (op == "write-all") return WriteAllPins(l, c);
  if (op == "read-device") return ReadDevice(l, c);
  if (op == "write-device") return WriteDevice(l, c);
  if (op == "verify") return VerifyPins(l, c, log);
  if (op == "verify-all") return VerifyAllPins(l, c, log);
  if (op == "read-cfg") return ReadPinConfig(l, c, n(2), n(3));
  if (op == "write-cfg") return WritePinConfig(l, c, n(2), n(3));
  ADD_FAILURE() << "unknown operation " << op;
  return false;
}

// A live control's outputs: the texts and values it shows, or whether it sent.
std::string Live(Link& l, Configuration& c, const Words& w) {
  const auto flag = [&](int i) { return w.at(i) == "1"; };
  const std::string& op = w[1];
  if (op == "pwm-button" || op == "servo-button") {
    const LiveEdit e = op == "pwm-button" ? PwmLevelButton(l, c, w[2], flag(3))
                                          : ServoLevelButton(l, c, w[2], flag(3));
    return e.text + " " + std::to_string(e.value);
  }
  if (op == "pwm-slider") return PwmSliderMoved(l, c, std::stoi(w[2]), flag(3), flag(4));
  if (op == "servo-slider") return ServoSliderMoved(l, c, std::stoi(w[2]), flag(3), flag(4));
  if (op == "pwm-jump") return PwmJump(l, c) ? "1" : "0";
  if (op == "servo-jump") return ServoJump(l, c) ? "1" : "0";
  if (op == "take-pwm") return std::to_string(TakeOverPwmLevel(c, std::stoi(w[2])));
  return std::to_string(TakeOverServoPosition(c, std::stoi(w[2])));
}

// The rows of a case with every "use" replaced by the rows of the case it names.
Words Expand(const golden::Case& c, const std::vector<golden::Case>& all) {
  Words rows;
  for (const std::string& row : c.rows) {
    if (!row.starts_with("use ")) {
      rows.push_back(row);
      continue;
    }
    for (const golden::Case& used : all) {
      if (used.name == row.substr(4)) rows.insert(rows.end(), used.rows.begin(), used.rows.end());
    }
  }
  return rows;
}

void RunTransferCase(const Words& rows) {
  ManualClock clock;
  test::ScriptedPrompter prompter;
  sim::Simulator simulator;
  Link link{clock, prompter};
  link.Open(simulator.Connect(clock, 38400));
  sim::SimModule& module = simulator.Module();
  Configuration tool = DefaultConfiguration();
  Configuration want = tool;
  VerificationLog log;
  Words logs, messages;
  std::vector<std::vector<int>> requests;
  std::vector<int> only;
  bool check_requests = false;
  for (const std::string& row : rows) {
    SCOPED_TRACE(row);
    const Words w = golden::Words(row);
    const std::string& k = w[0];
    const auto n = [&](std::size_t i) { return std::stoi(w.at(i)); };
    const std::size_t arrow = std::find(w.begin(), w.end(), "->") - w.begin();
    if (k == "set") {
      SetPin(tool.Pins[n(1)], w);
      SetPin(want.Pins[n(1)], w);
    } else if (k == "want") {
      SetPin(want.Pins[n(1)], w);
    } else if (k == "current") {
      tool.CurrentPin = n(1);
    } else if (k == "base") {
      tool.NumberBase = n(1);
    } else if (k == "mem") {
      SetMemory(module.Memory().pins[n(1)], w);
    } else if (k == "bd") {
      link.State().Bidirectional = n(1) == 1;
    } else if (k == "close") {
      link.Close();
    } else if (k == "fault") {
      const std::map<std::string, sim::Fault> faults = {{"NoReply", sim::Fault::kNoReply},
                                                        {"ShortReply", sim::Fault::kShortReply}};
      module.InjectFault(faults.at(w.at(1)), w.size() > 2 ? n(2) : 1);
    } else if (k == "cancel") {
      link.RequestCancel();
    } else if (k == "run") {
      EXPECT_EQ(Run(link, tool, log, w), n(arrow + 1) == 1);
    } else if (k == "live") {
      EXPECT_EQ(golden::Words(Live(link, tool, w)), Words(w.begin() + arrow + 1, w.end()));
    } else if (k == "only") {
      only = Ints(w, 1);
    } else if (k == ">" || k == "none") {
      check_requests = true;
      if (k == ">") requests.push_back(Ints(w, 1));
    } else if (k == "log" || k == "msg") {
      (k == "log" ? logs : messages).push_back(golden::Rest(row, 1));
    } else if (k == "paced") {
      EXPECT_GE(clock.Now().time_since_epoch(), std::chrono::milliseconds(n(1)));
    } else {
      ADD_FAILURE() << "unknown row";
    }
  }
  for (int p = 0; p < kPinCount; ++p) EXPECT_EQ(tool.Pins[p], want.Pins[p]) << "pin " << p;
  EXPECT_EQ(prompter.Texts(), messages);
  std::string text = log.Text(), lines;
  for (const std::string& line : logs) lines += (lines.empty() ? "" : "\r\n") + line;
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  EXPECT_EQ(text, lines);
  if (!check_requests) return;
  std::vector<std::vector<int>> seen;
  for (const auto& r : module.Requests()) {
    if (only.empty() || (!r.payload.empty() && std::ranges::count(only, r.payload[0])))
      seen.push_back(r.payload);
  }
  EXPECT_EQ(seen, requests);
}

TEST(PinTransferTest, ReplaysItsGoldenTranscriptsAgainstTheSimulatedModule) {
  const std::vector<golden::Case> cases = golden::ReadCases("pins/transfer.txt");
  for (const golden::Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunTransferCase(Expand(c, cases));
  }
}

}  // namespace
}  // namespace pyra

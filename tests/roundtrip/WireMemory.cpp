#include "roundtrip/WireMemory.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace pyra::roundtrip {

using sim::ModuleMemory;
using sim::PinMemory;
using sim::StepBytes;

namespace {

constexpr int kEnforcedXAddress = 127;
constexpr int kEmptySlot = 15;
constexpr int kServo = 1;
constexpr int kServoInitialised = 64;  // P2 bit 6 as the module reports it
constexpr int kStepSlots = 10;

// Printable ASCII without '"': what an ID string in a file can carry.
constexpr std::string_view kIdCharacters =
    " !#$%&'()*+,-./"
    "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

// Bytes after the type that each configuration type carries (P1 and the type's bytes).
int BlockLength(int type) {
  switch (type) {
    case 1:
      return 12;
    case 2:
    case 3:
      return 6;
    case 4:
    case 5:
      return 5;
    default:
      return 1;
  }
}

// Aspects and steps that the transfer moves for an aspect mode.
int AspectsOf(int mode) { return mode == 3 ? 4 : mode == 2 ? 12 : 0; }
int StepsOf(int mode) { return mode == 3 ? 9 : mode == 2 ? 3 : 0; }

// The byte-sending instructions, whose first data byte carries bit 7 of Par1 and Par2. Codes 4
// and 5 have no fade, so their opcode byte is the code itself (20 included).
bool SendsBytes(int opcode_byte) {
  return opcode_byte == 4 || opcode_byte == 5 || opcode_byte == 20;
}

// A value that Verify All compares raw and Write All cannot give back. Half the memories hold
// none ("faithful": what some Write All left there), so that they verify against their file.
bool Odd(Draw& d, bool faithful) { return !faithful && d.Unusual(); }

std::array<int, 2> SplitAddress(int address) { return {address % 64, address / 64}; }

StepBytes RandomStep(Draw& d) {
  StepBytes step{};
  for (int& b : step) b = d.Int(0, 127);
  if (SendsBytes(step[0]) && !d.Unusual()) step[1] = d.Int(0, 3);
  return step;
}

// A DCC address as lo, hi, mostly one its box takes (`top` is the box's maximum).
std::array<int, 2> RandomAddress(Draw& d, bool faithful, int options, int top) {
  if (Odd(d, faithful)) return {d.Int(0, 127), d.Int(0, 127)};
  const int bottom = (options & 8) ? 0 : 1;  // "Allow Address 0"
  return SplitAddress(d.Int(bottom, top));
}

PinMemory RandomPin(Draw& d, bool faithful) {
  PinMemory p;
  p.initial_aspect = d.Int(0, 15);  // 15 = none
  // Tie: a slot byte the write sends repeats the slot number in bits 4..5 (16 * slot + event,
  // 15 = none), so a module written slot by slot holds 0..63. Unusual ones name another slot.
  for (int i = 0; i < 4; ++i) {
    p.event_on[i] = d.Unusual() ? d.Int(0, 63) : 16 * i + d.Int(0, 15);
    p.event_off[i] = d.Unusual() ? d.Int(0, 63) : 16 * i + d.Int(0, 15);
  }
  const int modes[] = {0, 2, 3};
  p.aspect_mode = d.Unusual() ? d.Int(0, 127) : modes[d.Int(0, 2)];
  // Tie: the write sends the three typed bytes in one order, DCC (bits 0..2 DCC count 0..7,
  // bit 3 extended count), serial (16 + count) and device pointer (64 + 5-bit link).
  p.address_config = {d.Int(0, 15), 16 + (Odd(d, faithful) ? d.Int(0, 15) : d.Int(0, 7)),
                      64 + d.Int(0, 31)};
  // Tie: a block is as long as its type's write sends it; a servo's stored P2 keeps bits 0..5
  // only (the write sends P2 mod 64), bit 6 being the status the module reports on its own.
  const int type = Odd(d, faithful) ? d.Int(6, 127) : d.Int(0, 5);
  p.stored_block.assign(static_cast<std::size_t>(BlockLength(type)), 0);
  p.stored_block[0] = type;
  for (std::size_t k = 1; k < p.stored_block.size(); ++k) {
    p.stored_block[k] = d.Int(0, type == kServo && k == 2 ? 63 : 127);
  }
  p.servo_initialised = d.Int(0, 1) == 1;
  // Tie: writing the stored block also starts the pin with it.
  p.working_block = p.stored_block;
  // Steps outside the mode are what an earlier mode left behind, if anything.
  const bool leftovers = d.Unusual();
  for (int a = 0; a < sim::kModuleAspects; ++a) {
    for (int s = 0; s < kStepSlots; ++s) {
      const bool carried = a < AspectsOf(p.aspect_mode) && s < StepsOf(p.aspect_mode);
      if (carried || leftovers) p.steps[a][s] = RandomStep(d);
    }
  }
  return p;
}

// One normalisation: a read rule that cannot carry a value back, and whether Verify All of the
// loaded file against the original module reads the value through the same rule (and so does
// not see it) or compares it raw.
struct Rule {
  const char* name;
  bool verify_sees;
  std::function<void(ModuleMemory&)> apply;
};

void ForEachAddress(ModuleMemory& m, const std::function<void(std::array<int, 2>&, int)>& f) {
  f(m.dcc_address, 510);
  f(m.xdcc_address, 2046);
}

const std::vector<Rule>& Rules() {
  static const std::vector<Rule> rules = {
      {"DCC address with a low byte of 64 or more: split again as mod 64, div 64", false,
       [](ModuleMemory& m) {
         ForEachAddress(m, [](std::array<int, 2>& a, int) { a = SplitAddress(a[0] + 64 * a[1]); });
       }},
      {"DCC address outside its box's range: the read clamps it", true,
       [](ModuleMemory& m) {
         const int bottom = (m.dcc_options & 8) ? 0 : 1;
         ForEachAddress(m, [bottom](std::array<int, 2>& a, int top) {
           a = SplitAddress(std::clamp(a[0] + 64 * a[1], bottom, top));
         });
       }},
      {"DCC option bits 4..6", true, [](ModuleMemory& m) { m.dcc_options &= 15; }},
      {"serial-address flag other than 0 or 1", true,
       [](ModuleMemory& m) { m.serial_address[0] = std::min(m.serial_address[0], 1); }},
      {"serial-address value without Lumo flexible addressing other than 0 or 64", true,
       [](ModuleMemory& m) {
         if (m.serial_address[0] == 0) m.serial_address[1] &= 64;
       }},
      {"group-mask bits 4..6", true,
       [](ModuleMemory& m) {
         for (int& b : m.group_mask) b &= 15;
       }},
      {"enable-mask bits 4..6", true,
       [](ModuleMemory& m) {
         for (int& b : m.enable_map) b &= 15;
       }},
      {"serial-port enable flag other than 0 or 1", true,
       [](ModuleMemory& m) { m.serial_port[0] = std::min(m.serial_port[0], 1); }},
      {"parity code 1", true,
       [](ModuleMemory& m) {
         if ((m.serial_port[1] & 48) == 16) m.serial_port[1] &= ~48;
       }},
      {"slot byte whose slot bits name another slot, or whose event is 15", false,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) {
           for (auto* slots : {&p.event_on, &p.event_off}) {
             for (int i = 0; i < 4; ++i) {
               const int b = (*slots)[i];
               if (b / 16 != i || b % 16 == kEmptySlot) (*slots)[i] = 16 * i + kEmptySlot;
             }
           }
         }
       }},
      {"configuration type other than 0..5: written as unconfigured", true,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) {
           if (p.stored_block[0] > 5) p.stored_block = p.working_block = {0};
         }
       }},
      {"servo P2 of 16 or more with bit 3 clear, as read with the status bit 6", false,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) {
           if (p.stored_block[0] != kServo) continue;
           int p2 = p.stored_block[2] | (p.servo_initialised ? kServoInitialised : 0);
           if (p2 >= 16 && (p2 & 8) == 0) p2 = p2 / 16 + 40;
           p.stored_block[2] = p.working_block[2] = p2 % 64;
         }
       }},
      {"pin serial-address byte with bit 3 set", true,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) p.address_config[1] = 16 + (p.address_config[1] & 7);
       }},
      {"byte-sending step (4, 5, 20) whose data 1 has bits 2..6 set", false,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) {
           for (auto& aspect : p.steps) {
             for (StepBytes& step : aspect) {
               if (SendsBytes(step[0])) step[1] &= 3;
             }
           }
         }
       }},
      {"steps outside the aspect mode (modes other than 2 and 3 carry none)", false,
       [](ModuleMemory& m) {
         for (PinMemory& p : m.pins) {
           for (int a = 0; a < sim::kModuleAspects; ++a) {
             for (int s = 0; s < kStepSlots; ++s) {
               if (a >= AspectsOf(p.aspect_mode) || s >= StepsOf(p.aspect_mode)) {
                 p.steps[a][s] = StepBytes{};
               }
             }
           }
         }
       }},
  };
  return rules;
}

}  // namespace

ModuleMemory RandomMemory(Draw& d) {
  ModuleMemory m = sim::FactoryMemory();
  const bool faithful = d.Int(0, 1) == 0;
  const int id_length = d.Int(0, 12);
  for (int k = 0; k < id_length; ++k) {
    m.id_string += kIdCharacters[static_cast<std::size_t>(
        d.Int(0, static_cast<int>(kIdCharacters.size()) - 1))];
  }
  // The read refuses a driver group byte above 3: a module holds sink + 2 * source.
  for (int& g : m.hardware_groups) g = d.Int(0, 3);
  m.dcc_options = Odd(d, faithful) ? d.Int(0, 127) : d.Int(0, 15);
  m.dcc_address = RandomAddress(d, faithful, m.dcc_options, 510);
  m.xdcc_address = RandomAddress(d, faithful, m.dcc_options, 2046);
  m.led_green = d.Int(0, 127);
  m.led_orange = d.Int(0, 127);
  if (d.Int(0, 3) == 3) {
    // Tie: the enforced eXtended Address is written as serial address 0, 0, an all-zero group
    // mask and eXtended Address 127; the module keeps nothing else of the addressing then.
    m.x_address = kEnforcedXAddress;
    m.serial_address = {0, 0};
    m.group_mask = {};
  } else {
    m.x_address = d.Int(0, 126);
    const int flag = Odd(d, faithful) ? d.Int(2, 127) : d.Int(0, 1);
    const int value = flag != 0 || Odd(d, faithful) ? d.Int(0, 127) : 64 * d.Int(0, 1);
    m.serial_address = {flag, value};
    for (int& b : m.group_mask) b = Odd(d, faithful) ? d.Int(0, 127) : d.Int(0, 15);
  }
  for (int& b : m.enable_map) b = Odd(d, faithful) ? d.Int(0, 127) : d.Int(0, 15);
  const int parities[] = {0, 2, 3};
  const int parity = Odd(d, faithful) ? 1 : parities[d.Int(0, 2)];
  m.serial_port = {Odd(d, faithful) ? d.Int(2, 127) : d.Int(0, 1),
                   d.Int(0, 7) + 8 * d.Int(0, 1) + 16 * parity + 64 * d.Int(0, 1)};
  for (PinMemory& p : m.pins) p = RandomPin(d, faithful);
  return m;
}

namespace {

// Where a field sits: its kind, and its pin, aspect and step where it has them (-1 otherwise).
struct Place {
  const char* kind;
  int pin = -1;
  int aspect = -1;
  int step = -1;
};

template <typename Visit>
void ForEachField(const ModuleMemory& m, Visit visit) {
  auto one = [](int v) { return std::vector<int>{v}; };
  auto all = [](const auto& a) { return std::vector<int>(std::begin(a), std::end(a)); };
  visit(Place{"ID string"}, all(m.id_string));
  visit(Place{"hardware groups"}, all(m.hardware_groups));
  visit(Place{"eXtended Address"}, one(m.x_address));
  visit(Place{"group mask"}, all(m.group_mask));
  visit(Place{"DCC address"}, all(m.dcc_address));
  visit(Place{"DCC options"}, one(m.dcc_options));
  visit(Place{"LED functions"}, std::vector<int>{m.led_green, m.led_orange});
  visit(Place{"serial address"}, all(m.serial_address));
  visit(Place{"enable map"}, all(m.enable_map));
  visit(Place{"extended DCC address"}, all(m.xdcc_address));
  visit(Place{"serial port"}, all(m.serial_port));
  for (int p = 0; p < sim::kModulePins; ++p) {
    const PinMemory& pin = m.pins[p];
    visit(Place{"initial aspect", p}, one(pin.initial_aspect));
    visit(Place{"Event-On slots", p}, all(pin.event_on));
    visit(Place{"Event-Off slots", p}, all(pin.event_off));
    visit(Place{"aspect mode", p}, one(pin.aspect_mode));
    visit(Place{"address configuration", p}, all(pin.address_config));
    visit(Place{"stored block", p}, pin.stored_block);
    visit(Place{"working block", p}, pin.working_block);
    for (int a = 0; a < sim::kModuleAspects; ++a) {
      for (int s = 0; s < kStepSlots; ++s) visit(Place{"step", p, a, s}, all(pin.steps[a][s]));
    }
  }
}

std::string Name(const Place& at) {
  std::string name;
  if (at.pin >= 0) name = "pin " + std::to_string(at.pin) + " ";
  if (at.aspect >= 0) name += "aspect " + std::to_string(at.aspect) + " ";
  name += at.kind;
  if (at.step >= 0) name += " " + std::to_string(at.step);
  return name;
}

}  // namespace

std::string FirstDifference(const ModuleMemory& want, const ModuleMemory& got) {
  std::vector<std::pair<Place, std::vector<int>>> w;
  std::vector<std::vector<int>> g;
  ForEachField(want, [&w](const Place& at, std::vector<int> bytes) {
    w.emplace_back(at, std::move(bytes));
  });
  ForEachField(got, [&g](const Place&, std::vector<int> bytes) { g.push_back(std::move(bytes)); });
  auto text = [](const std::vector<int>& bytes) {
    std::string s;
    for (int b : bytes) s += (s.empty() ? "" : " ") + std::to_string(b);
    return "{" + s + "}";
  };
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i].second != g[i]) {
      return Name(w[i].first) + ": expected " + text(w[i].second) + ", got " + text(g[i]);
    }
  }
  return "";
}

Normalised Normalise(const ModuleMemory& memory) {
  Normalised n{memory, {}, {}};
  for (const Rule& rule : Rules()) {
    const ModuleMemory before = n.memory;
    rule.apply(n.memory);
    if (n.memory == before) continue;
    n.applied.push_back(rule.name);
    if (rule.verify_sees) n.seen_by_verify.push_back(rule.name);
  }
  return n;
}

}  // namespace pyra::roundtrip

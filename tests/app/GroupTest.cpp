#include <fstream>
#include <sstream>

#include "AppTestSupport.h"

namespace pyra::test {
namespace {

// One case of tests/data/app/groups.txt, which says how its lines read.
struct GroupCase {
  std::string name;
  std::vector<std::string> held, actions, written;
};

void PrintTo(const GroupCase& c, std::ostream* out) { *out << c.name; }

std::vector<GroupCase> LoadCases() {
  std::vector<GroupCase> cases;
  std::ifstream in(PYRA_TEST_DATA "/app/groups.txt");
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    const std::string key = line.substr(0, space), rest = line.substr(space + 1);
    if (key.starts_with('[')) cases.push_back({key.substr(1, key.size() - 2), {}, {}, {}});
    if (key == "held") cases.back().held.push_back(rest);
    if (key == "do") cases.back().actions.push_back(rest);
    if (key == "written") cases.back().written.push_back(rest);
  }
  return cases;
}

void Put(int& field, const std::vector<int>& v) { field = v.at(0); }
void Put(bool& field, const std::vector<int>& v) { field = v.at(0) != 0; }
void Put(std::vector<int>& field, const std::vector<int>& v) { field = v; }
template <std::size_t N>
void Put(std::array<int, N>& field, const std::vector<int>& v) {
  ASSERT_EQ(v.size(), N);
  std::copy(v.begin(), v.end(), field.begin());
}

// Sets the field a data line names to its values.
void Set(sim::ModuleMemory& m, const std::string& line) {
  std::istringstream in(line);
  std::string f;
  in >> f;
  if (f == "id_string") return (void)std::getline(in >> std::ws, m.id_string);
  std::vector<int> v;
  for (int x; in >> x;) v.push_back(x);
  if (!f.starts_with("pin")) {
    for (auto [name, field] : {std::pair{"x_address", &m.x_address},
                               {"dcc_options", &m.dcc_options},
                               {"led_green", &m.led_green},
                               {"led_orange", &m.led_orange}}) {
      if (f == name) return Put(*field, v);
    }
    for (auto [name, field] : {std::pair{"serial_address", &m.serial_address},
                               {"dcc_address", &m.dcc_address},
                               {"xdcc_address", &m.xdcc_address},
                               {"enable_map", &m.enable_map},
                               {"serial_port", &m.serial_port}}) {
      if (f == name) return Put(*field, v);
    }
    if (f == "hardware_groups") return Put(m.hardware_groups, v);
    if (f == "group_mask") return Put(m.group_mask, v);
    FAIL() << "no field " << f;
  }
  const std::size_t dot = f.find('.');
  const std::string pin = f.substr(3, dot - 3), member = f.substr(dot + 1);
  for (int p = 0; p < sim::kModulePins; ++p) {
    if (pin != "*" && pin != std::to_string(p)) continue;
    sim::PinMemory& m_pin = m.pins[p];
    int a = 0, s = 0;
    if (std::sscanf(member.c_str(), "steps.%d.%d", &a, &s) == 2) Put(m_pin.steps.at(a).at(s), v);
    if (member == "initial_aspect") Put(m_pin.initial_aspect, v);
    if (member == "aspect_mode") Put(m_pin.aspect_mode, v);
    if (member == "event_on") Put(m_pin.event_on, v);
    if (member == "event_off") Put(m_pin.event_off, v);
    if (member == "address_config") Put(m_pin.address_config, v);
    if (member == "stored_block") Put(m_pin.stored_block, v);
    if (member == "working_block") Put(m_pin.working_block, v);
    if (member == "servo_initialised") Put(m_pin.servo_initialised, v);
  }
}

class GroupTest : public AppTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(GroupTest, ControlsReachTheModule) {
  for (const std::string& line : GetParam().held) Set(Memory(), line);
  for (const std::string& action : GetParam().actions) Do(action);
  sim::ModuleMemory expected = sim::FactoryMemory();
  for (const std::string& line : GetParam().written) {
    if (line != "held") Set(expected, line);
    for (const std::string& held : line == "held" ? GetParam().held : std::vector<std::string>{}) {
      Set(expected, held);
    }
  }
  EXPECT_TRUE(Memory() == expected);
  for (const auto& shown : prompter_.All()) EXPECT_TRUE(shown.question) << shown.text;
}

INSTANTIATE_TEST_SUITE_P(Groups, GroupTest, ::testing::ValuesIn(LoadCases()),
                         [](const auto& info) { return info.param.name; });

// Values outside the editors' ranges survive Read All, showing every pin, aspect and event pin
// with "Show Details" ticked, and Write All.
using UntouchedValuesTest = AppTest;

TEST_F(UntouchedValuesTest, BrowsingEveryPinAndAspectThenWriteAllWritesBackWhatWasRead) {
  for (const GroupCase& c : LoadCases()) {
    if (c.name != "OutsideTheEditors") continue;
    for (const std::string& line : c.held) Set(Memory(), line);
  }
  const sim::ModuleMemory before = Memory();
  Do("#2");
  // Counts of 1 hide their boxes while "Show Details" is unticked, from the start on.
  for (const char* name : {"TextPaspDCCn", "TextPAspXDCCn", "TextPaspLumon"}) {
    EXPECT_FALSE(Find(name)->isVisible()) << name;
  }
  Do({"!CommandReadAll", "CheckPAspShowDetails"});
  for (int pin = 0; pin < kPinCount; ++pin) {
    for (int i = 0; i < 24 && Find("TextPAspAspect")->isVisible(); ++i) {
      Do(i < 12 ? "^UpDownPAspAspect" : "_UpDownPAspAspect");
    }
    Do("^UpDownPAspOutput");
  }
  Do("#1");
  for (int pin = 0; pin < kPinCount; ++pin) Do("^UpDownECpin");
  Do({"#0", "!CommandWriteAll"});
  EXPECT_TRUE(Memory() == before);
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

}  // namespace
}  // namespace pyra::test

// The commands for a whole bus and for the interface unit in front of it, against simulated
// modules on one line in this process, on manual time (a silent address costs no real time). The
// runs and their exact texts are tests/data/cli/bus.txt.
#include <gtest/gtest.h>

#include "support/Split.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/BusCommands.h"
#include "cli/CliRunner.h"
#include "files/TempDir.h"

namespace pyra::cli {
namespace {

using Texts = std::vector<std::string>;
using test::Split;

std::string Expand(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir);
  return text;
}

// Until the command line knows these commands, the few words the table uses are set directly.
CliOptions Options(const std::string& line, const std::string& dir) {
  static const std::map<std::string, Command> kCommands = {
      {"scan", Command::kScan},
      {"backup", Command::kBackup},
      {"restore", Command::kRestore},
      {"verify-backup", Command::kVerifyBackup},
      {"transparent", Command::kTransparent}};
  CliOptions o;
  o.port = kSimPort;
  o.directory = dir;
  for (const std::string& word : Split(line, " ")) {
    if (kCommands.contains(word)) o.command = kCommands.at(word);
    o.yes = o.yes || word == "--yes";
    o.scan_xaddr = o.scan_xaddr || word == "--xaddr";
    o.velora = o.velora || word == "--velora";
    o.zero_based = o.zero_based || word == "--zero-based";
  }
  return o;
}

std::size_t AllRequests(sim::Simulator& simulator) {
  std::size_t n = 0;
  for (const sim::SimModule* m : simulator.Bus().Modules()) n += m->Requests().size();
  return n;
}

struct Case {
  std::string name;
  Texts rows;
};

std::vector<Case> Cases() {
  std::ifstream in(PYRA_TEST_DATA "/cli/bus.txt");
  std::vector<Case> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.starts_with("# ")) continue;
    if (line.starts_with("## ")) {
      cases.push_back({line.substr(3), {}});
    } else {
      cases.back().rows.push_back(line);
    }
  }
  return cases;
}

// Rows (explained at the top of bus.txt): "@ ..." changes the line, "$ ..." runs pyractl, and
// the rows after it say what that run must have given.
void RunCase(const Case& c) {
  sim::Simulator simulator;
  ManualClock clock;
  test::TempDir dir;
  std::string folder = dir.File("");
  folder.pop_back();
  std::istringstream terminal;
  bool with_terminal = false;
  auto module = [&](const std::string& address) {
    sim::SimModule* m = simulator.Bus().Find(std::stoi(address), std::nullopt);
    EXPECT_NE(m, nullptr) << "no module at " << address;
    return m;
  };

  int status = -1;
  std::string out, err;
  std::size_t requests_before = 0;
  Texts expected_out, expected_err;
  auto finish_run = [&] {
    if (status < 0) return;
    std::string out_lines, err_lines;
    for (const std::string& l : expected_out) out_lines += l + "\n";
    for (const std::string& l : expected_err) err_lines += l + "\n";
    EXPECT_EQ(out, out_lines);
    EXPECT_EQ(err.empty() || err.ends_with("\n") ? err : err + "\n", err_lines);
    expected_out.clear();
    expected_err.clear();
  };

  for (const std::string& row : c.rows) {
    SCOPED_TRACE(c.name + ": " + row);
    const Texts w = Split(row, " ");
    const std::string rest = row.size() > 2 ? Expand(row.substr(2), folder) : "";
    if (w[0] == "$") {
      finish_run();
      std::ostringstream o, e;
      RunContext context{&simulator, &clock};
      if (with_terminal) context.terminal = &terminal;
      requests_before = AllRequests(simulator);
      status = RunCommand(Options(rest, folder), o, e, context);
      out = o.str();
      err = e.str();
    } else if (w[0] == ">") {
      expected_out.push_back(rest);
    } else if (w[0] == "!") {
      expected_err.push_back(rest);
    } else if (w[0] == "=") {
      EXPECT_EQ(status, std::stoi(w[1]));
    } else if (w[0] == "?" && w[1] == "sent") {
      EXPECT_EQ(AllRequests(simulator) - requests_before, std::stoul(w[2]));
    } else if (w[0] == "?" && w[1] == "files") {
      EXPECT_EQ(dir.Entries(), std::stoi(w[2]));
    } else if (w[0] == "?" && w[1] == "id") {
      if (sim::SimModule* m = module(w[2])) {
        EXPECT_EQ(m->Memory().id_string,
                  row.size() > 6 + w[2].size() ? row.substr(6 + w[2].size()) : "");
      }
    } else if (w[0] == "?" && w[1] == "transparent") {
      EXPECT_EQ(simulator.Velora().Transparent(), w[2] == "1");
    } else if (w[0] == "@" && w[1] == "address") {
      simulator.Module().GetConfig().address = std::stoi(w[2]);
    } else if (w[0] == "@" && w[1] == "module") {
      simulator.AddModule(std::stoi(w[2]), w.size() > 3 ? std::stoi(w[3]) : 0);
    } else if (w[0] == "@" && w[1] == "xaddr") {
      simulator.Module().GetConfig().extended_address = std::stoi(w[2]);
    } else if (w[0] == "@" && w[1] == "id") {
      if (sim::SimModule* m = module(w[2])) {
        m->Memory().id_string = row.size() > 6 + w[2].size() ? row.substr(6 + w[2].size()) : "";
      }
    } else if (w[0] == "@" && w[1] == "remove") {
      // "@ remove A after N": module A is unplugged once it has taken N requests.
      const int address = std::stoi(w[2]);
      const std::size_t after = std::stoul(w[4]);
      simulator.Bus().SetAfterEachByte([&simulator, address, after] {
        sim::SimModule* m = simulator.Bus().Find(address, std::nullopt);
        if (m && m->Requests().size() >= after) {
          simulator.RemoveModule(address, m->GetConfig().extended_address);
        }
      });
    } else if (w[0] == "@" && w[1] == "unit") {
      sim::SimVeloraUnit::Config& unit = simulator.Velora().GetConfig();
      unit.unit_type = std::stoi(w[2]);
      unit.unit_hi = std::stoi(w[3]);
      unit.unit_lo = std::stoi(w[4]);
    } else if (w[0] == "@" && w[1] == "protocol") {
      simulator.Velora().GetConfig().protocol_hi = std::stoi(w[2]);
      simulator.Velora().GetConfig().protocol_lo = std::stoi(w[3]);
    } else if (w[0] == "@" && w[1] == "terminal") {
      terminal.str(w[2] + "\n");
      with_terminal = true;
    } else {
      ADD_FAILURE() << "unknown row";
    }
  }
  finish_run();
}

TEST(BusCommandsTest, RunsGiveTheirStatusOutputAndWhatReachedTheModules) {
  const std::vector<Case> cases = Cases();
  ASSERT_GE(cases.size(), 14u);
  for (const Case& c : cases) RunCase(c);
}

// The name carries the address and eXtended Address; the ID only makes it readable.
TEST(BusCommandsTest, BackupFileNamesAreDistinctAndNameTheirModule) {
  struct Row {
    BackupTarget target;
    std::string id;
    std::string name;
  };
  for (const Row& r : std::vector<Row>{
           {{0, {}}, "", "module-01.dat"},
           {{15, {}}, "Station West", "module-16_Station_West.dat"},
           {{31, 95}, "x12/../a.b", "module-32-x96_x12____a_b.dat"},
           {{4, 0}, "-x05", "module-05-x01_-x05.dat"},
       }) {
    EXPECT_EQ(BackupFileName(r.target, r.id), r.name);
    EXPECT_EQ(BackupFileTarget(r.name), r.target) << r.name;
  }
  for (const char* other : {"module-1.dat", "module-00.dat", "module-01-x5.dat", "module-01x.dat",
                            "module-01.dat~", "Module-01.dat", "module-01-x01.datx"}) {
    EXPECT_FALSE(BackupFileTarget(other)) << other;
  }
}

}  // namespace
}  // namespace pyra::cli

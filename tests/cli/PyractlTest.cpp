// pyractl in this process against the simulated module on manual time. The argument parsing is
// tests/data/cli/options.txt, whole runs (exit status, output, messages, what reached the
// module) are the transcripts of tests/data/cli/pyractl.txt, and the files that write-all must
// refuse before sending anything are tests/data/cli/file_refusals.txt.
#include <gtest/gtest.h>

#include "support/Split.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "files/TempDir.h"

namespace pyra::cli {
namespace {

using Texts = std::vector<std::string>;

using test::Split;

// {dir} is the case's folder, {data} tests/data.
std::string Expand(std::string text, const std::string& dir) {
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"{dir}", dir}, {"{data}", PYRA_TEST_DATA}, {"{version}", PYRA_VERSION}}) {
    for (std::size_t at; (at = text.find(from)) != std::string::npos;) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

// Arguments are separated by blanks; within one, \s is a blank, \n a line feed, and \e alone
// an empty argument.
Texts Arguments(const std::string& line, const std::string& dir) {
  Texts args;
  if (line.empty()) return args;
  for (std::string arg : Split(Expand(line, dir), " ")) {
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"\\s", " "}, {"\\n", "\n"}, {"\\e", ""}}) {
      for (std::size_t at; (at = arg.find(from)) != std::string::npos;) arg.replace(at, 2, to);
    }
    args.push_back(arg);
  }
  return args;
}

Texts Lines(const std::string& table) {
  std::ifstream in(PYRA_TEST_DATA "/cli/" + table);
  Texts lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && !line.starts_with("# ")) lines.push_back(line);
  }
  return lines;
}

std::string Described(const CliOptions& o) {
  std::ostringstream s;
  static const char* const kCommands[] = {
      "none",    "help",        "ports",      "version",    "id",     "erase",
      "sim",     "read-all",    "write-all",  "verify-all", "show",   "diff",
      "convert", "monitor",     "set-aspect", "scan",       "backup", "verify-backup",
      "restore", "transparent", "compare"};
  static const char* const kUnits[] = {"hba", "hbb", "tavi"};
  s << "command=" << kCommands[static_cast<int>(o.command)] << " port=" << o.port
    << " baud=" << o.bit_rate << " address=" << o.module_address
    << " xaddr=" << (o.extended_address ? std::to_string(*o.extended_address) : "-")
    << " velora=" << o.velora << " id=" << o.id_text.value_or("-") << " pty=" << o.pty
    << " paced=" << o.paced << " latency=" << o.latency_ms << " protocol=" << o.velora_protocol
    << " unit=" << kUnits[static_cast<int>(o.unit)] << " output=" << o.output
    << " names=" << o.names_file << " compact=" << o.compact << " module=" << o.module_only
    << " yes=" << o.yes << " scanx=" << o.scan_xaddr << " dir=" << o.directory << " more=";
  for (const int a : o.more_addresses) s << a << ",";
  s << " files=";
  for (const std::string& f : o.files) s << f << ",";
  return s.str() + " ";
}

// Each row: the arguments, a tab, then "error=...", "print=" and the first line --help or
// --version prints, or the fields the arguments set.
TEST(CliOptionsTest, ArgumentsParseIntoTheOptionsOrAreRefusedWithAReason) {
  const Texts rows = Lines("options.txt");
  ASSERT_GE(rows.size(), 40u);
  for (const std::string& row : rows) {
    const Texts columns = Split(row, "\t");
    ASSERT_EQ(columns.size(), 2u) << row;
    const ParseResult r = ParseArguments(Arguments(columns[0], ""));
    if (columns[1].starts_with("error=")) {
      EXPECT_EQ(r.error, columns[1].substr(6)) << row;
      continue;
    }
    if (columns[1].starts_with("print=")) {
      EXPECT_EQ(r.print.substr(0, r.print.find('\n')), Expand(columns[1].substr(6), "")) << row;
      continue;
    }
    EXPECT_EQ(r.error, "") << row;
    for (const std::string& field : Split(columns[1], " ")) {
      EXPECT_NE((" " + Described(r.options)).find(" " + field + " "), std::string::npos)
          << row << "\n"
          << Described(r.options);
    }
  }
}

// A transcript: "## name" starts a case with a new module and folder; "@ address N",
// "@ xaddr N", "@ protocol N" set the module up; "$ ARGS" runs pyractl; then "= STATUS", "> LINE"
// (standard output, exactly, all lines), "~ TEXT" (standard output holds it), "! LINE"
// (standard error, exactly; none when no such line), "? requests N" and "? id TEXT" (the module).
TEST(PyractlTranscriptTest, RunsGiveTheirStatusOutputAndMessages) {
  struct Run {
    std::string command;
    Texts expected;
  };
  struct Case {
    std::string name;
    Texts setup;
    std::vector<Run> runs;
  };
  std::vector<Case> cases;
  for (const std::string& line : Lines("pyractl.txt")) {
    if (line.starts_with("## ")) {
      cases.push_back({line.substr(3), {}, {}});
    } else if (line.starts_with("@ ")) {
      cases.back().setup.push_back(line.substr(2));
    } else if (line.starts_with("$ ")) {
      cases.back().runs.push_back({line.substr(2), {}});
    } else {
      cases.back().runs.back().expected.push_back(line);
    }
  }
  ASSERT_GE(cases.size(), 10u);
  for (const Case& c : cases) {
    sim::Simulator simulator;
    ManualClock clock;
    test::TempDir dir;
    for (const std::string& setup : c.setup) {
      const Texts a = Split(setup, " ");
      const int v = std::stoi(a[1]);
      if (a[0] == "address") simulator.Module().GetConfig().address = v;
      if (a[0] == "xaddr") simulator.Module().GetConfig().extended_address = v;
      if (a[0] == "protocol") simulator.Velora().GetConfig().protocol_hi = v;
    }
    std::string folder = dir.File("");
    folder.pop_back();
    for (const Run& run : c.runs) {
      SCOPED_TRACE(c.name + ": " + run.command);
      std::ostringstream out, err;
      const int status = RunPyractl(Arguments(run.command, folder), out, err, {&simulator, &clock});
      std::string out_lines, err_lines;
      for (const std::string& line : run.expected) {
        const std::string text = Expand(line.substr(2), folder);
        if (line[0] == '>') out_lines += text + "\n";
        if (line[0] == '!') err_lines += text + "\n";
        if (line[0] == '=') {
          EXPECT_EQ(status, std::stoi(text));
        }
        if (line[0] == '~') {
          EXPECT_NE(out.str().find(text), std::string::npos) << out.str();
        }
        if (line.starts_with("? requests ")) {
          EXPECT_EQ(simulator.Module().Requests().size(), std::stoul(text.substr(9)));
        }
        if (line.starts_with("? aspect ")) {
          EXPECT_EQ(simulator.Module().PinAspect(std::stoi(text.substr(7))),
                    std::stoi(text.substr(9)));
        }
        if (line.starts_with("? id ")) {
          EXPECT_EQ(simulator.Module().Memory().id_string, text.substr(3));
        }
      }
      if (!out_lines.empty()) {
        EXPECT_EQ(out.str(), out_lines);
      }
      EXPECT_EQ(err.str(), err_lines);
    }
  }
}

// A file of the older tool says nothing of the enforced flag and the enable map: restoring it
// keeps the module's own, and verifying it expects them.
TEST(PyractlFilesTest, FileWithoutEnforcedFlagAndEnableMapKeepsTheModules) {
  const std::string older = PYRA_TEST_DATA "/files/older_tool.dat";
  sim::Simulator simulator;
  ManualClock clock;
  auto pyractl = [&](const Texts& args) {
    std::ostringstream out, err;
    return RunPyractl(args, out, err, {&simulator, &clock});
  };
  ASSERT_EQ(pyractl({"--port", "sim", "write-all", older}), kExitOk);
  sim::ModuleMemory& memory = simulator.Module().Memory();
  memory.x_address = 127;  // Enforced, as the module's own Write Settings left it
  memory.serial_address = {0, 0};
  memory.group_mask = {0, 0, 0, 0};
  memory.enable_map = {5, 10};
  const sim::ModuleMemory before = memory;
  test::TempDir dir;
  ASSERT_EQ(pyractl({"--port", "sim", "read-all", "-o", dir.File("b.dat")}), kExitOk);
  EXPECT_EQ(pyractl({"--port", "sim", "verify-all", dir.File("b.dat")}), kExitOk);
  EXPECT_EQ(pyractl({"--port", "sim", "verify-all", older}), kExitOk);

  const std::size_t asked = simulator.Module().Requests().size();
  ASSERT_EQ(pyractl({"--port", "sim", "write-all", older}), kExitOk);
  std::vector<std::vector<int>> general_writes;
  const auto& requests = simulator.Module().Requests();
  for (std::size_t i = asked; i < requests.size(); ++i) {
    const std::vector<int>& p = requests[i].payload;
    if (p[0] == 96 && (p[1] == 2 || p[1] == 3 || p[1] == 8 || p[1] == 11)) {
      general_writes.push_back(p);
    }
  }
  EXPECT_EQ(general_writes,
            (std::vector<std::vector<int>>{
                {96, 11, 5, 10}, {96, 8, 0, 0}, {96, 3, 0, 0, 0, 0}, {96, 2, 127}}));
  EXPECT_EQ(memory, before);
  EXPECT_EQ(pyractl({"--port", "sim", "verify-all", older}), kExitOk);
}

TEST(FileRefusalTest, WriteAllRefusesEveryValueClassAtLoadAndSendsNothing) {
  const Texts rows = Lines("file_refusals.txt");
  ASSERT_GE(rows.size(), 20u);
  test::TempDir dir;
  for (const std::string& row : rows) {
    const Texts columns = Split(row, "\t");
    ASSERT_EQ(columns.size(), 3u) << row;
    SCOPED_TRACE(columns[0]);
    const Texts records = Split(columns[1], " / ");
    std::string text = "\"PyraConfiguration 3230\"\r\n";
    for (const std::string& record : records) text += record + "\r\n";
    test::WriteBytes(dir.File("bad.dat"), text + "\"End\"\r\n");
    sim::Simulator simulator;
    ManualClock clock;
    std::ostringstream out, err;
    EXPECT_EQ(RunPyractl({"--port", "sim", "write-all", dir.File("bad.dat")}, out, err,
                         RunContext{&simulator, &clock}),
              kExitFailure);
    EXPECT_EQ(err.str(), "Invalid configuration file\nLine " + std::to_string(records.size() + 1) +
                             ": " + columns[2] + "\n");
    EXPECT_TRUE(simulator.Module().Requests().empty());
    EXPECT_EQ(simulator.Module().ResetFrames(), 0);
  }
}

}  // namespace
}  // namespace pyra::cli

// pyractl write-all refuses a file holding a value that no frame can carry, with the line and the
// reason, before a single frame reaches the module. The rows are in tests/data/file_refusals.txt.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "files/TempDir.h"

namespace pyra::cli {
namespace {

struct Refusal {
  std::string name;
  std::vector<std::string> records;
  std::string reason;
};

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(separator, at)) != std::string::npos;
       at = next + separator.size()) {
    parts.push_back(text.substr(at, next - at));
  }
  parts.push_back(text.substr(at));
  return parts;
}

std::vector<Refusal> Rows() {
  std::ifstream in(PYRA_TEST_DATA "/file_refusals.txt");
  std::vector<Refusal> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> columns = Split(line, "\t");
    if (columns.size() != 3) ADD_FAILURE() << "malformed row: " << line;
    if (columns.size() == 3) rows.push_back({columns[0], Split(columns[1], " / "), columns[2]});
  }
  return rows;
}

TEST(FileRefusalTest, WriteAllRefusesEveryValueClassAtLoadAndSendsNothing) {
  const std::vector<Refusal> rows = Rows();
  ASSERT_GE(rows.size(), 20u);
  test::TempDir dir;
  for (const Refusal& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = "\"PyraConfiguration 3230\"\r\n";
    for (const std::string& record : row.records) text += record + "\r\n";
    test::WriteBytes(dir.File("bad.dat"), text + "\"End\"\r\n");
    sim::Simulator simulator;
    ManualClock clock;
    std::ostringstream out, err;
    const int status = RunPyractl({"--port", "sim", "write-all", dir.File("bad.dat")}, out, err,
                                  RunContext{&simulator, &clock});
    EXPECT_EQ(status, kExitFailure);
    EXPECT_EQ(err.str(), "Invalid configuration file\nLine " +
                             std::to_string(row.records.size() + 1) + ": " + row.reason + "\n");
    EXPECT_TRUE(simulator.Module().Requests().empty());
    EXPECT_EQ(simulator.Module().ResetFrames(), 0);
  }
}

}  // namespace
}  // namespace pyra::cli

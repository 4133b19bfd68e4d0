#include "cli/CliOptions.h"

#include <gtest/gtest.h>

namespace pyra::cli {
namespace {

struct ValidCase {
  const char* name;
  std::vector<std::string> args;
  Command command;
  std::string port;
  int bit_rate;
  int module_address;
  std::optional<int> extended_address;
  bool velora;
};

class ValidArgumentsTest : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidArgumentsTest, ParseIntoTheLinkSettings) {
  const ValidCase& c = GetParam();
  const ParseResult r = ParseArguments(c.args);
  ASSERT_EQ(r.error, "") << c.name;
  EXPECT_EQ(r.options.command, c.command) << c.name;
  EXPECT_EQ(r.options.port, c.port) << c.name;
  EXPECT_EQ(r.options.bit_rate, c.bit_rate) << c.name;
  EXPECT_EQ(r.options.module_address, c.module_address) << c.name;
  EXPECT_EQ(r.options.extended_address, c.extended_address) << c.name;
  EXPECT_EQ(r.options.velora, c.velora) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValidArgumentsTest,
    ::testing::Values(
        ValidCase{"defaults",
                  {"--port", "sim", "version"},
                  Command::kVersion,
                  "sim",
                  19200,
                  0,
                  std::nullopt,
                  false},
        ValidCase{
            "ports needs no port", {"ports"}, Command::kPorts, "", 19200, 0, std::nullopt, false},
        ValidCase{"first address shown is 1",
                  {"--port", "ttyUSB0", "--address", "1", "id"},
                  Command::kId,
                  "ttyUSB0",
                  19200,
                  0,
                  std::nullopt,
                  false},
        ValidCase{"last direct address",
                  {"--port", "/dev/pts/3", "--address", "16", "version"},
                  Command::kVersion,
                  "/dev/pts/3",
                  19200,
                  15,
                  std::nullopt,
                  false},
        ValidCase{"zero based first",
                  {"--zero-based", "--port", "sim", "--address", "0", "id"},
                  Command::kId,
                  "sim",
                  19200,
                  0,
                  std::nullopt,
                  false},
        ValidCase{"zero based last",
                  {"--port", "sim", "--address", "15", "--zero-based", "id"},
                  Command::kId,
                  "sim",
                  19200,
                  15,
                  std::nullopt,
                  false},
        ValidCase{"velora widens the range",
                  {"--port", "sim", "--velora", "--address", "32", "id"},
                  Command::kId,
                  "sim",
                  19200,
                  31,
                  std::nullopt,
                  true},
        ValidCase{"xaddr range ends at 96",
                  {"--port", "sim", "--xaddr", "96", "id"},
                  Command::kId,
                  "sim",
                  19200,
                  0,
                  95,
                  false},
        ValidCase{"xaddr zero based",
                  {"--zero-based", "--port", "sim", "--xaddr", "0", "id"},
                  Command::kId,
                  "sim",
                  19200,
                  0,
                  0,
                  false},
        ValidCase{"baud 9600",
                  {"--baud", "9600", "--port", "sim", "version"},
                  Command::kVersion,
                  "sim",
                  9600,
                  0,
                  std::nullopt,
                  false},
        ValidCase{"baud 38400 inline",
                  {"--baud=38400", "--port=sim", "version"},
                  Command::kVersion,
                  "sim",
                  38400,
                  0,
                  std::nullopt,
                  false},
        ValidCase{"options after the command",
                  {"version", "--port", "sim", "--address", "3"},
                  Command::kVersion,
                  "sim",
                  19200,
                  2,
                  std::nullopt,
                  false},
        ValidCase{"erase confirmed",
                  {"--port", "sim", "erase", "--yes"},
                  Command::kErase,
                  "sim",
                  19200,
                  0,
                  std::nullopt,
                  false},
        ValidCase{"sim on a pty",
                  {"sim", "--pty", "--address", "4", "--velora"},
                  Command::kSim,
                  "",
                  19200,
                  3,
                  std::nullopt,
                  true},
        ValidCase{"help wins over errors",
                  {"--baud", "1", "--help"},
                  Command::kHelp,
                  "",
                  19200,
                  0,
                  std::nullopt,
                  false}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(CliOptionsTest, IdTakesTheTextToWrite) {
  const ParseResult write = ParseArguments({"--port", "sim", "id", "Station West"});
  ASSERT_EQ(write.error, "");
  EXPECT_EQ(write.options.id_text, std::optional<std::string>("Station West"));

  const ParseResult read = ParseArguments({"--port", "sim", "id"});
  ASSERT_EQ(read.error, "");
  EXPECT_FALSE(read.options.id_text.has_value());

  // After "--" a text that looks like an option is still the ID.
  const ParseResult dashed = ParseArguments({"--port", "sim", "id", "--", "--west"});
  ASSERT_EQ(dashed.error, "");
  EXPECT_EQ(dashed.options.id_text, std::optional<std::string>("--west"));
}

TEST(CliOptionsTest, SimTakesTheVeloraUnitAndProtocol) {
  const ParseResult r =
      ParseArguments({"sim", "--pty", "--velora", "--velora-protocol", "3100", "--unit", "TAVI"});
  ASSERT_EQ(r.error, "");
  EXPECT_TRUE(r.options.pty);
  EXPECT_EQ(r.options.velora_protocol, 3100);
  EXPECT_EQ(r.options.unit, SimUnit::kTavi);
}

TEST(CliOptionsTest, PacedSimTakesTheLineSpeedAndTheModuleLatency) {
  const ParseResult paced =
      ParseArguments({"sim", "--pty", "--paced", "--baud", "38400", "--latency", "12"});
  ASSERT_EQ(paced.error, "");
  EXPECT_TRUE(paced.options.paced);
  EXPECT_EQ(paced.options.bit_rate, 38400);
  EXPECT_EQ(paced.options.latency_ms, 12);

  const ParseResult plain = ParseArguments({"sim", "--pty"});
  ASSERT_EQ(plain.error, "");
  EXPECT_FALSE(plain.options.paced);
  EXPECT_EQ(plain.options.latency_ms, 0);

  const ParseResult longest = ParseArguments({"sim", "--pty", "--paced", "--latency=1000"});
  ASSERT_EQ(longest.error, "");
  EXPECT_EQ(longest.options.bit_rate, 19200);
  EXPECT_EQ(longest.options.latency_ms, 1000);
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string error;
};

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, IsRefusedWithAOneLineReason) {
  const UsageCase& c = GetParam();
  const ParseResult r = ParseArguments(c.args);
  EXPECT_EQ(r.error, c.error) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrorTest,
    ::testing::Values(
        UsageCase{"nothing", {}, "no command given"},
        UsageCase{"unknown command", {"--port", "sim", "flash"}, "unknown command 'flash'"},
        UsageCase{"unknown option",
                  {"--port", "sim", "--speed", "9600", "version"},
                  "unknown option --speed"},
        UsageCase{"missing value", {"version", "--port"}, "--port needs a value"},
        UsageCase{"flag with value",
                  {"--port", "sim", "--velora=1", "version"},
                  "--velora takes no value"},
        UsageCase{"no port", {"version"}, "version needs --port NAME (see pyractl ports)"},
        UsageCase{"baud 1234",
                  {"--port", "sim", "--baud", "1234", "version"},
                  "--baud must be 9600, 19200 or 38400, not '1234'"},
        UsageCase{"address 17",
                  {"--port", "sim", "--address", "17", "version"},
                  "--address must be 1..16 (up to 32 with --velora), not '17'"},
        UsageCase{"address 0 when counting from 1",
                  {"--port", "sim", "--address", "0", "id"},
                  "--address must be 1..16 (up to 32 with --velora), not '0'"},
        UsageCase{"address 16 zero based",
                  {"--zero-based", "--port", "sim", "--address", "16", "id"},
                  "--address must be 0..15 (up to 31 with --velora), not '16'"},
        UsageCase{"address 33 with velora",
                  {"--velora", "--port", "sim", "--address", "33", "id"},
                  "--address must be 1..32, not '33'"},
        UsageCase{"address not a number",
                  {"--port", "sim", "--address", "3x", "id"},
                  "--address must be 1..16 (up to 32 with --velora), not '3x'"},
        UsageCase{"xaddr 97",
                  {"--port", "sim", "--xaddr", "97", "id"},
                  "--xaddr must be 1..96, not '97'"},
        UsageCase{"erase unconfirmed",
                  {"--port", "sim", "erase"},
                  "erase wipes the module's configuration memory; confirm with erase --yes"},
        UsageCase{"yes elsewhere",
                  {"--port", "sim", "version", "--yes"},
                  "--yes belongs to the erase command"},
        UsageCase{
            "two id texts", {"--port", "sim", "id", "a", "b"}, "too many arguments for id: 'b'"},
        UsageCase{"version operand",
                  {"--port", "sim", "version", "now"},
                  "too many arguments for version: 'now'"},
        UsageCase{"sim without pty",
                  {"sim"},
                  "sim needs --pty: it serves the simulated module on a pseudo-terminal"},
        UsageCase{"sim with port",
                  {"--port", "ttyS0", "sim", "--pty"},
                  "sim makes its own port; leave out --port"},
        UsageCase{"pty on another command",
                  {"--port", "sim", "version", "--pty"},
                  "--pty, --velora-protocol and --unit belong to the sim command"},
        UsageCase{"paced on another command",
                  {"--port", "sim", "version", "--paced"},
                  "--paced and --latency belong to the sim command"},
        UsageCase{"latency on another command",
                  {"--port", "sim", "read-all", "-o", "x.dat", "--latency", "5"},
                  "--paced and --latency belong to the sim command"},
        UsageCase{
            "latency without paced", {"sim", "--pty", "--latency", "5"}, "--latency needs --paced"},
        UsageCase{"latency too long",
                  {"sim", "--pty", "--paced", "--latency", "1001"},
                  "--latency must be 0..1000 ms, not '1001'"},
        UsageCase{"latency negative",
                  {"sim", "--pty", "--paced", "--latency", "-1"},
                  "--latency must be 0..1000 ms, not '-1'"},
        UsageCase{"latency with unit",
                  {"sim", "--pty", "--paced", "--latency", "5ms"},
                  "--latency must be 0..1000 ms, not '5ms'"},
        UsageCase{"paced with value", {"sim", "--pty", "--paced=1"}, "--paced takes no value"},
        UsageCase{"unit unknown",
                  {"sim", "--pty", "--velora", "--unit", "hbc"},
                  "--unit must be hba, hbb or tavi, not 'hbc'"},
        UsageCase{"unit without velora",
                  {"sim", "--pty", "--unit", "hbb"},
                  "--velora-protocol and --unit need --velora"},
        UsageCase{"protocol not encodable",
                  {"sim", "--pty", "--velora", "--velora-protocol", "3800"},
                  "--velora-protocol must be a version such as 3200 (hundreds and units digits "
                  "0..7), not '3800'"}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
}  // namespace pyra::cli

#include <gtest/gtest.h>
#include <QProcess>

#include <csignal>
#include <thread>

#include <signal.h>

#include "QtTestApp.h"
#include "cli/PtyServer.h"
#include "files/ConfigFile.h"
#include "files/RichConfiguration.h"
#include "files/TempDir.h"
#include "link/Link.h"
#include "operations/Identity.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::cli {
namespace {

// Guards against a hung process only; a healthy run takes a fraction of a second.
constexpr int kGuardMs = 20000;

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

Finished RunPyractlBinary(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(PYRACTL_PATH), args);
  Finished f;
  if (!process.waitForStarted(kGuardMs) || !process.waitForFinished(kGuardMs)) {
    process.kill();
    process.waitForFinished(kGuardMs);
    f.err = "pyractl did not finish";
    return f;
  }
  f.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  f.out = process.readAllStandardOutput().toStdString();
  f.err = process.readAllStandardError().toStdString();
  return f;
}

TEST(PyractlEndToEndTest, TalksToTheSimulatedModuleOverAPseudoTerminal) {
  EnsureQtApp();
  sim::Simulator simulator;
  PtyServer server(simulator.Module());
  std::string error;
  ASSERT_TRUE(server.Open(error)) << error;
  std::string run_error;
  std::thread serving([&] { server.Run(run_error); });
  const QString port = QString::fromStdString(server.SlavePath());

  const Finished version = RunPyractlBinary({"--port", port, "version"});
  const Finished write = RunPyractlBinary({"--port", port, "id", "Station West"});
  const Finished read = RunPyractlBinary({"--port", port, "id"});
  server.Stop();
  serving.join();

  EXPECT_EQ(run_error, "");
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "3.2.0.17\n");
  EXPECT_EQ(write.status, 0) << write.err;
  EXPECT_EQ(write.out, "");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, "Station West\n");
  EXPECT_EQ(simulator.Module().Memory().id_string, "Station West");
}

TEST(PyractlEndToEndTest, SimCommandServesUntilTerminated) {
  EnsureQtApp();
  QProcess server;
  server.start(QStringLiteral(PYRACTL_PATH), {"sim", "--pty", "--address", "3"});
  ASSERT_TRUE(server.waitForStarted(kGuardMs));
  while (!server.canReadLine() && server.waitForReadyRead(kGuardMs)) {
  }
  const QString port = QString::fromUtf8(server.readLine()).trimmed();
  ASSERT_TRUE(port.startsWith("/dev/")) << port.toStdString();

  const Finished version = RunPyractlBinary({"--port", port, "--address", "3", "version"});
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(kGuardMs));

  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "3.2.0.17\n");
  EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(server.exitCode(), 0) << server.readAllStandardError().toStdString();
}

// Counts what passes through a channel both ways.
class CountingChannel final : public ByteChannel {
 public:
  CountingChannel(std::unique_ptr<ByteChannel> inner, int& written, int& read)
      : inner_(std::move(inner)), written_(written), read_(read) {}
  bool IsOpen() const override { return inner_->IsOpen(); }
  void Write(uint8_t byte) override {
    ++written_;
    inner_->Write(byte);
  }
  std::size_t Available() override { return inner_->Available(); }
  std::optional<uint8_t> ReadByte(Clock::TimePoint deadline) override {
    std::optional<uint8_t> b = inner_->ReadByte(deadline);
    if (b) ++read_;
    return b;
  }

 private:
  std::unique_ptr<ByteChannel> inner_;
  int& written_;
  int& read_;
};

// A paced line with module latency still answers, and SIGUSR1 reports what crossed it.
TEST(PyractlEndToEndTest, PacedSimAnswersAndReportsItsTrafficOnRequest) {
  EnsureQtApp();
  QProcess server;
  server.start(QStringLiteral(PYRACTL_PATH),
               {"sim", "--pty", "--paced", "--baud", "38400", "--latency", "2"});
  ASSERT_TRUE(server.waitForStarted(kGuardMs));
  auto read_line = [&server] {
    while (!server.canReadLine() && server.waitForReadyRead(kGuardMs)) {
    }
    return QString::fromUtf8(server.readLine()).trimmed();
  };
  const QString port = read_line();
  ASSERT_TRUE(port.startsWith("/dev/")) << port.toStdString();

  ::kill(static_cast<pid_t>(server.processId()), SIGUSR1);
  const QString before = read_line();
  const Finished version = RunPyractlBinary({"--port", port, "--baud", "38400", "version"});
  ::kill(static_cast<pid_t>(server.processId()), SIGUSR1);
  const QString after = read_line();
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(kGuardMs));

  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "3.2.0.17\n");
  EXPECT_EQ(before.toStdString(), "traffic: 0 in, 0 out");
  // The same exchange in-process, counted at the link's channel.
  sim::Simulator simulator;
  ManualClock clock;
  test::ScriptedPrompter prompter;
  Link link(clock, prompter);
  int written = 0;
  int read = 0;
  link.Open(std::make_unique<CountingChannel>(simulator.Connect(clock, 38400), written, read));
  ModuleSettings settings;
  ASSERT_TRUE(GetVersion(link, settings));
  EXPECT_GT(read, 0);
  EXPECT_EQ(after.toStdString(),
            "traffic: " + std::to_string(written) + " in, " + std::to_string(read) + " out");
  EXPECT_EQ(server.exitCode(), 0) << server.readAllStandardError().toStdString();
}

// Backup and restore through the real program and a pseudo-terminal: what write-all stores,
// read-all brings back, and verify-all finds a changed ID.
TEST(PyractlEndToEndTest, WrittenConfigurationReadsBackAndVerifies) {
  EnsureQtApp();
  test::TempDir dir;
  const std::string rich = dir.File("rich.dat");
  const std::string backup = dir.File("backup.dat");
  const std::string named = dir.File("named.dat");
  Configuration c = test::RichConfiguration();
  test::ScriptedPrompter prompter;
  ASSERT_TRUE(SaveConfigurationFile(rich, c, SaveForm::kFull, prompter));

  QProcess server;
  server.start(QStringLiteral(PYRACTL_PATH), {"sim", "--pty"});
  ASSERT_TRUE(server.waitForStarted(kGuardMs));
  while (!server.canReadLine() && server.waitForReadyRead(kGuardMs)) {
  }
  const QString port = QString::fromUtf8(server.readLine()).trimmed();
  ASSERT_TRUE(port.startsWith("/dev/")) << port.toStdString();
  auto run = [&](QStringList args) { return RunPyractlBinary(QStringList{"--port", port} + args); };

  const Finished write = run({"write-all", QString::fromStdString(rich)});
  const Finished read = run({"read-all", "-o", QString::fromStdString(backup)});
  const Finished read_named = run(
      {"read-all", "--names", QString::fromStdString(rich), "-o", QString::fromStdString(named)});
  const Finished verify = run({"verify-all", QString::fromStdString(rich)});
  const Finished change = run({"id", "Other ID"});
  const Finished verify_changed = run({"verify-all", QString::fromStdString(rich)});
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(kGuardMs));

  EXPECT_EQ(write.status, 0) << write.err;
  EXPECT_EQ(write.err, "");  // no progress line: standard error is not a terminal
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read_named.status, 0) << read_named.err;
  const Finished module_diff = RunPyractlBinary(
      {"diff", "--module", QString::fromStdString(rich), QString::fromStdString(backup)});
  EXPECT_EQ(module_diff.status, 0) << module_diff.out;
  EXPECT_EQ(module_diff.out, "");
  const Finished diff =
      RunPyractlBinary({"diff", QString::fromStdString(rich), QString::fromStdString(named)});
  EXPECT_EQ(diff.status, 0) << diff.out;
  EXPECT_EQ(diff.out, "");

  EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
  EXPECT_TRUE(QString::fromStdString(verify.out).endsWith("Verify OK\n")) << verify.out;
  EXPECT_EQ(change.status, 0) << change.err;
  EXPECT_EQ(verify_changed.status, 1);
  EXPECT_NE(verify_changed.out.find("Other ID"), std::string::npos) << verify_changed.out;
}

}  // namespace
}  // namespace pyra::cli

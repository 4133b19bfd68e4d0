// pyractl over a real pseudo-terminal whose server goes away in the middle of "read-all": the
// serial port closes itself, pyractl says why once and exits 1 without waiting out anything.
#include <gtest/gtest.h>

#include <QProcess>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "QtTestApp.h"
#include "cli/PtyServer.h"
#include "files/TempDir.h"
#include "sim/SimChannel.h"

namespace pyra::cli {
namespace {

// Guards against a hung process only; the failure is seen within one reply time-out at most.
constexpr int kGuardMs = 20000;

// Passes the line to the module until the module has taken `last_request` requests; then stops
// the server (from its own thread) and answers nothing more, as a module whose cable is pulled.
class StoppingDevice final : public sim::SimDevice {
 public:
  StoppingDevice(sim::SimModule& module, std::size_t last_request)
      : module_(module), last_request_(last_request) {}

  std::optional<sim::Emission> Receive(uint8_t byte) override {
    if (stopped_) return std::nullopt;
    std::optional<sim::Emission> emission = module_.Receive(byte);
    if (module_.Requests().size() >= last_request_) {
      stopped_ = true;
      server->Stop();
      return std::nullopt;
    }
    return emission;
  }

  PtyServer* server = nullptr;

 private:
  sim::SimModule& module_;
  std::size_t last_request_;
  bool stopped_ = false;
};

TEST(PyractlLineLostTest, ReadAllEndsWithTheMessageAndExitOneWhenTheTerminalGoesAway) {
  EnsureQtApp();
  test::TempDir dir;
  const std::string output = dir.File("backup.dat");
  sim::Simulator simulator;
  // Request 40 lies among the pins: version, ID and settings take about a dozen.
  StoppingDevice device(simulator.Module(), 40);
  auto server = std::make_unique<PtyServer>(device);
  device.server = server.get();
  std::string error;
  ASSERT_TRUE(server->Open(error)) << error;
  const std::string path = server->SlavePath();
  std::promise<void> served;
  std::future<void> served_future = served.get_future();
  std::string run_error;
  std::thread serving([&] {
    server->Run(run_error);
    served.set_value();
  });

  QProcess pyractl;
  pyractl.start(QStringLiteral(PYRACTL_PATH), {"--port", QString::fromStdString(path), "read-all",
                                               "-o", QString::fromStdString(output)});
  const bool started = pyractl.waitForStarted(kGuardMs);
  // The server stops itself at the chosen request; only a pyractl that never got there leaves it
  // running, and the guard then stops it so that the test ends.
  if (served_future.wait_for(std::chrono::milliseconds(kGuardMs)) != std::future_status::ready) {
    server->Stop();
  }
  serving.join();
  server.reset();  // both ends of the terminal close, as when the serving process dies

  const bool finished = pyractl.waitForFinished(kGuardMs);
  if (!finished) pyractl.kill();
  pyractl.waitForFinished(kGuardMs);
  const std::string err = pyractl.readAllStandardError().toStdString();

  ASSERT_TRUE(started);
  ASSERT_TRUE(finished) << "pyractl hung after the terminal went away";
  EXPECT_EQ(simulator.Module().Requests().size(), 40u);
  EXPECT_EQ(pyractl.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(pyractl.exitCode(), 1) << err;
  const std::string lost = "The connection to the module was lost: the port " + path +
                           " stopped working (the device was closed or disconnected)\n";
  EXPECT_EQ(err, lost + "pyractl: Read All did not complete; " + output + " was not written\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace pyra::cli

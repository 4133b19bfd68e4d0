#include "WindowBench.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <mutex>

#include <sys/resource.h>

#include "app/MainWindow.h"
#include "cli/ConfigReport.h"
#include "link/ConnectionSettings.h"
#include "link/Link.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"

namespace pyra::bench {

namespace {

using Steady = std::chrono::steady_clock;

// Keeps what the operations say; a message means the run went wrong.
class RecordingPrompter final : public Prompter {
 public:
  void Message(const std::string& text, Icon) override {
    std::lock_guard lock(mutex_);
    texts_.push_back(text);
  }
  Answer Ask(const std::string& text, Buttons, Icon) override {
    Message(text, Icon::kNone);
    return Answer::kNo;
  }
  std::vector<std::string> Texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Runs the event loop until `done` holds or `guard` has passed; false at the guard.
template <class Pred>
bool SpinUntil(Pred done, Seconds guard) {
  const auto deadline = Steady::now() + guard;
  while (!done()) {
    if (Steady::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

constexpr Seconds kGuard{300};

}  // namespace

WindowResult RunWindowReadAll(const Configuration& c, int bit_rate) {
  WindowResult r;
  r.bit_rate = bit_rate;
  sim::Simulator simulator;
  RecordingPrompter prompter;
  {
    ManualClock clock;
    Link link(clock, prompter);
    link.Open(simulator.Connect(clock, bit_rate));
    if (!WriteAll(link, c)) {
      r.failure = "the simulated module could not be filled";
      return r;
    }
  }

  AppServices services;
  services.prompter = &prompter;
  services.simulator = &simulator;  // the clock stays the program's own steady clock
  services.files = [](const FileDialogRequest&) { return QString(); };  // nobody to choose
  MainWindow window(services);
  window.show();
  if (!SpinUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); },
                 kGuard)) {
    r.failure = "the window was not shown";
    return r;
  }
  LinkThread& jobs = window.Jobs();
  const int rate_index = static_cast<int>(
      std::find(std::begin(kBitRates), std::end(kBitRates), bit_rate) - std::begin(kBitRates));
  auto* rate = window.findChild<QAbstractButton*>(QString("OptionBitRate_%1").arg(rate_index));
  auto* port = window.findChild<QComboBox*>("ComboPort");
  auto* read_all = window.findChild<QAbstractButton*>("CommandReadAll");
  if (!rate || !port || !read_all || port->findText(kSimulatorPortName) < 0) {
    r.failure = "the window lacks its connection controls";
    return r;
  }
  rate->click();
  port->setCurrentIndex(port->findText(kSimulatorPortName));
  emit port->activated(port->currentIndex());
  if (!SpinUntil([&] { return !jobs.Busy(); }, kGuard)) {
    r.failure = "the port did not open";
    return r;
  }

  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(10);
  auto last = Steady::now();
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = Steady::now();
    r.worst_lateness = std::max(r.worst_lateness, Seconds(now - last) - Seconds(0.010));
    last = now;
    ++r.ticks;
  });
  bool started = false;
  bool finished = false;
  auto finished_at = Steady::now();
  QObject::connect(&jobs, &LinkThread::BusyChanged, [&](bool busy) {
    if (busy) {
      started = true;
    } else if (started && !finished) {
      finished = true;
      finished_at = Steady::now();
    }
  });
  const auto start = Steady::now();
  last = start;
  tick.start();
  read_all->click();
  // A little past the end as well: the views are refreshed from the result then.
  const bool ended = SpinUntil(
      [&] { return finished && Steady::now() - finished_at > std::chrono::milliseconds(200); },
      kGuard);
  tick.stop();
  r.read_all = finished_at - start;
  if (!ended) {
    r.failure = "Read All did not finish";
    return r;
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  r.peak_rss_kb = usage.ru_maxrss;

  const std::vector<std::string> messages = prompter.Texts();
  const std::vector<std::string> differences = cli::DiffConfigurations(c, window.Model(), {}, true);
  if (!messages.empty()) {
    r.failure = "the window said: " + messages.front();
  } else if (!differences.empty()) {
    r.failure = "the window read something else: " + differences.front();
  }
  return r;
}

StartupResult RunStartup(const std::string& pyraconfig, const std::string& probe, int runs) {
  StartupResult r;
  // The program starts as on a machine where it ran before: with a settings file to read (the
  // remembered port, addresses, a full list of recent files and the window's place).
  QTemporaryDir config_home;
  {
    QSettings remembered(config_home.filePath("PyraConfig/pyraconfig.ini"), QSettings::IniFormat);
    remembered.setValue("connection/port", "Simulator");
    remembered.setValue("connection/bitRate", 38400);
    remembered.setValue("connection/moduleAddress", 3);
    remembered.setValue("connection/extendedAddress", 7);
    remembered.setValue("files/folder", config_home.path());
    QStringList recent;
    for (int i = 1; i <= 8; ++i) recent << config_home.filePath(QString("layout-%1.dat").arg(i));
    remembered.setValue("files/recent", recent);
  }
  std::vector<Seconds> times;
  for (int i = 0; i < runs; ++i) {
    Pipe shown;
    Child program;
    Child::Options options;
    options.inherit_fd = shown.write_fd;
    options.environment = {"LD_PRELOAD=" + probe,
                           "PYRA_BENCH_SHOWN_FD=" + std::to_string(shown.write_fd),
                           "XDG_CONFIG_HOME=" + config_home.path().toStdString()};
    std::string error;
    const auto start = Steady::now();
    if (!program.Start(pyraconfig, {}, options, error)) {
      r.failure = error;
      return r;
    }
    shown.CloseWriteEnd();
    const bool seen = shown.WaitReadable(Seconds(30));
    const auto end = Steady::now();
    program.Signal(SIGTERM);
    const Child::Ended ended = program.Wait();
    if (!seen) {
      r.failure = "the window was not shown within 30 s";
      return r;
    }
    times.push_back(end - start);
    r.peak_rss_kb = std::max(r.peak_rss_kb, ended.max_rss_kb);
  }
  std::sort(times.begin(), times.end());
  r.runs = runs;
  if (!times.empty()) {
    r.median = times[times.size() / 2];
    r.worst = times.back();
  }
  return r;
}

}  // namespace pyra::bench

// Preloaded into the real program by the start-up benchmark: tells the benchmark, through the
// descriptor named in PYRA_BENCH_SHOWN_FD, the moment the main window is on screen and painted.
// It only watches; the program runs unchanged.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <cstdlib>

#include <unistd.h>

namespace {

class ShownProbe final : public QObject {
 public:
  ShownProbe(int fd, QObject* parent) : QObject(parent), fd_(fd) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Expose || fd_ < 0) return false;
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || !window->isExposed() || !IsMainWindow(window)) return false;
    const int fd = fd_;
    fd_ = -1;
    // Queued behind the expose event, whose handling paints the window.
    QTimer::singleShot(0, [fd] {
      [[maybe_unused]] ssize_t ignored = ::write(fd, "shown\n", 6);
      ::close(fd);
    });
    return false;
  }

 private:
  static bool IsMainWindow(const QWindow* window) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->windowHandle() == window && qobject_cast<QMainWindow*>(w)) return true;
    }
    return false;
  }

  int fd_;
};

void InstallProbe() {
  const char* fd_text = std::getenv("PYRA_BENCH_SHOWN_FD");
  if (!fd_text || !QCoreApplication::instance()) return;
  const int fd = std::atoi(fd_text);
  QCoreApplication* app = QCoreApplication::instance();
  app->installEventFilter(new ShownProbe(fd, app));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)

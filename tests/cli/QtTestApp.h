#pragma once

#include <QCoreApplication>

namespace pyra::cli {

// QSerialPort and QProcess want the application's event dispatcher on the main thread, even
// though the tests never run an event loop.
inline void EnsureQtApp() {
  static int argc = 1;
  static char name[] = "cli_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
}

}  // namespace pyra::cli

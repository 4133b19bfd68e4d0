#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/CliRunner.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The serial port's notifiers need the application's event dispatcher, even without a loop.
  QCoreApplication app(argc, argv);
  pyra::cli::RunContext context;
  context.show_progress = ::isatty(STDERR_FILENO) == 1;
  if (::isatty(STDIN_FILENO) == 1) context.terminal = &std::cin;
  return pyra::cli::RunPyractl(args, std::cout, std::cerr, context);
}

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <iostream>

#include "app/MainWindow.h"
#include "devices/ui/DeviceLibraryPanel.h"

namespace {

// Long enough for the window to come up and run its start-up, short enough for a package check.
constexpr int kSelfCheckMs = 2000;

// Stands in for the message boxes during --self-check: whatever the window would have shown is
// printed instead, so an unattended check never waits for a click.
class PrintingPrompter final : public pyra::Prompter {
 public:
  void Message(const std::string& text, pyra::Icon) override { Print(text); }
  pyra::Answer Ask(const std::string& text, pyra::Buttons buttons, pyra::Icon) override {
    Print(text);
    switch (buttons) {
      case pyra::Buttons::kYesNo:
        return pyra::Answer::kNo;
      case pyra::Buttons::kEraseOrKeep:
        return pyra::Answer::kOk;  // "Do not erase"
      default:
        return pyra::Answer::kCancel;
    }
  }
  int Count() const { return count_; }

 private:
  void Print(std::string text) {
    std::erase(text, '\r');
    std::cerr << "pyraconfig: " << text << '\n';
    ++count_;
  }
  std::atomic<int> count_ = 0;
};

// Starts the window as a user would, with every dialog answered "no", runs it for a moment and
// tells where its device library came from. Fails when anything had to be shown or no library
// was listed.
int SelfCheck() {
  PrintingPrompter prompter;
  pyra::AppServices services;
  services.prompter = &prompter;
  services.files = [](const pyra::FileDialogRequest&) { return QString(); };
  pyra::MainWindow window(std::move(services));
  window.show();
  QTimer::singleShot(kSelfCheckMs, qApp, &QCoreApplication::quit);
  QApplication::exec();

  const auto* panel = window.findChild<pyra::DeviceLibraryPanel*>();
  if (!panel || panel->Library().Names.empty() || prompter.Count() > 0) {
    std::cerr << "pyraconfig: self-check failed: no device library listed at start-up\n";
    return 1;
  }
  std::error_code error;
  const auto file = std::filesystem::weakly_canonical(panel->Library().DefinitionsFile, error);
  std::cout << "pyraconfig " << PYRA_VERSION << ": " << panel->Library().Names.size()
            << " devices from " << (error ? panel->Library().DefinitionsFile : file.string())
            << '\n';
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Pyra Config");
  QApplication::setApplicationVersion(PYRA_VERSION);
  // Ties the window to pyraconfig.desktop, whose icon the desktop shows for it (on Wayland the
  // only way to get one).
  QGuiApplication::setDesktopFileName("pyraconfig");
  QApplication::setWindowIcon(QIcon::fromTheme("pyraconfig", QIcon(":/pyraconfig.svg")));

  QCommandLineParser options;
  options.setApplicationDescription("Configures, tests and backs up a Pyra accessory controller.");
  options.addHelpOption();
  options.addVersionOption();
  const QCommandLineOption self_check(
      "self-check",
      "Start the window for two seconds without dialogs; fail unless the device "
      "library was found.");
  options.addOption(self_check);
  options.addPositionalArgument("file", "A configuration file (*.dat) to open, as Load File does.",
                                "[file]");
  options.process(app);
  if (options.isSet(self_check)) return SelfCheck();

  pyra::MainWindow window;
  window.show();
  if (const QStringList files = options.positionalArguments(); !files.isEmpty()) {
    window.OpenConfigurationFile(files.first());
  }
  return QApplication::exec();
}

// Renders the device library panel (or, with "page", the panel under the pin editor) with the
// shipped library listed and its second device applied, into a PNG:
//   files_ui_preview <file.png> [page]
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <cstdio>

#include "devices/ui/DeviceLibraryPanel.h"
#include "link/ui/LinkJobs.h"
#include "pins/ui/AspectEditor.h"
#include "pins/ui/DevicePanel.h"

namespace {

class NoJobs final : public pyra::LinkJobs {
 public:
  void Run(Job, Done) override {}
  void Configure(Job) override {}
  bool Busy() const override { return false; }
};

class PrintingPrompter final : public pyra::Prompter {
 public:
  void Message(const std::string& text, pyra::Icon) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  pyra::Answer Ask(const std::string& text, pyra::Buttons, pyra::Icon) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    return pyra::Answer::kNo;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  NoJobs jobs;
  PrintingPrompter prompter;
  pyra::Configuration model = pyra::DefaultConfiguration();
  const pyra::PanelContext context{jobs, model, prompter};

  QWidget page;
  page.setObjectName("TabDeviceConfiguration");
  auto* column = new QVBoxLayout(&page);
  auto* editor = new pyra::AspectEditor(context, &page);
  auto* library = new pyra::DeviceLibraryPanel(context, {}, &page);
  column->addWidget(editor);
  column->addWidget(library);
  column->addStretch(1);

  library->LoadStandardLibrary(PYRA_LIBRARY_DIR);
  auto* list = library->findChild<QComboBox*>("cboDevice");
  list->setCurrentIndex(1);
  library->ApplySelectedDevice();
  editor->ShowPin();

  page.resize(page.sizeHint().width(), page.sizeHint().height());
  page.show();
  if (!QTest::qWaitForWindowExposed(&page)) return 1;
  QTest::qWait(100);
  const bool whole = argc > 2 && QString(argv[2]) == "page";
  return (whole ? page.grab() : library->grab()).save(argv[1]) ? 0 : 1;
}

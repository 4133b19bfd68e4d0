#include "FilesUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("files_ui_tests");

constexpr int kPollMs = 10;
constexpr int kGuardPolls = 500;

}  // namespace

FileChooser ScriptedChooser::Chooser() {
  return [this](const FileDialogRequest& request) {
    asked_.push_back(request);
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected dialog: " << Describe(request);
      return QString();
    }
    const QString path = answers_.front();
    answers_.pop_front();
    return path;
  };
}

std::string Describe(const FileDialogRequest& r) {
  return QString("%1 %2 \"%3\" \"%4\"")
      .arg(r.name, r.save ? "save" : "open", r.filter, r.default_name)
      .toStdString();
}

void WhenShown(const char* name, std::function<void(QWidget*)> act) {
  // Owned by the application, so a timer still waiting when the test ends goes with it.
  auto* timer = new QTimer(QCoreApplication::instance());
  auto polls = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, polls, name, act = std::move(act)] {
    QPointer<QWidget> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == name && w->isVisible()) shown = w;
    }
    if (!shown && ++*polls < kGuardPolls) return;
    timer->stop();
    timer->deleteLater();
    if (shown) {
      act(shown);
      if (!shown || !shown->isVisible()) return;
      ADD_FAILURE() << "the window named " << name << " stayed open";
    } else {
      ADD_FAILURE() << "no window named " << name << " was shown";
    }
    // A dialog left open would wait for an answer for ever.
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
    }
  });
  timer->start(kPollMs);
}

}  // namespace pyra::test

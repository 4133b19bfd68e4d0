#include "FilesUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

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
  auto acted = std::make_shared<std::optional<QPointer<QWidget>>>();
  QObject::connect(timer, &QTimer::timeout, [timer, polls, acted, name, act = std::move(act)] {
    auto stop = [timer] {
      timer->stop();
      timer->deleteLater();
    };
    if (acted->has_value()) {
      // Acting should have closed it; otherwise it is closed here, or it would wait for ever.
      QWidget* shown = acted->value();
      if (!shown || !shown->isVisible()) return stop();
      if (++*polls < kGuardPolls) return;
      ADD_FAILURE() << "the window named " << name << " stayed open";
      if (auto* dialog = qobject_cast<QDialog*>(shown)) dialog->reject();
      return stop();
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == name && w->isVisible()) {
        *acted = QPointer<QWidget>(w);
        *polls = 0;
        act(w);
        return;
      }
    }
    if (++*polls < kGuardPolls) return;
    ADD_FAILURE() << "no window named " << name << " was shown";
    // A dialog of another name would otherwise wait for an answer for ever.
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
    }
    stop();
  });
  timer->start(kPollMs);
}

}  // namespace pyra::test

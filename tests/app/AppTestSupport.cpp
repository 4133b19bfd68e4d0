#include "AppTestSupport.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "link/ui/CommLogWindow.h"
#include "operations/ui/QueuedCommands.h"
#include "support/QtApplicationEnvironment.h"

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment = RegisterQtApplication("app_tests");

constexpr int kGuardMs = 30000;  // only a failing test waits this long

}  // namespace

void AppTest::SetUp() {
  StartWindow();
  // Room for every page, so that no click lands outside a scrolled page's view.
  window_->resize(1400, 1100);
  Do("ComboPort:Simulator");
}

void AppTest::StartWindow() {
  window_.reset();
  AppServices services;
  services.settings_file = settings_file_;
  services.prompter = &prompter_;
  services.clock = &clock_;
  services.ports.list = [this] { return system_ports_; };
  services.ports.open = [this](const std::string& name, int bit_rate) {
    opened_.emplace_back(name, bit_rate);
    return SerialOpenResult{nullptr, "Permission denied"};
  };
  services.files = [this](const FileDialogRequest& request) {
    dialogs_.push_back(request.name.toStdString());
    if (chosen_files_.empty()) return QString();
    QString path = chosen_files_.front();
    chosen_files_.pop_front();
    return path;
  };
  window_ = std::make_unique<MainWindow>(std::move(services));
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  WaitIdle();
}

void AppTest::TearDown() {
  WaitIdle();
  window_.reset();
}

void AppTest::WaitIdle() {
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return window_->Dispatcher().PendingCommand().empty() && !window_->Jobs().Busy(); },
      kGuardMs))
      << "a job did not end";
  QCoreApplication::processEvents();  // what a job's end shows (the verification report)
}

void AppTest::Do(const std::string& action, Qt::KeyboardModifiers keys) {
  SCOPED_TRACE(action);
  const char kind = action[0];
  const std::size_t split = action.find_first_of("=:");
  const QString name =
      QString::fromStdString(action.substr(0, split)).remove(QRegularExpression("^[!^_]"));
  const QString text =
      split == std::string::npos ? "" : QString::fromStdString(action.substr(split + 1));
  if (kind == '~') {
    Memory() = sim::FactoryMemory();
  } else if (kind == '?') {
    constexpr Answer kAnswers[] = {Answer::kYes, Answer::kNo, Answer::kOk, Answer::kCancel};
    prompter_.QueueAnswer(kAnswers[std::string_view("YNOC").find(action[1])]);
  } else if (kind == '#') {
    Find<QTabWidget>("SSTab_Main")->setCurrentIndex(action[1] - '0');
  } else if (kind == '*') {
    prompter_.QueueAnswer(Answer::kYes);
    QTest::mouseClick(Find("Release"), Qt::RightButton);
    ASSERT_TRUE(window_->ExpertMode());
  } else if (kind == '^' || kind == '_') {
    QTest::mouseClick(Find(name)->findChild<QWidget*>(kind == '^' ? "up" : "down"), Qt::LeftButton);
  } else if (split != std::string::npos && action[split] == '=') {
    auto* box = Find<QLineEdit>(name);
    ASSERT_TRUE(box && box->isVisible());
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (QChar c : text) {  // keyClicks() knows only ASCII keys
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(box, Qt::Key_Return);
  } else if (split != std::string::npos) {
    if (auto* tabs = qobject_cast<QTabWidget*>(Find(name))) {
      QTabBar* bar = tabs->tabBar();
      for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabText(i) == text)
          QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
      }
      ASSERT_EQ(tabs->tabText(tabs->currentIndex()), text);
      return;
    }
    auto* combo = Find<QComboBox>(name);
    ASSERT_NE(combo, nullptr);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString() << " is not listed";
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    view->scrollTo(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(index, 0)).center());
    ASSERT_EQ(combo->currentText(), text);
    WaitIdle();
  } else {
    auto* button = Find<QAbstractButton>(name);
    ASSERT_TRUE(button && button->isVisible());
    // A check box or option wider than its tick and caption takes clicks only on those.
    QRect at = button->rect();
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
      const int width = std::min(button->sizeHint().width(), at.width());
      if (button->layoutDirection() == Qt::RightToLeft) at.setLeft(at.right() - width);
      at.setWidth(width);
    }
    QTest::mouseClick(button, Qt::LeftButton, keys, at.center());
    if (kind == '!') WaitIdle();
  }
}

QString AppTest::TextOf(const QString& name) const {
  QWidget* w = Find(name);
  if (auto* box = qobject_cast<QLineEdit*>(w)) return box->text();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return text->toPlainText();
  return {};
}

Link& AppTest::IdleLink() {
  EXPECT_FALSE(window_->Jobs().Busy());
  return window_->Jobs().IdleLink();
}

std::vector<std::string> AppTest::LayoutFrames() const {
  std::vector<std::string> frames;
  for (const sim::LayoutCommand& c : window_->GetSimulator().Module().LayoutCommands()) {
    std::string line = c.older_format ? "older " + std::to_string(c.address_byte) + ":" : "pyra:";
    for (int b : c.bytes) line += " " + std::to_string(b);
    frames.push_back(line);
  }
  return frames;
}

}  // namespace pyra::test

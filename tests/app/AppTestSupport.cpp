#include "AppTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>

#include "link/ui/CommLogWindow.h"
#include "operations/ui/QueuedCommands.h"

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment = RegisterQtApplication("app_tests");

constexpr int kGuardMs = 30000;

}  // namespace

void GatedPrompter::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

void GatedPrompter::Open() {
  {
    std::lock_guard lock(mutex_);
    closed_ = false;
  }
  changed_.notify_all();
}

bool GatedPrompter::Holding() const {
  std::lock_guard lock(mutex_);
  return holding_;
}

void GatedPrompter::Hold() {
  if (std::this_thread::get_id() == gui_thread_) return;
  std::unique_lock lock(mutex_);
  holding_ = closed_;
  changed_.wait(lock, [this] { return !closed_; });
  holding_ = false;
}

void AppTest::SetUp() {
  AppServices services;
  services.prompter = &gate_;
  services.clock = &clock_;
  services.ports.list = [this] { return system_ports_; };
  services.ports.open = [this](const std::string& name, int bit_rate) {
    std::lock_guard lock(opened_mutex_);
    opened_.emplace_back(name, bit_rate);
    return SerialOpenResult{nullptr, "Permission denied"};
  };
  services.files = [this](const FileDialogRequest& request) {
    dialogs_.push_back(request.name.toStdString());
    if (chosen_files_.empty()) return QString();  // the user cancels
    QString path = chosen_files_.front();
    chosen_files_.pop_front();
    return path;
  };
  window_ = std::make_unique<MainWindow>(std::move(services));
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

void AppTest::TearDown() {
  gate_.Open();
  WaitIdle();
  window_.reset();
}

void AppTest::WaitIdle() {
  LinkThread& jobs = window_->Jobs();
  // Quiet jobs (the monitor's polls) end without a BusyChanged, so the state itself is watched.
  ASSERT_TRUE(QTest::qWaitFor([&jobs] { return !jobs.Busy(); }, kGuardMs))
      << "a link job did not finish";
}

void AppTest::ChoosePort(const QString& name) {
  ChooseItem("ComboPort", name);
  WaitIdle();
}

void AppTest::ChooseItem(const char* combo_name, const QString& text) {
  auto* combo = Find<QComboBox>(combo_name);
  ASSERT_NE(combo, nullptr);
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << text.toStdString() << " is not in the list " << combo_name;
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  const QRect item = view->visualRect(view->model()->index(index, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  ASSERT_EQ(combo->currentText(), text);
}

void AppTest::WaitForDispatch() {
  QueuedCommands& dispatcher = window_->Dispatcher();
  // One tick of Timer1 at most, then the job.
  ASSERT_TRUE(QTest::qWaitFor([&] { return dispatcher.PendingCommand().empty(); }, kGuardMs))
      << "the dispatcher did not take " << dispatcher.PendingCommand();
  WaitIdle();
  // The verification report comes up once the job has ended.
  QCoreApplication::processEvents();
}

void AppTest::SelectTab(MainWindow::Tab tab) {
  auto* tabs = Find<QTabWidget>("SSTab_Main");
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentIndex(tab);
  ASSERT_EQ(tabs->currentIndex(), tab);
}

bool AppTest::IsChecked(const char* name) const {
  auto* button = Find<QAbstractButton>(name);
  return button && button->isChecked();
}

QString AppTest::TextOf(const char* name) const {
  QWidget* w = Find(name);
  if (auto* box = qobject_cast<QLineEdit*>(w)) return box->text();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return text->toPlainText();
  return {};
}

void AppTest::Click(const char* name) {
  auto* button = Find<QAbstractButton>(name);
  ASSERT_NE(button, nullptr);
  // A check box or option wider than its tick and caption takes clicks only on those.
  QRect target = button->rect();
  if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
    const int width = std::min(button->sizeHint().width(), target.width());
    if (button->layoutDirection() == Qt::RightToLeft) target.setLeft(target.right() - width);
    target.setWidth(width);
  }
  QTest::mouseClick(button, Qt::LeftButton, {}, target.center());
}

void AppTest::Type(const char* name, const QString& text) {
  auto* box = Find<QLineEdit>(name);
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  for (QChar c : text) {
    // keyClicks() knows only ASCII keys; other characters arrive as the text of a key event.
    if (c.unicode() < 128) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  QTest::keyClick(box, Qt::Key_Return);
}

Link& AppTest::IdleLink() {
  EXPECT_FALSE(window_->Jobs().Busy());
  return window_->Jobs().IdleLink();
}

std::vector<std::string> AppTest::LogLines() const {
  std::vector<std::string> lines;
  if (!window_->CommLog()) return lines;
  for (const QString& line : window_->CommLog()->Text().split('\n', Qt::SkipEmptyParts)) {
    lines.push_back(line.toStdString());
  }
  return lines;
}

std::vector<std::pair<std::string, int>> AppTest::OpenedPorts() const {
  std::lock_guard lock(opened_mutex_);
  return opened_;
}

}  // namespace pyra::test

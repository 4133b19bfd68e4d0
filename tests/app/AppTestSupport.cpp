#include "AppTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include "app/UpDown.h"
#include "link/ui/CommLogWindow.h"
#include "operations/ui/QueuedCommands.h"

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment = RegisterQtApplication("app_tests");

constexpr int kGuardMs = 30000;

}  // namespace

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

void AppTest::ChoosePort(const QString& name) {
  ChooseItem("ComboPort", name);
  WaitIdle();
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

char AppTest::TickOf(const char* name) const {
  auto* button = Find<QAbstractButton>(name);
  auto* box = qobject_cast<QCheckBox*>(button);
  if (box && box->checkState() == Qt::PartiallyChecked) return '2';
  return button && button->isChecked() ? '1' : '0';
}

std::string AppTest::Ticks(const char* prefix, int count) const {
  std::string ticks;
  for (int i = 0; i < count; ++i) ticks += TickOf((prefix + std::to_string(i)).c_str());
  return ticks;
}

std::string AppTest::States(std::initializer_list<const char*> names) const {
  std::string states;
  for (const char* name : names) {
    if (!states.empty()) states += '|';
    auto* button = qobject_cast<QAbstractButton*>(Find(name));
    states +=
        button && button->isCheckable() ? std::string(1, TickOf(name)) : TextOf(name).toStdString();
  }
  return states;
}

QString AppTest::TextOf(const char* name) const {
  QWidget* w = Find(name);
  if (auto* box = qobject_cast<QLineEdit*>(w)) return box->text();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return text->toPlainText();
  return {};
}

std::pair<int, int> AppTest::Limits(const char* updown) const {
  auto* spin = Find<UpDown>(updown);
  return spin ? std::make_pair(spin->Minimum(), spin->Maximum()) : std::make_pair(-1, -1);
}

QStringList AppTest::ItemsOf(const char* combo_name) const {
  QStringList items;
  if (auto* combo = Find<QComboBox>(combo_name)) {
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  }
  return items;
}

void AppTest::ExpectVisible(std::initializer_list<const char*> names, bool visible) const {
  for (const char* name : names) {
    if (QWidget* w = Find(name)) {
      EXPECT_EQ(w->isVisible(), visible) << name;
    }
  }
}

void AppTest::ExpectEnabled(std::initializer_list<const char*> names, bool enabled) const {
  for (const char* name : names) {
    if (QWidget* w = Find(name)) {
      EXPECT_EQ(w->isEnabled(), enabled) << name;
    }
  }
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

void AppTest::Run(const char* name) {
  Click(name);
  WaitForDispatch();
}

void AppTest::RunHeld(const char* name) {
  gate_.Close();
  Click(name);
  ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, kGuardMs));
  EXPECT_TRUE(window_->Jobs().Busy());
}

void AppTest::EnterExpertMode() {
  prompter_.QueueAnswer(Answer::kYes);
  QTest::mouseClick(Find("Release"), Qt::RightButton);
  ASSERT_TRUE(window_->ExpertMode());
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

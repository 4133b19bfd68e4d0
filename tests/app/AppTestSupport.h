#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QWidget>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "link/Clock.h"
#include "sim/SimChannel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// Passes everything to a ScriptedPrompter; while closed, a prompt from the link thread waits
// until the test opens it again, so the test can look at the window in the middle of a job.
class GatedPrompter final : public Prompter {
 public:
  explicit GatedPrompter(ScriptedPrompter& inner) : inner_(inner) {}
  void Message(const std::string& text, Icon icon = Icon::kNone) override {
    Hold();
    inner_.Message(text, icon);
  }
  Answer Ask(const std::string& text, Buttons buttons, Icon icon = Icon::kNone) override {
    Hold();
    return inner_.Ask(text, buttons, icon);
  }
  void Close() { Set(true); }
  void Open() { Set(false); }
  bool Holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
  }

 private:
  void Set(bool closed) {
    std::lock_guard lock(mutex_);
    closed_ = closed;
    changed_.notify_all();
  }
  void Hold() {
    if (std::this_thread::get_id() == gui_thread_) return;
    std::unique_lock lock(mutex_);
    holding_ = closed_;
    changed_.wait(lock, [this] { return !closed_; });
    holding_ = false;
  }

  ScriptedPrompter& inner_;
  const std::thread::id gui_thread_ = std::this_thread::get_id();
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
  bool holding_ = false;
};

// A shown main window on a manual clock with scripted answers, the built-in simulated module
// and one fake system port "ttyFAKE0" that cannot be opened.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <class T = QWidget>
  T* Find(const char* name) const {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
  }

  // Spins the event loop until no link job is queued or running.
  void WaitIdle();
  // Picks an entry of a list the way a user does, through the list's popup.
  void ChooseItem(const char* combo_name, const QString& text);
  void ChoosePort(const QString& name);
  // Waits until the dispatcher's tick has taken the queued command and its job has ended.
  void WaitForDispatch();
  void SelectTab(MainWindow::Tab tab);
  bool IsChecked(const char* name) const;
  // A button's state: '1' ticked, '2' grey, '0' clear.
  char TickOf(const char* name) const;
  // The states of the buttons `prefix`0 .. `prefix`count-1.
  std::string Ticks(const char* prefix, int count) const;
  QString TextOf(const char* name) const;
  // The lowest and highest value of a spin control.
  std::pair<int, int> Limits(const char* updown) const;
  // What the controls show, joined by '|': a check box's or option's state, else the text.
  std::string States(std::initializer_list<const char*> names) const;
  QStringList ItemsOf(const char* combo_name) const;
  void ExpectVisible(std::initializer_list<const char*> names, bool visible) const;
  void ExpectEnabled(std::initializer_list<const char*> names, bool enabled) const;
  void Click(const char* name);
  // Clicks a button whose job talks to the module, at once or queued, and waits for it to end.
  void Run(const char* name);
  // Clicks a button with the prompter closed and waits until the job's first prompt is held.
  void RunHeld(const char* name);
  void EnterExpertMode();
  // Replaces the text of a box by typing, then presses Return.
  void Type(const char* name, const QString& text);
  Link& IdleLink();
  sim::SimModule& Module() { return window_->GetSimulator().Module(); }
  // The communication log, line by line; empty when it was never created.
  std::vector<std::string> LogLines() const;
  std::vector<std::pair<std::string, int>> OpenedPorts() const;

  ManualClock clock_;
  ScriptedPrompter prompter_;
  GatedPrompter gate_{prompter_};
  std::vector<std::string> system_ports_{"ttyFAKE0"};
  mutable std::mutex opened_mutex_;
  std::vector<std::pair<std::string, int>> opened_;  // asked of the fake opener, link thread
  // The paths the file dialogs "choose", in order; an empty list cancels every dialog.
  std::deque<QString> chosen_files_;
  std::vector<std::string> dialogs_;  // the names of the file dialogs that were opened
  std::unique_ptr<MainWindow> window_;
};

// The same window with the simulated module's port already open.
class SimulatorTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ChoosePort("Simulator");
  }
};

}  // namespace pyra::test

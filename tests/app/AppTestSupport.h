#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "link/Clock.h"
#include "sim/SimChannel.h"
#include "sim/SimModule.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {

// The shown main window on a manual clock with scripted answers and file dialogs, one fake system
// port "ttyFAKE0" that cannot be opened, and the window's own "Simulator" port chosen.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A new window on the same settings file, as the program's next run; no port picked.
  void StartWindow();

  template <class T = QWidget>
  T* Find(const QString& name) const {
    T* found = window_->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
  }
  // One user action:  "Name" clicks,  "!Name" clicks and waits until the job it queues or runs
  // has ended,  "Name=text" types over a box and presses Return,  "Name:text" picks a list entry
  // or a tab,  "^Name" / "_Name" click a spin control up / down,  "#n" shows tab n,  "*" enters
  // expert mode,  "?Y" / "?N" / "?C" queue an answer,  "~" makes the module factory-fresh.
  void Do(const std::string& action, Qt::KeyboardModifiers keys = Qt::NoModifier);
  void Do(std::initializer_list<const char*> actions) {
    for (const char* a : actions) Do(a);
  }
  // Spins the event loop until no command is queued and no link job is queued or running.
  void WaitIdle();
  QString TextOf(const QString& name) const;
  Link& IdleLink();
  sim::SimModule& Module() { return window_->GetSimulator().Module(); }
  sim::ModuleMemory& Memory() { return Module().Memory(); }
  std::vector<std::string> LayoutFrames() const;

  ManualClock clock_;
  ScriptedPrompter prompter_;
  std::vector<std::string> system_ports_{"ttyFAKE0"};
  std::vector<std::pair<std::string, int>> opened_;  // asked of the fake opener (link thread)
  std::deque<QString> chosen_files_;  // what the file dialogs "choose"; none: the user cancels
  std::vector<std::string> dialogs_;  // the names of the file dialogs that were opened
  QTemporaryDir settings_dir_;
  QString settings_file_ = settings_dir_.filePath("pyraconfig.ini");
  std::unique_ptr<MainWindow> window_;
};

}  // namespace pyra::test

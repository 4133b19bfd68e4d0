#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "files/ui/FileDialogs.h"
#include "link/ui/LinkJobs.h"

namespace pyra::test {

// Nothing in these panels talks to the module; the link only says whether a job runs.
class IdleJobs final : public LinkJobs {
 public:
  void Run(Job, Done) override { ADD_FAILURE() << "a link job was started"; }
  void Configure(Job) override { ADD_FAILURE() << "the link was reconfigured"; }
  bool Busy() const override { return busy; }

  bool busy = false;
};

// Answers the file dialogs from a script and remembers how each was opened. A dialog that opens
// with nothing scripted is a test failure: the action was not meant to ask.
class ScriptedChooser {
 public:
  FileChooser Chooser();
  // The next dialog returns `path`; "" is the user cancelling.
  void Answer(const QString& path) { answers_.push_back(path); }
  const std::vector<FileDialogRequest>& Asked() const { return asked_; }

 private:
  std::deque<QString> answers_;
  std::vector<FileDialogRequest> asked_;
};

// How a dialog was opened, for comparing: name, save or open, filter, name it starts with.
std::string Describe(const FileDialogRequest& r);

// Once a top-level window named `name` is shown (a modal dialog runs its own event loop), runs
// `act` on it. Gives up with a failure when none shows within the guard time.
void WhenShown(const char* name, std::function<void(QWidget*)> act);

}  // namespace pyra::test

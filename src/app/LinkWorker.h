#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include "link/Clock.h"
#include "link/Link.h"
#include "link/Prompter.h"
#include "link/ui/LinkJobs.h"

namespace pyra {

// Lives on the link thread and owns the Link with its channel, so a serial channel is created,
// used and destroyed on that one thread.
class LinkWorker : public QObject {
  Q_OBJECT

 public:
  LinkWorker(Clock& clock, Prompter& prompter) : link_(clock, prompter) {}

  Link& GetLink() { return link_; }
  // Runs on the link thread.
  void Execute(const LinkJobs::Job& job);

 private:
  Link link_;
};

// The GUI side of the link thread: queues jobs to the worker and reports back (queued) when they
// are done. The Link's state may be read or changed from the GUI thread only while !Busy().
class LinkThread final : public QObject, public LinkJobs {
  Q_OBJECT

 public:
  LinkThread(Clock& clock, Prompter& prompter, QObject* parent = nullptr);
  // Closes the channel on the link thread and stops the thread. A prompt still pending on the
  // GUI thread is served meanwhile, so the prompter must not block any more (see GuiPrompter).
  ~LinkThread() override;

  void Run(Job job, Done done = {}) override;
  void RunQuiet(Job job, Done done = {}) override;
  void Configure(Job change) override;
  bool Busy() const override { return pending_ + quiet_pending_ > 0; }

  // Safe from any thread and at any time.
  void RequestCancel() { worker_->GetLink().RequestCancel(); }
  bool CancelRequested() const { return worker_->GetLink().CancelRequested(); }
  // Only while !Busy().
  Link& IdleLink();

 signals:
  void BusyChanged(bool busy);
  // One communication log line, delivered on the GUI thread.
  void LogLine(const QString& line);
  // Where the running operation stands (Link::ReportProgress), delivered on the GUI thread.
  void Progress(const QString& step, int done, int total);

 private:
  void Post(Job job, Done done, bool quiet);
  void Finish(const Done& done, bool quiet);

  QThread thread_;
  LinkWorker* worker_;
  int pending_ = 0;  // jobs that keep the window busy
  int quiet_pending_ = 0;
  bool closing_ = false;
};

}  // namespace pyra

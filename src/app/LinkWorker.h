#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <deque>
#include <mutex>

#include "link/Clock.h"
#include "link/Link.h"
#include "link/Prompter.h"
#include "widgets/LinkJobs.h"

namespace pyra {

// Jobs and their ends cross between the GUI thread and the link thread here, under the queue's
// own mutex; a queued call by name only wakes the other side. Qt's event queue would order them
// as well, but its locking is invisible to ThreadSanitizer, which then takes every job's data for
// a race. The mutex also publishes what a job did to the Link before the GUI thread looks.
struct LinkQueue {
  struct Posted {
    LinkJobs::Job job;
    LinkJobs::Done done;
    bool quiet = false;
  };
  struct Ended {
    LinkJobs::Done done;
    bool quiet = false;
    bool line_lost = false;
  };
  std::mutex mutex;
  std::deque<Posted> posted;
  std::deque<Ended> ended;
};

// Lives on the link thread and owns the Link with its channel, so a serial channel is created,
// used and destroyed on that one thread.
class LinkWorker : public QObject {
  Q_OBJECT

 public:
  // `gui_side` is woken (its slot FinishNext) whenever a job has ended.
  LinkWorker(Clock& clock, Prompter& prompter, LinkQueue& queue, QObject* gui_side)
      : link_(clock, prompter), queue_(queue), gui_side_(gui_side), home_(thread()) {}

  Link& GetLink() { return link_; }
  // Runs on the link thread. True when the port went away during the job (or before it); the
  // user has been told then, once.
  bool Execute(const LinkJobs::Job& job);

 public slots:
  // Link thread: runs the oldest posted job and queues its end.
  void RunNext();
  // Link thread, last of all: closes the channel there and hands the worker back to the thread
  // it was made on.
  void Shutdown();

 private:
  Link link_;
  LinkQueue& queue_;
  QObject* gui_side_;
  QThread* home_;
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

 public slots:
  // GUI thread: completes the oldest ended job.
  void FinishNext();

 signals:
  void BusyChanged(bool busy);
  // One communication log line, delivered on the GUI thread.
  void LogLine(const QString& line);
  // Where the running operation stands (Link::ReportProgress), delivered on the GUI thread.
  void Progress(const QString& step, int done, int total);
  // A job ended with the port gone (an adapter pulled, the far end closed); the user has been
  // told. The window closes the port and lists the ports anew.
  void LineLost();

 private:
  void Post(Job job, Done done, bool quiet);

  QThread thread_;
  LinkQueue queue_;
  LinkWorker* worker_;
  int pending_ = 0;  // jobs that keep the window busy
  int quiet_pending_ = 0;
  bool closing_ = false;
};

}  // namespace pyra

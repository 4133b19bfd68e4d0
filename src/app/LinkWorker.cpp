#include "app/LinkWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace pyra {

void LinkWorker::Execute(const LinkJobs::Job& job) {
  // A cancel is meant for the job that was running when it was asked for.
  link_.ClearCancel();
  job(link_);
}

LinkThread::LinkThread(Clock& clock, Prompter& prompter, QObject* parent)
    : QObject(parent), worker_(new LinkWorker(clock, prompter)) {
  thread_.setObjectName("PyraLink");
  // The sink runs on the link thread; the signal reaches GUI receivers through their queue.
  worker_->GetLink().SetLogSink(
      [this](const std::string& line) { emit LogLine(QString::fromStdString(line)); });
  worker_->GetLink().SetProgressSink([this](const std::string& step, int done, int total) {
    emit Progress(QString::fromStdString(step), done, total);
  });
  worker_->moveToThread(&thread_);
  thread_.start();
}

LinkThread::~LinkThread() {
  closing_ = true;
  worker_->GetLink().RequestCancel();
  QThread* gui_thread = thread();
  LinkWorker* worker = worker_;
  QMetaObject::invokeMethod(
      worker_,
      [worker, gui_thread] {
        worker->GetLink().Close();
        worker->moveToThread(gui_thread);
      },
      Qt::QueuedConnection);
  thread_.quit();
  // A running job may be waiting for an answer from the GUI thread; keep serving it.
  while (!thread_.wait(QDeadlineTimer(50))) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  worker_->GetLink().SetLogSink({});
  worker_->GetLink().SetProgressSink({});
  delete worker_;
}

Link& LinkThread::IdleLink() {
  Q_ASSERT(!Busy());
  return worker_->GetLink();
}

void LinkThread::Run(Job job, Done done) { Post(std::move(job), std::move(done), false); }

void LinkThread::RunQuiet(Job job, Done done) { Post(std::move(job), std::move(done), true); }

void LinkThread::Configure(Job change) {
  if (!Busy()) {
    change(worker_->GetLink());
    return;
  }
  Post(std::move(change), {}, false);
}

void LinkThread::Post(Job job, Done done, bool quiet) {
  if (closing_) return;
  if (quiet) {
    ++quiet_pending_;
  } else if (++pending_ == 1) {
    emit BusyChanged(true);
  }
  LinkWorker* worker = worker_;
  QMetaObject::invokeMethod(
      worker_,
      [this, worker, job = std::move(job), done = std::move(done), quiet] {
        worker->Execute(job);
        QMetaObject::invokeMethod(
            this, [this, done, quiet] { Finish(done, quiet); }, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void LinkThread::Finish(const Done& done, bool quiet) {
  if (closing_) return;
  // `done` may queue a follow-up job; counting down afterwards keeps the window busy throughout.
  if (done) done();
  if (quiet) {
    --quiet_pending_;
  } else if (--pending_ == 0) {
    emit BusyChanged(false);
  }
}

}  // namespace pyra

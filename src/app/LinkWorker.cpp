#include "app/LinkWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace pyra {

bool LinkWorker::Execute(const LinkJobs::Job& job) {
  // A cancel is meant for the job that was running when it was asked for.
  link_.ClearCancel();
  job(link_);
  // A job that never sent (or one that ignores its failures) may be the first to find the port
  // gone; the user still hears of it, and only once per opened port.
  const bool lost = link_.LineLost();
  if (lost) link_.ReportLineLost();
  return lost;
}

void LinkWorker::RunNext() {
  LinkQueue::Posted posted;
  {
    std::lock_guard lock(queue_.mutex);
    if (queue_.posted.empty()) return;
    posted = std::move(queue_.posted.front());
    queue_.posted.pop_front();
  }
  const bool line_lost = Execute(posted.job);
  {
    std::lock_guard lock(queue_.mutex);
    queue_.ended.push_back({std::move(posted.done), posted.quiet, line_lost});
  }
  QMetaObject::invokeMethod(gui_side_, "FinishNext", Qt::QueuedConnection);
}

void LinkWorker::Shutdown() {
  // Under the queue's mutex like every hand-over: the GUI thread's last look at the link comes
  // before, its clean-up after the thread has ended comes after.
  std::lock_guard lock(queue_.mutex);
  link_.Close();
  moveToThread(home_);
}

LinkThread::LinkThread(Clock& clock, Prompter& prompter, QObject* parent)
    : QObject(parent), worker_(new LinkWorker(clock, prompter, queue_, this)) {
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
  {
    std::lock_guard lock(queue_.mutex);
    QMetaObject::invokeMethod(worker_, "Shutdown", Qt::QueuedConnection);
  }
  thread_.quit();
  // A running job may be waiting for an answer from the GUI thread; keep serving it.
  while (!thread_.wait(QDeadlineTimer(50))) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  // Shutdown() held the mutex last: taking it makes the closing visible here.
  { std::lock_guard lock(queue_.mutex); }
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
  {
    std::lock_guard lock(queue_.mutex);
    queue_.posted.push_back({std::move(job), std::move(done), quiet});
  }
  QMetaObject::invokeMethod(worker_, "RunNext", Qt::QueuedConnection);
}

void LinkThread::FinishNext() {
  LinkQueue::Ended ended;
  {
    std::lock_guard lock(queue_.mutex);
    if (queue_.ended.empty()) return;
    ended = std::move(queue_.ended.front());
    queue_.ended.pop_front();
  }
  if (closing_) return;
  // `done` may queue a follow-up job; counting down afterwards keeps the window busy throughout.
  if (ended.done) ended.done();
  // Before the count goes down, so that closing the port keeps the window busy without a gap.
  if (ended.line_lost) emit LineLost();
  if (ended.quiet) {
    --quiet_pending_;
  } else if (--pending_ == 0) {
    emit BusyChanged(false);
  }
}

}  // namespace pyra

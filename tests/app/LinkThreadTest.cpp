#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <thread>

#include "AppTestSupport.h"
#include "app/GuiPrompter.h"
#include "app/LinkWorker.h"

namespace pyra::test {
namespace {

TEST(LinkThreadTest, JobsRunOffTheGuiThreadAndReportBackOnIt) {
  ManualClock clock;
  ScriptedPrompter prompter;
  LinkThread jobs(clock, prompter);
  jobs.Configure([](Link& link) { link.State().ExtendedAddress = 42; });
  EXPECT_FALSE(jobs.Busy()) << "a change made while idle applies at once";
  EXPECT_EQ(jobs.IdleLink().State().ExtendedAddress, 42);

  std::vector<bool> busy_changes;
  QObject::connect(&jobs, &LinkThread::BusyChanged,
                   [&busy_changes](bool busy) { busy_changes.push_back(busy); });
  std::vector<QString> lines;
  QObject receiver;  // on the GUI thread
  QObject::connect(&jobs, &LinkThread::LogLine, &receiver, [&lines](const QString& line) {
    EXPECT_EQ(QThread::currentThread(), qApp->thread());
    lines.push_back(line);
  });
  QThread* job_thread = nullptr;
  QThread* done_thread = nullptr;
  bool chained_ran = false;
  jobs.Run(
      [&](Link& link) {
        job_thread = QThread::currentThread();
        link.State().ModuleAddress = 9;
        link.Log("> one");
        link.Log("< two");
      },
      [&] {
        done_thread = QThread::currentThread();
        // A job queued from `done` keeps the window busy without a gap.
        jobs.Run([&](Link&) { chained_ran = true; });
      });
  EXPECT_TRUE(jobs.Busy());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !jobs.Busy(); }, 30000));

  EXPECT_NE(job_thread, QThread::currentThread());
  EXPECT_NE(job_thread, nullptr);
  EXPECT_EQ(done_thread, QThread::currentThread());
  EXPECT_TRUE(chained_ran);
  EXPECT_EQ(busy_changes, (std::vector<bool>{true, false}));
  EXPECT_EQ(jobs.IdleLink().State().ModuleAddress, 9);
  EXPECT_EQ(lines, (std::vector<QString>{"> one", "< two"}));
}

struct BoxCase {
  Buttons buttons;
  QMessageBox::StandardButton pressed;
  Answer expected;
};

class GuiPrompterTest : public ::testing::TestWithParam<BoxCase> {};

// Presses `pressed` on the next message box that opens; records its text and icon.
class BoxPresser {
 public:
  explicit BoxPresser(QMessageBox::StandardButton pressed) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this, pressed] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->button(pressed)) return;
      text_ = box->text();
      icon_ = box->icon();
      box->button(pressed)->click();
    });
    timer_.start();
  }
  QString text_;
  QMessageBox::Icon icon_ = QMessageBox::NoIcon;

 private:
  QTimer timer_;
};

TEST_P(GuiPrompterTest, QuestionFromEitherThreadIsAnsweredOnTheGuiThread) {
  QWidget owner;
  GuiPrompter prompter(&owner);
  {
    SCOPED_TRACE("asked on the GUI thread: shown directly");
    BoxPresser presser(GetParam().pressed);
    EXPECT_EQ(prompter.Ask("Expert Mode?", GetParam().buttons), GetParam().expected);
    EXPECT_EQ(presser.text_, "Expert Mode?");
    EXPECT_EQ(presser.icon_, QMessageBox::NoIcon);
  }
  SCOPED_TRACE("asked on the link thread");
  BoxPresser presser(GetParam().pressed);
  std::atomic<bool> done = false;
  Answer answer = Answer::kOk;
  std::thread link_thread([&] {
    answer = prompter.Ask("first line\r\nsecond line", GetParam().buttons, Icon::kWarning);
    done = true;
  });
  const bool finished = QTest::qWaitFor([&] { return done.load(); }, 30000);
  link_thread.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(answer, GetParam().expected);
  EXPECT_EQ(presser.text_, "first line\nsecond line");
  EXPECT_EQ(presser.icon_, QMessageBox::Warning);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, GuiPrompterTest,
    ::testing::Values(BoxCase{Buttons::kYesNo, QMessageBox::Yes, Answer::kYes},
                      BoxCase{Buttons::kYesNo, QMessageBox::No, Answer::kNo},
                      BoxCase{Buttons::kOkCancel, QMessageBox::Ok, Answer::kOk},
                      BoxCase{Buttons::kOkCancel, QMessageBox::Cancel, Answer::kCancel},
                      BoxCase{Buttons::kOk, QMessageBox::Ok, Answer::kOk}));

TEST(GuiPrompterDetachTest, DetachedPrompterAnswersWithoutShowingAnything) {
  QWidget owner;
  GuiPrompter prompter(&owner);
  prompter.Detach();
  EXPECT_EQ(prompter.Ask("Continue?", Buttons::kOkCancel), Answer::kCancel);
  EXPECT_EQ(prompter.Ask("Expert Mode?", Buttons::kYesNo), Answer::kNo);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace pyra::test

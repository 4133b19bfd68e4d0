#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <functional>
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
  EXPECT_EQ(jobs.IdleLink().State().ExtendedAddress, 42) << "a change made while idle applies";

  std::vector<bool> busy_changes;
  QObject::connect(&jobs, &LinkThread::BusyChanged,
                   [&](bool busy) { busy_changes.push_back(busy); });
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

TEST_P(GuiPrompterTest, QuestionFromTheLinkThreadIsAnsweredOnTheGuiThread) {
  QWidget owner;
  GuiPrompter prompter(&owner);
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer presser;  // presses the button on the next message box that opens
  QObject::connect(&presser, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->button(GetParam().pressed)) return;
    text = box->text();
    icon = box->icon();
    box->button(GetParam().pressed)->click();
  });
  presser.start(5);
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
  EXPECT_EQ(text, "first line\nsecond line");
  EXPECT_EQ(icon, QMessageBox::Warning);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, GuiPrompterTest,
    ::testing::Values(BoxCase{Buttons::kYesNo, QMessageBox::Yes, Answer::kYes},
                      BoxCase{Buttons::kYesNo, QMessageBox::No, Answer::kNo},
                      BoxCase{Buttons::kOkCancel, QMessageBox::Ok, Answer::kOk},
                      BoxCase{Buttons::kOkCancel, QMessageBox::Cancel, Answer::kCancel},
                      BoxCase{Buttons::kOk, QMessageBox::Ok, Answer::kOk}));

TEST(GuiPrompterEraseTest, EraseQuestionKeepsTheModuleOnReturnAndEscape) {
  QWidget owner;
  GuiPrompter prompter(&owner);
  struct Press {
    std::function<void(QMessageBox&)> act;
    Answer expected;
  };
  const Press presses[] = {
      {[](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, Answer::kOk},
      {[](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, Answer::kOk},
      {[](QMessageBox& box) { box.findChild<QAbstractButton*>("ButtonErase")->click(); },
       Answer::kCancel},
  };
  for (const Press& press : presses) {
    QStringList buttons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      buttons << "default: " + box->defaultButton()->text();
      press.act(*box);
    });
    EXPECT_EQ(prompter.Ask("Do you want to cancel this operation?", Buttons::kEraseOrKeep),
              press.expected);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"&Erase", "Do &not erase", "default: Do &not erase"}));
  }
}

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

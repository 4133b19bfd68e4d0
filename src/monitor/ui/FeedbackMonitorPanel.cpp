#include "monitor/ui/FeedbackMonitorPanel.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "widgets/Controls.h"

namespace pyra {

namespace {

constexpr int kListLines = 12;

QString ForDisplay(const std::string& text) {
  return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

FeedbackMonitorPanel::FeedbackMonitorPanel(PanelContext context, std::function<bool()> port_open,
                                           QWidget* parent)
    : QGroupBox("Feedback Monitor", parent),
      context_(context),
      port_open_(std::move(port_open)),
      run_poll_([this](LinkJobs::Job job, LinkJobs::Done done) {
        context_.jobs.Run(std::move(job), std::move(done));
      }) {
  setObjectName("FrameFBM");

  QPushButton* buttons[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i] = MakeButton(QString("CommandFBM_%1").arg(i), MonitorCaptions()[i], this);
    // Clicking must move the focus on every platform: that is what stops the monitor.
    buttons[i]->setFocusPolicy(Qt::StrongFocus);
  }
  monitor_button_ = buttons[kMonitorStart];

  text_ = new QPlainTextEdit(this);
  text_->setObjectName("textFBM");
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setMinimumHeight(text_->fontMetrics().lineSpacing() * kListLines);

  timer_ = new QTimer(this);
  timer_->setObjectName("Timer2");
  timer_->setInterval(kMonitorInterval);

  auto* grid = new QGridLayout(this);
  for (int i = 0; i < 3; ++i) grid->addWidget(buttons[i], 0, i);
  grid->addWidget(text_, 1, 0, 1, 3);
  grid->setRowStretch(1, 1);

  connect(buttons[kMonitorClear], &QPushButton::clicked, this, [this] { ClearClicked(); });
  connect(monitor_button_, &QPushButton::clicked, this, [this] { MonitorClicked(); });
  // "Stop" has no handler: pressing it takes the focus from "Monitor".
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  monitor_button_->installEventFilter(this);
}

FeedbackMonitorPanel::~FeedbackMonitorPanel() { monitor_button_->removeEventFilter(this); }

bool FeedbackMonitorPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == monitor_button_ && event->type() == QEvent::FocusOut) FocusLeftMonitor();
  return QGroupBox::eventFilter(watched, event);
}

void FeedbackMonitorPanel::MonitorClicked() {
  // While a job runs the port belongs to the link thread; only the running monitor's own poll can
  // be under way at a click, and a running monitor has already found the port open.
  if (!monitor_.Running() && context_.jobs.Busy()) return;
  const bool port_open = monitor_.Running() || port_open_();
  if (monitor_.Start(port_open, context_.prompter)) timer_->start();
  ShowText();
}

void FeedbackMonitorPanel::ClearClicked() {
  monitor_.Clear();
  ShowText();
}

void FeedbackMonitorPanel::FocusLeftMonitor() {
  timer_->stop();
  monitor_.FocusLost();
  ShowText();
}

void FeedbackMonitorPanel::Tick() {
  // A tick that finds the link occupied is dropped, not queued behind the other job.
  if (context_.jobs.Busy() || !monitor_.BeginPoll()) return;
  auto line = std::make_shared<std::optional<std::string>>();
  QPointer<FeedbackMonitorPanel> self(this);
  run_poll_([line](Link& link) { *line = PollFeedback(link); },
            [self, line] {
              if (!self) return;
              self->monitor_.EndPoll(*line);
              self->ShowText();
            });
}

void FeedbackMonitorPanel::ShowText() {
  const std::string& text = monitor_.Text();
  if (text.size() < shown_) {
    text_->clear();
    shown_ = 0;
  }
  // Only the new lines are added: the list grows ten lines a second while the monitor runs.
  QTextCursor cursor(text_->document());
  cursor.movePosition(QTextCursor::End);
  if (text.size() > shown_) cursor.insertText(ForDisplay(text.substr(shown_)));
  shown_ = text.size();
  text_->setTextCursor(cursor);
  text_->ensureCursorVisible();
}

}  // namespace pyra

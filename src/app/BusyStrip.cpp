#include "app/BusyStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace pyra {

BusyStrip::BusyStrip(QWidget* parent)
    : QWidget(parent),
      label_(new QLabel("  Working ... Please WAIT", this)),
      progress_(new QProgressBar(this)),
      cancel_(new QPushButton("Cancel", this)) {
  setObjectName("BusyStrip");
  label_->setObjectName("LabelAction");
  QFont bold = label_->font();
  bold.setBold(true);
  label_->setFont(bold);
  label_->setStyleSheet("color: #b00000;");
  progress_->setObjectName("ProgressAction");
  progress_->setMinimumWidth(200);
  progress_->setMaximumWidth(320);
  cancel_->setObjectName("CommandCancel");
  cancel_->setShortcut(QKeySequence(Qt::Key_Escape));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
  layout->addWidget(progress_, 1);
  layout->addWidget(cancel_);
  for (QWidget* w : std::initializer_list<QWidget*>{label_, progress_, cancel_}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
  Update();

  connect(cancel_, &QPushButton::clicked, this, &BusyStrip::CancelClicked);
}

void BusyStrip::SetBusy(bool busy) {
  if (busy && !busy_) {
    // A new job: no step known yet.
    progress_->setRange(0, 0);
    progress_->setFormat({});
    progress_->setTextVisible(false);
  }
  busy_ = busy;
  Update();
}

void BusyStrip::SetQueued(bool queued) {
  queued_ = queued;
  Update();
}

void BusyStrip::ShowProgress(const QString& step, int done, int total) {
  if (!busy_) return;
  progress_->setRange(0, std::max(total, 1));
  progress_->setValue(std::clamp(done, 0, std::max(total, 1)));
  // The step text stands in the bar; '%' would be taken for a placeholder.
  progress_->setFormat(QString(step).replace('%', "%%"));
  progress_->setTextVisible(true);
}

void BusyStrip::Update() {
  label_->setVisible(busy_ || queued_);
  progress_->setVisible(busy_);
  cancel_->setVisible(busy_);
  cancel_->setEnabled(busy_);
}

}  // namespace pyra

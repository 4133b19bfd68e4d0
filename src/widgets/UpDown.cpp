#include "widgets/UpDown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "model/TypedNumber.h"

namespace pyra {

UpDown::UpDown(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent), buddy_(buddy), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  up_->setObjectName("up");
  down_->setObjectName("down");
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  // Like spin-box arrows: clickable and auto-repeating, but not a tab stop of their own.
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    b->setFixedWidth(18);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up_);
  layout->addWidget(down_);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  if (buddy_) {
    setFixedHeight(buddy_->sizeHint().height());
    buddy_->installEventFilter(this);
  }
  connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void UpDown::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
}

void UpDown::StepBy(int steps) {
  if (!buddy_) return;
  const int value =
      std::clamp(TypedNumber(buddy_->text().toStdString()) + steps, minimum_, maximum_);
  buddy_->setText(QString::number(value));
  emit Changed(value);
  emit Stepped(steps);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  // Compared by address: the buddy may be half destroyed when its last events pass here.
  if (event->type() == QEvent::KeyPress && watched == static_cast<QObject*>(buddy_.data())) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      StepBy(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pyra

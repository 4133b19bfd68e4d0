#include "widgets/MouseLabel.h"

#include <QMouseEvent>

namespace pyra {

void MouseLabel::mousePressEvent(QMouseEvent* event) {
  emit Pressed(event->button());
  QLabel::mousePressEvent(event);
}

void MouseLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  // Not passed on: the default handler would report the second press as a press of its own.
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
  event->accept();
}

}  // namespace pyra

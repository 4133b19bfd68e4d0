#include "widgets/ButtonPress.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>

namespace pyra {

namespace {

class PressFilter final : public QObject {
 public:
  PressFilter(QAbstractButton* button, PressHandler handler)
      : QObject(button), button_(button), handler_(std::move(handler)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != button_) return false;
    const QEvent::Type type = event->type();
    // The second press of a quick double click arrives as a double-click event.
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) return false;
    // Mouse events still pass the filters of a disabled button.
    if (button_->isEnabled()) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      handler_(mouse->button(), mouse->modifiers());
    }
    return true;
  }

  void Activated() { handler_(Qt::LeftButton, Qt::NoModifier); }

 private:
  QAbstractButton* button_;
  PressHandler handler_;
};

}  // namespace

void ActOnPress(QAbstractButton* button, PressHandler handler) {
  auto* filter = new PressFilter(button, std::move(handler));
  button->installEventFilter(filter);
  QObject::connect(button, &QAbstractButton::clicked, filter, &PressFilter::Activated);
}

}  // namespace pyra

#pragma once

#include <QLabel>

namespace pyra {

// A label that reports mouse presses and double-clicks (the port label and the release label
// act on them).
class MouseLabel final : public QLabel {
  Q_OBJECT

 public:
  explicit MouseLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent) {}

 signals:
  void Pressed(Qt::MouseButton button);
  // Left button only.
  void DoubleClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace pyra

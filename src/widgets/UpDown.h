#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace pyra {

// Spin buttons bound to a text box, the text box staying a plain QLineEdit: typed text is never
// refused, the owner corrects it when the box is left. A step reads the number in the box,
// moves it by one within [Minimum, Maximum], writes it back and reports the new value. The Up and
// Down keys in the box step as well.
class UpDown final : public QWidget {
  Q_OBJECT

 public:
  UpDown(QLineEdit* buddy, QWidget* parent = nullptr);

  void SetRange(int minimum, int maximum);
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  void StepBy(int steps);

 signals:
  // The buddy's text was changed by a step.
  void Changed(int value);
  // A step was asked for (+1 up, -1 down), also when the limit kept the value; for boxes whose
  // value moves by more than one per step.
  void Stepped(int steps);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QLineEdit> buddy_;
  QToolButton* up_;
  QToolButton* down_;
  int minimum_ = 0;
  int maximum_ = 100;
};

}  // namespace pyra

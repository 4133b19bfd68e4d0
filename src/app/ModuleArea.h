#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QPushButton;

namespace pyra {

// The whole-module buttons (read, write, verify, files), the numbering option and the expert-only
// buttons. The queueing buttons hand their command name to the window's dispatcher.
class ModuleArea final : public QWidget {
  Q_OBJECT

 public:
  explicit ModuleArea(QWidget* parent = nullptr);

  void SetExpertMode(bool expert);
  bool NumberingFromOne() const;

 signals:
  void NumberingChanged(bool from_one);
  // "ReadAll", "WriteAll", "VerifyAll", "VerifyAllPins", "ReadPin", "WritePin", "Compare" or
  // "WriteChanges".
  void QueueCommand(const QString& name);

 private:
  QCheckBox* numbering_;
  QWidget* expert_buttons_[3];
};

}  // namespace pyra

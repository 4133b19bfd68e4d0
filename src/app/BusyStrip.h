#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pyra {

// "Working ... Please WAIT" with a progress indicator and the Cancel button, shown while a link
// job runs. It stays usable while the rest of the window takes no input. The label alone also
// shows while a queued command waits for the dispatcher's tick.
class BusyStrip final : public QWidget {
  Q_OBJECT

 public:
  explicit BusyStrip(QWidget* parent = nullptr);

  void SetBusy(bool busy);
  void SetQueued(bool queued);
  // Where the running operation stands; until it says, the bar only shows that something runs.
  void ShowProgress(const QString& step, int done, int total);

 signals:
  void CancelClicked();

 private:
  void Update();

  QLabel* label_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  bool busy_ = false;
  bool queued_ = false;
};

}  // namespace pyra

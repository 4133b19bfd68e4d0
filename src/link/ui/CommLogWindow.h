#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace pyra {

// The communication log: every frame sent and received, one line each. Owned by the main window
// and kept in front of it; shown modeless on request, filled whether shown or not.
class CommLogWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit CommLogWindow(QWidget* owner);

  void AppendLine(const QString& line);
  QString Text() const;

 private:
  QPlainTextEdit* text_;
  QPushButton* clear_;
};

}  // namespace pyra

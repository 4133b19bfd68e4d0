#pragma once

#include <QWidget>
#include <array>

#include "widgets/PanelContext.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pyra {

class UpDown;

// The "Pyra Event Control" tab: the Event-On and Event-Off slots of one pin, "Copy to All", the
// enable map, and the whole-module event transfers (queued through the dispatcher).
class EventControlPanel final : public QWidget {
  Q_OBJECT

 public:
  EventControlPanel(PanelContext context, QWidget* parent = nullptr);

  // model -> controls: the shown pin with its range, its slots, the enable map.
  void ShowSettings();
  // The eight slot boxes from the event control of ECPin, each grey while it holds no event.
  void ShowPinEvents();
  void TakeEdits();
  void SetExpertMode(bool expert);

 signals:
  // A queueing button was pressed: "ECReadAll", "ECWriteAll" or "ECVerify".
  void QueueCommand(const QString& name);

 private:
  void TakePin();
  void TakeSlot(bool on, int slot);
  void Colour(QLineEdit* box);
  void ShowEnableMap();

  PanelContext context_;
  QLineEdit* text_pin_;
  UpDown* updown_pin_;
  std::array<QLineEdit*, 4> on_{};
  std::array<QLineEdit*, 4> off_{};
  std::array<UpDown*, 4> updown_on_{};
  std::array<UpDown*, 4> updown_off_{};
  std::array<QCheckBox*, 8> init_{};
  QPushButton* verify_;
};

}  // namespace pyra

#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "model/Configuration.h"
#include "operations/PinSummary.h"

class QTableWidget;

namespace pyra {

// The 32 pins in one table, read-only: what each drives, its device, aspect layout, first
// addresses and initial aspect. A row opens its pin in the pin editor; after a compare, the
// pins that differ from the module are marked. It follows the model when the window shows the
// model anew and whenever it is activated, so edits made meanwhile in the window show.
class PinOverview final : public QDialog {
  Q_OBJECT

 public:
  using Marks = std::array<bool, kPinCount>;

  PinOverview(const Configuration& model, std::function<LinkAddresses()> link,
              std::function<Marks()> differing, QWidget* owner);

  void Refresh();
  // Shown and raised, refreshed.
  void Open();

 signals:
  // Double-click or Enter on a row: pin index 0..31.
  void PinChosen(int pin);

 protected:
  bool event(QEvent* e) override;

 private:
  const Configuration& model_;
  std::function<LinkAddresses()> link_;
  std::function<Marks()> differing_;
  QTableWidget* table_;
};

}  // namespace pyra

#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <string>

#include "operations/Compare.h"
#include "operations/PinSummary.h"
#include "widgets/PanelContext.h"

class QAbstractButton;
class QAction;
class QWidget;

namespace pyra {

class CompareSheet;
class PinOverview;
class QueuedCommands;

// Compare with Module, the compare sheet's row takes and writes, Write Changes and the pin
// overview. It keeps what the window last read from, wrote to or compared with the module (the
// baseline, with the port and addresses it belongs to), which Write Changes writes against.
class CompareController final : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    // Every typed box into the model, before the model is read.
    std::function<void()> take_edits;
    // After the model changed: address sums and every view.
    std::function<void()> refresh;
    // The port the link has open ("" when none); a baseline belongs to it.
    std::function<std::string()> port_name;
    // What the pins' serial addresses follow, for the pin overview.
    std::function<LinkAddresses()> link_addresses;
  };

  // Registers "Compare" and "WriteChanges" with the dispatcher, so they queue as Read All does.
  CompareController(PanelContext context, QueuedCommands& dispatcher, Hooks hooks, QWidget* owner);

  // The "Pin Overview" button opens the overview as its action does.
  void Attach(QAbstractButton* pin_overview);
  QAction* PinOverviewAction() const { return pin_overview_action_; }

  // The window showed the model anew: the open sheet and overview follow it.
  void ModelShown();
  // Read All or Write All ended: a complete one is the new baseline, anything else forgets it.
  void ModuleKnown(bool ok, const Configuration& module, const LinkState& link);
  void SetBusy(bool busy);

  // Created on first use; null until then.
  CompareSheet* Sheet() const { return sheet_; }
  PinOverview* Overview() const { return overview_; }
  bool HasBaseline() const { return baseline_.has_value(); }

 signals:
  // A row of the sheet or the overview was opened: the model's editor positions show its place
  // (the pin and aspect, or the event control's pin); the window brings up the group's tab.
  void ShowTabRequested(DiffGroup group);
  // Compare, Write Changes or a sheet write has ended: what the status bar says of it.
  void Ended(const QString& status);

 private:
  void Compare();
  void WriteChanges();
  void TakeChecked();
  void WriteChecked();
  void OpenOverview();
  void ShowPlace(const Difference& place);
  CompareSheet& EnsureSheet();
  PinOverview& EnsureOverview();
  std::vector<Difference> RowsNow() const;
  void ShowSheet();
  // A kept state that no longer holds: offers to compare first.
  void OfferCompare(const std::string& why);
  void ReportMismatches(const std::vector<Difference>& mismatches);

  PanelContext context_;
  QueuedCommands& dispatcher_;
  Hooks hooks_;
  QWidget* owner_;
  QAction* pin_overview_action_;
  CompareSheet* sheet_ = nullptr;
  PinOverview* overview_ = nullptr;
  bool busy_ = false;
  std::optional<ModuleBaseline> baseline_;
  // What the module held when last seen whole (compared, read or written) and which module that
  // was, for the sheet and the overview's marks; unlike the baseline it stays after a failed
  // write, which may have left the module anywhere between the two.
  std::optional<ModuleBaseline> seen_;
};

}  // namespace pyra

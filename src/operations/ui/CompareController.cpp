#include "operations/ui/CompareController.h"

#include <QAbstractButton>
#include <QAction>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "operations/ui/CompareSheet.h"
#include "operations/ui/QueuedCommands.h"
#include "pins/ui/PinOverview.h"

namespace pyra {

namespace {

DiffOptions ModuleOptions(const Configuration& c) { return {c.NumberBase, true}; }

QString Counted(std::size_t n, const char* what) {
  return QString("%1 %2%3").arg(n).arg(what).arg(n == 1 ? "" : "s");
}

// The status line after a write of rows (the sheet's) or of changes.
QString WriteStatus(const char* name, WriteOutcome outcome, std::size_t rows) {
  switch (outcome) {
    case WriteOutcome::kWritten:
      return QString("%1: %2 written and verified").arg(name, Counted(rows, "change"));
    case WriteOutcome::kNothing:
      return QString("%1: nothing to write").arg(name);
    case WriteOutcome::kRefused:
      return QString("%1: refused, nothing was sent").arg(name);
    case WriteOutcome::kStale:
      return QString("%1: the module may have changed, nothing was sent").arg(name);
    case WriteOutcome::kNotVerified:
      return QString("%1: written, but the module does not hold it").arg(name);
    case WriteOutcome::kCancelled:
      return QString("%1: cancelled").arg(name);
    default:
      return QString("%1 stopped").arg(name);
  }
}

}  // namespace

CompareController::CompareController(PanelContext context, QueuedCommands& dispatcher, Hooks hooks,
                                     QWidget* owner)
    : QObject(owner),
      context_(context),
      dispatcher_(dispatcher),
      hooks_(std::move(hooks)),
      owner_(owner),
      pin_overview_action_(new QAction("Pin Overview", this)) {
  setObjectName("CompareController");
  pin_overview_action_->setObjectName("ActionPinOverview");
  connect(pin_overview_action_, &QAction::triggered, this, &CompareController::OpenOverview);
  dispatcher_.Register("Compare", [this] { Compare(); });
  dispatcher_.Register("WriteChanges", [this] { WriteChanges(); });
}

void CompareController::Attach(QAbstractButton* pin_overview) {
  connect(pin_overview, &QAbstractButton::clicked, pin_overview_action_, &QAction::trigger);
}

void CompareController::Compare() {
  const std::string port = hooks_.port_name();
  auto window = std::make_shared<const Configuration>(context_.model);
  auto result = std::make_shared<CompareResult>();
  auto link = std::make_shared<LinkState>();
  context_.jobs.Run(
      [window, result, link](Link& l) {
        *result = CompareWithModule(l, *window);
        *link = l.State();
      },
      [this, port, result, link] {
        // A read that stopped says nothing sure of the module.
        if (!result->ok) {
          baseline_.reset();
          emit Ended("Compare with Module stopped");
          return;
        }
        emit Ended("Compare with Module: " + (result->rows.empty()
                                                  ? QString("no differences")
                                                  : Counted(result->rows.size(), "difference")));
        baseline_ = ModuleBaseline{IdentityOf(port, *link), result->module};
        seen_ = baseline_;
        ShowSheet();
        ModelShown();
      });
}

void CompareController::WriteChanges() {
  // The addresses and the ID are checked on the link; the port is the window's to know.
  if (!baseline_ || baseline_->identity.port != hooks_.port_name()) {
    OfferCompare(baseline_
                     ? "The module was last read, written or compared through another port."
                     : "The window does not know what the module holds: nothing was read from, "
                       "written to or compared with it since the start or the last failed write.");
    return;
  }
  auto window = std::make_shared<const Configuration>(context_.model);
  auto baseline = std::make_shared<const ModuleBaseline>(*baseline_);
  auto result = std::make_shared<WriteChangesResult>();
  context_.jobs.Run(
      [window, baseline, result](Link& l) {
        *result = pyra::WriteChanges(l, *window, *baseline,
                                     IdentityOf(baseline->identity.port, l.State()));
      },
      [this, result] {
        baseline_ = result->baseline;
        emit Ended(WriteStatus("Write Changes", result->outcome, result->rows.size()));
        switch (result->outcome) {
          case WriteOutcome::kStale:
            OfferCompare(
                "The module may have changed since it was last read, written or compared: it "
                "has another address or answers with another ID.");
            return;
          case WriteOutcome::kNothing:
            context_.prompter.Message("Nothing differs from what the module holds.",
                                      Icon::kInformation);
            break;
          case WriteOutcome::kWritten:
            context_.prompter.Message(
                std::to_string(result->rows.size()) + " change(s) written and verified.",
                Icon::kInformation);
            break;
          case WriteOutcome::kNotVerified:
            ReportMismatches(result->mismatches);
            break;
          default:
            break;  // the link or the write has said why
        }
        if (baseline_) seen_ = baseline_;
        ModelShown();
      });
}

void CompareController::OfferCompare(const std::string& why) {
  if (context_.prompter.Ask(why + "\r\nCompare with the module first?", Buttons::kYesNo,
                            Icon::kExclamation) == Answer::kYes) {
    // After the tick that asked, so the busy label shows the queued command.
    QTimer::singleShot(0, this, [this] { dispatcher_.Press("Compare"); });
  }
}

void CompareController::TakeChecked() {
  if (busy_ || !seen_) return;
  hooks_.take_edits();
  TakeRows(context_.model, seen_->module, EnsureSheet().CheckedRows());
  hooks_.refresh();
}

void CompareController::WriteChecked() {
  if (busy_ || !seen_ || context_.jobs.Busy()) return;
  hooks_.take_edits();
  const std::string port = hooks_.port_name();
  if (seen_->identity.port != port) {
    OfferCompare("The sheet shows a module on another port.");
    return;
  }
  auto rows = std::make_shared<const std::vector<Difference>>(EnsureSheet().CheckedRows());
  auto window = std::make_shared<const Configuration>(context_.model);
  auto seen = std::make_shared<const ModuleBaseline>(*seen_);
  auto result = std::make_shared<RowWriteResult>();
  auto link = std::make_shared<LinkState>();
  context_.jobs.Run(
      [rows, window, seen, result, link](Link& l) {
        // The unticked fields of a shared message carry the module's values: only those of the
        // module they were read from will do.
        if (!(IdentityOf(seen->identity.port, l.State()) == seen->identity)) {
          result->outcome = WriteOutcome::kStale;
          return;
        }
        *result = WriteRows(l, *window, seen->module, *rows);
        *link = l.State();
      },
      [this, port, rows, result, link] {
        emit Ended(WriteStatus("Write to module", result->outcome, rows->size()));
        switch (result->outcome) {
          case WriteOutcome::kWritten:
            baseline_ = ModuleBaseline{IdentityOf(port, *link), result->module};
            seen_ = baseline_;
            break;
          case WriteOutcome::kNotVerified:
            seen_ = ModuleBaseline{IdentityOf(port, *link), result->module};
            baseline_.reset();
            ReportMismatches(result->mismatches);
            break;
          case WriteOutcome::kStale:
            OfferCompare("The sheet shows the module at another address.");
            return;
          case WriteOutcome::kNothing:
          case WriteOutcome::kRefused:
            break;  // nothing was sent
          default:
            baseline_.reset();
            break;
        }
        ModelShown();
      });
}

void CompareController::ReportMismatches(const std::vector<Difference>& mismatches) {
  std::string text = "The module does not hold what was written (written -> read back):";
  for (const Difference& d : mismatches) text += "\r\n" + DiffLine(d);
  context_.prompter.Message(text, Icon::kExclamation);
}

void CompareController::ModuleKnown(bool ok, const Configuration& module, const LinkState& link) {
  if (!ok) {
    baseline_.reset();
    return;
  }
  baseline_ = ModuleBaseline{IdentityOf(hooks_.port_name(), link), module};
  seen_ = baseline_;
  ModelShown();
}

std::vector<Difference> CompareController::RowsNow() const {
  if (!seen_) return {};
  return Differences(context_.model, seen_->module, ModuleOptions(context_.model));
}

void CompareController::ModelShown() {
  if (sheet_ && sheet_->isVisible()) sheet_->ShowRows(RowsNow(), context_.model.NumberBase);
  if (overview_ && overview_->isVisible()) overview_->Refresh();
}

void CompareController::SetBusy(bool busy) {
  busy_ = busy;
  if (sheet_) sheet_->SetBusy(busy);
}

CompareSheet& CompareController::EnsureSheet() {
  if (!sheet_) {
    sheet_ = new CompareSheet(owner_);
    sheet_->SetBusy(busy_);
    connect(sheet_, &CompareSheet::TakeRequested, this, &CompareController::TakeChecked);
    connect(sheet_, &CompareSheet::WriteRequested, this, &CompareController::WriteChecked);
    connect(sheet_, &CompareSheet::ShowRequested, this, &CompareController::ShowPlace);
  }
  return *sheet_;
}

void CompareController::ShowSheet() {
  CompareSheet& sheet = EnsureSheet();
  sheet.ShowRows(RowsNow(), context_.model.NumberBase);
  sheet.show();
  sheet.raise();
  sheet.activateWindow();
}

PinOverview& CompareController::EnsureOverview() {
  if (!overview_) {
    overview_ = new PinOverview(
        context_.model, hooks_.link_addresses,
        [this] {
          PinOverview::Marks marks{};
          for (const Difference& d : RowsNow()) {
            if (d.pin >= 0 && d.pin < kPinCount) marks[d.pin] = true;
          }
          return marks;
        },
        owner_);
    connect(overview_, &PinOverview::PinChosen, this, [this](int pin) {
      Difference place;
      place.group = DiffGroup::kPin;
      place.pin = pin;
      ShowPlace(place);
    });
  }
  return *overview_;
}

void CompareController::ShowPlace(const Difference& place) {
  if (busy_) return;
  hooks_.take_edits();
  Configuration& c = context_.model;
  if (place.group == DiffGroup::kEventControl && place.pin >= 0) c.ECPin = place.pin;
  if (place.group == DiffGroup::kPin) {
    c.CurrentPin = place.pin;
    if (place.aspect >= 0) c.CurrentAspect = place.aspect;
  }
  hooks_.refresh();
  emit ShowTabRequested(place.group);
}

void CompareController::OpenOverview() { EnsureOverview().Open(); }

}  // namespace pyra

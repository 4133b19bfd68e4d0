#include "pins/ui/PinOverview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pyra {

namespace {

enum Column {
  kPin,
  kDescription,
  kRole,
  kDevice,
  kAspects,
  kDcc,
  kXDcc,
  kSerial,
  kInitial,
  kModule,
  kColumns
};

}  // namespace

PinOverview::PinOverview(const Configuration& model, std::function<LinkAddresses()> link,
                         std::function<Marks()> differing, QWidget* owner)
    : QDialog(owner),
      model_(model),
      link_(std::move(link)),
      differing_(std::move(differing)),
      table_(new QTableWidget(kPinCount, kColumns, this)) {
  setObjectName("frmPinOverview");
  setWindowTitle("PyraConfig - Pin Overview");
  table_->setObjectName("TablePinOverview");
  table_->setHorizontalHeaderLabels({"Pin", "Description", "Role", "Device", "Aspects",
                                     "DCC output", "eXt DCC", "Serial address", "Initial aspect",
                                     "Module"});
  table_->verticalHeader()->hide();
  // All 32 pins in one view where the screen allows.
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setAlternatingRowColors(true);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setToolTip("Double-click or Enter: show the pin in the pin editor");
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmdPinOverviewClose");

  auto* hint = new QLabel(
      "Double-click a pin or press Enter to show it in the pin editor. \"differs\": the pin "
      "differs from what the module held when last read, written or compared.",
      this);
  hint->setObjectName("LabelPinOverviewHint");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(hint, 1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  resize(1160, 740);

  connect(table_, &QTableWidget::activated, this,
          [this](const QModelIndex& index) { emit PinChosen(index.row()); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  Refresh();
}

void PinOverview::Refresh() {
  const std::array<PinSummary, kPinCount> rows = SummarizePins(model_, link_());
  const Marks marks = differing_();
  const QBrush differs(QColor(255, 214, 204));
  for (int p = 0; p < kPinCount; ++p) {
    const PinSummary& r = rows[p];
    const std::string texts[kColumns] = {
        r.pin, r.description, r.role,   r.device,         r.aspects,
        r.dcc, r.xdcc,        r.serial, r.initial_aspect, marks[p] ? "differs" : ""};
    for (int col = 0; col < kColumns; ++col) {
      QTableWidgetItem* item = table_->item(p, col);
      if (!item) {
        item = new QTableWidgetItem;
        table_->setItem(p, col, item);
      }
      item->setText(QString::fromStdString(texts[col]));
      item->setBackground(marks[p] ? differs : QBrush());
    }
  }
  table_->resizeColumnsToContents();
}

void PinOverview::Open() {
  Refresh();
  show();
  raise();
  activateWindow();
}

bool PinOverview::event(QEvent* e) {
  // The window's boxes hand their values to the model when they lose the focus, which they do
  // when this window is activated.
  if (e->type() == QEvent::WindowActivate) Refresh();
  return QDialog::event(e);
}

}  // namespace pyra

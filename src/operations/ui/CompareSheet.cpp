#include "operations/ui/CompareSheet.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>
#include <tuple>

namespace pyra {

namespace {

enum Column { kWhat, kWindow, kModule };
constexpr int kRowRole = Qt::UserRole;

// What names a row's item whatever its values, so that a check mark survives a new comparison.
auto Key(const Difference& d) {
  return std::make_tuple(d.group, d.setting, d.item, d.pin, d.event_off, d.slot, d.aspect, d.step);
}

}  // namespace

CompareSheet::CompareSheet(QWidget* owner)
    : QDialog(owner),
      tree_(new QTreeWidget(this)),
      summary_(new QLabel(this)),
      take_(new QPushButton("Take from module", this)),
      write_(new QPushButton("Write to module", this)) {
  setObjectName("frmCompare");
  setWindowTitle("PyraConfig - Compare with Module");
  tree_->setObjectName("TreeCompare");
  tree_->setColumnCount(3);
  tree_->setHeaderLabels({"What", "Window", "Module"});
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  tree_->setToolTip("Double-click: show the pin or aspect in its tab");
  summary_->setObjectName("LabelCompareSummary");
  take_->setObjectName("CommandCompareTake");
  take_->setToolTip("Copy the module's values of the ticked rows into the window");
  write_->setObjectName("CommandCompareWrite");
  write_->setToolTip("Write the window's values of the ticked rows, and nothing else, then verify");
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmdCompareClose");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary_, 1);
  buttons->addWidget(take_);
  buttons->addWidget(write_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addLayout(buttons);
  resize(900, 520);

  connect(take_, &QPushButton::clicked, this, &CompareSheet::TakeRequested);
  connect(write_, &QPushButton::clicked, this, &CompareSheet::WriteRequested);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(tree_, &QTreeWidget::itemChanged, this, &CompareSheet::UpdateButtons);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    QTreeWidgetItem* row = item->childCount() > 0 ? item->child(0) : item;
    const QVariant index = row->data(kWhat, kRowRole);
    if (!index.isValid()) return;
    Difference d = rows_[index.toInt()];
    if (row != item) d.aspect = -1;  // a group heading shows its pin, no aspect in particular
    emit ShowRequested(d);
  });
}

QTreeWidgetItem* CompareSheet::GroupItem(const Difference& d, int number_base) {
  const QString title = QString::fromStdString(GroupText(d, number_base));
  const int count = tree_->topLevelItemCount();
  if (count > 0 && tree_->topLevelItem(count - 1)->text(kWhat) == title) {
    return tree_->topLevelItem(count - 1);
  }
  auto* group = new QTreeWidgetItem(tree_, {title});
  group->setFlags(group->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
  QFont bold = group->font(kWhat);
  bold.setBold(true);
  group->setFont(kWhat, bold);
  return group;
}

void CompareSheet::ShowRows(const std::vector<Difference>& rows, int number_base) {
  std::set<decltype(Key(Difference{}))> checked;
  for (const Difference& d : CheckedRows()) checked.insert(Key(d));

  const QSignalBlocker blocker(tree_);
  tree_->clear();
  rows_ = rows;
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    const Difference& d = rows_[i];
    QTreeWidgetItem* group = GroupItem(d, number_base);
    // Under its pin a row needs no pin number: "aspect 1 step 2".
    QString what = QString::fromStdString(d.name);
    const QString prefix = group->text(kWhat) + " ";
    if (d.group == DiffGroup::kPin && what.startsWith(prefix)) what.remove(0, prefix.size());
    auto* item = new QTreeWidgetItem(
        group, {what, QString::fromStdString(d.ours), QString::fromStdString(d.theirs)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kWhat, checked.count(Key(d)) ? Qt::Checked : Qt::Unchecked);
    item->setData(kWhat, kRowRole, i);
    item->setToolTip(kWindow, item->text(kWindow));
    item->setToolTip(kModule, item->text(kModule));
  }
  tree_->expandAll();
  tree_->resizeColumnToContents(kWhat);
  tree_->setColumnWidth(kWindow, std::max(tree_->columnWidth(kWindow), 260));
  summary_->setText(rows_.empty() ? "The window and the module hold the same configuration."
                                  : QString("%1 difference(s)").arg(rows_.size()));
  UpdateButtons();
}

std::vector<Difference> CompareSheet::CheckedRows() const {
  std::vector<Difference> checked;
  for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = tree_->topLevelItem(g);
    for (int c = 0; c < group->childCount(); ++c) {
      const QTreeWidgetItem* item = group->child(c);
      if (item->checkState(kWhat) == Qt::Checked) {
        checked.push_back(rows_[item->data(kWhat, kRowRole).toInt()]);
      }
    }
  }
  return checked;
}

void CompareSheet::SetBusy(bool busy) {
  busy_ = busy;
  tree_->setEnabled(!busy);
  UpdateButtons();
}

void CompareSheet::UpdateButtons() {
  const bool any = !busy_ && !CheckedRows().empty();
  take_->setEnabled(any);
  write_->setEnabled(any);
}

}  // namespace pyra

#pragma once

#include <QDialog>
#include <vector>

#include "operations/Differences.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pyra {

// "PyraConfig - Compare with Module": the differences between the window and the module, grouped
// by General, Event Control and pin, each row with the window's and the module's value and a
// check box. It only shows rows and reports what the user chose; the controller acts on them.
class CompareSheet final : public QDialog {
  Q_OBJECT

 public:
  explicit CompareSheet(QWidget* owner);

  // Replaces the rows. A row that was listed before keeps its check mark; new rows come
  // unchecked.
  void ShowRows(const std::vector<Difference>& rows, int number_base);
  // The listed rows whose box is ticked, in the order listed.
  std::vector<Difference> CheckedRows() const;
  // While a job runs nothing may be taken or written.
  void SetBusy(bool busy);

 signals:
  void TakeRequested();
  void WriteRequested();
  // Double-click on a row or a group heading.
  void ShowRequested(const Difference& row);

 private:
  QTreeWidgetItem* GroupItem(const Difference& d, int number_base);
  void UpdateButtons();

  QTreeWidget* tree_;
  QLabel* summary_;
  QPushButton* take_;
  QPushButton* write_;
  std::vector<Difference> rows_;  // in the order of the tree's rows (their data: the index)
  bool busy_ = false;
};

}  // namespace pyra

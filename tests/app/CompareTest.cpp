#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "operations/ui/CompareController.h"

namespace pyra::test {
namespace {

using CompareTest = AppTest;
using Texts = std::vector<std::string>;

// The compare sheet's rows as "group | what | window | module".
Texts SheetRows(QTreeWidget* tree) {
  Texts rows;
  for (int g = 0; g < tree->topLevelItemCount(); ++g) {
    const QTreeWidgetItem* group = tree->topLevelItem(g);
    for (int c = 0; c < group->childCount(); ++c) {
      const QTreeWidgetItem* row = group->child(c);
      rows.push_back(QString("%1 | %2 | %3 | %4")
                         .arg(group->text(0), row->text(0), row->text(1), row->text(2))
                         .toStdString());
    }
  }
  return rows;
}

// Ticks the check box of the sheet's row whose "what" column reads `what`, with the keyboard.
void Tick(QTreeWidget* tree, const QString& what) {
  const QList<QTreeWidgetItem*> found =
      tree->findItems(what, Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1) << what.toStdString();
  tree->setCurrentItem(found[0], 0);
  QTest::keyClick(tree->viewport(), Qt::Key_Space);
  ASSERT_EQ(found[0]->checkState(0), Qt::Checked) << what.toStdString();
}

// Compare lists exactly what was edited; writing two rows and taking the third settles all.
TEST_F(CompareTest, RowsAreWrittenAndTakenOneByOne) {
  Memory().pins[0].aspect_mode = 3;
  Do({"!CommandReadAll", "TextGenDCCAddress=77", "#1", "TextECon_1=4", "#2", "ComboPAspInst_0:On",
      "!CommandCompare"});
  auto* tree = Find<QTreeWidget>("TreeCompare");
  ASSERT_TRUE(tree && tree->isVisible());
  EXPECT_EQ(SheetRows(tree), (Texts{"General | Basic Decoder Addr | 77 | 1",
                                    "Event Control | Pin 1 Event-On 2 | 4 | -",
                                    "Pin 1 | aspect 0 step 0 | On (P.O. 0, T(/60) 0) | -"}));
  EXPECT_EQ(TextOf("StatusOperation"), "Compare with Module: 3 differences");

  Tick(tree, "Basic Decoder Addr");
  Tick(tree, "Pin 1 Event-On 2");
  Do("!CommandCompareWrite");
  EXPECT_EQ(TextOf("StatusOperation"), "Write to module: 2 changes written and verified");
  EXPECT_EQ(Memory().dcc_address, (std::array<int, 2>{13, 1}));
  EXPECT_EQ(Memory().pins[0].event_on[1], 16 + 4);  // slot 1 in the high nibble
  EXPECT_EQ(Memory().pins[0].steps[0][0], sim::FactoryMemory().pins[0].steps[0][0]);
  Do("!CommandCompare");
  EXPECT_EQ(SheetRows(tree), (Texts{"Pin 1 | aspect 0 step 0 | On (P.O. 0, T(/60) 0) | -"}));

  Tick(tree, "aspect 0 step 0");
  Do("CommandCompareTake");
  EXPECT_EQ(SheetRows(tree), Texts{});
  EXPECT_EQ(TextOf("ComboPAspInst_0"), "-");
  Do("!CommandCompare");
  EXPECT_EQ(SheetRows(tree), Texts{});
  EXPECT_TRUE(prompter_.Texts().empty()) << prompter_.Last();
}

// Without a kept state Write Changes offers Compare; afterwards it writes only what changed, and
// another module address makes it offer Compare again.
TEST_F(CompareTest, WriteChangesNeedsAKeptStateOfTheSameModule) {
  Do({"?Y", "!CommandWriteChanges"});
  WaitIdle();  // the compare the answer queued
  ASSERT_EQ(prompter_.Texts().size(), 1u);
  EXPECT_EQ(prompter_.Texts()[0],
            "The window does not know what the module holds: nothing was read from, written to "
            "or compared with it since the start or the last failed write.\r\nCompare with the "
            "module first?");
  EXPECT_TRUE(window_->Comparison().HasBaseline());

  const std::size_t before = Module().Requests().size();
  Do({"TextGenDCCAddress=77", "!CommandWriteChanges"});
  sim::ModuleMemory expected = sim::FactoryMemory();
  expected.dcc_address = {13, 1};
  EXPECT_TRUE(Memory() == expected);
  int writes = 0;
  for (std::size_t i = before; i < Module().Requests().size(); ++i) {
    const int command = Module().Requests()[i].payload.at(0);
    writes += command >= 96 && command <= 102;
  }
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(prompter_.Last(), "1 change(s) written and verified.");

  Do({"TextAddress=3", "?N", "!CommandWriteChanges"});
  EXPECT_EQ(prompter_.Last().substr(0, 30), "The module may have changed si");
  EXPECT_FALSE(window_->Comparison().HasBaseline());
}

// The overview marks the pins that differ from the module and opens a pin in the pin editor.
TEST_F(CompareTest, PinOverviewMarksDifferingPinsAndOpensThem) {
  Do({"!CommandReadAll", "#2", "TextPAspOutput=5", "OptionPAspConf_1", "!CommandCompare", "#0",
      "CommandPinOverview"});
  auto* table = Find<QTableWidget>("TablePinOverview");
  ASSERT_TRUE(table && table->isVisible());
  for (int p = 0; p < kPinCount; ++p) {
    EXPECT_EQ(table->item(p, 9)->text(), p == 4 ? "differs" : "") << p;
  }
  EXPECT_EQ(table->item(4, 4)->text(), "4 aspects of 9 steps");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
  QTableWidgetItem* pin10 = table->item(9, 1);
  table->scrollToItem(pin10);
  // A double-click's first press selects the row, as a user's does.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(pin10).center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(pin10).center());
  EXPECT_EQ(Find<QTabWidget>("SSTab_Main")->currentIndex(), MainWindow::kTabDeviceConfiguration);
  EXPECT_EQ(TextOf("TextPAspOutput"), "10");
}

}  // namespace
}  // namespace pyra::test

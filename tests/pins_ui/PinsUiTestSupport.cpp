#include "PinsUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QtTest/QTest>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("pins_ui_tests");

}  // namespace

void PinsUiTest::SetUp() {
  PanelUiTest::SetUp();
  Show(std::make_unique<DevicePanel>(PanelContext{*jobs_, model_, prompter_}));
}

void PinsUiTest::ChooseInstruction(int row, int code) {
  auto* combo = Find<QComboBox>(QString("ComboPAspInst_%1").arg(row));
  ASSERT_NE(combo, nullptr);
  const int index = combo->findData(code);
  ASSERT_GE(index, 0) << "code " << code << " is not offered";
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  view->scrollTo(view->model()->index(index, 0));
  const QRect item = view->visualRect(view->model()->index(index, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  ASSERT_EQ(combo->currentData().toInt(), code);
}

void PinsUiTest::TickShowDetails() {
  auto* details = Find<QCheckBox>("CheckPAspShowDetails");
  ASSERT_NE(details, nullptr);
  if (!details->isChecked()) Click("CheckPAspShowDetails");
  ASSERT_TRUE(details->isChecked());
}

}  // namespace pyra::test

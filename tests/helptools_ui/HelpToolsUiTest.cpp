// The help tools and the edit dialogs as the aspect editor opens them, driven from the rows of
// tests/data/helptools/dialogs.txt: each dialog opened from its control, every button clicked,
// and its effect on the model. The program's QApplication comes from TestTabPanelTest.cpp.
#include <QApplication>
#include <QSlider>
#include <QTimer>
#include <fstream>
#include <functional>
#include <map>

#include "helptools/ui/EditDialogs.h"
#include "helptools/ui/HelpToolDialogs.h"
#include "pins/ui/AspectEditor.h"
#include "support/PanelUiTest.h"
#include "widgets/StepGrid.h"

namespace pyra::test {
namespace {

StepRecord StepOf(const std::string& text) {
  std::istringstream in(text);
  std::array<int, 6> b{};
  for (int& v : b) in >> v;
  auto u = [](int v) { return static_cast<uint8_t>(v); };
  return {u(b[0]), u(b[1]), u(b[2]), u(b[3]), u(b[4]), u(b[5])};
}

class HelpToolsUiTest : public PanelUiTest<AspectEditor> {
 protected:
  void SetUp() override {
    PanelUiTest::SetUp();
    for (int p : {4, 5, 6, 10}) {
      PinRecord& pin = model_.Pins[p];
      pin.DeviceName = p == 10 ? "" : "Signal";
      pin.DeviceLink = p == 10 ? 0 : 4 - p;
      pin.Description = "Lamp " + std::to_string(p);
      pin.AspectMode = kAspectMode4x9;
      pin.PinConfig[0] = 3;
      pin.Aspects[0] = {"Stop", {{{9, 0, 0, 20}, {102, 0, 0, 0, 25, 2}, {}, {8, 0, 0, 30}}}};
      pin.Aspects[1] = {"Night", {{{6, 0, 0, 5}, {8, 0, 0, 30}, {0, 1, 2, 3}}}};
    }
    model_.CurrentPin = 2;
    model_.Pins[2].AspectMode = kAspectMode4x9;
    Show(std::make_unique<AspectEditor>(PanelContext{*jobs_, model_, prompter_}));
    // Wired as the main window wires them.
    auto* tools = new HelpToolDialogs(model_, prompter_, panel_.get());
    edits_ = new EditDialogs(model_, prompter_, panel_.get());
    StepGrid& grid = panel_->Steps();
    QObject::connect(&grid, &StepGrid::HelpToolRequested,
                     [tools, &grid](int row, int box) { tools->Run(grid, row, box); });
    QObject::connect(panel_.get(), &AspectEditor::EditPinRequested, [this] { edits_->EditPin(); });
    QObject::connect(panel_.get(), &AspectEditor::EditAspectRequested,
                     [this] { edits_->EditAspect(); });
    QObject::connect(&grid, &StepGrid::EditStepRequested,
                     [this](int row) { edits_->EditStep(row); });
  }

  // Clicks or double-clicks `control`, then clicks the named controls of the modal dialog it
  // opened, each of which must be shown; "name=text" types into a box and presses Return, a
  // slider is moved to its end. Returns the dialog's name.
  QString Open(const QString& control, bool double_click, const QStringList& actions) {
    QString opened;
    QObject guard;  // a dialog that never opens leaves no timer behind
    QTimer::singleShot(0, &guard, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      opened = dialog->objectName();
      for (const QString& action : actions) {
        QWidget* w = dialog->findChild<QWidget*>(action.section('=', 0, 0));
        ASSERT_TRUE(w && w->isVisible()) << action.toStdString() << " is not shown";
        if (action.contains('=')) {
          static_cast<QLineEdit*>(w)->selectAll();
          QTest::keyClicks(w, action.section('=', 1));
          QTest::keyClick(w, Qt::Key_Return);
        } else if (qobject_cast<QSlider*>(w)) {
          QTest::keyClick(w, Qt::Key_End);
        } else {
          QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
        }
      }
      if (dialog->isVisible()) dialog->reject();
    });
    QWidget* target = Find(control);
    double_click ? QTest::mouseDClick(target, Qt::LeftButton, {}, target->rect().center())
                 : QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    return opened;
  }

  EditDialogs* edits_ = nullptr;
};

TEST_F(HelpToolsUiTest, EveryDialogActsOnWhatTheEditorShows) {
  ScriptedPrompter quiet;
  const std::map<std::string, std::function<void(Configuration&)>> operations = {
      {"nothing", [](Configuration&) {}},
      {"paste pin", [&](Configuration& c) { PastePin(c, edits_->PinCopy(), quiet); }},
      {"clear pin", ClearPin},
      {"paste aspect", [&](Configuration& c) { PasteAspect(c, edits_->AspectCopy(), quiet); }},
      {"clear aspect", ClearAspect},
      {"cleanup aspect", CleanupAspect},
      {"insert step", InsertStep},
      {"delete step", DeleteStep}};
  std::ifstream file(std::string(PYRA_TEST_DATA) + "/helptools/dialogs.txt");
  std::vector<std::string> messages;
  int rows = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("! ", 0) == 0) messages.push_back(line.substr(2));
    const QStringList f = QString::fromStdString(line).split('|');
    if (line.empty() || line[0] == '#' || line[0] == '!' || f.size() != 5) continue;
    SCOPED_TRACE(line);
    ++rows;
    const QStringList actions = f[3].split(' ', Qt::SkipEmptyParts);
    if (f[0].startsWith("tool")) {
      model_.CurrentPin = 2;
      model_.Pins[2].Aspects[0].Steps[3] = StepOf(f[0].mid(5).toStdString());
      panel_->ShowPin();
      EXPECT_EQ(Open(f[1].trimmed(), true, actions), f[2].trimmed());
      const StepRecord after = StepOf(f[4].toStdString());
      EXPECT_EQ(model_.Pins[2].Aspects[0].Steps[3], after);
      EXPECT_EQ(Find<QLineEdit>("TextPAspPar1_3")->text().toInt(), after.Par1);
      EXPECT_EQ(Find<QLineEdit>("TextPAspPar2_3")->text().toInt(), after.Par2);
      EXPECT_EQ(Find<QLineEdit>("TextPAspPar3_3")->text().toInt(), after.Par3);
    } else {
      model_.CurrentPin = f[0].section(' ', 1, 1).toInt();
      model_.CurrentAspect = f[0].section(' ', 2, 2).toInt();
      panel_->ShowPin();
      Configuration expected = model_;
      expected.CurrentStep = f[1].section('_', 1).toInt();
      operations.at(f[4].trimmed().toStdString())(expected);
      EXPECT_EQ(Open(f[1].trimmed(), false, actions), f[2].trimmed());
      EXPECT_EQ(model_.Pins, expected.Pins);
    }
  }
  EXPECT_GT(rows, 20);
  EXPECT_EQ(prompter_.Texts(), messages);
}

}  // namespace
}  // namespace pyra::test

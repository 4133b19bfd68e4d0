// The help tools as the aspect editor opens them: a double-click on a box or time label of a real
// step grid, the tool driven inside its modal exec(), and the result in the row and the model.
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "HelpToolsUiTestSupport.h"
#include "helptools/HelpTools.h"
#include "helptools/ui/CalculatorDialogs.h"
#include "helptools/ui/HelpToolDialogs.h"
#include "pins/ui/StepGrid.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

constexpr int kMultibit3 = 13;
constexpr int kMultibit2 = 12;
constexpr int kEventInput = 16;
constexpr int kMultibit7 = 33;
constexpr int kSetLevel = 38;
constexpr int kWait = 102;
constexpr int kRow = 3;

class HelpToolRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_.CurrentPin = 2;
    model_.CurrentAspect = 1;
    model_.Pins[2].AspectMode = kAspectMode4x9;
    grid_ = new StepGrid(model_, &window_);
    (new QVBoxLayout(&window_))->addWidget(grid_);
    tools_ = new HelpToolDialogs(model_, prompter_, &window_);
    QObject::connect(grid_, &StepGrid::HelpToolRequested, grid_, [this](int row, int box) {
      changed_.push_back(tools_->Run(*grid_, row, box));
    });
    ShowAndWait(window_);
  }

  StepRecord& Step(int row) { return model_.Pins[2].Aspects[1].Steps[row]; }
  void Show(int row, StepRecord step) {
    Step(row) = step;
    grid_->ShowSteps();
  }
  // box 1..3: Par1..Par3; 4: the time label.
  void DoubleClick(int row, int box) {
    const QString name = box == StepGrid::kTimeLabel ? Indexed("LabelPAspTime", row)
                                                     : Indexed(box == 1   ? "TextPAspPar1"
                                                               : box == 2 ? "TextPAspPar2"
                                                                          : "TextPAspPar3",
                                                               row);
    QWidget* target = Find(*grid_, name);
    ASSERT_NE(target, nullptr);
    QTest::mouseDClick(target, Qt::LeftButton, {}, target->rect().center());
  }

  QWidget window_;
  Configuration model_ = DefaultConfiguration();
  ScriptedPrompter prompter_;
  StepGrid* grid_ = nullptr;
  HelpToolDialogs* tools_ = nullptr;
  std::vector<bool> changed_;  // what each Run returned
};

// Drives a tool: "name=text" types into a box, a slider is moved to its end, anything else is
// clicked.
void Drive(QDialog& d, const std::vector<std::string>& actions) {
  for (const std::string& action : actions) {
    const auto eq = action.find('=');
    const QString name = QString::fromStdString(action.substr(0, eq));
    if (eq != std::string::npos) {
      Type(d, name, QString::fromStdString(action.substr(eq + 1)));
    } else if (auto* slider = d.findChild<QSlider*>(name)) {
      QTest::keyClick(slider, Qt::Key_End);
    } else {
      Click(d, name);
    }
  }
}

TEST_F(HelpToolRunTest, ToolOpensForTheBoxAndItsValueReturnsToTheRow) {
  const struct {
    const char* name;
    StepRecord step;
    int box;
    const char* dialog;
    std::vector<std::string> actions;  // end with OK or Cancel
    StepRecord after;                  // also shown in the row's Par1..Par3
    const char* time_label;
  } cases[] = {
      {"WaitPar2OkStoresTimeAndBase",
       {kWait, 0, 0, 0, 10, 1},
       2,
       "dlgCT",
       {"SliderCTTime", "TextCTBase=3", "OKButton"},
       {kWait, 0, 0, 0, 63, 3},
       "10:45.12"},
      {"WaitTimeLabelCancelKeepsTheRow",
       {kWait, 0, 0, 0, 10, 1},
       StepGrid::kTimeLabel,
       "dlgCT",
       {"SliderCTTime", "TextCTBase=0", "CancelButton"},
       {kWait, 0, 0, 0, 10, 1},
       "00:01.60"},
      {"Multibit3Par1With37",
       {kMultibit3, 1, 0, 37, 0, 0},
       1,
       "dlgPyraCalcPattern",
       {"chkUitgang_1", "OKButton"},
       {kMultibit3, 1, 0, 39, 0, 0},
       "00:00.00"},
      {"Multibit7Par1With127",
       {kMultibit7, 0, 0, 127, 0, 0},
       1,
       "dlgPyraCalcPattern",
       {"chkUitgang_6", "OKButton"},
       {kMultibit7, 0, 0, 63, 0, 0},
       "00:00.00"},
      {"EventInputComposes117",
       {kEventInput, 0, 0, 0, 0, 0},
       1,
       "dlgPyraCalcEventPattern",
       {"chkEvent_0", "chkEvent_2", "optEvent_7", "OKButton"},
       {kEventInput, 0, 0, 117, 0, 0},
       "00:00.00"},
      {"EventInputCancelReturnsTheOpeningValue",
       {kEventInput, 0, 0, 20, 0, 0},
       1,
       "dlgPyraCalcEventPattern",
       {"optEvent_7", "chkEvent_3", "CancelButton"},
       {kEventInput, 0, 0, 20, 0, 0},
       "00:00.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    changed_.clear();
    prompter_.Clear();
    Show(kRow, c.step);
    QString opened;
    {
      ModalDriver driver([&](QDialog& d) {
        opened = d.objectName();
        Drive(d, c.actions);
      });
      DoubleClick(kRow, c.box);
      EXPECT_FALSE(driver.LeftOpen()) << "the tool was not closed";
    }
    EXPECT_EQ(opened, c.dialog);
    EXPECT_EQ(changed_, std::vector<bool>{!(c.after == c.step)});
    EXPECT_EQ(Step(kRow), c.after);
    EXPECT_EQ(TextOf(*grid_, Indexed("TextPAspPar1", kRow)), QString::number(c.after.Par1));
    EXPECT_EQ(TextOf(*grid_, Indexed("TextPAspPar2", kRow)), QString::number(c.after.Par2));
    EXPECT_EQ(TextOf(*grid_, Indexed("TextPAspPar3", kRow)), QString::number(c.after.Par3));
    EXPECT_EQ(TextOf(*grid_, Indexed("LabelPAspTime", kRow)), c.time_label);
    EXPECT_TRUE(prompter_.Texts().empty());
  }
}

TEST_F(HelpToolRunTest, BoxWithoutAToolShowsTheMessageAndOpensNothing) {
  Show(kRow, {kSetLevel, 0, 0, 12, 0, 0});
  ModalDriver driver([](QDialog& d) { d.reject(); });
  DoubleClick(kRow, 2);
  DoubleClick(kRow, 1);
  DoubleClick(kRow, StepGrid::kTimeLabel);
  QCoreApplication::processEvents();
  EXPECT_FALSE(driver.Drove());
  EXPECT_EQ(prompter_.Texts(),
            std::vector<std::string>(
                3, "Help tool not available for this box with the selected command"));
  EXPECT_EQ(changed_, std::vector<bool>(3, false));
  EXPECT_EQ(Step(kRow), (StepRecord{kSetLevel, 0, 0, 12, 0, 0}));
}

// The text in the row's box, not the stored byte, is what the tool opens with; it is taken
// through the box's validation on the way back.
TEST_F(HelpToolRunTest, ToolOpensWithTheTypedTextAndStoresItValidated) {
  Show(kRow, {kWait, 0, 0, 0, 10, 1});
  Find<QLineEdit>(*grid_, Indexed("TextPAspPar3", kRow))->setText("9");
  {
    ModalDriver driver([](QDialog& d) {
      EXPECT_EQ(TextOf(d, "TextCTBase"), "9");
      EXPECT_EQ(TextOf(d, "LabelCTMaxTimeValue"), "10:45.12");
      Click(d, "OKButton");
    });
    DoubleClick(kRow, 2);
  }
  EXPECT_EQ(Step(kRow).Par3, 3);
  EXPECT_EQ(TextOf(*grid_, Indexed("TextPAspPar3", kRow)), "3");
}

TEST_F(HelpToolRunTest, PatternToolIsKeptAndFollowsEachRowsOutputCount) {
  Show(0, {kMultibit7, 0, 0, 127, 0, 0});
  Show(1, {kMultibit2, 0, 0, 3, 0, 0});
  std::vector<QDialog*> opened;
  for (int row : {0, 1}) {
    ModalDriver driver([&](QDialog& d) {
      opened.push_back(&d);
      Click(d, "OKButton");
    });
    DoubleClick(row, 1);
  }
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], opened[1]);
  EXPECT_EQ(opened[0], &tools_->Pattern());
  EXPECT_TRUE(Enabled(*opened[1], "chkUitgang_1"));
  EXPECT_FALSE(Enabled(*opened[1], "chkUitgang_2"));
  EXPECT_TRUE(Enabled(*opened[1], "chkAllDark"));
  EXPECT_EQ(Step(1).Par1, 3);
}

}  // namespace
}  // namespace pyra::test

// The four help-tool dialogs on their own: opened with a row's texts, driven through their
// controls, closed with OK or Cancel.
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QtTest/QTest>

#include "HelpToolsUiTestSupport.h"
#include "helptools/ui/CalculatorDialogs.h"

namespace pyra::test {
namespace {

template <class Dialog>
void ExpectDialog(const char* name, const char* title, const QStringList& captions) {
  Dialog dialog;
  EXPECT_EQ(dialog.objectName(), name);
  EXPECT_EQ(dialog.windowTitle(), title);
  ExpectCaptions(dialog, captions);
}

TEST(CalculatorCaptionsTest, EveryDialogHasItsNamesAndCaptions) {
  ExpectDialog<CycleTimeDialog>(
      "dlgCT", "PyraConfig CalcTime",
      {"LabelCTBase=Base", "TextCTBase=0", "LabelCTTime=Time = ", "LabelCTTimeValue=00:00.00",
       "LabelCTMaxTime=Max Time = ", "LabelCTMaxTimeValue=00:00.00", "OKButton=OK",
       "CancelButton=Cancel"});
  ExpectDialog<LevelDialog>("dlgPyraCalcLevel", "LumoConfig Calculate Level",
                            {"lblParam=Parameter", "lblNiveau=Level", "lblIndex=Time-Index",
                             "lblDelay=Delay (s)", "OKButton=OK", "CancelButton=Cancel"});
  ExpectDialog<PatternDialog>(
      "dlgPyraCalcPattern", "LumoConfig Calculate Pattern",
      {"chkUitgang_0=Output +0", "chkUitgang_6=Output +6", "chkAllDark=All Dark",
       "chkNoDark=No Dark-phase", "lblParam=Parameter", "CancelButton=Cancel"});
  ExpectDialog<EventPatternDialog>(
      "dlgPyraCalcEventPattern", "PyraConfig CalcETImap",
      {"chkEvent_0=Event Input 0", "chkEvent_3=Event Input 3", "optEvent_1=Execute On-Event",
       "optEvent_2=Disable On-Event", "optEvent_3=Enable On-Event", "optEvent_5=Execute Off-Event",
       "optEvent_6=Disable Off-Event", "optEvent_7=Enable Off-Event", "lblParameter=Parameter",
       "CancelButton=Cancel"});
  EventPatternDialog event_pattern;
  EXPECT_EQ(event_pattern.findChild<QWidget*>("optEvent_4"), nullptr);
  EXPECT_NE(event_pattern.findChild<QLineEdit*>("txtOriginal"), nullptr);
}

TEST(CycleTimeLabelsTest, OpeningShowsBothDurations) {
  const struct {
    const char* par3;  // the row's Base box
    const char* par2;  // the row's Time box
    const char* time_value;
    const char* max_time_value;
  } cases[] = {
      {"3", "63", "10:45.12", "10:45.12"}, {"0", "63", "00:01.26", "00:01.26"},
      {"0", "1", "00:00.02", "00:01.26"},  {"1", "10", "00:01.60", "00:10.08"},
      {"9", "63", "10:45.12", "10:45.12"},  // an unchecked Base from the row is shown as typed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.par2) + " base " + c.par3);
    CycleTimeDialog dialog;
    dialog.Open(c.par3, c.par2);
    ShowAndWait(dialog);
    EXPECT_EQ(TextOf(dialog, "LabelCTTimeValue"), c.time_value);
    EXPECT_EQ(TextOf(dialog, "LabelCTMaxTimeValue"), c.max_time_value);
    EXPECT_EQ(TextOf(dialog, "TextCTBase"), c.par3);
  }
}

class CycleTimeDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_.Open("1", "10");
    ShowAndWait(dialog_);
  }
  QSlider* Slider() { return Find<QSlider>(dialog_, "SliderCTTime"); }

  CycleTimeDialog dialog_;
};

TEST_F(CycleTimeDialogTest, SliderAndBaseRecomputeTheLabels) {
  EXPECT_EQ(Slider()->value(), 10);
  QTest::keyClick(Slider(), Qt::Key_End);
  EXPECT_EQ(dialog_.Tool().Time(), 63);
  EXPECT_EQ(TextOf(dialog_, "LabelCTTimeValue"), "00:10.08");
  Type(dialog_, "TextCTBase", "3");
  EXPECT_EQ(TextOf(dialog_, "LabelCTTimeValue"), "10:45.12");
  EXPECT_EQ(TextOf(dialog_, "LabelCTMaxTimeValue"), "10:45.12");
  Type(dialog_, "TextCTBase", "0");
  EXPECT_EQ(TextOf(dialog_, "LabelCTMaxTimeValue"), "00:01.26");
}

TEST_F(CycleTimeDialogTest, BaseBoxIsPulledIntoRangeWhenLeft) {
  Type(dialog_, "TextCTBase", "7");
  EXPECT_EQ(TextOf(dialog_, "TextCTBase"), "3");
  Type(dialog_, "TextCTBase", "-2");
  EXPECT_EQ(TextOf(dialog_, "TextCTBase"), "0");
  // The up-down moves it within 0..3 and recomputes as a typed value does.
  auto* updown = Find(dialog_, "UpDownCTBase");
  ASSERT_NE(updown, nullptr);
  for (int i = 0; i < 5; ++i) Click(*updown, "up");
  EXPECT_EQ(TextOf(dialog_, "TextCTBase"), "3");
  EXPECT_EQ(TextOf(dialog_, "LabelCTMaxTimeValue"), "10:45.12");
}

TEST_F(CycleTimeDialogTest, CancelPutsBackTheOpeningBaseAndTime) {
  QTest::keyClick(Slider(), Qt::Key_Home);
  Type(dialog_, "TextCTBase", "3");
  Click(dialog_, "CancelButton");
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.Tool().BaseText(), "1");
  EXPECT_EQ(dialog_.Tool().Time(), 10);
  EXPECT_EQ(TextOf(dialog_, "TextCTBase"), "1");
  EXPECT_EQ(Slider()->value(), 10);
}

TEST_F(CycleTimeDialogTest, OkTakesABaseTypedButNotYetLeft) {
  Type(dialog_, "TextCTBase", "8", /*leave=*/false);
  dialog_.accept();
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.Tool().BaseText(), "3");
}

class LevelDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_.Open("37");
    ShowAndWait(dialog_);
  }
  LevelDialog dialog_;
};

TEST_F(LevelDialogTest, ValueInsideTheRangeAppliesWhileTyping) {
  Type(dialog_, "txtLevel", "9", /*leave=*/false);
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "41");
  Type(dialog_, "txtTimeIndex", "6", /*leave=*/false);
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "105");
  EXPECT_EQ(TextOf(dialog_, "txtDelay"), "2.8");
}

TEST_F(LevelDialogTest, ValueOutsideTheRangeAppliesCorrectedOnLeaving) {
  // Typed key by key: "2" applies at once, "20" waits for the box to be left.
  Type(dialog_, "txtLevel", "20", /*leave=*/false);
  EXPECT_EQ(TextOf(dialog_, "txtLevel"), "20");
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "34");
  QTest::keyClick(Find(dialog_, "txtLevel"), Qt::Key_Return);
  EXPECT_EQ(TextOf(dialog_, "txtLevel"), "15");
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "47");
  Type(dialog_, "txtTimeIndex", "-3");
  EXPECT_EQ(TextOf(dialog_, "txtTimeIndex"), "0");
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "15");
  EXPECT_EQ(TextOf(dialog_, "txtDelay"), "0");
}

TEST_F(LevelDialogTest, OpeningSplitsTheParameterAndTheUpDownStepsTheTimeIndex) {
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "37");
  EXPECT_EQ(TextOf(dialog_, "txtLevel"), "5");
  EXPECT_EQ(TextOf(dialog_, "txtTimeIndex"), "2");
  EXPECT_EQ(TextOf(dialog_, "txtDelay"), "0.7");
  auto* updown = Find(dialog_, "UpDownTimeIndex");
  ASSERT_NE(updown, nullptr);
  Click(*updown, "up");
  EXPECT_EQ(TextOf(dialog_, "txtTimeIndex"), "3");
  EXPECT_EQ(TextOf(dialog_, "txtDelay"), "1");
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "53");
}

TEST_F(LevelDialogTest, CancelReturnsTheOpeningValueAndOkKeepsTheNewOne) {
  Type(dialog_, "txtLevel", "0");
  Click(dialog_, "CancelButton");
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.Tool().ParameterText(), "37");
  EXPECT_EQ(TextOf(dialog_, "txtLevel"), "5");

  dialog_.Open("200");  // pulled into 0..127
  ShowAndWait(dialog_);
  EXPECT_EQ(TextOf(dialog_, "txtParameter"), "127");
  Type(dialog_, "txtLevel", "0");
  Click(dialog_, "OKButton");
  EXPECT_EQ(dialog_.Tool().ParameterText(), "112");
}

// On opening the parameter is recomputed: bits of disabled boxes drop out.
TEST(PatternDialogTest, BoxesFollowTheValueAndTheOutputCount) {
  const struct {
    const char* par1;
    int outputs;
    const char* ticked;  // per chkUitgang(0..6), '1' ticked
    bool all_dark;
    bool no_dark;
    const char* parameter;
  } cases[] = {
      {"37", 3, "1010000", true, false, "37"},
      {"127", 7, "1111111", false, false, "127"},
      {"96", 6, "0000010", false, false, "32"},
      {"64", 2, "0000000", false, true, "64"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.par1) + " on " + std::to_string(c.outputs) + " outputs");
    PatternDialog dialog;
    dialog.Open(c.par1, c.outputs);
    ShowAndWait(dialog);
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(Ticked(dialog, Indexed("chkUitgang", i)), c.ticked[i] == '1') << "output " << i;
      EXPECT_EQ(Enabled(dialog, Indexed("chkUitgang", i)), i < c.outputs) << "output " << i;
    }
    EXPECT_EQ(Ticked(dialog, "chkAllDark"), c.all_dark);
    EXPECT_EQ(Ticked(dialog, "chkNoDark"), c.no_dark);
    EXPECT_EQ(Enabled(dialog, "chkAllDark"), c.outputs < 6);
    EXPECT_EQ(Enabled(dialog, "chkNoDark"), c.outputs < 6);
    EXPECT_EQ(TextOf(dialog, "txtParameter"), c.parameter);
    EXPECT_EQ(TextOf(dialog, "txtOriginal"), c.par1);
  }
}

TEST(PatternDialogTest, ClicksRecomputeAndCancelReturnsTheOpeningValue) {
  PatternDialog dialog;
  dialog.Open("37", 3);
  ShowAndWait(dialog);
  Click(dialog, "chkNoDark");
  EXPECT_FALSE(Ticked(dialog, "chkAllDark"));
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "69");
  Click(dialog, "chkUitgang_1");
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "71");
  Click(dialog, "chkAllDark");
  EXPECT_FALSE(Ticked(dialog, "chkNoDark"));
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "39");
  Click(dialog, "CancelButton");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.Tool().ParameterText(), "37");
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "37");
}

TEST(EventPatternDialogTest, InputsAndEnableOffEventCompose117) {
  EventPatternDialog dialog;
  dialog.Open("0");
  ShowAndWait(dialog);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Ticked(dialog, Indexed("chkEvent", i)));
  for (int j : {1, 2, 3, 5, 6, 7}) EXPECT_FALSE(Ticked(dialog, Indexed("optEvent", j)));
  Click(dialog, "chkEvent_0");
  Click(dialog, "chkEvent_2");
  Click(dialog, "optEvent_7");
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "117");
  Click(dialog, "OKButton");
  EXPECT_EQ(dialog.Tool().ParameterText(), "117");
}

TEST(EventPatternDialogTest, OptionsAreOneGroupAndReopeningShowsTheNewValue) {
  EventPatternDialog dialog;
  dialog.Open("117");
  ShowAndWait(dialog);
  EXPECT_TRUE(Ticked(dialog, "chkEvent_0"));
  EXPECT_TRUE(Ticked(dialog, "chkEvent_2"));
  EXPECT_TRUE(Ticked(dialog, "optEvent_7"));
  Click(dialog, "optEvent_2");
  EXPECT_FALSE(Ticked(dialog, "optEvent_7"));
  EXPECT_EQ(TextOf(dialog, "txtParameter"), "37");
  Click(dialog, "CancelButton");
  EXPECT_EQ(dialog.Tool().ParameterText(), "117");

  // Kept for the run: a later opening without an action clears the option shown before.
  dialog.Open("3");
  ShowAndWait(dialog);
  for (int j : {1, 2, 3, 5, 6, 7}) EXPECT_FALSE(Ticked(dialog, Indexed("optEvent", j))) << j;
  EXPECT_TRUE(Ticked(dialog, "chkEvent_1"));
  EXPECT_EQ(TextOf(dialog, "txtOriginal"), "3");
}

}  // namespace
}  // namespace pyra::test

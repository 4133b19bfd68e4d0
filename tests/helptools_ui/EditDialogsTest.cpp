// The pin, aspect and step edit dialogs as the window opens them: modally, driven by their
// buttons, on a small configuration.
#include <QPushButton>
#include <functional>
#include <map>
#include <vector>

#include "HelpToolsUiTestSupport.h"
#include "helptools/ui/EditDialogs.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

constexpr int kOn = 9;
constexpr int kOff = 8;
constexpr int kBlink = 6;
constexpr int kWait = 102;

StepRecord Step(int opcode, int par1 = 0, int par2 = 0, int par3 = 0) {
  return {
      static_cast<uint8_t>(opcode), 0, 0, static_cast<uint8_t>(par1), static_cast<uint8_t>(par2),
      static_cast<uint8_t>(par3)};
}

class EditDialogsTest : public ::testing::Test {
 protected:
  EditDialogsTest() {
    // Pins 4..6 form a signal headed at pin 4; pin 10 stands alone.
    for (int p = 4; p <= 6; ++p) {
      PinRecord& pin = Pin(p);
      pin.DeviceName = "Signal";
      pin.DeviceLink = 4 - p;
      pin.Description = "Signal lamp " + std::to_string(p);
      pin.AspectMode = kAspectMode4x9;
      pin.Aspects[0].Description = "Stop";
      pin.Aspects[0].Steps[0] = Step(kOn, 20);
      pin.Aspects[1].Steps[0] = Step(kOff, 20);
      pin.PinConfig[0] = 3;
      pin.DccCount = 2;
    }
    Pin(10).Description = "Street light";
    Pin(10).AspectMode = kAspectMode12x3;
    Pin(10).InitialAspect = 2;
  }

  PinRecord& Pin(int p) { return model_.Pins[p]; }
  AspectRecord& Aspect(int p, int a) { return model_.Pins[p].Aspects[a]; }

  // Opens a dialog through `open` and presses `button` in it; the outcome of `open`.
  bool Press(const std::function<bool()>& open, const char* button, const char* dialog_name) {
    QString shown;
    bool stayed_open = false;
    ModalDriver driver([&](QDialog& d) {
      shown = d.objectName();
      Click(d, button);
      stayed_open = d.isVisible();
    });
    const bool changed = open();
    EXPECT_TRUE(driver.Drove());
    EXPECT_EQ(shown, dialog_name);
    EXPECT_FALSE(stayed_open) << button << " left the dialog open";
    return changed;
  }
  bool PressOnPin(const char* button) {
    return Press([this] { return edits_.EditPin(); }, button, "dlgEditPin");
  }
  bool PressOnAspect(const char* button) {
    return Press([this] { return edits_.EditAspect(); }, button, "dlgEditAspect");
  }
  bool PressOnStep(int row, const char* button) {
    return Press([this, row] { return edits_.EditStep(row); }, button, "dlgEditStep");
  }

  Configuration model_ = DefaultConfiguration();
  ScriptedPrompter prompter_;
  QWidget window_;
  EditDialogs edits_{model_, prompter_, &window_};
};

TEST_F(EditDialogsTest, DialogsHaveTheirButtonsAndCaptions) {
  const struct {
    std::function<bool()> open;
    const char* title;
    QStringList buttons;
  } dialogs[] = {
      {[this] { return edits_.EditPin(); },
       "Edit Pin",
       {"CommandCopyPin=Copy Pin", "CommandPastePin=Paste Pin", "CommandClearPin=Clear Pin",
        "CommandCancel=Cancel"}},
      {[this] { return edits_.EditAspect(); },
       "Edit Aspect",
       {"CommandCopy=Copy Aspect", "CommandPaste=Paste Aspect", "CommandClear=Clear Aspect",
        "CommandClean=Cleanup Aspect", "CommandCancel=Cancel"}},
      {[this] { return edits_.EditStep(0); },
       "Edit Step",
       {"commandInsert=Insert Step", "commandDelete=Delete Step", "commandCancel=Cancel"}},
  };
  for (const auto& e : dialogs) {
    ModalDriver driver([&](QDialog& d) {
      EXPECT_EQ(d.windowTitle(), e.title);
      EXPECT_EQ(d.findChildren<QPushButton*>().size(), e.buttons.size()) << e.title;
      ExpectCaptions(d, e.buttons);
      d.reject();
    });
    EXPECT_FALSE(e.open());
    EXPECT_TRUE(driver.Drove());
  }
}

TEST_F(EditDialogsTest, CopiedMemberPinPastedFiveHigherStillBelongsToItsDevice) {
  model_.CurrentPin = 6;  // second member, head two pins lower
  EXPECT_FALSE(PressOnPin("CommandCopyPin"));
  model_.CurrentPin = 11;
  EXPECT_TRUE(PressOnPin("CommandPastePin"));
  PinRecord expected = Pin(6);
  expected.DeviceLink = -7;
  EXPECT_EQ(Pin(11), expected);
  EXPECT_EQ(Pin(4).DeviceName, "Signal") << "the source device stays as it was";
}

// The copy lives in the window's EditDialogs, not in the dialog: it is there after the dialog
// was closed, and even for a dialog built anew on the same clipboard.
TEST_F(EditDialogsTest, CopyStaysPasteableAfterTheDialogClosed) {
  model_.CurrentPin = 10;
  EXPECT_FALSE(PressOnPin("CommandCopyPin"));
  model_.CurrentPin = 20;
  EXPECT_FALSE(PressOnPin("CommandCancel"));
  EXPECT_TRUE(PressOnPin("CommandPastePin"));
  EXPECT_EQ(Pin(20), Pin(10));

  PinClipboard clipboard;
  {
    EditPinDialog first(model_, clipboard, prompter_);
    model_.CurrentPin = 5;
    ModalDriver driver([](QDialog& d) { Click(d, "CommandCopyPin"); });
    first.Run();
  }
  EditPinDialog second(model_, clipboard, prompter_);
  model_.CurrentPin = 25;
  ModalDriver driver([](QDialog& d) { Click(d, "CommandPastePin"); });
  EXPECT_TRUE(second.Run());
  EXPECT_EQ(Pin(25).DeviceLink, -21);
  EXPECT_EQ(Pin(25).Description, "Signal lamp 5");
}

TEST_F(EditDialogsTest, PasteWithoutACopySaysSoAndLeavesTheDialogOpen) {
  const Configuration before = model_;
  for (const auto& [open, paste] : {std::pair<std::function<bool()>, const char*>{
                                        [this] { return edits_.EditPin(); }, "CommandPastePin"},
                                    {[this] { return edits_.EditAspect(); }, "CommandPaste"}}) {
    bool open_after_paste = false;
    ModalDriver driver([&, paste = paste](QDialog& d) {
      Click(d, paste);
      open_after_paste = d.isVisible();
      Click(d, "CommandCancel");
    });
    EXPECT_FALSE(open());
    EXPECT_TRUE(open_after_paste) << paste;
    EXPECT_FALSE(driver.LeftOpen());
  }
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>(2, "Nothing to Paste"));
  EXPECT_EQ(model_.Pins, before.Pins);
}

TEST_F(EditDialogsTest, ClearingADeviceHeadDetachesItsMembersAndKeepsTheCounts) {
  model_.CurrentPin = 4;
  EXPECT_TRUE(PressOnPin("CommandClearPin"));
  PinRecord cleared;
  cleared.DccCount = 2;
  cleared.XDccCount = Pin(4).XDccCount;
  cleared.LumoCount = Pin(4).LumoCount;
  EXPECT_EQ(Pin(4), cleared);
  for (int p : {5, 6}) {
    EXPECT_EQ(Pin(p).DeviceLink, 0) << p;
    EXPECT_EQ(Pin(p).DeviceName, "") << p;
    EXPECT_EQ(Pin(p).Description, "Signal lamp " + std::to_string(p)) << p;
  }
}

TEST_F(EditDialogsTest, CancelChangesNothing) {
  const Configuration before = model_;
  model_.CurrentPin = 5;
  EXPECT_FALSE(PressOnPin("CommandCancel"));
  EXPECT_FALSE(PressOnAspect("CommandCancel"));
  EXPECT_FALSE(PressOnStep(0, "commandCancel"));
  EXPECT_EQ(model_.Pins, before.Pins);
  EXPECT_FALSE(edits_.PinCopy().pin.has_value());
}

TEST_F(EditDialogsTest, AspectCopyIsPastedOnAnotherPinAfterReopening) {
  model_.CurrentPin = 5;
  model_.CurrentAspect = 0;
  EXPECT_FALSE(PressOnAspect("CommandCopy"));
  model_.CurrentPin = 10;
  model_.CurrentAspect = 7;
  EXPECT_TRUE(PressOnAspect("CommandPaste"));
  EXPECT_EQ(Aspect(10, 7), Aspect(5, 0));
  model_.CurrentAspect = 8;
  EXPECT_TRUE(PressOnAspect("CommandPaste"));
  EXPECT_EQ(Aspect(10, 8).Description, "Stop");
}

// ---- Aspect and step operations on one aspect ----

// Steps of the aspect as letters, one per step from step 0, the rest empty; 'x' is an empty
// step with leftover parameters.
std::array<StepRecord, 10> Steps(const char* letters) {
  const std::map<char, StepRecord> kSteps = {
      {'A', Step(kOn, 10)},   {'B', Step(kWait, 0, 25, 2)}, {'C', Step(kOff, 30)},
      {'D', Step(kBlink, 5)}, {'E', StepRecord{}},          {'x', StepRecord{0, 1, 2, 3, 4, 5}}};
  std::array<StepRecord, 10> steps{};
  for (size_t s = 0; letters[s]; ++s) steps[s] = kSteps.at(letters[s]);
  return steps;
}

TEST_F(EditDialogsTest, StepAndAspectButtonsReshapeTheAspect) {
  const struct {
    const char* name;
    uint8_t aspect_mode;
    int row;  // Edit Step on this row; -1: Edit Aspect
    const char* button;
    const char* before;
    const char* after;
  } cases[] = {
      // With 12 aspects the last step is 2: step 3 is beyond the aspect and stays.
      {"InsertAtStep1Of12", kAspectMode12x3, 1, "commandInsert", "ABCD", "AEBD"},
      {"InsertAtLastStepOf12", kAspectMode12x3, 2, "commandInsert", "ABCD", "ABED"},
      {"InsertAtStep0Of4", kAspectMode4x9, 0, "commandInsert", "ABCEEEEED", "EABC"},
      {"DeleteStep0Of12", kAspectMode12x3, 0, "commandDelete", "ABCD", "BCED"},
      {"DeleteStep1Of4", kAspectMode4x9, 1, "commandDelete", "ABCEEEEED", "ACEEEEEDE"},
      {"ClearAspect", kAspectMode4x9, -1, "CommandClear", "ABCD", ""},
      // The empty step and all after it are zeroed.
      {"CleanupOnDashOff", kAspectMode12x3, -1, "CommandClean", "AxC", "AEE"},
      {"CleanupKeepsStepsBeforeTheFirstEmpty", kAspectMode4x9, -1, "CommandClean", "ABCDEAB",
       "ABCD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    model_.CurrentPin = 10;
    model_.CurrentAspect = 1;
    model_.CurrentStep = 0;
    Pin(10).AspectMode = c.aspect_mode;
    AspectRecord& aspect = Aspect(10, 1);
    aspect.Description = "Night";
    aspect.Steps = Steps(c.before);
    const AspectRecord other = Aspect(10, 2) = Aspect(10, 0) = aspect;

    EXPECT_TRUE(c.row >= 0 ? PressOnStep(c.row, c.button) : PressOnAspect(c.button));
    EXPECT_EQ(aspect.Steps, Steps(c.after));
    EXPECT_EQ(aspect.Description, c.row >= 0 ? "Night" : "") << "only the aspect buttons clear it";
    EXPECT_EQ(Aspect(10, 0), other) << "other aspects untouched";
    EXPECT_EQ(Aspect(10, 2), other);
    if (c.row >= 0) {
      EXPECT_EQ(model_.CurrentStep, c.row);
    }
  }
}

}  // namespace
}  // namespace pyra::test

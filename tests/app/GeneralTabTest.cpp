#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "app/UpDown.h"
#include "link/Protocol.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

// Each group of the "General" tab is written from its controls and read back into them, against
// the simulated module's memory.
class GeneralTabTest : public SimulatorTest {
 protected:
  sim::ModuleMemory& Memory() { return Module().Memory(); }
  // Nothing was asked or reported while the group was read or written.
  void ExpectSilence() { EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{}); }
};

TEST_F(GeneralTabTest, RequestVersionShowsTheModulesVersionAndLogsBothFrames) {
  Run("CommandGenVersion");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "3.2.0.17");
  EXPECT_EQ(window_->Settings().FirmwareVersion, "3.2.0.17");
  ExpectSilence();
  // Address byte 0x43 (alternation bit after the reset), header 0x62 asks for a reply; the
  // reply header 0x66 carries six payload bytes. Each byte's hex form starts with a blank.
  EXPECT_EQ(LogLines(), (std::vector<std::string>{">  [43] [62] [70] [00]",
                                                  "<  [43] [66] [70] [00] [03] [02] [00] [11]"}));

  Module().InjectFault(sim::Fault::kShortReply);
  Run("CommandGenVersion");
  EXPECT_EQ(TextOf("LabelGenVersionString"), "Unknown") << "a failure shows Unknown again";
  EXPECT_EQ(prompter_.Last(), "GetVersion: No valid response, size <> 6");
}

TEST_F(GeneralTabTest, IdStringOfTwelveCharactersIsWrittenAndReadBack) {
  Type("TextGenIDString", "Layout 7 East");
  EXPECT_EQ(TextOf("TextGenIDString"), "Layout 7 Eas");
  Run("CommandGenIDWrite");
  EXPECT_EQ(Memory().id_string, "Layout 7 Eas");
  EXPECT_EQ(Module().CountRequests(kCmdWriteGeneral, kSubIDString), 1);

  Type("TextGenIDString", "");
  Run("CommandGenIDRead");
  EXPECT_EQ(TextOf("TextGenIDString"), "Layout 7 Eas");
  ExpectSilence();

  // A failed read keeps what is typed.
  Type("TextGenIDString", "typed");
  Module().InjectFault(sim::Fault::kNoReply);
  Run("CommandGenIDRead");
  EXPECT_EQ(TextOf("TextGenIDString"), "typed");
}

TEST_F(GeneralTabTest, NonAsciiIdIsRefusedAndNothingIsSent) {
  Type("TextGenIDString", QString::fromUtf8("Br\xC3\xBC"
                                            "cke"));
  Run("CommandGenIDWrite");
  EXPECT_EQ(Module().CountRequests(kCmdWriteGeneral, kSubIDString), 0);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_NE(prompter_.Last().find("Nothing was sent."), std::string::npos);
}

TEST_F(GeneralTabTest, IdWithALineBreakIsRefusedAndTheBoxKeepsTheIdItHad) {
  Type("TextGenIDString", "Yard");
  auto* box = Find<QLineEdit>("TextGenIDString");
  QGuiApplication::clipboard()->setText("a\nb");
  box->setFocus();
  box->selectAll();
  QTest::keySequence(box, QKeySequence::Paste);
  ASSERT_TRUE(box->text().contains('\n')) << "the paste did not keep the line break";
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(prompter_.Texts(),
            (std::vector<std::string>{"The ID String cannot hold a line break."}));
  EXPECT_EQ(TextOf("TextGenIDString"), "Yard");
  EXPECT_EQ(window_->Settings().IDString, "Yard");
}

struct EraseCase {
  std::vector<Answer> answers;
  bool bidirectional_before;
  int erases;
};

class EraseFlashTest : public SimulatorTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(EraseFlashTest, OnlyOkThenCancelErasesAndBidirectionalIsRestored) {
  const EraseCase& c = GetParam();
  Module().Memory().id_string = "keep me";
  if (!c.bidirectional_before) Click("CheckPyraBD");
  for (Answer a : c.answers) prompter_.QueueAnswer(a);
  Run("CommandGenEraseFlash");
  const auto shown = prompter_.All();
  ASSERT_EQ(shown.size(), c.answers.size());
  EXPECT_EQ(shown[0].text.rfind("WARNING !!\r\n", 0), 0u);
  EXPECT_EQ(shown[0].icon, Icon::kExclamation);
  EXPECT_EQ(Module().Erases(), c.erases);
  EXPECT_EQ(Module().Memory().id_string, c.erases ? "" : "keep me");
  EXPECT_EQ(IsChecked("CheckPyraBD"), c.bidirectional_before);
}

INSTANTIATE_TEST_SUITE_P(Answers, EraseFlashTest,
                         ::testing::Values(EraseCase{{Answer::kOk, Answer::kCancel}, true, 1},
                                           EraseCase{{Answer::kOk, Answer::kCancel}, false, 1},
                                           EraseCase{{Answer::kCancel}, true, 0},
                                           EraseCase{{Answer::kOk, Answer::kOk}, true, 0}));

TEST_F(GeneralTabTest, AddressingWriteSendsNativeModeTheAddressAndTheMask) {
  Click("CheckGenPRNative");
  Type("TextGenXaddr", "10");
  for (const char* box : {"CheckGenXGM_0", "CheckGenXGM_5", "CheckGenXGM_10", "CheckGenXGM_15"}) {
    Click(box);
  }
  Run("CommandGenAddrWrite");
  EXPECT_EQ(Memory().serial_address, (std::array<int, 2>{0, 64}));
  EXPECT_EQ(Memory().x_address, 9);
  EXPECT_EQ(Memory().group_mask, (std::array<int, 4>{1, 2, 4, 8}));
  ExpectSilence();
}

TEST_F(GeneralTabTest, EnforcedAddressWritesZerosAndTheMarkerWhateverTheBoxesShow) {
  Click("CheckGenXGM_3");
  Type("TextGenXaddr", "10");
  Click("CheckGenForceXA");
  ExpectVisible({"TextGenXaddr", "CheckGenXGM_3", "LabelGenXGMlbl"}, false);
  Run("CommandGenAddrWrite");
  EXPECT_EQ(Memory().serial_address, (std::array<int, 2>{0, 0}));
  EXPECT_EQ(Memory().group_mask, (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(Memory().x_address, 127);
}

TEST_F(GeneralTabTest, AddressingReadOfLumoFlexFillsTheBoxesWithoutTheWarning) {
  Memory().serial_address = {1, 5};
  Memory().x_address = 20;
  Memory().group_mask = {8, 4, 2, 1};
  Run("CommandGenAddrRead");
  EXPECT_EQ(States({"CheckGenLMaddr", "CheckGenPRNative", "TextGenLMaddr", "TextGenXaddr"}),
            "1|0|21|21");
  ExpectVisible({"CheckGenPRNative"}, false);
  ExpectVisible({"TextGenLMaddr", "LabelGenXA_4"}, true);
  EXPECT_EQ(Ticks("CheckGenXGM_", 16), "0001001001001000");
  EXPECT_EQ(window_->Settings().LumoModeAddress, 5);
  ExpectSilence();
}

TEST_F(GeneralTabTest, AddressingReadOfTheEnforcedAddressHidesTheAddressControls) {
  Memory().serial_address = {0, 64};
  Memory().x_address = 127;
  Run("CommandGenAddrRead");
  EXPECT_EQ(States({"CheckGenForceXA", "CheckGenPRNative", "TextGenXaddr"}), "1|1|1");
  ExpectVisible({"CheckGenLMaddr", "TextGenXaddr", "UpDownGenXaddr", "LabelGenXA_1", "LabelGenXA_2",
                 "LabelGenXGMlbl", "CheckGenXGM_0", "TextGenLMaddr"},
                false);
  EXPECT_EQ(window_->Settings().ModuleXAddress, 0);
}

TEST_F(GeneralTabTest, LumoWarningCancelledLeavesTheBoxUntickedAndTheStartHidden) {
  prompter_.QueueAnswer(Answer::kCancel);
  Click("CheckGenLMaddr");
  const auto shown = prompter_.All();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "Lumo Flexible Addressing is a complex concept !!\r\n"
            "It should only be activated by experienced users\r\n"
            "that understand the details very well !");
  EXPECT_EQ(shown[0].buttons, Buttons::kOkCancel);
  EXPECT_EQ(shown[0].icon, Icon::kExclamation);
  EXPECT_FALSE(IsChecked("CheckGenLMaddr"));
  EXPECT_FALSE(window_->Settings().LumoFlex);
  ExpectVisible({"TextGenLMaddr"}, false);
  ExpectVisible({"CheckGenPRNative"}, true);

  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckGenLMaddr");
  EXPECT_TRUE(IsChecked("CheckGenLMaddr"));
  ExpectVisible({"TextGenLMaddr"}, true);
  ExpectVisible({"CheckGenPRNative"}, false);
  Click("CheckGenLMaddr");
  EXPECT_EQ(prompter_.All().size(), 2u) << "unticking asks nothing";
}

TEST_F(GeneralTabTest, LumoStartSpinButtonsMoveByBlocksOfFour) {
  Click("CheckGenLMaddr");
  Type("TextGenLMaddr", "9");
  auto* updown = Find<UpDown>("UpDownGenLMaddr");
  ASSERT_NE(updown, nullptr);
  updown->StepBy(1);
  EXPECT_EQ(TextOf("TextGenLMaddr"), "13");
  EXPECT_EQ(window_->Settings().LumoModeAddress, 3);
  for (int i = 0; i < 4; ++i) updown->StepBy(-1);
  EXPECT_EQ(TextOf("TextGenLMaddr"), "1") << "it stops at the first block";
  EXPECT_EQ(window_->Settings().LumoModeAddress, 0);
}

TEST_F(GeneralTabTest, DccWriteSendsBothAddressesAndTheOptions) {
  // Without a retention option chosen 250 ms is sent.
  Memory().dcc_options = 0;
  EXPECT_EQ(Ticks("OptGenDCC_PRP_", 4), "0000");
  Run("CommandGenDCCWrite");
  EXPECT_EQ(Memory().dcc_options, 2);

  Type("TextGenDCCAddress", "300");
  Type("TextGenXDCCAddress", "2046");
  Click("OptGenDCC_PRP_1");
  Click("ChkGenDCC_BPSI");
  Run("CommandGenDCCWrite");
  EXPECT_EQ(Memory().dcc_address, (std::array<int, 2>{44, 4}));
  EXPECT_EQ(Memory().xdcc_address, (std::array<int, 2>{62, 31}));
  EXPECT_EQ(Memory().dcc_options, 1 + 4);
  ExpectSilence();
}

TEST_F(GeneralTabTest, DccReadTakesAllowAddress0BeforeTheAddress) {
  Memory().dcc_options = 8 + 3;
  Memory().dcc_address = {0, 0};
  Memory().xdcc_address = {20, 1};
  Run("CommandGenDCCRead");
  EXPECT_EQ(States({"ChkGenDCCAllow0", "OptGenDCC_PRP_3", "ChkGenDCC_BPSI", "TextGenDCCAddress",
                    "TextGenXDCCAddress"}),
            "1|1|0|0|84");
  // Address 0 allowed: the outputs count from NumberBase.
  EXPECT_EQ(States({"LabelGenDCCOutput", "LabelGenXDCCOutput"}), "Output 1 .. 32|Output 85 .. 116");
  ExpectSilence();

  // Unticking "Allow Address 0" raises the 0 to 1.
  Click("ChkGenDCCAllow0");
  EXPECT_EQ(TextOf("TextGenDCCAddress"), "1");
  EXPECT_EQ(window_->Settings().DccAddress, 1);
}

TEST_F(GeneralTabTest, DccRangeOverflowTurnsTheLabelRed) {
  Type("TextGenDCCAddress", "500");
  auto* label = Find<QLabel>("LabelGenDCCOutput");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Output 1997 .. 2028");
  EXPECT_NE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
  Type("TextGenDCCAddress", "510");
  EXPECT_EQ(label->text(), "Output 2037 .. OVFLOW");
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(window_->Model().DccBase, 2037);
}

TEST_F(GeneralTabTest, HardwareWriteAndReadGoGroupByGroup) {
  for (const char* box :
       {"ChkGenHWCSink_1", "ChkGenHWCSource_2", "ChkGenHWCSink_3", "ChkGenHWCSource_3"}) {
    Click(box);
  }
  Run("CommandGenHWCWrite");
  EXPECT_EQ(Memory().hardware_groups, (std::array<int, 4>{0, 1, 2, 3}));

  Memory().hardware_groups = {3, 0, 1, 2};
  Run("CommandGenHWCRead");
  EXPECT_EQ(Ticks("ChkGenHWCSink_", 4), "1010");
  EXPECT_EQ(Ticks("ChkGenHWCSource_", 4), "1001");
  ExpectSilence();
}

TEST_F(GeneralTabTest, LedWriteSendsTheFunctionBitsAndReadGreysTheDefault) {
  Click("CheckLCGreen_0");
  Click("CheckLCGreen_3");
  Run("CommandLCWrite");
  EXPECT_EQ(Memory().led_green, 9);
  EXPECT_EQ(Memory().led_orange, 0);

  Memory().led_green = 0;
  Memory().led_orange = 6;
  Run("CommandLCRead");
  EXPECT_EQ(Ticks("CheckLCGreen_", 8), "00000002");
  EXPECT_EQ(Ticks("CheckLCOrange_", 8), "01100000");
  ExpectSilence();
}

TEST_F(GeneralTabTest, SerialPortWriteAndRead) {
  Click("CheckGenSerialEnable");
  ChooseItem("ComboGenBaud", "57600");
  Click("OptionGenSerialDatabits_1");
  Click("OptionGenSerialParity_2");
  Run("CommandGenSerialWrite");
  EXPECT_EQ(Memory().serial_port, (std::array<int, 2>{1, 45}));

  Memory().serial_port = {0, 2 + 64 + 48};
  Run("CommandGenSerialRead");
  EXPECT_EQ(States({"CheckGenSerialEnable", "ComboGenBaud", "OptionGenSerialDatabits_0",
                    "OptionGenSerialStop_1", "OptionGenSerialParity_3"}),
            "0|19200|1|1|1");
  ExpectSilence();

  // Parity code 1 has no option of its own.
  Memory().serial_port = {1, 16};
  Run("CommandGenSerialRead");
  EXPECT_EQ(
      States({"OptionGenSerialParity_0", "OptionGenSerialParity_2", "OptionGenSerialParity_3"}),
      "0|0|0");
  EXPECT_EQ(window_->Settings().SerialParity, 1);
}

struct LedCase {
  std::vector<int> clicks;  // green boxes clicked in order
  const char* boxes;        // states of boxes 0..7 afterwards, 2 = grey
};

class LedBoxTest : public AppTest, public ::testing::WithParamInterface<LedCase> {};

TEST_P(LedBoxTest, DefaultBoxIsGreyExactlyWhenNoFunctionIsChosen) {
  for (int index : GetParam().clicks) Click(("CheckLCGreen_" + std::to_string(index)).c_str());
  EXPECT_EQ(Ticks("CheckLCGreen_", 8), GetParam().boxes);
  std::string stored;
  for (int v : window_->Settings().LedGreen) stored += static_cast<char>('0' + v);
  EXPECT_EQ(stored, GetParam().boxes);
}

// At start, one function, two, the last one cleared, the default chosen over functions, the
// default clicked while grey, and twice.
INSTANTIATE_TEST_SUITE_P(Clicks, LedBoxTest,
                         ::testing::Values(LedCase{{}, "00000002"}, LedCase{{0}, "10000000"},
                                           LedCase{{0, 3}, "10010000"}, LedCase{{0, 0}, "00000002"},
                                           LedCase{{0, 3, 7}, "00000002"}, LedCase{{7}, "00000002"},
                                           LedCase{{7, 7}, "00000002"}));

}  // namespace
}  // namespace pyra::test

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "app/UpDown.h"
#include "sim/SimModule.h"

namespace pyra::test {
namespace {

// Each group of the "General" tab is written from its controls and read back into them, against
// the simulated module's memory.
class GeneralTabTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ChoosePort("Simulator");
  }
  sim::ModuleMemory& Memory() { return Module().Memory(); }
  // Nothing was asked or reported while the group was read or written.
  void ExpectSilence() { EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{}); }
};

TEST_F(GeneralTabTest, AddressingWriteSendsNativeModeTheAddressAndTheMask) {
  Click("CheckGenPRNative");
  Type("TextGenXaddr", "10");
  for (const char* box : {"CheckGenXGM_0", "CheckGenXGM_5", "CheckGenXGM_10", "CheckGenXGM_15"}) {
    Click(box);
  }
  Click("CommandGenAddrWrite");
  WaitIdle();
  EXPECT_EQ(Memory().serial_address, (std::array<int, 2>{0, 64}));
  EXPECT_EQ(Memory().x_address, 9);
  EXPECT_EQ(Memory().group_mask, (std::array<int, 4>{1, 2, 4, 8}));
  ExpectSilence();
}

TEST_F(GeneralTabTest, EnforcedAddressWritesZerosAndTheMarkerWhateverTheBoxesShow) {
  Click("CheckGenXGM_3");
  Type("TextGenXaddr", "10");
  Click("CheckGenForceXA");
  EXPECT_FALSE(Find("TextGenXaddr")->isVisible());
  EXPECT_FALSE(Find("CheckGenXGM_3")->isVisible());
  EXPECT_FALSE(Find("LabelGenXGMlbl")->isVisible());
  Click("CommandGenAddrWrite");
  WaitIdle();
  EXPECT_EQ(Memory().serial_address, (std::array<int, 2>{0, 0}));
  EXPECT_EQ(Memory().group_mask, (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(Memory().x_address, 127);
}

TEST_F(GeneralTabTest, AddressingReadOfLumoFlexFillsTheBoxesWithoutTheWarning) {
  Memory().serial_address = {1, 5};
  Memory().x_address = 20;
  Memory().group_mask = {8, 4, 2, 1};
  Click("CommandGenAddrRead");
  WaitIdle();
  EXPECT_TRUE(IsChecked("CheckGenLMaddr"));
  EXPECT_FALSE(IsChecked("CheckGenPRNative"));
  EXPECT_FALSE(Find("CheckGenPRNative")->isVisible());
  EXPECT_TRUE(Find("TextGenLMaddr")->isVisible());
  EXPECT_TRUE(Find("LabelGenXA_4")->isVisible());
  EXPECT_EQ(TextOf("TextGenLMaddr"), "21");
  EXPECT_EQ(TextOf("TextGenXaddr"), "21");
  for (int i = 0; i < 16; ++i) {
    const std::string box = "CheckGenXGM_" + std::to_string(i);
    EXPECT_EQ(IsChecked(box.c_str()), i == 3 || i == 6 || i == 9 || i == 12) << box;
  }
  EXPECT_EQ(window_->Settings().LumoModeAddress, 5);
  ExpectSilence();
}

TEST_F(GeneralTabTest, AddressingReadOfTheEnforcedAddressHidesTheAddressControls) {
  Memory().serial_address = {0, 64};
  Memory().x_address = 127;
  Click("CommandGenAddrRead");
  WaitIdle();
  EXPECT_TRUE(IsChecked("CheckGenForceXA"));
  EXPECT_TRUE(IsChecked("CheckGenPRNative"));
  EXPECT_FALSE(Find("CheckGenLMaddr")->isVisible());
  for (const char* hidden : {"TextGenXaddr", "UpDownGenXaddr", "LabelGenXA_1", "LabelGenXA_2",
                             "LabelGenXGMlbl", "CheckGenXGM_0", "TextGenLMaddr"}) {
    EXPECT_FALSE(Find(hidden)->isVisible()) << hidden;
  }
  EXPECT_EQ(window_->Settings().ModuleXAddress, 0);
  EXPECT_EQ(TextOf("TextGenXaddr"), "1");
}

TEST_F(GeneralTabTest, LumoWarningCancelledLeavesTheBoxUntickedAndTheStartHidden) {
  prompter_.QueueAnswer(Answer::kCancel);
  Click("CheckGenLMaddr");
  const auto shown = prompter_.All();
  ASSERT_EQ(shown.size(), 1u);
  const auto& asked = shown[0];
  EXPECT_EQ(asked.text,
            "Lumo Flexible Addressing is a complex concept !!\r\n"
            "It should only be activated by experienced users\r\n"
            "that understand the details very well !");
  EXPECT_EQ(asked.buttons, Buttons::kOkCancel);
  EXPECT_EQ(asked.icon, Icon::kExclamation);
  EXPECT_FALSE(IsChecked("CheckGenLMaddr"));
  EXPECT_FALSE(window_->Settings().LumoFlex);
  EXPECT_FALSE(Find("TextGenLMaddr")->isVisible());
  EXPECT_TRUE(Find("CheckGenPRNative")->isVisible());

  prompter_.QueueAnswer(Answer::kOk);
  Click("CheckGenLMaddr");
  EXPECT_TRUE(IsChecked("CheckGenLMaddr"));
  EXPECT_TRUE(Find("TextGenLMaddr")->isVisible());
  EXPECT_FALSE(Find("CheckGenPRNative")->isVisible());
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
  updown->StepBy(-1);
  updown->StepBy(-1);
  updown->StepBy(-1);
  updown->StepBy(-1);
  EXPECT_EQ(TextOf("TextGenLMaddr"), "1") << "it stops at the first block";
  EXPECT_EQ(window_->Settings().LumoModeAddress, 0);
}

TEST_F(GeneralTabTest, DccWriteSendsBothAddressesAndTheOptions) {
  Type("TextGenDCCAddress", "300");
  Type("TextGenXDCCAddress", "2046");
  Click("OptGenDCC_PRP_1");
  Click("ChkGenDCC_BPSI");
  Click("CommandGenDCCWrite");
  WaitIdle();
  EXPECT_EQ(Memory().dcc_address, (std::array<int, 2>{44, 4}));
  EXPECT_EQ(Memory().xdcc_address, (std::array<int, 2>{62, 31}));
  EXPECT_EQ(Memory().dcc_options, 1 + 4);
  ExpectSilence();
}

TEST_F(GeneralTabTest, DccWriteWithoutARetentionOptionSends250ms) {
  Memory().dcc_options = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(IsChecked(("OptGenDCC_PRP_" + std::to_string(i)).c_str()));
  }
  Click("CommandGenDCCWrite");
  WaitIdle();
  EXPECT_EQ(Memory().dcc_options, 2);
}

TEST_F(GeneralTabTest, DccReadTakesAllowAddress0BeforeTheAddress) {
  Memory().dcc_options = 8 + 3;
  Memory().dcc_address = {0, 0};
  Memory().xdcc_address = {20, 1};
  Click("CommandGenDCCRead");
  WaitIdle();
  EXPECT_TRUE(IsChecked("ChkGenDCCAllow0"));
  EXPECT_TRUE(IsChecked("OptGenDCC_PRP_3"));
  EXPECT_FALSE(IsChecked("ChkGenDCC_BPSI"));
  EXPECT_EQ(TextOf("TextGenDCCAddress"), "0");
  EXPECT_EQ(TextOf("TextGenXDCCAddress"), "84");
  // Address 0 allowed: the outputs count from NumberBase.
  EXPECT_EQ(TextOf("LabelGenDCCOutput"), "Output 1 .. 32");
  EXPECT_EQ(TextOf("LabelGenXDCCOutput"), "Output 85 .. 116");
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
  Click("CommandGenHWCWrite");
  WaitIdle();
  EXPECT_EQ(Memory().hardware_groups, (std::array<int, 4>{0, 1, 2, 3}));

  Memory().hardware_groups = {3, 0, 1, 2};
  Click("CommandGenHWCRead");
  WaitIdle();
  const bool sink[] = {true, false, true, false};
  const bool source[] = {true, false, false, true};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(IsChecked(("ChkGenHWCSink_" + std::to_string(i)).c_str()), sink[i]) << i;
    EXPECT_EQ(IsChecked(("ChkGenHWCSource_" + std::to_string(i)).c_str()), source[i]) << i;
  }
  ExpectSilence();
}

TEST_F(GeneralTabTest, LedWriteSendsTheFunctionBitsAndReadGreysTheDefault) {
  Click("CheckLCGreen_0");
  Click("CheckLCGreen_3");
  Click("CommandLCWrite");
  WaitIdle();
  EXPECT_EQ(Memory().led_green, 9);
  EXPECT_EQ(Memory().led_orange, 0);

  Memory().led_green = 0;
  Memory().led_orange = 6;
  Click("CommandLCRead");
  WaitIdle();
  EXPECT_EQ(Find<QCheckBox>("CheckLCGreen_7")->checkState(), Qt::PartiallyChecked);
  EXPECT_FALSE(IsChecked("CheckLCGreen_0"));
  EXPECT_FALSE(IsChecked("CheckLCGreen_3"));
  EXPECT_TRUE(IsChecked("CheckLCOrange_1"));
  EXPECT_TRUE(IsChecked("CheckLCOrange_2"));
  EXPECT_EQ(Find<QCheckBox>("CheckLCOrange_7")->checkState(), Qt::Unchecked);
  ExpectSilence();
}

TEST_F(GeneralTabTest, SerialPortWriteAndRead) {
  Click("CheckGenSerialEnable");
  ChooseItem("ComboGenBaud", "57600");
  Click("OptionGenSerialDatabits_1");
  Click("OptionGenSerialParity_2");
  Click("CommandGenSerialWrite");
  WaitIdle();
  EXPECT_EQ(Memory().serial_port, (std::array<int, 2>{1, 45}));

  Memory().serial_port = {0, 2 + 64 + 48};
  Click("CommandGenSerialRead");
  WaitIdle();
  EXPECT_FALSE(IsChecked("CheckGenSerialEnable"));
  EXPECT_EQ(TextOf("ComboGenBaud"), "19200");
  EXPECT_TRUE(IsChecked("OptionGenSerialDatabits_0"));
  EXPECT_TRUE(IsChecked("OptionGenSerialStop_1"));
  EXPECT_TRUE(IsChecked("OptionGenSerialParity_3"));
  ExpectSilence();
}

TEST_F(GeneralTabTest, SerialParityCodeOneSelectsNoParityOption) {
  Memory().serial_port = {1, 16};
  Click("CommandGenSerialRead");
  WaitIdle();
  for (const char* option :
       {"OptionGenSerialParity_0", "OptionGenSerialParity_2", "OptionGenSerialParity_3"}) {
    EXPECT_FALSE(IsChecked(option)) << option;
  }
  EXPECT_EQ(window_->Settings().SerialParity, 1);
}

struct LedCase {
  const char* name;
  std::vector<int> clicks;  // green boxes clicked in order
  const char* boxes;        // states of boxes 0..7 afterwards, 2 = grey
};

class LedBoxTest : public AppTest, public ::testing::WithParamInterface<LedCase> {};

TEST_P(LedBoxTest, DefaultBoxIsGreyExactlyWhenNoFunctionIsChosen) {
  for (int index : GetParam().clicks) Click(("CheckLCGreen_" + std::to_string(index)).c_str());
  std::string shown;
  for (int i = 0; i < 8; ++i) {
    auto* box = Find<QCheckBox>(("CheckLCGreen_" + std::to_string(i)).c_str());
    ASSERT_NE(box, nullptr);
    shown += box->checkState() == Qt::Checked            ? '1'
             : box->checkState() == Qt::PartiallyChecked ? '2'
                                                         : '0';
  }
  EXPECT_EQ(shown, GetParam().boxes);
  std::string stored;
  for (int v : window_->Settings().LedGreen) stored += static_cast<char>('0' + v);
  EXPECT_EQ(stored, GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, LedBoxTest,
    ::testing::Values(LedCase{"AtStart", {}, "00000002"}, LedCase{"OneFunction", {0}, "10000000"},
                      LedCase{"TwoFunctions", {0, 3}, "10010000"},
                      LedCase{"LastFunctionCleared", {0, 0}, "00000002"},
                      LedCase{"DefaultChosenClearsTheFunctions", {0, 3, 7}, "00000002"},
                      LedCase{"DefaultClickedWhileGreyStaysGrey", {7}, "00000002"},
                      LedCase{"DefaultClickedTwice", {7, 7}, "00000002"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::test

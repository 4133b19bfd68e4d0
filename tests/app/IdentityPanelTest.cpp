#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>

#include "AppTestSupport.h"
#include "link/Protocol.h"

namespace pyra::test {
namespace {

using IdentityPanelTest = AppTest;

TEST_F(IdentityPanelTest, RequestVersionShowsTheModulesVersionAndLogsBothFrames) {
  ChoosePort("Simulator");
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "3.2.0.17");
  EXPECT_EQ(window_->Settings().FirmwareVersion, "3.2.0.17");
  EXPECT_TRUE(prompter_.All().empty());
  // Address byte 0x43 (alternation bit after the reset), header 0x62 asks for a reply; the
  // reply header 0x66 carries six payload bytes. Each byte's hex form starts with a blank.
  EXPECT_EQ(LogLines(), (std::vector<std::string>{">  [43] [62] [70] [00]",
                                                  "<  [43] [66] [70] [00] [03] [02] [00] [11]"}));
}

TEST_F(IdentityPanelTest, VersionFailureShowsUnknownAgain) {
  ChoosePort("Simulator");
  Click("CommandGenVersion");
  WaitIdle();
  Module().InjectFault(sim::Fault::kShortReply);
  Click("CommandGenVersion");
  WaitIdle();
  EXPECT_EQ(Find<QLabel>("LabelGenVersionString")->text(), "Unknown");
  EXPECT_EQ(prompter_.Last(), "GetVersion: No valid response, size <> 6");
}

TEST_F(IdentityPanelTest, IdStringWrittenIsReadBack) {
  ChoosePort("Simulator");
  Type("TextGenIDString", "Layout 7");
  Click("CommandGenIDWrite");
  WaitIdle();
  EXPECT_EQ(Module().Memory().id_string, "Layout 7");

  Type("TextGenIDString", "");
  Click("CommandGenIDRead");
  WaitIdle();
  EXPECT_EQ(Find<QLineEdit>("TextGenIDString")->text(), "Layout 7");
  EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(IdentityPanelTest, IdStringBoxTakesTwelveCharactersWhichAllTravel) {
  ChoosePort("Simulator");
  Type("TextGenIDString", "ABCDEFGHIJKLMNO");
  EXPECT_EQ(Find<QLineEdit>("TextGenIDString")->text(), "ABCDEFGHIJKL");
  Click("CommandGenIDWrite");
  WaitIdle();
  EXPECT_EQ(Module().Memory().id_string, "ABCDEFGHIJKL");
  EXPECT_EQ(Module().CountRequests(kCmdWriteGeneral, kSubIDString), 1);
}

TEST_F(IdentityPanelTest, FailedReadKeepsWhatIsTyped) {
  ChoosePort("Simulator");
  Type("TextGenIDString", "typed");
  Module().InjectFault(sim::Fault::kNoReply);
  Click("CommandGenIDRead");
  WaitIdle();
  EXPECT_EQ(Find<QLineEdit>("TextGenIDString")->text(), "typed");
}

TEST_F(IdentityPanelTest, NonAsciiIdIsRefusedAndNothingIsSent) {
  ChoosePort("Simulator");
  Type("TextGenIDString", QString::fromUtf8("Br\xC3\xBC"
                                            "cke"));
  Click("CommandGenIDWrite");
  WaitIdle();
  EXPECT_EQ(Module().CountRequests(kCmdWriteGeneral, kSubIDString), 0);
  ASSERT_EQ(prompter_.All().size(), 1u);
  EXPECT_NE(prompter_.Last().find("Nothing was sent."), std::string::npos);
}

struct EraseCase {
  const char* name;
  std::vector<Answer> answers;
  bool bidirectional_before;
  int erases;
};

class EraseFlashTest : public AppTest, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(EraseFlashTest, OnlyOkThenCancelErasesAndBidirectionalIsRestored) {
  const EraseCase& c = GetParam();
  ChoosePort("Simulator");
  Module().Memory().id_string = "keep me";
  if (!c.bidirectional_before) Click("CheckPyraBD");
  for (Answer a : c.answers) prompter_.QueueAnswer(a);
  Click("CommandGenEraseFlash");
  WaitIdle();

  const auto shown = prompter_.All();
  ASSERT_EQ(shown.size(), c.answers.size());
  EXPECT_EQ(shown[0].text.rfind("WARNING !!\r\n", 0), 0u);
  EXPECT_EQ(shown[0].icon, Icon::kExclamation);
  EXPECT_EQ(Module().Erases(), c.erases);
  EXPECT_EQ(Module().Memory().id_string, c.erases ? "" : "keep me");
  EXPECT_EQ(Find<QCheckBox>("CheckPyraBD")->isChecked(), c.bidirectional_before);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EraseFlashTest,
    ::testing::Values(EraseCase{"OkThenCancel", {Answer::kOk, Answer::kCancel}, true, 1},
                      EraseCase{"OkThenCancelOneWay", {Answer::kOk, Answer::kCancel}, false, 1},
                      EraseCase{"CancelFirst", {Answer::kCancel}, true, 0},
                      EraseCase{"OkThenOk", {Answer::kOk, Answer::kOk}, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra::test

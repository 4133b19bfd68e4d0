#include "files/ui/QuoteFreeText.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QtTest/QTest>
#include <memory>

#include "FilesUiTestSupport.h"
#include "operations/ui/IdentityPanel.h"
#include "pins/ui/DevicePanel.h"
#include "support/ScriptedPrompter.h"

namespace pyra::test {
namespace {

struct QuoteCase {
  const char* text;
  QValidator::State state;
};
void PrintTo(const QuoteCase& c, std::ostream* out) { *out << "\"" << c.text << "\""; }

class QuoteFreeValidatorTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteFreeValidatorTest, RefusesEveryTextWithADoubleQuote) {
  QuoteFreeValidator validator;
  QString text = QString::fromUtf8(GetParam().text);
  int pos = 0;
  EXPECT_EQ(validator.validate(text, pos), GetParam().state) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, QuoteFreeValidatorTest,
                         ::testing::Values(QuoteCase{"Signal A", QValidator::Acceptable},
                                           QuoteCase{"", QValidator::Acceptable},
                                           QuoteCase{"Bahnhof S\xC3\xBC"
                                                     "d, Gl. 2",
                                                     QValidator::Acceptable},
                                           QuoteCase{"it's", QValidator::Acceptable},
                                           QuoteCase{"\"", QValidator::Invalid},
                                           QuoteCase{"Signal \"A\"", QValidator::Invalid},
                                           QuoteCase{"A\"", QValidator::Invalid}));

TEST(QuoteFreeTextTest, TheBoxsOwnValidatorStillDecides) {
  QLineEdit box;
  box.setValidator(new QRegularExpressionValidator(QRegularExpression("[A-Z]*"), &box));
  RefuseDoubleQuote(&box);
  RefuseDoubleQuote(&box);  // a second call changes nothing
  QTest::keyClicks(&box, "Ab\"C");
  EXPECT_EQ(box.text(), "AC");
}

// The pin editor and the identity group as the window has them, with their boxes made quote-free.
class QuoteFreeBoxesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* devices = new DevicePanel(PanelContext{jobs_, model_, prompter_}, &host_);
    auto* identity = new IdentityPanel(PanelContext{jobs_, model_, prompter_}, &host_);
    identity->move(0, devices->sizeHint().height());
    found_ = RefuseDoubleQuoteIn(&host_);
    host_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
  }

  QLineEdit* Box(const char* name) {
    auto* box = host_.findChild<QLineEdit*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
  }
  void Type(const char* name, const char* text) {
    QLineEdit* box = Box(name);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  }

  IdleJobs jobs_;
  ScriptedPrompter prompter_;
  Configuration model_ = DefaultConfiguration();
  QWidget host_;
  int found_ = 0;
};

TEST_F(QuoteFreeBoxesTest, TypedQuotesNeverReachTheModel) {
  EXPECT_EQ(found_, 4);
  Type("TextPAspDesc", "Main \"home\" signal");
  Type("TextPAspAspDesc", "\"Stop\"");
  Type("TextDeviceDescription", "Block \"7\"");
  Type("TextGenIDString", "Yard \"B\"");
  EXPECT_EQ(model_.Pins[0].Description, "Main home signal");
  EXPECT_EQ(model_.Pins[0].Aspects[0].Description, "Stop");
  EXPECT_EQ(model_.Pins[0].DeviceName, "Block 7");
  EXPECT_EQ(model_.Settings.IDString, "Yard B");
}

TEST_F(QuoteFreeBoxesTest, PastedTextWithAQuoteIsRefusedWhole) {
  QLineEdit* box = Box("TextPAspDesc");
  Type("TextPAspDesc", "Entry");
  QApplication::clipboard()->setText(" \"left\"");
  box->setFocus();
  box->end(false);
  box->paste();
  EXPECT_EQ(box->text(), "Entry");
  QApplication::clipboard()->setText(" left");
  box->paste();
  EXPECT_EQ(box->text(), "Entry left");
}

}  // namespace
}  // namespace pyra::test

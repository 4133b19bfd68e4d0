#include "HelpToolsUiTestSupport.h"

#include "support/QtApplicationEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>
#include <memory>

namespace pyra::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    RegisterQtApplication("helptools_ui_tests");

}  // namespace

void Click(const QObject& parent, const QString& name) {
  auto* button = Find<QAbstractButton>(parent, name);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << name.toStdString() << " is hidden";
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void Type(const QObject& parent, const QString& name, const QString& text, bool leave) {
  auto* box = Find<QLineEdit>(parent, name);
  ASSERT_NE(box, nullptr);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
  if (leave) QTest::keyClick(box, Qt::Key_Return);
}

QString TextOf(const QObject& parent, const QString& name) {
  if (auto* box = parent.findChild<QLineEdit*>(name)) return box->text();
  if (auto* label = parent.findChild<QLabel*>(name)) return label->text();
  ADD_FAILURE() << "no box or label named " << name.toStdString();
  return {};
}

void ExpectCaptions(const QObject& parent, const QStringList& captions) {
  for (const QString& caption : captions) {
    const qsizetype eq = caption.indexOf('=');
    if (QWidget* w = Find(parent, caption.left(eq))) {
      EXPECT_EQ(w->property("text").toString(), caption.mid(eq + 1)) << caption.toStdString();
    }
  }
}

bool Ticked(const QObject& parent, const QString& name) {
  auto* button = Find<QAbstractButton>(parent, name);
  return button && button->isChecked();
}

bool Enabled(const QObject& parent, const QString& name) {
  auto* w = Find<QWidget>(parent, name);
  return w && w->isEnabled();
}

ModalDriver::ModalDriver(std::function<void(QDialog&)> drive) : drive_(std::move(drive)) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start(0);
}

ModalDriver::~ModalDriver() { timer_.stop(); }

void ModalDriver::Poll() {
  QDialog* dialog = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* d = qobject_cast<QDialog*>(w);
    if (d && d->isVisible() && d->isModal()) dialog = d;
  }
  if (!dialog) return;
  timer_.stop();
  drove_ = true;
  drive_(*dialog);
  if (dialog->isVisible()) {
    left_open_ = true;
    dialog->reject();
  }
}

void ShowAndWait(QWidget& dialog) {
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

}  // namespace pyra::test

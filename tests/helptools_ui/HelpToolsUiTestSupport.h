#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <ostream>

// Failed comparisons show the text, not its UTF-16 units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace pyra::test {

// Finds a control of `parent` by objectName and fails the test when there is none.
template <class T = QWidget>
T* Find(const QObject& parent, const QString& name) {
  T* found = parent.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << "no control named " << name.toStdString() << " in "
                            << parent.objectName().toStdString();
  return found;
}

inline QString Indexed(const char* name, int index) {
  return QString("%1_%2").arg(name).arg(index);
}

// Clicks near the left end, where even a stretched check box or option button has its box.
void Click(const QObject& parent, const QString& name);
// Replaces the text of a box by typing; `leave` presses Return afterwards, which takes the value
// as leaving the box does.
void Type(const QObject& parent, const QString& name, const QString& text, bool leave = true);
QString TextOf(const QObject& parent, const QString& name);
// Each caption is "control=text": the control's text property must be exactly that text.
void ExpectCaptions(const QObject& parent, const QStringList& captions);
bool Ticked(const QObject& parent, const QString& name);
bool Enabled(const QObject& parent, const QString& name);

// Drives the next modal dialog from inside its exec(): once a dialog is shown, `drive` runs on
// it. A dialog that `drive` leaves open is rejected, so a failing test never hangs.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(QDialog&)> drive);
  ~ModalDriver();

  bool Drove() const { return drove_; }
  bool LeftOpen() const { return left_open_; }

 private:
  void Poll();

  std::function<void(QDialog&)> drive_;
  QTimer timer_;
  bool drove_ = false;
  bool left_open_ = false;
};

// Shows a dialog without exec(), for driving its controls directly.
void ShowAndWait(QWidget& dialog);

}  // namespace pyra::test

#include "app/WindowStatus.h"

#include <QRegularExpression>

namespace pyra {

namespace {

// The part of a progress step that says where it stood: "pin 9" of "Writing pin 9 of 32,
// aspect 2", "the DCC settings" of "Writing the DCC settings".
QString Where(const QString& reached) {
  static const QRegularExpression pin("^\\w+ (pin \\d+) of \\d+");
  if (const QRegularExpressionMatch m = pin.match(reached); m.hasMatch()) return m.captured(1);
  static const QRegularExpression verb("^(Reading|Writing|Verifying) ");
  QString where = reached;
  return where.remove(verb);
}

// Why it stopped, in the few words a status line has room for.
QString Reason(const std::string& message) {
  const QString text = QString::fromStdString(message);
  struct Known {
    const char* starts;
    const char* reason;
  };
  static constexpr Known kKnown[] = {
      {"No response received", "no response"},
      {"The connection to the module was lost", "the connection was lost"},
      {"Cancelled by the user", "cancelled"},
      {"Select communications port", "no port open"},
  };
  for (const Known& k : kKnown) {
    if (text.startsWith(k.starts)) return k.reason;
  }
  if (text.contains("Nothing was sent.")) return "nothing was sent";
  if (text.isEmpty()) return "failed";
  return text.section("\r\n", 0, 0);
}

}  // namespace

QString OperationStatusText(const QString& name, bool ok, const QString& reached,
                            const std::string& last_message, double seconds) {
  if (ok) return QString("%1 finished in %2 s").arg(name).arg(seconds, 0, 'f', 1);
  // A verification that could not finish says so in its log; the status repeats its words.
  if (name == "Verify All") return name + ": Verification Stopped";
  const QString where = Where(reached);
  const QString reason = Reason(last_message);
  if (where.isEmpty() || where == "Done") return QString("%1 stopped: %2").arg(name, reason);
  return QString("%1 stopped at %2: %3").arg(name, where, reason);
}

void NotingPrompter::Message(const std::string& text, Icon icon) {
  {
    std::lock_guard lock(mutex_);
    last_ = text;
  }
  inner_.Message(text, icon);
}

Answer NotingPrompter::Ask(const std::string& text, Buttons buttons, Icon icon) {
  return inner_.Ask(text, buttons, icon);
}

std::string NotingPrompter::LastMessage() const {
  std::lock_guard lock(mutex_);
  return last_;
}

void NotingPrompter::Forget() {
  std::lock_guard lock(mutex_);
  last_.clear();
}

}  // namespace pyra

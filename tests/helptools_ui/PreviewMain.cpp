// Renders the help tools and the edit dialogs, each opened on a typical row, side by side into
// one PNG:  helptools_ui_preview <file.png>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QtTest/QTest>
#include <vector>

#include "helptools/ui/CalculatorDialogs.h"
#include "helptools/ui/EditDialogs.h"

namespace {

class SilentPrompter final : public pyra::Prompter {
 public:
  void Message(const std::string&, pyra::Icon) override {}
  pyra::Answer Ask(const std::string&, pyra::Buttons, pyra::Icon) override {
    return pyra::Answer::kOk;
  }
};

// A dialog as it shows on the screen: its caption above its client area.
QPixmap Framed(QDialog& dialog) {
  dialog.show();
  if (!QTest::qWaitForWindowExposed(&dialog)) return {};
  if (QWidget* focused = dialog.focusWidget()) focused->clearFocus();
  const QPixmap body = dialog.grab();
  const int title_height = 26;
  QPixmap framed(body.width() + 2, body.height() + title_height + 1);
  framed.fill(QColor(0x8a, 0x8a, 0x8a));
  QPainter painter(&framed);
  painter.fillRect(1, 1, body.width(), title_height - 1, QColor(0xe4, 0xe8, 0xee));
  QFont bold = painter.font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.setPen(Qt::black);
  painter.drawText(QRect(10, 1, body.width() - 10, title_height - 1), Qt::AlignVCenter,
                   dialog.windowTitle());
  painter.drawPixmap(1, title_height, body);
  dialog.hide();
  return framed;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  pyra::Configuration model = pyra::DefaultConfiguration();
  SilentPrompter prompter;
  pyra::PinClipboard pin_clipboard;
  pyra::AspectClipboard aspect_clipboard;

  pyra::CycleTimeDialog cycle_time;
  cycle_time.Open("2", "25");
  pyra::LevelDialog level;
  level.Open("37");
  pyra::PatternDialog pattern;
  pattern.Open("37", 3);
  pyra::EventPatternDialog event_pattern;
  event_pattern.Open("117");
  pyra::EditPinDialog edit_pin(model, pin_clipboard, prompter);
  pyra::EditAspectDialog edit_aspect(model, aspect_clipboard, prompter);
  pyra::EditStepDialog edit_step(model);

  // Two rows: the calculators on top, the edit dialogs below.
  const std::vector<std::vector<QDialog*>> rows = {
      {&cycle_time, &level, &pattern},
      {&event_pattern, &edit_pin, &edit_aspect, &edit_step},
  };
  constexpr int kGap = 16;
  std::vector<std::vector<QPixmap>> shots;
  int width = 0;
  int height = kGap;
  for (const auto& row : rows) {
    std::vector<QPixmap> shot_row;
    int row_width = kGap;
    int row_height = 0;
    for (QDialog* dialog : row) {
      shot_row.push_back(Framed(*dialog));
      row_width += shot_row.back().width() + kGap;
      row_height = std::max(row_height, shot_row.back().height());
    }
    width = std::max(width, row_width);
    height += row_height + kGap;
    shots.push_back(shot_row);
  }
  QPixmap sheet(width, height);
  sheet.fill(QColor(0xf4, 0xf4, 0xf4));
  QPainter painter(&sheet);
  int y = kGap;
  for (const auto& row : shots) {
    int x = kGap;
    int row_height = 0;
    for (const QPixmap& shot : row) {
      painter.drawPixmap(x, y, shot);
      x += shot.width() + kGap;
      row_height = std::max(row_height, shot.height());
    }
    y += row_height + kGap;
  }
  painter.end();
  return sheet.save(argv[1]) ? 0 : 1;
}

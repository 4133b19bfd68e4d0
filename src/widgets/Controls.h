#pragma once

#include <QString>
#include <span>
#include <utility>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pyra {

class UpDown;

// Small builders for the controls of the settings panels: each control gets its objectName.

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent);
QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* parent);
QCheckBox* MakeCheck(const QString& name, const QString& caption, QWidget* parent);
QRadioButton* MakeOption(const QString& name, const QString& caption, QWidget* parent);
// A right-aligned number box wide enough for `digits` digits.
QLineEdit* MakeNumberBox(const QString& name, int digits, QWidget* parent);
// Spin buttons for `box`, named `name`.
UpDown* MakeUpDown(const QString& name, QLineEdit* box, QWidget* parent);
// A number box and its spin buttons, kept together in a layout.
QWidget* Pair(QLineEdit* box, UpDown* updown, QWidget* parent);

// Gives every control below `panel` whose objectName matches a pattern (a whole-name regular
// expression) that pattern's tool tip; a panel keeps its tips in one table.
using ToolTipTable = std::span<const std::pair<const char*, const char*>>;
void ApplyToolTips(QWidget* panel, ToolTipTable tips);

// Hidden controls keep their room, so showing them does not shift the others.
void KeepRoomWhenHidden(QWidget* w);

// The number in a box as the program reads typed numbers.
int BoxValue(const QLineEdit* box);

// A box's value enters the model only from the box's own edit. What runs before a queued command,
// a dialog or a file takes a box only while it holds text the user typed that nothing has taken
// yet: showing the model in the box clears the mark (setText), and so does Taken. A module value
// outside an editor's range therefore stays as it is until the user edits its box.
bool Edited(const QLineEdit* box);
void Taken(QLineEdit* box);

}  // namespace pyra

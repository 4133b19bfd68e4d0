#include "widgets/Controls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include "model/TypedNumber.h"
#include "widgets/UpDown.h"

namespace pyra {

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  // Return in a number box takes its value; it must not also press a button.
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

QCheckBox* MakeCheck(const QString& name, const QString& caption, QWidget* parent) {
  auto* check = new QCheckBox(caption, parent);
  check->setObjectName(name);
  return check;
}

QRadioButton* MakeOption(const QString& name, const QString& caption, QWidget* parent) {
  auto* option = new QRadioButton(caption, parent);
  option->setObjectName(name);
  return option;
}

QLineEdit* MakeNumberBox(const QString& name, int digits, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setAlignment(Qt::AlignRight);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(digits + 1, '0')) + 12);
  return box;
}

UpDown* MakeUpDown(const QString& name, QLineEdit* box, QWidget* parent) {
  auto* updown = new UpDown(box, parent);
  updown->setObjectName(name);
  return updown;
}

QWidget* Pair(QLineEdit* box, UpDown* updown, QWidget* parent) {
  auto* pair = new QWidget(parent);
  auto* layout = new QHBoxLayout(pair);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  box->setParent(pair);
  updown->setParent(pair);
  layout->addWidget(box);
  layout->addWidget(updown);
  pair->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return pair;
}

void ApplyToolTips(QWidget* panel, ToolTipTable tips) {
  for (const auto& [pattern, tip] : tips) {
    const QRegularExpression name(QRegularExpression::anchoredPattern(pattern));
    for (QWidget* w : panel->findChildren<QWidget*>(name)) w->setToolTip(tip);
  }
}

void KeepRoomWhenHidden(QWidget* w) {
  QSizePolicy policy = w->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  w->setSizePolicy(policy);
}

int BoxValue(const QLineEdit* box) { return TypedNumber(box->text().toStdString()); }

bool Edited(const QLineEdit* box) { return box->isModified(); }

void Taken(QLineEdit* box) { box->setModified(false); }

}  // namespace pyra

#include "app/ModuleArea.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

namespace pyra {

namespace {

// `caption` carries the mnemonic ("&Read All"); the Ctrl keys are listed in the tool tips and the
// menus, which do not bind them a second time.
QPushButton* MakeButton(const char* name, const char* caption, const char* shortcut,
                        QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  if (shortcut) {
    button->setShortcut(QKeySequence(shortcut));
    button->setToolTip(
        QString("%1 (%2)").arg(QString(caption).remove('&'), QKeySequence(shortcut).toString()));
  }
  return button;
}

}  // namespace

ModuleArea::ModuleArea(QWidget* parent) : QWidget(parent) {
  setObjectName("ModuleArea");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);

  struct Queued {
    QPushButton* button;
    const char* command;
  };
  const Queued queued[] = {
      {MakeButton("CommandReadAll", "&Read All", "Ctrl+R", this), "ReadAll"},
      {MakeButton("CommandWriteAll", "&Write All", "Ctrl+W", this), "WriteAll"},
      {MakeButton("CommandVerifyAll", "Verify &All", "Ctrl+E", this), "VerifyAll"},
      {MakeButton("CommandVerifyAllPins", "Verify All &Pins", nullptr, this), "VerifyAllPins"},
      {MakeButton("CommandReadPin", "Rea&d Pin", nullptr, this), "ReadPin"},
      {MakeButton("CommandWritePin", "Wr&ite Pin", nullptr, this), "WritePin"},
      {MakeButton("CommandCompare", "Compare with Mod&ule", nullptr, this), "Compare"},
      {MakeButton("CommandWriteChanges", "Write Changes", nullptr, this), "WriteChanges"},
  };
  for (int i = 0; i < 3; ++i) grid->addWidget(queued[i].button, 0, i);
  QPushButton* save = MakeButton("CommandSave", "&Save File", "Ctrl+S", this);
  QPushButton* load = MakeButton("CommandLoad", "&Load File", "Ctrl+O", this);
  grid->addWidget(save, 1, 0);
  grid->addWidget(load, 1, 1);
  auto* overview = MakeButton("CommandPinOverview", "Pin Overview", nullptr, this);
  grid->addWidget(queued[6].button, 0, 3);
  grid->addWidget(queued[7].button, 1, 3);
  grid->addWidget(overview, 2, 3);

  numbering_ = new QCheckBox("Start &numbering at 1", this);
  numbering_->setObjectName("CheckKLnumber");
  numbering_->setChecked(true);
  grid->addWidget(numbering_, 1, 2);

  for (int i = 0; i < 3; ++i) {
    expert_buttons_[i] = queued[3 + i].button;
    QSizePolicy policy = expert_buttons_[i]->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    expert_buttons_[i]->setSizePolicy(policy);
    grid->addWidget(expert_buttons_[i], 2, i);
  }
  SetExpertMode(false);

  // Row by row, as the grid shows them.
  QWidget* order[] = {queued[0].button,
                      queued[1].button,
                      queued[2].button,
                      queued[6].button,
                      save,
                      load,
                      numbering_,
                      queued[7].button,
                      expert_buttons_[0],
                      expert_buttons_[1],
                      expert_buttons_[2],
                      overview};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  for (const Queued& q : queued) {
    const QString command = q.command;
    connect(q.button, &QPushButton::clicked, this, [this, command] { emit QueueCommand(command); });
  }
  connect(numbering_, &QCheckBox::toggled, this, &ModuleArea::NumberingChanged);
}

void ModuleArea::SetExpertMode(bool expert) {
  for (QWidget* button : expert_buttons_) button->setVisible(expert);
}

bool ModuleArea::NumberingFromOne() const { return numbering_->isChecked(); }

}  // namespace pyra

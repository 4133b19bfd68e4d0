#include "monitor/ui/TestTabPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <utility>

#include "monitor/ui/FeedbackMonitorPanel.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

constexpr int kMatrixRows = 8;  // the 32 matrix buttons stand in four columns of eight
constexpr int kMatrixBoxColumns = 5;
constexpr int kPyraOutputLegend = 3;  // LabelLumoParameter(3) heads TextPyraSendAspectOutput

QLineEdit* MakeTypedBox(const QString& name, QWidget* parent) {
  QLineEdit* box = MakeNumberBox(name, 3, parent);
  box->setText("0");
  return box;
}

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextPyraSendAspectOutput", "The output the set-aspect buttons act on"},
};

}  // namespace

TestTabPanel::TestTabPanel(PanelContext context, std::function<bool()> port_open, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("TestTabPanel");
  monitor_ = new FeedbackMonitorPanel(context, std::move(port_open), this);

  auto* left = new QVBoxLayout;
  left->addWidget(BuildPyraGroup());
  left->addWidget(BuildOlderFormatGroup());
  left->addStretch(1);
  auto* middle = new QVBoxLayout;
  middle->addWidget(BuildMatrixGroup());
  middle->addStretch(1);
  auto* columns = new QHBoxLayout(this);
  columns->addLayout(left);
  columns->addLayout(middle);
  columns->addWidget(monitor_, 1);
  ApplyToolTips(this, kToolTips);

  // The tab that holds this panel explains itself while it is locked.
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    auto* tabs = qobject_cast<QTabWidget*>(w);
    if (!tabs) continue;
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->widget(i)->isAncestorOf(this)) tabs->setTabToolTip(i, kTestTabToolTip);
    }
    break;
  }
}

QGroupBox* TestTabPanel::BuildPyraGroup() {
  auto* group = new QGroupBox("Pyra Set Aspect", this);
  group->setObjectName("FrameTestPyra");
  auto* legend = MakeLabel(QString("LabelLumoParameter_%1").arg(kPyraOutputLegend),
                           LumoParameterLegends()[kPyraOutputLegend], group);
  output_ = MakeTypedBox("TextPyraSendAspectOutput", group);
  legend->setBuddy(output_);

  auto* grid = new QGridLayout(group);
  grid->addWidget(legend, 0, 0);
  grid->addWidget(output_, 0, 1);
  const auto& captions = PyraSetAspectCaptions();
  for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
    auto* button = MakeButton(QString("CommandPyraSetAspect_%1").arg(i), captions[i], group);
    // The four single aspects in one row, the toggle and the eight-output buttons below.
    grid->addWidget(button, i < 4 ? 1 : 2, i < 4 ? i : i - 4);
    connect(button, &QPushButton::clicked, this, [this, i] { SetAspectClicked(i); });
  }
  return group;
}

QGroupBox* TestTabPanel::BuildMatrixGroup() {
  auto* group = new QGroupBox("Matrix Sign", this);
  group->setObjectName("FrameTestMatrix");
  auto* boxes = new QGridLayout;
  for (int i = 0; i < kMatrixBoxes; ++i) {
    matrix_boxes_[i] = MakeCheck(QString("ChkMatrix_%1").arg(i),
                                 QString::fromStdString(MatrixBoxCaption(i)), group);
    boxes->addWidget(matrix_boxes_[i], i / kMatrixBoxColumns, i % kMatrixBoxColumns);
  }

  auto* buttons = new QGridLayout;
  buttons->setHorizontalSpacing(4);
  const auto& legends = MatrixLegends();
  for (int i = 0; i < kMatrixButtons; ++i) {
    const int row = i % kMatrixRows;
    const int column = 2 * (i / kMatrixRows);
    auto* button = MakeButton(QString("CmdSetMatrix_%1").arg(i),
                              QString::fromStdString(MatrixButtonCaption(i)), group);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("MB-88") + 16);
    buttons->addWidget(button, row, column);
    if (i < static_cast<int>(legends.size())) {
      buttons->addWidget(MakeLabel(QString("LblMatrix_%1").arg(i), legends[i], group), row,
                         column + 1);
    }
    connect(button, &QPushButton::clicked, this, [this, i] { MatrixClicked(i); });
  }
  // A little air between a legend and the next column's buttons.
  for (int column = 1; column < 8; column += 2) buttons->setColumnMinimumWidth(column, 64);

  auto* layout = new QVBoxLayout(group);
  layout->addLayout(boxes);
  layout->addLayout(buttons);
  return group;
}

QGroupBox* TestTabPanel::BuildOlderFormatGroup() {
  auto* group = new QGroupBox("Lumo Commands", this);
  group->setObjectName("FrameTestLumo");
  auto* grid = new QGridLayout(group);
  for (int i = 0; i < kLumoParameterBoxes; ++i) {
    auto* legend =
        MakeLabel(QString("LabelLumoParameter_%1").arg(i), LumoParameterLegends()[i], group);
    lumo_boxes_[i] = MakeTypedBox(QString("TextLumoParameter_%1").arg(i), group);
    legend->setBuddy(lumo_boxes_[i]);
    grid->addWidget(legend, 0, i);
    grid->addWidget(lumo_boxes_[i], 1, i);
  }
  auto* send = MakeButton("CommandSendLumo", "Lum&oSend", group);
  grid->addWidget(send, 1, 3);
  connect(send, &QPushButton::clicked, this, [this] { SendLumoClicked(); });

  // Each of these sends a fixed message: nothing typed is read.
  auto add_row = [&](int row, const char* name, const auto& captions, auto send_all) {
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
      auto* button = MakeButton(QString("%1_%2").arg(name).arg(i), captions[i], group);
      grid->addWidget(button, row, i);
      connect(button, &QPushButton::clicked, this, [this, i, send_all] {
        context_.jobs.Run([i, send_all](Link& link) { send_all(link, i); });
      });
    }
  };
  add_row(2, "CommandReset", ResetCaptions(), [](Link& link, int i) { LumoReset(link, i); });
  add_row(3, "Command_Clr", ClearAllCaptions(), [](Link& link, int i) { ClearAll(link, i); });
  add_row(4, "Command_LT", LampTestCaptions(), [](Link& link, int i) { LampTest(link, i); });
  return group;
}

void TestTabPanel::SetAspectClicked(int index) {
  // The link thread works on a copy of the toggle state; the copy comes back when the job is
  // done, so a refused output leaves the toggle where it was.
  auto state = std::make_shared<TestTabState>(state_);
  const std::string output = output_->text().toStdString();
  QPointer<TestTabPanel> self(this);
  context_.jobs.Run(
      [state, index, output](Link& link) { PyraSetAspect(link, *state, index, output); },
      [self, state] {
        if (self) self->state_ = *state;
      });
}

void TestTabPanel::MatrixClicked(int index) {
  std::array<bool, kMatrixBoxes> ticked{};
  for (int i = 0; i < kMatrixBoxes; ++i) ticked[i] = matrix_boxes_[i]->isChecked();
  context_.jobs.Run([index, ticked](Link& link) { SetMatrix(link, index, ticked); });
}

void TestTabPanel::SendLumoClicked() {
  std::array<std::string, kLumoParameterBoxes> texts;
  for (int i = 0; i < kLumoParameterBoxes; ++i) texts[i] = lumo_boxes_[i]->text().toStdString();
  context_.jobs.Run([texts](Link& link) { SendLumo(link, texts); });
}

}  // namespace pyra

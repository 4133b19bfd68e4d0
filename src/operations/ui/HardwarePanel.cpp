#include "operations/ui/HardwarePanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "model/AddressAssignment.h"
#include "operations/GeneralSettings.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"ChkGenHWCSink_\\d|LabelGenHWCSink",
     "Sink Driver: the outputs of this group of eight pins have sink drivers. A group with a servo "
     "or an input pin needs neither driver"},
    {"ChkGenHWCSource_\\d|LabelGenHWCSource",
     "Source Driver: the outputs of this group of eight pins have source drivers. A group with a "
     "servo or an input pin needs neither driver"},
};

}  // namespace

HardwarePanel::HardwarePanel(PanelContext context, QWidget* parent)
    : QGroupBox("Hardware Config", parent), context_(context) {
  setObjectName("FrameGenHWC");

  // The caption names the groups with its own spacing; the boxes are placed under its words.
  drivers_ = new QWidget(this);
  drivers_->setObjectName("FrameGenHWCDrivers");
  caption_ = MakeLabel("LabelGenHWCPin", "", drivers_);
  label_sink_ = MakeLabel("LabelGenHWCSink", "Sink Driver", drivers_);
  label_source_ = MakeLabel("LabelGenHWCSource", "Source Driver", drivers_);
  for (int i = 0; i < 4; ++i) {
    sink_[i] = MakeCheck(QString("ChkGenHWCSink_%1").arg(i), "", drivers_);
    source_[i] = MakeCheck(QString("ChkGenHWCSource_%1").arg(i), "", drivers_);
  }

  auto* read = MakeButton("CommandGenHWCRead", "Read &Config", this);
  auto* write = MakeButton("CommandGenHWCWrite", "Write C&onfig", this);

  auto* column = new QVBoxLayout(this);
  column->addWidget(drivers_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(read);
  buttons->addWidget(write);
  column->addLayout(buttons);

  ShowSettings();

  ModuleSettings& s = context_.model.Settings;
  for (int i = 0; i < 4; ++i) {
    connect(sink_[i], &QCheckBox::clicked, this, [this, &s, i](bool ticked) {
      s.HwcSink[i] = ticked;
      emit DriversChanged();
    });
    connect(source_[i], &QCheckBox::clicked, this, [this, &s, i](bool ticked) {
      s.HwcSource[i] = ticked;
      emit DriversChanged();
    });
  }
  connect(read, &QPushButton::clicked, this, [this] {
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { HWCRead(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings = c.Settings;
          ShowSettings();
          emit DriversChanged();
        });
  });
  connect(write, &QPushButton::clicked, this, [this] {
    RunOnCopy(context_.jobs, context_.model,
              [](Link& link, Configuration& c) { WriteHWConfig(link, c.Settings); });
  });
  ApplyToolTips(this, kToolTips);

  // Keyboard order: the sink row, then the source row, as shown.
  std::vector<QWidget*> order(sink_.begin(), sink_.end());
  order.insert(order.end(), source_.begin(), source_.end());
  order.insert(order.end(), {read, write});
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void HardwarePanel::ShowSettings() {
  const ModuleSettings& s = context_.model.Settings;
  caption_->setText(QString::fromStdString(HardwareGroupsCaption(context_.model.NumberBase)));
  for (int i = 0; i < 4; ++i) {
    sink_[i]->setChecked(s.HwcSink[i]);
    source_[i]->setChecked(s.HwcSource[i]);
  }
  LayOutDrivers();
}

void HardwarePanel::LayOutDrivers() {
  const QFontMetrics metrics = caption_->fontMetrics();
  const QString caption = caption_->text();
  const QSize box = sink_[0]->sizeHint();
  const int row = std::max(box.height(), metrics.height()) + 6;
  const int labels_width =
      std::max(label_sink_->sizeHint().width(), label_source_->sizeHint().width());

  // Where each group's words stand in the caption: the four runs of characters after "Pin".
  std::array<int, 4> centers{};
  int group = -1;
  int start = 0;
  for (int i = 0; i <= caption.size() && group < 4; ++i) {
    const bool blank = i == caption.size() || caption[i] == ' ';
    if (!blank && (i == 0 || caption[i - 1] == ' ')) start = i;
    if (blank && i > 0 && caption[i - 1] != ' ') {
      if (group >= 0) {
        centers[group] = metrics.horizontalAdvance(caption.left(start)) +
                         metrics.horizontalAdvance(caption.mid(start, i - start)) / 2;
      }
      ++group;
    }
  }
  // The caption moves right just enough for the first boxes to clear the row labels.
  const int offset = std::max(0, labels_width + 8 + box.width() / 2 - centers[0]);
  caption_->adjustSize();
  caption_->move(offset, 0);
  label_sink_->adjustSize();
  label_source_->adjustSize();
  label_sink_->move(0, row + (row - label_sink_->height()) / 2);
  label_source_->move(0, 2 * row + (row - label_source_->height()) / 2);
  for (int i = 0; i < 4; ++i) {
    const int x = offset + centers[i] - box.width() / 2;
    sink_[i]->setGeometry(x, row + (row - box.height()) / 2, box.width(), box.height());
    source_[i]->setGeometry(x, 2 * row + (row - box.height()) / 2, box.width(), box.height());
  }
  drivers_->setFixedSize(offset + caption_->width() + 4, 3 * row);
}

}  // namespace pyra

#include "operations/ui/IdentityPanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "link/Protocol.h"
#include "model/IdString.h"
#include "operations/Identity.h"
#include "widgets/Controls.h"

namespace pyra {

namespace {

// Names (whole-name patterns) and tool tips of the settings whose caption does not explain them.
constexpr std::pair<const char*, const char*> kToolTips[] = {
    {"TextGenIDString", "A name for the module, up to 12 characters, kept in the module"},
    {"CommandGenVersion", "Ask the module for its firmware version"},
    {"CommandGenEraseFlash", "Erase the module's whole configuration memory (asks twice)"},
};

}  // namespace

IdentityPanel::IdentityPanel(PanelContext context, QWidget* parent)
    : QGroupBox("Module Identity", parent), context_(context) {
  setObjectName("FrameGenIdentity");

  auto* id_label = MakeLabel("LabelGenIDString", "ID String", this);
  id_string_ = new QLineEdit(this);
  id_string_->setObjectName("TextGenIDString");
  id_string_->setMaxLength(kMaxIDLength);
  id_string_->setMinimumWidth(id_string_->fontMetrics().horizontalAdvance("MMMMMMMMMMMM") + 12);
  id_label->setBuddy(id_string_);
  auto* read_id = MakeButton("CommandGenIDRead", "Read Str&ing", this);
  auto* write_id = MakeButton("CommandGenIDWrite", "Write Strin&g", this);

  auto* version_label = MakeLabel("LabelGenVersion", "Firmware Version:", this);
  version_ = MakeLabel("LabelGenVersionString", "", this);
  version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* request_version = MakeButton("CommandGenVersion", "Re&quest Version", this);
  auto* erase = MakeButton("CommandGenEraseFlash", "&Erase Flash", this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(id_label, 0, 0);
  grid->addWidget(id_string_, 0, 1);
  grid->addWidget(read_id, 0, 2);
  grid->addWidget(write_id, 0, 3);
  grid->addWidget(version_label, 1, 0);
  grid->addWidget(version_, 1, 1);
  grid->addWidget(request_version, 1, 2);
  grid->addWidget(erase, 1, 3);
  grid->setColumnStretch(1, 1);

  ShowSettings();

  connect(id_string_, &QLineEdit::editingFinished, this, [this] { TakeIDString(); });
  connect(read_id, &QPushButton::clicked, this, [this] {
    // What is typed stays in the box when the read fails.
    TakeEdits();
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { ReadIDString(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings.IDString = c.Settings.IDString;
          ShowIDString();
        });
  });
  connect(write_id, &QPushButton::clicked, this, [this] {
    TakeEdits();
    // The write may cut the text; the cut text is what the box then shows.
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { WriteIDString(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings.IDString = c.Settings.IDString;
          ShowIDString();
        });
  });
  connect(request_version, &QPushButton::clicked, this, [this] {
    RunOnCopy(
        context_.jobs, context_.model,
        [](Link& link, Configuration& c) { GetVersion(link, c.Settings); },
        [this](Configuration& c) {
          context_.model.Settings.FirmwareVersion = c.Settings.FirmwareVersion;
          ShowVersion();
        });
  });
  connect(erase, &QPushButton::clicked, this,
          [this] { context_.jobs.Run([](Link& link) { EraseFlash(link); }); });
  ApplyToolTips(this, kToolTips);
}

void IdentityPanel::ShowSettings() {
  ShowIDString();
  ShowVersion();
}

void IdentityPanel::TakeEdits() {
  if (Edited(id_string_)) TakeIDString();
}

void IdentityPanel::TakeIDString() {
  const std::string typed = id_string_->text().toStdString();
  // A file could not carry the text: the box goes back to the ID it had.
  if (const std::string refusal = IDStringRefusal(typed); !refusal.empty()) {
    ShowIDString();
    context_.prompter.Message(refusal, Icon::kExclamation);
    return;
  }
  context_.model.Settings.IDString = typed;
  Taken(id_string_);
}

void IdentityPanel::ShowIDString() {
  id_string_->setText(QString::fromStdString(context_.model.Settings.IDString));
}

void IdentityPanel::ShowVersion() {
  version_->setText(QString::fromStdString(context_.model.Settings.FirmwareVersion));
}

}  // namespace pyra

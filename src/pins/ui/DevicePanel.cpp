#include "pins/ui/DevicePanel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <functional>
#include <map>

#include "pinconfig/ui/PinConfigPanel.h"
#include "pins/PinTransfer.h"
#include "pins/ui/AspectEditor.h"

namespace pyra {

namespace {

using PinOperation = std::function<bool(Link&, Configuration&)>;

const std::map<std::string, PinOperation, std::less<>>& PinOperations() {
  static const std::map<std::string, PinOperation, std::less<>> operations = {
      {"ReadAllPins", ReadAllPins},
      {"WriteAllPins", WriteAllPins},
      {"ReadPin", ReadPin},
      {"WritePin", WritePin},
      {"PAspReadPin",
       [](Link& link, Configuration& c) { return ReadPinAspects(link, c, c.CurrentPin); }},
      {"PAspWritePin",
       [](Link& link, Configuration& c) { return WritePinAspects(link, c, c.CurrentPin); }},
      {"ReadDevice", ReadDevice},
      {"WriteDevice", WriteDevice},
  };
  return operations;
}

}  // namespace

DevicePanel::DevicePanel(PanelContext context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("DeviceConfigurationArea");
  aspects_ = new AspectEditor(context_, this);
  pin_config_ = new PinConfigPanel(context_, this);

  side_ = new QVBoxLayout;
  side_->setContentsMargins(0, 0, 0, 0);
  side_->addWidget(pin_config_);
  auto* columns = new QHBoxLayout(this);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(12);
  columns->addWidget(aspects_, 0, Qt::AlignTop);
  columns->addLayout(side_);
  columns->addStretch(1);
  side_->addStretch(1);

  ApplyShowDetails();

  connect(aspects_, &AspectEditor::CurrentPinChanged, this, [this](int pin) {
    pin_config_->ShowPinConfig();
    emit CurrentPinChanged(pin);
  });
  connect(aspects_, &AspectEditor::ShowDetailsChanged, this, [this](bool shown) {
    ApplyShowDetails();
    emit ShowDetailsChanged(shown);
  });
  connect(aspects_, &AspectEditor::QueueCommand, this, &DevicePanel::QueueCommand);
  connect(pin_config_, &PinConfigPanel::CommitRequested, aspects_,
          &AspectEditor::CommitStepsAndAspect);
}

void DevicePanel::Refresh() {
  aspects_->ShowPin();
  ApplyShowDetails();
  pin_config_->ShowPinConfig();
}

void DevicePanel::SetExpertMode(bool expert) {
  expert_ = expert;
  aspects_->SetExpertMode(expert);
  ApplyShowDetails();
}

void DevicePanel::ApplyNumberBase() { aspects_->ShowPin(); }

void DevicePanel::TakeEdits() {
  pin_config_->CommitEdits();
  aspects_->TakeEdits();
}

void DevicePanel::AddSideWidget(QWidget* widget) {
  side_->insertWidget(side_->count() - 1, widget);
}

void DevicePanel::ApplyShowDetails() {
  aspects_->ApplyShowDetails();
  pin_config_->SetShown(aspects_->ShowDetails(), expert_);
}

const std::vector<std::string>& DevicePanel::PinCommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const auto& [name, operation] : PinOperations()) v.push_back(name);
    return v;
  }();
  return names;
}

bool DevicePanel::RunPinCommand(const std::string& name) {
  const auto it = PinOperations().find(name);
  if (it == PinOperations().end()) return false;
  PinOperation operation = it->second;
  RunOnCopy(
      context_.jobs, context_.model,
      [operation](Link& link, Configuration& c) { operation(link, c); },
      [this](Configuration& c) {
        // Reads fill the pins; a write of a servo block drops its status bit.
        context_.model.Pins = c.Pins;
        Refresh();
        emit ModelChanged();
      });
  return true;
}

}  // namespace pyra

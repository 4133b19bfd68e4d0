#include "sim/SimBus.h"

#include <algorithm>

namespace pyra::sim {

std::optional<Emission> SimBus::Receive(uint8_t byte) {
  std::optional<Emission> answer;
  for (const std::unique_ptr<SimModule>& module : modules_) {
    std::optional<Emission> emission = module->Receive(byte);
    // Two modules that both answer would garble each other on a real line; here the first one
    // added is heard, which is all a test of distinct addresses needs.
    if (emission && !answer) answer = std::move(emission);
  }
  if (after_each_byte_) after_each_byte_();
  return answer;
}

SimModule& SimBus::Add(SimModule::Config config) {
  modules_.push_back(std::make_unique<SimModule>(config));
  modules_.back()->SetClock(clock_);
  return *modules_.back();
}

bool SimBus::Remove(int address, int extended_address) {
  const auto at =
      std::find_if(modules_.begin(), modules_.end(), [&](const std::unique_ptr<SimModule>& m) {
        return m->GetConfig().address == address &&
               m->GetConfig().extended_address == extended_address;
      });
  if (at == modules_.end()) return false;
  modules_.erase(at);
  return true;
}

SimModule* SimBus::Find(int address, const std::optional<int>& extended_address) {
  for (const std::unique_ptr<SimModule>& module : modules_) {
    if (module->Answers(address, extended_address)) return module.get();
  }
  return nullptr;
}

std::vector<SimModule*> SimBus::Modules() const {
  std::vector<SimModule*> modules;
  for (const std::unique_ptr<SimModule>& module : modules_) modules.push_back(module.get());
  return modules;
}

void SimBus::SetClock(Clock* clock) {
  clock_ = clock;
  for (const std::unique_ptr<SimModule>& module : modules_) module->SetClock(clock);
}

}  // namespace pyra::sim

#include "roundtrip/RoundTrip.h"

#include <memory>

#include "link/Link.h"
#include "model/Configuration.h"
#include "operations/Batch.h"
#include "sim/SimChannel.h"

namespace pyra::roundtrip {

namespace {

constexpr int kBitRate = 19200;

class RecordingPrompter final : public Prompter {
 public:
  explicit RecordingPrompter(std::vector<std::string>& texts) : texts_(texts) {}
  void Message(const std::string& text, Icon) override { texts_.push_back(text); }
  Answer Ask(const std::string& text, Buttons buttons, Icon) override {
    texts_.push_back(text);
    return buttons == Buttons::kYesNo ? Answer::kYes : Answer::kOk;
  }

 private:
  std::vector<std::string>& texts_;
};

}  // namespace

RoundTripResult RoundTrip(const sim::ModuleMemory& memory) {
  RoundTripResult r;
  ManualClock clock;
  RecordingPrompter prompter(r.messages);

  sim::SimModule first;
  first.Memory() = memory;
  Link reading(clock, prompter);
  reading.Open(std::make_unique<sim::SimChannel>(clock, first, kBitRate));
  Configuration read = DefaultConfiguration();
  r.read_ok = ReadAll(reading, read);
  r.file = ConfigurationText(read, SaveForm::kFull);

  Configuration loaded = DefaultConfiguration();
  r.load = LoadConfigurationText(r.file, loaded);
  if (!r.load.ok) return r;

  sim::SimModule fresh;
  Link writing(clock, prompter);
  writing.Open(std::make_unique<sim::SimChannel>(clock, fresh, kBitRate));
  r.write_ok = WriteAll(writing, static_cast<const Configuration&>(loaded));
  r.written = fresh.Memory();

  VerificationLog log;
  r.verify_ok = VerifyAll(reading, loaded, log);
  r.verify_log = log.Text();
  return r;
}

}  // namespace pyra::roundtrip

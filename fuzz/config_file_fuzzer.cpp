// The configuration file loader on arbitrary file bytes. Beyond surviving them, a load is all or
// nothing (a refused file leaves the configuration exactly as it was) and what was loaded is
// what a save keeps: saved and loaded again it is the same configuration, and the saved text
// reads back to itself whatever configuration it is loaded over.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "files/ConfigFile.h"
#include "files/Cp1252.h"
#include "files/RichConfiguration.h"
#include "model/AddressAssignment.h"
#include "operations/SettingsCodec.h"
#include "pins/InstructionSet.h"

namespace pyra::fuzz {
namespace {

// Steps outside a pin's aspect mode are kept in the model but neither shown, sent nor saved.
Configuration OfTheMode(Configuration c) {
  for (PinRecord& pin : c.Pins) {
    for (int k = 0; k < static_cast<int>(pin.Aspects.size()); ++k) {
      auto& steps = pin.Aspects[k].Steps;
      if (k >= AspectCount(pin.AspectMode)) pin.Aspects[k] = {};
      std::fill(steps.begin() + StepCount(pin.AspectMode), steps.end(), StepRecord{});
    }
  }
  return c;
}

void MustLoad(const std::string& text, Configuration& c, const std::string& what) {
  const ConfigLoadResult r = LoadConfigurationText(text, c);
  Require(r.ok, what + " is refused: line " + std::to_string(r.error.line) + ": " + r.error.reason);
}

void CheckOver(std::string_view text, const Configuration& base) {
  Configuration c = base;
  const ConfigLoadResult r = LoadConfigurationText(text, c);
  const std::optional<int> header = ConfigHeaderVersion(text);
  Require(r.bad_header == !header.has_value(), "bad_header disagrees with the header check");
  if (!r.ok) {
    Require(c == base, "a refused file changed the configuration: " + Difference(c, base));
    Require(r.bad_header || !r.error.reason.empty(), "a body was refused without a reason");
    return;
  }
  Require(r.version == *header, "the result's version is not the header's");

  const std::string saved = OnDisk(ConfigurationText(c, SaveForm::kFull));
  Configuration again = c;
  MustLoad(saved, again, "the saved file");
  Configuration expected = c;
  // A configuration without a retention choice is saved with the one the module is sent.
  if (c.Settings.PacketRetention < 0) {
    expected.Settings.PacketRetention = RetentionCode(c.Settings) & 3;
  }
  const Configuration want = OfTheMode(expected);
  const Configuration got = OfTheMode(again);
  Require(want == got, "saving and loading again changed " + Difference(want, got));

  Configuration fresh = DefaultConfiguration();
  MustLoad(saved, fresh, "the saved file over the defaults");
  Require(OnDisk(ConfigurationText(fresh, SaveForm::kFull)) == saved,
          "the saved file does not read back to itself over the defaults");

  Configuration compact = c;
  MustLoad(OnDisk(ConfigurationText(c, SaveForm::kCompact)), compact, "the compact file");
}

}  // namespace
}  // namespace pyra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pyra;
  static const Configuration kDefault = DefaultConfiguration();
  // The busy base with its module ranges shown, as the settings editors leave them.
  static const Configuration kRich = [] {
    Configuration c = test::RichConfiguration();
    ShowModuleDccRange(c);
    ShowModuleXDccRange(c);
    return c;
  }();
  const std::string text =
      Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  fuzz::CheckOver(text, kDefault);
  fuzz::CheckOver(text, kRich);
  return 0;
}

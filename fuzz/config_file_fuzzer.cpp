// The configuration file loader on arbitrary file bytes. Beyond surviving them, a load is all or
// nothing (a refused file leaves the configuration exactly as it was) and what was loaded is
// what a save keeps: saved and loaded again it is the same configuration, and the saved text
// reads back to itself whatever configuration it is loaded over.

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

namespace pyra::fuzz {
namespace {

// Files travel through the code page on disk; this is the text a load from disk reads.
std::string OnDisk(const std::string& utf8) { return Cp1252ToUtf8(Utf8ToCp1252(utf8)); }

std::string Describe(const ConfigLoadResult& r) {
  return "line " + std::to_string(r.error.line) + ": " + r.error.reason;
}

void CheckOver(std::string_view text, const Configuration& base) {
  Configuration c = base;
  const ConfigLoadResult r = LoadConfigurationText(text, c);
  const std::optional<int> header = ConfigHeaderVersion(text);
  Require(r.bad_header == !header.has_value(), "bad_header disagrees with the header check");
  if (!r.ok) {
    const std::string changed = Difference(c, base);
    Require(changed.empty(), "a refused file changed the configuration: " + changed);
    Require(r.bad_header || !r.error.reason.empty(), "a body was refused without a reason");
    return;
  }
  Require(r.version == *header, "the result's version is not the header's");

  // A configuration without a retention choice is saved with the one the module is sent.
  const bool no_retention = c.Settings.PacketRetention < 0;
  const std::string saved = OnDisk(ConfigurationText(c, SaveForm::kFull));
  Configuration expected = c;
  if (no_retention) expected.Settings.PacketRetention = RetentionCode(c.Settings) & 3;

  Configuration again = c;
  const ConfigLoadResult r2 = LoadConfigurationText(saved, again);
  Require(r2.ok, "the saved file is refused: " + Describe(r2));
  const std::string differs = Difference(expected, again, Aspects::kOfTheMode);
  Require(differs.empty(), "saving and loading again changed " + differs);

  Configuration fresh = DefaultConfiguration();
  const ConfigLoadResult r3 = LoadConfigurationText(saved, fresh);
  Require(r3.ok, "the saved file is refused over the defaults: " + Describe(r3));
  Require(OnDisk(ConfigurationText(fresh, SaveForm::kFull)) == saved,
          "the saved file does not read back to itself over the defaults");

  Configuration compact = c;
  const ConfigLoadResult r4 =
      LoadConfigurationText(OnDisk(ConfigurationText(compact, SaveForm::kCompact)), compact);
  Require(r4.ok, "the compact file is refused: " + Describe(r4));
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

// Device definition libraries on arbitrary file bytes: listing them, reading them as the
// library (the caption stays within its limit and whole characters), and applying every listed
// device at a pin of a plain and of a busy configuration. A device that is refused changes
// nothing; one that is applied leaves every pin pointing at a pin, and saved as a definition of
// its own and applied again at the same place it gives the same definition text.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "devices/Devices.h"
#include "files/Cp1252.h"
#include "files/DeviceFile.h"
#include "files/RecordText.h"
#include "files/RichConfiguration.h"
#include "model/AddressAssignment.h"

namespace pyra::fuzz {
namespace {

constexpr std::size_t kMaxDevicesTried = 4;

// The library file of one run; libFuzzer leaves without running exit handlers, so each run
// removes its own file.
struct LibraryFile {
  explicit LibraryFile(std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "cannot write " + path);
  }
  ~LibraryFile() { std::remove(path.c_str()); }
  const std::string path = "/tmp/pyra-device-fuzz-" + std::to_string(getpid());
};

void CheckLibrary(std::string_view bytes, const std::vector<std::string>& names) {
  const LibraryFile file(bytes);
  QuietPrompter prompter;
  const ChooseFile choose = [&file](const std::string&) { return file.path; };
  DeviceLibrary library;
  library.VersionCaption = "A caption that is already long, with umlauts: äöü ÄÖÜ ß and so on";
  if (!ReloadDefinitions(library, true, choose, prompter)) return;
  Require(library.Names == names, "the library lists other names than the text");
  Require(library.Names.size() == library.DeviceFiles.size(), "names and files out of step");
  const std::string& caption = library.VersionCaption;
  std::size_t characters = 0;
  for (char ch : caption) characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
  Require(characters <= 50, "caption longer than 50 characters");
  // Text of the code page reads back to itself unless a character was cut.
  Require(OnDisk(caption) == caption, "caption cut inside a character");

  DeviceLibrary standard;
  Require(LoadStandardDefinitions(standard, {file.path}, nullptr, prompter),
          "a library that reloads is refused at start-up");
  Require(standard.Names == names, "the start-up library lists other names");

  if (!names.empty()) {
    Configuration c = DefaultConfiguration();
    c.CurrentPin = static_cast<int>(bytes.size() % kPinCount);
    ApplyDevice(c, library, 0, names[0], prompter);
  }
}

void CheckPins(const Configuration& c, const std::string& what) {
  for (int p = 0; p < kPinCount; ++p) {
    const int head = HeadPin(c, p);
    Require(head >= 0 && head < kPinCount, what + ": pin " + std::to_string(p) + " points outside");
  }
}

void CheckApply(const std::string& text, const std::string& name, const Configuration& base,
                int pin) {
  Configuration c = base;
  c.CurrentPin = pin;
  const Configuration before = c;
  const ApplyResult r = ApplyDeviceText(text, name, c);
  Require(r.outcome != ApplyOutcome::kNotFound, "a listed device is not found");
  if (r.outcome == ApplyOutcome::kInvalid) {
    Require(c == before, "a refused device changed " + Difference(c, before));
    Require(!r.error.reason.empty(), "a device was refused without a reason");
    return;
  }
  CheckPins(c, "applied");
  for (int p : r.overwritten) Require(p >= 0 && p < kPinCount, "overwritten pin out of range");
  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ComputeLumoStarts(c);

  const std::string saved = OnDisk(DeviceText(c, pin));
  // The listing takes any field "Dev" for a tag, a pin described so included; the device's own
  // record comes first.
  const std::vector<std::string> saved_names = ListDefinitions(saved);
  Require(!saved_names.empty(), "a saved device is not listed");
  Configuration again = before;
  const ApplyResult r2 = ApplyDeviceText(saved, saved_names[0], again);
  Require(
      r2.outcome == ApplyOutcome::kApplied,
      "a saved device is refused: line " + std::to_string(r2.error.line) + ": " + r2.error.reason);
  CheckPins(again, "applied again");
  Require(OnDisk(DeviceText(again, pin)) == saved,
          "a saved device applied again saves differently");
}

}  // namespace
}  // namespace pyra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pyra;
  static const Configuration kDefault = DefaultConfiguration();
  static const Configuration kRich = test::RichConfiguration();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = Cp1252ToUtf8(bytes);

  const std::vector<std::string> names = ListDefinitions(text);
  FieldReader reader(text);
  if (const std::optional<Field> first = reader.Next()) DefinitionsHeaderText(first->text);
  fuzz::CheckLibrary(bytes, names);

  for (std::size_t i = 0; i < names.size() && i < fuzz::kMaxDevicesTried; ++i) {
    const int pin = static_cast<int>((size + 7 * i) % kPinCount);
    fuzz::CheckApply(text, names[i], kDefault, pin);
    fuzz::CheckApply(text, names[i], kRich, pin);
  }
  return 0;
}

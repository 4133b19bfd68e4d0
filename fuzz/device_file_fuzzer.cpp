// Device definition libraries on arbitrary file bytes: listing them, reading them as the
// library (the caption stays within its limit and whole characters), and applying every listed
// device at a pin of a plain and of a busy configuration. A device that is refused changes
// nothing; one that is applied leaves every pin pointing at a pin, and saved as a definition of
// its own and applied again at the same place it gives the same definition text.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
class LibraryFile {
 public:
  explicit LibraryFile(std::string_view bytes) {
    char name[] = "/tmp/pyra-device-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) Fail("no temporary file");
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      Fail("cannot write the temporary file");
    }
    close(fd);
    path_ = name;
  }
  ~LibraryFile() { std::remove(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : 9;
    if (extra == 9 || i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += 1 + extra;
  }
  return true;
}

std::size_t Characters(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

void CheckLibrary(std::string_view bytes, const std::vector<std::string>& names) {
  const LibraryFile file(bytes);
  QuietPrompter prompter;
  const ChooseFile choose = [&file](const std::string&) { return file.Path(); };
  DeviceLibrary library;
  library.VersionCaption = "A caption that is already long, with umlauts: äöü ÄÖÜ ß and so on";
  if (!ReloadDefinitions(library, true, choose, prompter)) return;
  Require(library.Names == names, "the library lists other names than the text");
  Require(library.Names.size() == library.DeviceFiles.size(), "names and files out of step");
  Require(Characters(library.VersionCaption) <= 50, "caption longer than 50 characters");
  Require(ValidUtf8(library.VersionCaption), "caption cut inside a character");

  DeviceLibrary standard;
  Require(LoadStandardDefinitions(standard, {file.Path()}, nullptr, prompter),
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
    const std::string changed = Difference(c, before);
    Require(changed.empty(), "a refused device changed " + changed);
    Require(!r.error.reason.empty(), "a device was refused without a reason");
    return;
  }
  CheckPins(c, "applied");
  for (int p : r.overwritten) Require(p >= 0 && p < kPinCount, "overwritten pin out of range");
  ComputeDccStarts(c);
  ComputeXDccStarts(c);
  ComputeLumoStarts(c);

  const std::string saved = Cp1252ToUtf8(Utf8ToCp1252(DeviceText(c, pin)));
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
  Require(Cp1252ToUtf8(Utf8ToCp1252(DeviceText(again, pin))) == saved,
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

#include "files/DeviceFile.h"

#include <optional>

#include "files/AtomicFile.h"
#include "files/Cp1252.h"
#include "files/RecordText.h"

namespace pyra {

namespace {

constexpr std::size_t kKeywordLength = 21;
constexpr std::size_t kCaptionLimit = 50;
constexpr std::size_t kCaptionTail = 48;

struct OpenedLibrary {
  std::string text;          // UTF-8
  std::string header_field;  // the first field
};

std::optional<OpenedLibrary> Open(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::string bytes;
  if (!ReadWholeFile(path, bytes).empty()) return std::nullopt;
  OpenedLibrary opened;
  opened.text = Cp1252ToUtf8(bytes);
  FieldReader reader(opened.text);
  if (const std::optional<Field> first = reader.Next()) opened.header_field = first->text;
  return opened;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The caption counts characters, not the bytes of their UTF-8 form.
std::size_t CharacterCount(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += !IsContinuationByte(c);
  return n;
}

std::string LastCharacters(const std::string& text, std::size_t count) {
  std::size_t at = text.size();
  for (std::size_t seen = 0; at > 0 && seen < count;) {
    --at;
    if (!IsContinuationByte(text[at])) ++seen;
  }
  return text.substr(at);
}

void Append(DeviceLibrary& library, const std::string& text) {
  for (const std::string& name : ListDefinitions(text)) {
    library.Names.push_back(name);
    library.DeviceFiles.push_back(library.DefinitionsFile);
  }
}

}  // namespace

std::vector<std::string> StandardDefinitionPaths(const std::string& program_dir) {
  const std::string dir = program_dir.empty() ? "." : program_dir;
  return {dir + "/" + kStandardDefinitionsFile,
          dir + "/../share/pyraconfig/" + kStandardDefinitionsFile};
}

std::optional<std::string> DefinitionsHeaderText(const std::string& first_field) {
  if (first_field.compare(0, kKeywordLength, kDefinitionsKeyword) != 0 ||
      first_field.size() < kKeywordLength) {
    return std::nullopt;
  }
  // The version text follows the 22nd character. That character is usually the blank, but a
  // code-page letter there is two bytes of UTF-8, and cutting after 22 bytes would begin the
  // caption with half a character.
  std::size_t at = kKeywordLength;
  if (at < first_field.size()) ++at;
  while (at < first_field.size() && IsContinuationByte(first_field[at])) ++at;
  return first_field.substr(at);
}

std::vector<std::string> ListDefinitions(const std::string& text) {
  std::vector<std::string> names;
  FieldReader reader(text);
  reader.Next();  // the header
  while (const std::optional<Field> field = reader.Next()) {
    if (field->text == "End") break;
    if (field->text != "Dev") continue;
    const std::optional<Field> name = reader.Next();
    if (!name) break;
    names.push_back(name->text);
  }
  return names;
}

bool LoadStandardDefinitions(DeviceLibrary& library, const std::vector<std::string>& paths,
                             const ChooseFile& choose, Prompter& prompter) {
  library.DefinitionsVersion = "Unknown";
  library.Names.clear();
  library.DeviceFiles.clear();
  std::optional<OpenedLibrary> opened;
  for (const std::string& path : paths) {
    opened = Open(path);
    if (opened) {
      library.DefinitionsFile = path;
      break;
    }
  }
  if (!opened) {
    prompter.Message(kNoStandardDefinitions, Icon::kExclamation);
    library.DefinitionsFile = choose ? choose(kStandardDefinitionsFile) : "";
    opened = Open(library.DefinitionsFile);
    if (!opened) {
      prompter.Message(kNoDefinitionsAvailable, Icon::kExclamation);
      return false;
    }
  }
  const std::optional<std::string> version = DefinitionsHeaderText(opened->header_field);
  if (!version) {
    prompter.Message(kInvalidDefinitionFile, Icon::kExclamation);
    return false;
  }
  // A header of the keyword and one character only leaves the version unknown.
  if (!version->empty()) library.DefinitionsVersion = *version;
  if (!library.DefinitionsVersion.empty()) library.VersionCaption = library.DefinitionsVersion;
  Append(library, opened->text);
  return true;
}

bool ReloadDefinitions(DeviceLibrary& library, bool append, const ChooseFile& choose,
                       Prompter& prompter) {
  library.DefinitionsVersion = "";
  library.DefinitionsFile = choose ? choose("") : "";
  const std::optional<OpenedLibrary> opened = Open(library.DefinitionsFile);
  if (!opened) {
    prompter.Message(kNoDefinitionsSelected, Icon::kExclamation);
    return false;
  }
  const std::optional<std::string> version = DefinitionsHeaderText(opened->header_field);
  if (!version) {
    prompter.Message(kInvalidDefinitionFile, Icon::kExclamation);
    return false;
  }
  library.DefinitionsVersion = *version;
  if (append) {
    library.VersionCaption += " + " + library.DefinitionsVersion;
  } else {
    library.Names.clear();
    library.DeviceFiles.clear();
    library.VersionCaption = library.DefinitionsVersion;
  }
  if (CharacterCount(library.VersionCaption) > kCaptionLimit) {
    library.VersionCaption = ".." + LastCharacters(library.VersionCaption, kCaptionTail);
  }
  Append(library, opened->text);
  return true;
}

}  // namespace pyra

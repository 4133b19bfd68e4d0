#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/Prompter.h"

namespace pyra {

// Device definition libraries (*.def): a header, then "Dev" blocks of pin records, then "End".

inline constexpr char kDefinitionsKeyword[] = "PyraDeviceDefinitions";
inline constexpr char kStandardDefinitionsFile[] = "PyraDevices.def";
inline constexpr char kDefinitionsFileFilter[] = "Pyra Device Definitions|*.def";
inline constexpr char kReloadToolTip[] = "Reload DD to load new file, Shift + Reload DD to append";
inline constexpr char kNoStandardDefinitions[] =
    "Can not find Device Configuration file at standard location";
inline constexpr char kNoDefinitionsAvailable[] = "No Device Configuration available";
inline constexpr char kNoDefinitionsSelected[] = "No Device Configuration file selected";
inline constexpr char kInvalidDefinitionFile[] = "Invalid definition file";

// The loaded libraries: what the device list offers and where each entry came from.
struct DeviceLibrary {
  std::string DefinitionsFile;                 // the file opened last
  std::string DefinitionsVersion = "Unknown";  // its header text after the first 22 characters
  std::string VersionCaption = "None";         // lblDDVersion
  std::vector<std::string> Names;              // cboDevice, in file order, duplicates kept
  std::vector<std::string> DeviceFiles;        // the file each entry was listed from
};

// A file dialog: returns the chosen path, or "" when cancelled. `default_name` is the file
// name it starts with.
using ChooseFile = std::function<std::string(const std::string& default_name)>;

// Where the standard library is looked for, in order: beside the program, then in the data
// folder of an installation (<prefix>/share/pyraconfig beside <prefix>/bin).
std::vector<std::string> StandardDefinitionPaths(const std::string& program_dir);

// Start-up: lists the first standard library that opens; when none does, says so and offers
// the dialog. False when no list could be built.
bool LoadStandardDefinitions(DeviceLibrary& library, const std::vector<std::string>& paths,
                             const ChooseFile& choose, Prompter& prompter);

// "Reload DD" (left button): the chosen file replaces the list, or with Shift is appended to it.
bool ReloadDefinitions(DeviceLibrary& library, bool append, const ChooseFile& choose,
                       Prompter& prompter);

// The names of the devices in a library text after its header, in order. A text without "End"
// is listed to its end.
std::vector<std::string> ListDefinitions(const std::string& text);

// The text after "PyraDeviceDefinitions " of a header field, or nothing when the field does not
// begin with the keyword.
std::optional<std::string> DefinitionsHeaderText(const std::string& first_field);

}  // namespace pyra

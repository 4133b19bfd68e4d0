#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/RecordText.h"
#include "link/Prompter.h"
#include "model/Configuration.h"

namespace pyra {

// The configuration data file (*.dat): the module-wide settings, the event control and every
// pin with its aspects, as CR LF separated records in Windows-1252.

inline constexpr char kDataVersion[] = "3230";
inline constexpr char kConfigHeaderKeyword[] = "PyraConfiguration";
inline constexpr char kInvalidConfigurationFile[] = "Invalid configuration file";
inline constexpr char kDataFileVersionMessage[] = "Data File Version = ";
inline constexpr char kSaveCompactToolTip[] = "Shift+Save File to save compact";
inline constexpr char kConfigFileFilter[] = "Pyra Config Data|*.dat";

// The full form writes every pin, aspect and step; the compact form leaves out pins and
// aspects without description and empty steps.
enum class SaveForm { kFull, kCompact };

// "Save File" acts on a press of the left button only: alone it saves the full form, with Shift
// alone the compact form; any other button or modifier does nothing.
std::optional<SaveForm> SaveFormForPress(bool left_button, bool shift, bool other_modifiers);

// Whether an instruction code carries the fade flag in bit 4 of its file and wire opcode.
using HasFadeFn = std::function<bool(int code)>;
// The instruction table's HasFade.
bool TableHasFade(int code);

// The file's text (UTF-8, CR LF). A servo pin's P2 loses its status bit in `c` itself first,
// as the module will hold it.
std::string ConfigurationText(Configuration& c, SaveForm form);

struct ConfigLoadResult {
  bool ok = false;
  bool bad_header = false;  // not a configuration file at all
  int version = 0;          // numeric value of the header's version
  bool dcc_record = false;  // a DCC record was read: the module ranges were recomputed
  FileError error;          // why the body was refused
};

// Parses UTF-8 file text over `c`. The body is all or nothing: `c` changes only when the whole
// file down to "End" was read without fault; fields the file does not mention keep their
// values. `has_fade` decides the Fade split (the instruction table's when empty).
ConfigLoadResult LoadConfigurationText(std::string_view text, Configuration& c,
                                       const HasFadeFn& has_fade = {});

// What shows the model after a load, in the order it is refreshed. The address sums are
// recomputed by the load itself at their place in this order; the other steps belong to the
// views.
enum class LoadRefresh {
  kShowModuleDccRange,  // these four only when the file had a DCC record
  kShowPinDccAddressAfterDcc,
  kShowModuleXDccRange,
  kShowPinXDccAddressAfterDcc,
  kShowPin,
  kShowPinConfig,
  kApplyShowDetails,
  kShowPinEvents,
  kComputeDccStarts,
  kShowPinDccAddress,
  kComputeLumoStarts,
  kShowPinLumoAddress,
  kComputeXDccStarts,
  kShowPinXDccAddress,
};
using RefreshFn = std::function<void(LoadRefresh)>;

// "Save File" to `path` ("" = the dialog was cancelled: nothing happens). A file that cannot be
// written is reported and the previous file stays as it was. True when saved.
bool SaveConfigurationFile(const std::string& path, Configuration& c, SaveForm form,
                           Prompter& prompter);

// "Load File" from `path` ("" = cancelled). Reports a wrong header as "Invalid configuration
// file", a malformed body with its line and reason, an old version with "Data File Version = "
// before loading on. On success swaps the loaded configuration in and runs the refresh steps in
// order. True when loaded.
bool LoadConfigurationFile(const std::string& path, Configuration& c, Prompter& prompter,
                           const RefreshFn& refresh = {}, const HasFadeFn& has_fade = {});

// The version of a configuration file's header, or nothing when its first field is not exactly
// "PyraConfiguration", one blank and four characters.
std::optional<int> ConfigHeaderVersion(std::string_view text);

// The message for a refused body: the header message, then the line and what was wrong.
std::string InvalidFileMessage(const char* headline, const FileError& error);

}  // namespace pyra

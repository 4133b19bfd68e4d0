#pragma once

#include <string>

namespace pyra {

// The module-wide settings as the "General" tab shows and edits them.
struct ModuleSettings {
  std::string IDString;
  std::string FirmwareVersion = "Unknown";
};

}  // namespace pyra

#pragma once

#include <string>
#include <string_view>

namespace pyra {

// All file input and output of the configuration and device files goes through here.

// Reads a whole file. Returns "" on success, else why it could not be read.
std::string ReadWholeFile(const std::string& path, std::string& bytes);

// Writes `bytes` to a temporary file in the target's folder, flushes it to the disk and only
// then renames it over the target: a save that fails half-way (disk full, no permission) leaves
// the previous file exactly as it was instead of a truncated one. Returns "" on success, else
// why the file could not be written.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace pyra

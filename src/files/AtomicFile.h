#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pyra {

// All file input and output of the configuration and device files goes through here.

// Far above any real configuration (tens of KB) or device library.
constexpr std::size_t kMaxReadBytes = 4 * 1024 * 1024;

// Reads a whole regular file of at most kMaxReadBytes. Returns "" on success, else why it could
// not be read; a pipe, device or folder is refused without waiting on it or reading it.
std::string ReadWholeFile(const std::string& path, std::string& bytes);

// Writes `bytes` to a temporary file in the target's folder, flushes it to the disk and only
// then renames it over the target: a save that fails half-way (disk full, no permission) leaves
// the previous file exactly as it was instead of a truncated one. A symbolic link (or a chain of
// them) stays, and the file it leads to is replaced, keeping its mode; a target that is not a
// regular file is refused. No temporary file is left behind when the process is ended by a
// termination signal meanwhile, and going over the file-size limit fails the save. Returns "" on
// success, else why the file could not be written.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace pyra

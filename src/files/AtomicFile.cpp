#include "files/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pyra {

namespace {

std::string SystemError() { return std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A new file gets the permissions any newly created file would get; a replaced one keeps its own.
mode_t ModeFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::string ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return SystemError();
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return SystemError();
  bytes = content.str();
  return "";
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) return "no file name";
  std::string temp = FolderOf(path) + "/.pyra-save-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return SystemError();
  std::string error;
  if (!WriteAll(fd, bytes) || ::fchmod(fd, ModeFor(path)) != 0 || ::fsync(fd) != 0) {
    error = SystemError();
  }
  if (::close(fd) != 0 && error.empty()) error = SystemError();
  if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0) error = SystemError();
  if (!error.empty()) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself must reach the disk too, or a power cut could bring the old name back.
  if (const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return "";
}

}  // namespace pyra

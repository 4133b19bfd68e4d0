#include "files/AtomicFile.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pyra {

namespace {

// As many links as the system itself follows in one path.
constexpr int kMaxLinks = 40;

std::string SystemError() { return std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NotRegularFile(mode_t mode) {
  const char* what = S_ISDIR(mode)                    ? "a folder"
                     : S_ISFIFO(mode)                 ? "a pipe (FIFO)"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : "something else";
  return std::string("It is ") + what + ", not a regular file";
}

// The file a save really replaces: a symbolic link stays and its target is replaced, through a
// chain of links too; a dangling link's target is created. Returns "" or why not.
std::string SaveTarget(const std::string& path, std::string& target) {
  target = path;
  for (int links = 0;; ++links) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? "" : SystemError();
    if (S_ISREG(st.st_mode)) return "";
    if (!S_ISLNK(st.st_mode)) return NotRegularFile(st.st_mode);
    if (links == kMaxLinks) return std::strerror(ELOOP);
    std::array<char, PATH_MAX> link{};
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size() - 1);
    if (n < 0) return SystemError();
    const std::string to(link.data(), static_cast<std::size_t>(n));
    target = to.front() == '/' ? to : FolderOf(target) + "/" + to;
  }
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

// While a save has its temporary file, a signal that would end the process removes the file
// first, and one for going over the file-size limit fails the save instead of ending the process.
// A signal the program handles itself is left to it. One save at a time holds the guard.
constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGINT, SIGHUP};
std::array<char, PATH_MAX + 32> g_temp_name{};
volatile std::sig_atomic_t g_temp_exists = 0;

extern "C" void RemoveTempAndEnd(int signal) {
  if (g_temp_exists != 0) ::unlink(g_temp_name.data());
  std::signal(signal, SIG_DFL);
  ::raise(signal);  // delivered as the handler returns: the process ends as it would have
}

class TempFileGuard {
 public:
  TempFileGuard() : lock_(mutex_) {
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) Take(kEndingSignals[i], old_[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, nullptr, &old_fsize_);
    if (old_fsize_.sa_handler == SIG_DFL) ::sigaction(SIGXFSZ, &ignore, nullptr);
  }
  ~TempFileGuard() {
    Forget();
    ::sigaction(SIGXFSZ, &old_fsize_, nullptr);
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
      ::sigaction(kEndingSignals[i], &old_[i], nullptr);
    }
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;

  // Creates a new temporary file in `folder`; returns its descriptor, or -1 with errno set.
  // The name is known to the handler before the file exists (mkstemp would leave a moment in
  // which a file exists under a name the handler does not know yet).
  int Create(const std::string& folder) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char tail[32];
      std::snprintf(tail, sizeof tail, "/.pyra-save-%08x", random());
      const std::string name = folder + tail;
      if (name.size() >= g_temp_name.size()) {
        errno = ENAMETOOLONG;
        return -1;
      }
      std::memcpy(g_temp_name.data(), name.c_str(), name.size() + 1);
      g_temp_exists = 1;
      const int fd = ::open(g_temp_name.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0 || errno != EEXIST) {
        if (fd < 0) Forget();
        return fd;
      }
      Forget();
    }
    return -1;
  }
  const char* Name() const { return g_temp_name.data(); }
  void Forget() { g_temp_exists = 0; }

 private:
  static void Take(int signal, struct sigaction& old) {
    ::sigaction(signal, nullptr, &old);
    if (old.sa_handler != SIG_DFL) return;
    struct sigaction action {};
    action.sa_handler = RemoveTempAndEnd;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }

  static inline std::mutex mutex_;
  std::lock_guard<std::mutex> lock_;
  std::array<struct sigaction, kEndingSignals.size()> old_{};
  struct sigaction old_fsize_ {};
};

}  // namespace

std::string ReadWholeFile(const std::string& path, std::string& bytes) {
  // Non-blocking, so that opening a pipe no one writes to does not wait for ever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return SystemError();
  std::string error;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = SystemError();
  } else if (!S_ISREG(st.st_mode)) {
    error = NotRegularFile(st.st_mode);
  } else if (st.st_size > static_cast<off_t>(kMaxReadBytes)) {
    error = "The file is too large: " + std::to_string(st.st_size) +
            " bytes, more than a configuration or device file can be (" +
            std::to_string(kMaxReadBytes / (1024 * 1024)) + " MiB)";
  } else {
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
      const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error = SystemError();
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    // A file that shrank while it was read yields what it still held.
    content.resize(got);
    if (error.empty()) bytes = std::move(content);
  }
  ::close(fd);
  return error;
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) return "no file name";
  std::string target;
  if (std::string error = SaveTarget(path, target); !error.empty()) return error;
  TempFileGuard guard;
  const int fd = guard.Create(FolderOf(target));
  if (fd < 0) return SystemError();
  const char* temp = guard.Name();
  std::string error;
  if (!WriteAll(fd, bytes) || ::fchmod(fd, ModeFor(target)) != 0 || ::fsync(fd) != 0) {
    error = SystemError();
  }
  if (::close(fd) != 0 && error.empty()) error = SystemError();
  if (error.empty() && ::rename(temp, target.c_str()) != 0) error = SystemError();
  if (!error.empty()) {
    ::unlink(temp);
    return error;
  }
  guard.Forget();
  // The rename itself must reach the disk too, or a power cut could bring the old name back.
  if (const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return "";
}

}  // namespace pyra

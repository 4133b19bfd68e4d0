#include "Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pyra::bench {

namespace {

int TimeoutMs(Seconds timeout) {
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(timeout).count());
}

double ToSeconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

}  // namespace

Child::~Child() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
}

bool Child::Start(const std::string& program, const std::vector<std::string>& args,
                  const Options& options, std::string& error) {
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e) env_strings.emplace_back(*e);
  for (const std::string& extra : options.environment) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env_strings, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    env_strings.push_back(extra);
  }
  std::vector<char*> env;
  for (std::string& e : env_strings) env.push_back(e.data());
  env.push_back(nullptr);
  std::vector<std::string> argv_strings = {program};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_strings) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out_pipe[2] = {-1, -1};
  if (options.capture_output && ::pipe2(out_pipe, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.capture_output) {
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (options.inherit_fd >= 0) {
    // dup2 onto itself keeps it open across exec although it was made close-on-exec.
    const int kept = ::dup(options.inherit_fd);
    posix_spawn_file_actions_adddup2(&actions, kept, options.inherit_fd);
    posix_spawn_file_actions_addclose(&actions, kept);
    const int rc =
        ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data());
    ::close(kept);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) error = program + ": " + std::strerror(rc);
  } else {
    const int rc =
        ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) error = program + ": " + std::strerror(rc);
  }
  if (options.capture_output) {
    ::close(out_pipe[1]);
    out_ = out_pipe[0];
  }
  if (!error.empty()) {
    pid_ = -1;
    return false;
  }
  return true;
}

std::optional<std::string> Child::ReadLine(Seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (const auto end = buffered_.find('\n'); end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return line;
    }
    if (out_ < 0) return std::nullopt;
    const Seconds left = deadline - std::chrono::steady_clock::now();
    if (left <= Seconds::zero()) return std::nullopt;
    pollfd fd{out_, POLLIN, 0};
    if (::poll(&fd, 1, TimeoutMs(left)) <= 0) continue;
    char chunk[256];
    const ssize_t got = ::read(out_, chunk, sizeof chunk);
    if (got <= 0) return std::nullopt;
    buffered_.append(chunk, static_cast<std::size_t>(got));
  }
}

void Child::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

Child::Ended Child::Wait() {
  Ended ended;
  if (pid_ <= 0) return ended;
  int status = 0;
  rusage usage{};
  while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ended.cpu = Seconds(ToSeconds(usage.ru_utime) + ToSeconds(usage.ru_stime));
  ended.max_rss_kb = usage.ru_maxrss;
  return ended;
}

Pipe::Pipe() {
  int fds[2] = {-1, -1};
  if (::pipe2(fds, O_CLOEXEC) == 0) {
    read_fd = fds[0];
    write_fd = fds[1];
  }
}

Pipe::~Pipe() {
  if (read_fd >= 0) ::close(read_fd);
  CloseWriteEnd();
}

void Pipe::CloseWriteEnd() {
  if (write_fd >= 0) ::close(write_fd);
  write_fd = -1;
}

bool Pipe::WaitReadable(Seconds timeout) const {
  pollfd fd{read_fd, POLLIN, 0};
  return ::poll(&fd, 1, TimeoutMs(timeout)) > 0;
}

ScratchDir::ScratchDir() {
  char name[] = "/tmp/pyra-bench-XXXXXX";
  if (::mkdtemp(name)) path_ = name;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace pyra::bench

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace pyra::bench {

using Seconds = std::chrono::duration<double>;

// A child program started by the benchmark, with its standard output on a pipe when asked.
class Child {
 public:
  struct Options {
    // Environment entries added to the benchmark's own ("NAME=value").
    std::vector<std::string> environment;
    bool capture_output = false;  // else standard output and error go to /dev/null
    int inherit_fd = -1;          // one more descriptor the child keeps open
  };

  Child() = default;
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // false with the reason in `error`.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const Options& options, std::string& error);
  // The next line of its standard output, or nothing when none came within `timeout`.
  std::optional<std::string> ReadLine(Seconds timeout);
  void Signal(int signal) const;

  struct Ended {
    int status = -1;  // exit status, -1 when it did not exit normally
    Seconds cpu{};    // user + system time of the child itself
    long max_rss_kb = 0;
  };
  // Waits for the end and collects what it used.
  Ended Wait();
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

// A pipe whose read end stays with the benchmark; the write end is for a child.
struct Pipe {
  Pipe();
  ~Pipe();
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  // Waits for at least one byte on the read end; false at the timeout.
  bool WaitReadable(Seconds timeout) const;
  void CloseWriteEnd();
  int read_fd = -1;
  int write_fd = -1;
};

// A fresh directory under /tmp, removed with its files at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace pyra::bench

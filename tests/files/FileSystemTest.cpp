// Saving and reading on the file system: links, what is no regular file, modes, signals and
// file-size limits, and the code page the files are kept in.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/Cp1252.h"

namespace pyra {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// What "save.dat" is made before the save, in a folder that holds "real.dat" of mode 0604.
void Arrange(const std::string& what, const TempDir& d) {
  const std::string save = d.File("save.dat");
  if (what == "link") fs::create_symlink("real.dat", save);
  if (what == "chain_of_links") {
    fs::create_directory(d.File("sub"));
    fs::rename(d.File("real.dat"), d.File("sub/real.dat"));
    fs::create_symlink("real.dat", d.File("sub/link2"));
    fs::create_symlink("sub/link2", save);
  }
  if (what == "dangling_link") fs::create_symlink("made.dat", save);
  if (what == "fifo") ::mkfifo(save.c_str(), 0600);
  if (what == "folder") fs::create_directory(save);
  if (what == "link_to_device") fs::create_symlink("/dev/null", save);
}

TEST(AtomicSaveTest, WritesThroughLinksKeepsModesAndRefusesWhatIsNoFile) {
  const ::mode_t old_mask = ::umask(022);
  struct Case {
    std::string what, error, replaced;  // replaced: the file that then holds the new bytes
    int created;                        // entries the save adds to the folder
  };
  for (const Case& c :
       std::vector<Case>{{"link", "", "real.dat", 0},
                         {"chain_of_links", "", "sub/real.dat", 0},
                         {"dangling_link", "", "made.dat", 1},
                         {"new_file", "", "save.dat", 1},
                         {"fifo", "It is a pipe (FIFO), not a regular file", "", 0},
                         {"folder", "It is a folder, not a regular file", "", 0},
                         {"link_to_device", "It is a device, not a regular file", "", 0}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir.File("real.dat"), "old");
    ::chmod(dir.File("real.dat").c_str(), 0604);
    Arrange(c.what, dir);
    const std::string saved = dir.File("save.dat");
    const bool was_link = fs::is_symlink(saved);
    const int entries = dir.Entries();
    EXPECT_EQ(WriteFileAtomically(saved, "new"), c.error);
    EXPECT_EQ(fs::is_symlink(saved), was_link) << "a link stays a link";
    EXPECT_EQ(dir.Entries(), entries + c.created) << "no temporary file may be left";
    if (c.error.empty()) {
      EXPECT_EQ(ReadBytes(dir.File(c.replaced)), "new");
      // A replaced file keeps its mode, a new one gets the usual one.
      EXPECT_EQ(ModeOf(dir.File(c.replaced)), c.created ? 0644u : 0604u);
    }
  }
  ::umask(old_mask);
}

// An ending signal comes the moment the temporary file appears, long before the large save is
// written; a file-size limit (signal 0 here) fails the save. Neither leaves a temporary file.
TEST(AtomicSaveTest, EndingSignalOrFileSizeLimitLeavesNoTemporaryFile) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, 0}) {
    TempDir dir;
    const std::string saved = dir.File("save.dat");
    WriteBytes(saved, "old");
    const std::string large(64 * 1024 * 1024, 'x');
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, dir.File("").c_str(), IN_CREATE), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      const rlimit limit{1000, 1000};
      if (signal == 0) ::setrlimit(RLIMIT_FSIZE, &limit);
      ::signal(SIGXFSZ, SIG_IGN);
      _exit(WriteFileAtomically(saved, large) == std::strerror(EFBIG) ? 0 : 1);
    }
    pollfd p{watch, POLLIN, 0};
    if (signal != 0 && ::poll(&p, 1, 20000) == 1) ::kill(child, signal);
    ::close(watch);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(signal ? WIFSIGNALED(status) && WTERMSIG(status) == signal
                       : WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << signal << ": status " << status;
    EXPECT_EQ(dir.Entries(), 1);
    EXPECT_EQ(ReadBytes(saved), "old");
  }
}

TEST(ReadWholeFileTest, RefusesWhatIsNoConfigurationFileWithoutWaiting) {
  TempDir dir;
  ::mkfifo(dir.File("pipe").c_str(), 0600);
  WriteBytes(dir.File("big.dat"), "");
  fs::resize_file(dir.File("big.dat"), kMaxReadBytes);
  for (const auto& [path, error] : std::vector<std::pair<std::string, std::string>>{
           {dir.File("pipe"), "It is a pipe (FIFO), not a regular file"},
           {"/dev/zero", "It is a device, not a regular file"},
           {dir.File(""), "It is a folder, not a regular file"},
           {dir.File("big.dat"), ""}}) {
    std::string bytes = "untouched";
    EXPECT_EQ(ReadWholeFile(path, bytes), error) << path;
    EXPECT_EQ(bytes.size(), error.empty() ? kMaxReadBytes : 9u);
  }
  fs::resize_file(dir.File("big.dat"), kMaxReadBytes + 1);
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(dir.File("big.dat"), bytes),
            "The file is too large: 4194305 bytes, more than a configuration or device file can "
            "be (4 MiB)");
}

std::string Utf8(unsigned code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  if (code < 0x800) {
    return {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
  }
  return {static_cast<char>(0xE0 | code >> 12), static_cast<char>(0x80 | (code >> 6 & 0x3F)),
          static_cast<char>(0x80 | (code & 0x3F))};
}

TEST(Cp1252Test, EveryByteConvertsBothWays) {
  std::ifstream in(PYRA_TEST_DATA "/files/cp1252.txt");
  std::map<unsigned, unsigned> high;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') {
      high[std::stoul(line.substr(0, 2), nullptr, 16)] = std::stoul(line.substr(3), nullptr, 16);
    }
  }
  ASSERT_EQ(high.size(), 32u);
  for (unsigned byte = 1; byte < 256; ++byte) {
    const std::string text = Utf8(high.count(byte) ? high[byte] : byte);  // else Latin-1
    EXPECT_EQ(Cp1252ToUtf8(std::string(1, static_cast<char>(byte))), text) << byte;
    EXPECT_EQ(Utf8ToCp1252(text), std::string(1, static_cast<char>(byte))) << byte;
  }
  // What the code page cannot hold: an arrow, an emoji, a cut sequence.
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x86\x92 \xF0\x9F\x9A\x82 x\xC3"), "a? ? x?");
}

}  // namespace
}  // namespace pyra

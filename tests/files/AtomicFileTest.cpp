#include "files/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"

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

// Where "save.dat" leads to, as a test sets it up, and what a save there does.
struct SaveCase {
  const char* name;
  void (*arrange)(const TempDir&);
  std::string error;     // "" when the save goes through
  const char* replaced;  // the file that then holds the new bytes
};

class AtomicSaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(AtomicSaveTest, WritesThroughLinksAndRefusesWhatIsNoFile) {
  const SaveCase& c = GetParam();
  TempDir dir;
  c.arrange(dir);
  const std::string saved = dir.File("save.dat");
  const bool was_link = fs::is_symlink(saved);
  const int entries = dir.Entries();

  EXPECT_EQ(WriteFileAtomically(saved, "new"), c.error);
  EXPECT_EQ(fs::is_symlink(saved), was_link) << "the link must stay a link";
  if (c.error.empty()) {
    EXPECT_EQ(ReadBytes(dir.File(c.replaced)), "new");
    EXPECT_EQ(dir.Entries(), entries + (std::string(c.name) == "DanglingLink" ? 1 : 0))
        << "no temporary file may be left";
  } else {
    EXPECT_EQ(dir.Entries(), entries) << "nothing may be left or changed";
  }
}

void LinkToKeptMode(const TempDir& dir) {
  WriteBytes(dir.File("real.dat"), "old");
  ::chmod(dir.File("real.dat").c_str(), 0640);
  fs::create_symlink("real.dat", dir.File("save.dat"));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AtomicSaveTest,
    ::testing::Values(
        SaveCase{"Link", LinkToKeptMode, "", "real.dat"},
        SaveCase{"ChainOfLinks",
                 [](const TempDir& dir) {
                   fs::create_directory(dir.File("sub"));
                   WriteBytes(dir.File("sub/real.dat"), "old");
                   fs::create_symlink("real.dat", dir.File("sub/link2"));
                   fs::create_symlink("sub/link2", dir.File("save.dat"));
                 },
                 "", "sub/real.dat"},
        SaveCase{"DanglingLink",
                 [](const TempDir& dir) { fs::create_symlink("made.dat", dir.File("save.dat")); },
                 "", "made.dat"},
        SaveCase{"Fifo", [](const TempDir& dir) { ::mkfifo(dir.File("save.dat").c_str(), 0600); },
                 "It is a pipe (FIFO), not a regular file", ""},
        SaveCase{"Folder", [](const TempDir& dir) { fs::create_directory(dir.File("save.dat")); },
                 "It is a folder, not a regular file", ""},
        SaveCase{"LinkToDevice",
                 [](const TempDir& dir) { fs::create_symlink("/dev/null", dir.File("save.dat")); },
                 "It is a device, not a regular file", ""}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

TEST(AtomicSaveTest, ReplacedTargetKeepsItsMode) {
  TempDir dir;
  LinkToKeptMode(dir);
  ASSERT_EQ(WriteFileAtomically(dir.File("save.dat"), "new"), "");
  EXPECT_EQ(ModeOf(dir.File("real.dat")), 0640u);
}

// Runs a save in a child process and returns how the child ended; the parent may act while it
// runs through `during`, given the child's id.
template <typename Save, typename During>
int InChild(Save save, During during) {
  const pid_t child = ::fork();
  if (child == 0) _exit(save());
  during(child);
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

TEST(AtomicSaveSignalTest, FileSizeLimitFailsTheSaveAndLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string saved = dir.File("save.dat");
  WriteBytes(saved, "old");
  const int status = InChild(
      [&] {
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return WriteFileAtomically(saved, std::string(5000, 'x')) == std::strerror(EFBIG) ? 0 : 1;
      },
      [](pid_t) {});
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(ReadBytes(saved), "old");
  EXPECT_EQ(dir.Entries(), 1);
}

class AtomicSaveEndingSignalTest : public ::testing::TestWithParam<int> {};

// The signal comes the moment the temporary file appears, long before the large save is written.
TEST_P(AtomicSaveEndingSignalTest, ProcessEndsWithoutLeavingTheTemporaryFile) {
  TempDir dir;
  const std::string saved = dir.File("save.dat");
  WriteBytes(saved, "old");
  const std::string large(64 * 1024 * 1024, 'x');
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ASSERT_GE(::inotify_add_watch(watch, fs::path(saved).parent_path().c_str(), IN_CREATE), 0);
  const int status = InChild([&] { return WriteFileAtomically(saved, large).empty() ? 0 : 1; },
                             [&](pid_t child) {
                               pollfd p{watch, POLLIN, 0};
                               if (::poll(&p, 1, 20000) == 1) ::kill(child, GetParam());
                             });
  ::close(watch);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << "status " << status;
  EXPECT_EQ(dir.Entries(), 1);
  const std::string now = ReadBytes(saved);
  EXPECT_TRUE(now == "old" || now == large) << "the file is neither the old nor the new one";
}

INSTANTIATE_TEST_SUITE_P(Signals, AtomicSaveEndingSignalTest,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP));

struct ReadCase {
  const char* name;
  std::string (*path)(const TempDir&);
  std::string error;
};

class ReadWholeFileTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadWholeFileTest, RefusesWhatIsNoConfigurationFileWithoutWaiting) {
  TempDir dir;
  std::string bytes = "untouched";
  EXPECT_EQ(ReadWholeFile(GetParam().path(dir), bytes), GetParam().error);
  if (!GetParam().error.empty()) {
    EXPECT_EQ(bytes, "untouched");
  }
}

std::string SizedFile(const TempDir& dir, std::size_t size) {
  const std::string path = dir.File("big.dat");
  WriteBytes(path, "");
  fs::resize_file(path, size);
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ReadWholeFileTest,
    ::testing::Values(
        ReadCase{"FifoNobodyWritesTo",
                 [](const TempDir& dir) {
                   ::mkfifo(dir.File("pipe").c_str(), 0600);
                   return dir.File("pipe");
                 },
                 "It is a pipe (FIFO), not a regular file"},
        ReadCase{"EndlessDevice", [](const TempDir&) { return std::string("/dev/zero"); },
                 "It is a device, not a regular file"},
        ReadCase{"Folder", [](const TempDir& dir) { return dir.File(""); },
                 "It is a folder, not a regular file"},
        ReadCase{"LargestAccepted",
                 [](const TempDir& dir) { return SizedFile(dir, kMaxReadBytes); }, ""},
        ReadCase{"TooLarge", [](const TempDir& dir) { return SizedFile(dir, kMaxReadBytes + 1); },
                 "The file is too large: 4194305 bytes, more than a configuration or device "
                 "file can be (4 MiB)"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pyra

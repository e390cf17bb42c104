// File services: the program's file and folder, the current folder, existence and
// readability, and the atomic copy.
#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using testsupport::FileContents;

TEST(Files, ProgramFileAndFolderNameThisTestProgram) {
  const char* build = std::getenv("TIDEWELL_BUILD_DIR");
  if (build == nullptr) GTEST_SKIP() << "run through ctest, which names the build folder";
  const std::filesystem::path expected =
      std::filesystem::canonical(std::filesystem::path(build) / "tests" / "platform" / "platform_tests");
  std::string file = "unchanged";
  ASSERT_TRUE(platform::ProgramFile(file));
  EXPECT_EQ(file, expected.string());
  std::string folder;
  ASSERT_TRUE(platform::ProgramFolder(folder));
  EXPECT_EQ(folder, expected.parent_path().string() + "/");
}

TEST(Files, CurrentFolderFollowsTheProcessAndEndsWithTheSeparator) {
  testsupport::TempDir dir;
  const std::filesystem::path inner = dir.path() / "with space";
  std::filesystem::create_directory(inner);
  // In a child, so that changing folders cannot disturb other tests.
  const pid_t child = testsupport::Spawn([&inner] {
    if (chdir(inner.c_str()) != 0) return 1;
    std::string folder;
    if (!platform::CurrentFolder(folder)) return 2;
    if (folder != std::filesystem::canonical(inner).string() + "/") return 3;
    if (chdir("/") != 0 || !platform::CurrentFolder(folder) || folder != "/") return 4;
    return 0;
  });
  EXPECT_EQ(testsupport::Wait(child), 0);
}

TEST(Files, ExistenceAndReadability) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("file.ini", "x");
  const std::string empty = dir.Write("empty.ini", "");
  const std::string folder = dir.path().string();
  const std::string missing = folder + "/missing.ini";
  const std::string link = folder + "/link.ini";
  const std::string dangling = folder + "/dangling.ini";
  std::filesystem::create_symlink(file, link);
  std::filesystem::create_symlink(missing, dangling);
  // Not usable as files: reading a FIFO blocks until a writer comes, a device never ends.
  const std::string fifo = folder + "/fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  for (const std::string& path : {file, empty, link}) {
    EXPECT_TRUE(platform::FileExists(path.c_str())) << path;
    EXPECT_TRUE(platform::FileReadable(path.c_str())) << path;
  }
  for (const std::string& path : {folder, missing, dangling, file + "/below", fifo, std::string("/dev/zero")}) {
    EXPECT_FALSE(platform::FileExists(path.c_str())) << path;
    EXPECT_FALSE(platform::FileReadable(path.c_str())) << path;
  }
  EXPECT_FALSE(platform::FileExists(nullptr));
  EXPECT_FALSE(platform::FileReadable(nullptr));
  // Permissions do not bind the superuser: it looks as "nobody" then.
  ASSERT_EQ(chmod(file.c_str(), 0200), 0);
  const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
  if (geteuid() == 0 && nobody == nullptr) GTEST_SKIP() << "no account 'nobody' to drop the superuser's rights to";
  const pid_t child = testsupport::Spawn([&] {
    if (nobody != nullptr && setuid(nobody->pw_uid) != 0) return 1;
    if (!platform::FileExists(file.c_str())) return 2;
    return platform::FileReadable(file.c_str()) ? 3 : 0;
  });
  EXPECT_EQ(testsupport::Wait(child), 0);
}

TEST(Files, CopyReplacesWithContentModeAndTime) {
  testsupport::TempDir dir;
  const std::string from = dir.Write("Quenta.ini", "[S]\r\nk=v\r\n");
  const std::string to = dir.path().string() + "/Quenta.ini.bak";
  ASSERT_EQ(chmod(from.c_str(), 0604), 0);
  const timespec times[2] = {{1000000000, 5}, {1200000000, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, from.c_str(), times, 0), 0);

  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), to.c_str(), false));
  EXPECT_EQ(FileContents(to), "[S]\r\nk=v\r\n");
  struct stat copied{};
  ASSERT_EQ(stat(to.c_str(), &copied), 0);
  EXPECT_EQ(copied.st_mode & 07777, 0604u);
  EXPECT_EQ(copied.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(copied.st_mtim.tv_nsec, 123456789);

  dir.Write("Quenta.ini", "new");
  EXPECT_FALSE(platform::CopyFileAtomic(from.c_str(), to.c_str(), true));
  EXPECT_EQ(FileContents(to), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), to.c_str(), false));
  EXPECT_EQ(FileContents(to), "new");
  const std::string fresh = dir.path().string() + "/fresh.ini";
  EXPECT_TRUE(platform::CopyFileAtomic(from.c_str(), fresh.c_str(), true));
  EXPECT_EQ(FileContents(fresh), "new");

  // A failed copy changes nothing.
  EXPECT_FALSE(platform::CopyFileAtomic((dir.path() / "missing").c_str(), to.c_str(), false));
  EXPECT_FALSE(platform::CopyFileAtomic(dir.path().c_str(), to.c_str(), false));
  EXPECT_FALSE(platform::CopyFileAtomic(from.c_str(), (dir.path() / "no" / "such").c_str(), false));
  EXPECT_EQ(FileContents(to), "new");

  // Through a link, the link's target is replaced and the link stays.
  const std::string link = dir.path().string() + "/link.ini";
  std::filesystem::create_symlink(fresh, link);
  dir.Write("Quenta.ini", "via link");
  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), link.c_str(), false));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FileContents(fresh), "via link");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4) << "temporary files left";
}

TEST(Files, ReadersNeverSeeAPartlyCopiedFile) {
  testsupport::TempDir dir;
  const std::string all_a(256 << 10, 'a');
  const std::string all_b(256 << 10, 'b');
  const std::string a = dir.Write("a", all_a);
  const std::string b = dir.Write("b", all_b);
  const std::string target = dir.path().string() + "/target";
  ASSERT_TRUE(platform::CopyFileAtomic(a.c_str(), target.c_str(), false));
  const pid_t copier = testsupport::Spawn([&] {
    for (int i = 0; i < 100; ++i) {
      if (!platform::CopyFileAtomic((i % 2 ? a : b).c_str(), target.c_str(), false)) return 1;
    }
    return 0;
  });
  int torn = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string bytes = FileContents(target);
    if (bytes != all_a && bytes != all_b) ++torn;
  }
  EXPECT_EQ(testsupport::Wait(copier), 0);
  EXPECT_EQ(torn, 0);
}

}  // namespace

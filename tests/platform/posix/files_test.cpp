// The POSIX file services' own guarantees: links, special files and permissions in the
// existence and readability tests, and what the atomic copy keeps of a file besides its bytes.
#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using testsupport::FileContents;

TEST(Files, LinksSpecialFilesAndPermissionsInExistenceAndReadability) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("file.ini", "x");
  const std::string folder = dir.path().string();
  const std::string missing = folder + "/missing.ini";
  const std::string link = folder + "/link.ini";
  const std::string dangling = folder + "/dangling.ini";
  std::filesystem::create_symlink(file, link);
  std::filesystem::create_symlink(missing, dangling);
  // Not usable as files: reading a FIFO blocks until a writer comes, a device never ends.
  const std::string fifo = folder + "/fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  EXPECT_TRUE(platform::FileExists(link.c_str()));
  EXPECT_TRUE(platform::FileReadable(link.c_str()));
  for (const std::string& path : {dangling, fifo, std::string("/dev/zero")}) {
    EXPECT_FALSE(platform::FileExists(path.c_str())) << path;
    EXPECT_FALSE(platform::FileReadable(path.c_str())) << path;
  }
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

  // Through a link, the link's target is replaced and the link stays.
  const std::string fresh = dir.Write("fresh.ini", "old");
  const std::string link = dir.path().string() + "/link.ini";
  std::filesystem::create_symlink(fresh, link);
  dir.Write("Quenta.ini", "via link");
  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), link.c_str(), false));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FileContents(fresh), "via link");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4) << "temporary files left";
}

}  // namespace

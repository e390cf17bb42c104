// The profile functions when the file system misbehaves: something that is not a file in
// the INI file's place, a file this account may not read, and a full disk. Reads then give
// the defaults without blocking; writes fail and leave every byte, and no stray file, behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/profile.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using testsupport::FileContents;

std::string Read(const std::string& file) {
  char buffer[64];
  const std::uint32_t count = platform::ReadProfileEntry("S", "k", "<default>", buffer, sizeof buffer, file.c_str());
  return std::string(buffer, count);
}

std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

TEST(ProfileFaults, WhatIsNotAFileReadsAsDefaultsAndRefusesWrites) {
  testsupport::TempDir dir;
  const std::string folder = (dir.path() / "folder.ini").string();
  const std::string fifo = (dir.path() / "fifo.ini").string();
  const std::string device = (dir.path() / "device.ini").string();
  std::filesystem::create_directory(folder);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", device);
  const std::set<std::string> before = Names(dir.path());
  for (const std::string& file : {folder, fifo, device}) {
    // In a child, so that a reader or writer that blocks is ended by the alarm.
    const pid_t child = testsupport::Spawn([&file] {
      alarm(10);
      if (Read(file) != "<default>") return 1;
      if (platform::WriteProfileEntry("S", "k", "v", file.c_str())) return 2;
      return Read(file) == "<default>" ? 0 : 3;
    });
    EXPECT_EQ(testsupport::Wait(child), 0) << file << " (1014: blocked)";
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder) && std::filesystem::is_empty(folder));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(Names(dir.path()), before) << "a lock or temporary file stayed";
}

TEST(ProfileFaults, AFileThisAccountMayNotReadReadsAsDefaultsAndRefusesWrites) {
  testsupport::TempDir dir;
  const std::string content = "[S]\r\nk=secret\r\n";
  const std::string file = dir.Write("Quenta.ini", content);
  ASSERT_EQ(chmod(file.c_str(), 0200), 0);
  // The superuser may read anything: the reads and writes then run as "nobody", who owns
  // the folder (so a lock and a temporary file could be made) and may only write the file.
  uid_t account = geteuid();
  if (account == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no account 'nobody' to drop the superuser's rights to";
    account = nobody->pw_uid;
    ASSERT_EQ(chown(dir.path().c_str(), account, nobody->pw_gid), 0);
    ASSERT_EQ(chown(file.c_str(), account, nobody->pw_gid), 0);
  }
  const pid_t child = testsupport::Spawn([&] {
    alarm(10);
    if (geteuid() != account && setuid(account) != 0) return 10;
    if (Read(file) != "<default>") return 1;
    return platform::WriteProfileEntry("S", "k", "v", file.c_str()) ? 2 : 0;
  });
  EXPECT_EQ(testsupport::Wait(child), 0);
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  EXPECT_EQ(FileContents(file), content);
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"Quenta.ini"});
}

// A small file system of its own, for as long as the test runs; empty path when this process
// may not mount one.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::filesystem::path& at) {
    std::filesystem::create_directory(at);
    if (geteuid() == 0 && mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k,mode=0755") == 0) path_ = at;
  }
  ~SmallFileSystem() {
    if (!path_.empty()) (void)umount2(path_.c_str(), MNT_DETACH);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

TEST(ProfileFaults, AWriteThatRunsOutOfSpaceLeavesTheOldFileAndNothingElse) {
  testsupport::TempDir dir;
  const SmallFileSystem disk(dir.path() / "disk");
  if (disk.path().empty()) GTEST_SKIP() << "mounting a small tmpfs needs the superuser (and a system that allows it)";
  std::string content = "[S]\r\nk=old\r\n";
  while (content.size() < 20000) content += "filler" + std::to_string(content.size()) + "=some text\r\n";
  const std::string file = (disk.path() / "Quenta.ini").string();
  {
    std::ofstream out(file, std::ios::binary);
    out << content;
  }
  ASSERT_EQ(FileContents(file), content);
  // Fill what is left: the new copy of the file cannot be written.
  const std::string filler = (disk.path() / "filler").string();
  {
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
  }
  const std::set<std::string> before = Names(disk.path());

  EXPECT_FALSE(platform::WriteProfileEntry("S", "k", "new", file.c_str()));
  EXPECT_EQ(FileContents(file), content);
  EXPECT_EQ(Names(disk.path()), before) << "a lock or temporary file stayed";
  EXPECT_EQ(Read(file), "old");

  // With room again the same write succeeds: it failed for lack of space.
  std::filesystem::remove(filler);
  EXPECT_TRUE(platform::WriteProfileEntry("S", "k", "new", file.c_str()));
  EXPECT_EQ(Read(file), "new");
}

}  // namespace

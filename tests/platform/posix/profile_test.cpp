// The POSIX profile functions' own guarantees and the INI document underneath: UTF-16 files
// refused, permissions and links kept, hostile files, memory for large files, writes that
// change nothing, and the read cache.
#include "platform/profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/posix/profile_cache.h"
#include "tests/platform/profile_fixture.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using testsupport::FileContents;
using Profile = ProfileFixture;

// The contract's "leaves the file as it is" (contract/profile_test.cpp), here down to the
// file itself: a write that changes nothing does not replace it.
TEST_F(Profile, WritesThatChangeNothingLeaveTheFileInPlace) {
  Given("[B]\r\nk=4\r\n");
  struct stat before{};
  ASSERT_EQ(stat(file_.c_str(), &before), 0);
  EXPECT_TRUE(platform::WriteProfileEntry("B", "missing", nullptr, file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry("Missing", nullptr, nullptr, file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry("B", "k", "4", file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry(nullptr, nullptr, nullptr, file_.c_str()));
  struct stat after{};
  ASSERT_EQ(stat(file_.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(Profile, Utf16FilesAreNotWrittenTo) {
  const auto utf16 = [](std::string_view text, bool big_endian) {
    std::string wide;
    for (const char c : text) wide += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    return wide;
  };
  const std::string text = "[S]\r\nk=v\r\n";
  for (const std::string& bytes : {"\xFF\xFE" + utf16(text, false), "\xFE\xFF" + utf16(text, true), utf16(text, false),
                                   utf16(text, true), "\xFF\xFE" + utf16(";x", false)}) {
    Given(bytes);
    // Appending 8-bit lines would leave a file that is neither.
    EXPECT_FALSE(platform::WriteProfileEntry("S", "k", "new", file_.c_str()));
    EXPECT_FALSE(platform::WriteProfileEntry("T", "k", "new", file_.c_str()));
    EXPECT_FALSE(platform::WriteProfileEntry("S", nullptr, nullptr, file_.c_str()));
    EXPECT_EQ(FileContents(file_), bytes);
    EXPECT_EQ(Read("S", "k"), "<default>");
  }
  // 8-bit files with NULs in them are still 8-bit files.
  for (const std::string& bytes : {std::string("[S]\0\r\nk=\0\r\n", 11), std::string("k=\0v\0w\0", 8)}) {
    Given(bytes);
    EXPECT_TRUE(platform::WriteProfileEntry("T", "k", "v", file_.c_str())) << bytes;
    EXPECT_EQ(Read("T", "k"), "v");
  }
}

TEST_F(Profile, WritesKeepPermissionsAndFollowLinks) {
  Given("[S]\r\nk=v\r\n");
  ASSERT_EQ(chmod(file_.c_str(), 0640), 0);
  ASSERT_TRUE(platform::WriteProfileEntry("S", "k", "w", file_.c_str()));
  struct stat status{};
  ASSERT_EQ(stat(file_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);

  const std::string link = (dir_.path() / "link.ini").string();
  std::filesystem::create_symlink(file_, link);
  ASSERT_TRUE(platform::WriteProfileEntry("S", "j", "x", link.c_str()));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FileContents(file_), "[S]\r\nk=w\r\nj=x\r\n");
  // No lock file or temporary file stays behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2);
}

TEST_F(Profile, HostileFilesReadAsWhatTheyAreAndNeverCrash) {
  std::mt19937 random(1234);
  static constexpr char kAlphabet[] = "[]=;'\" \t\r\n\xEF\xBB\xBF" "abcK\0";
  const std::string alphabet(kAlphabet, sizeof kAlphabet);  // the last NUL included
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 400, '\0');
    for (char& c : bytes) c = alphabet[random() % alphabet.size()];
    Given(bytes);
    for (const char* section : {"a", "", "b c", "K"}) {
      for (const char* key : {"a", "", "K", "c"}) {
        for (const std::uint32_t size : {1u, 2u, 7u, 64u}) Read(section, key, "dflt", size);
      }
    }
    // A valid write into any of them reads back, and the rest of the file is kept around it.
    ASSERT_TRUE(platform::WriteProfileEntry("zz", "key", "value", file_.c_str()));
    EXPECT_EQ(Read("zz", "key"), "value");
    EXPECT_EQ(FileContents(file_).substr(0, bytes.size()), bytes);
  }
  // Special files are not read as INI text, and do not block the reader.
  file_ = "/dev/zero";
  EXPECT_EQ(Read("S", "k"), "<default>");
  const std::string fifo = (dir_.path() / "fifo.ini").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  file_ = fifo;
  EXPECT_EQ(Read("S", "k"), "<default>");
}

TEST_F(Profile, AHeaderIsFoundWhereverItsLineStarts) {
  struct Case {
    const char* text;
    const char* expected;  // of the key k in section a
  };
  const Case cases[] = {
      {"k=[a]\r\n[a]\r\nk=1", "1"},        // a '[' inside a value opens nothing
      {"x [a]\n[a]\nk=2", "2"},               // nor one after other text
      {"\xEF\xBB\xBF[a]\nk=3", "3"},         // the first line, after a byte-order mark
      {"[a\n\t [a] \rk=4", "4"},              // blanks before it, a line ended by CR alone
      {"[b]\nk=5\n[a]", "<default>"},         // the last line, without keys
  };
  for (const Case& c : cases) {
    Given(c.text);
    EXPECT_EQ(Read("a", "k"), c.expected) << c.text;
  }
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when it cannot be read.
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

TEST_F(Profile, ALargeFileTakesLittleMoreMemoryThanItsBytes) {
  // The family's shape, short lines: 32 MiB, some 2.3 million lines.
  std::string bytes;
  for (int s = 0; bytes.size() < (32u << 20); ++s) {
    bytes += "[AV_#_Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < 10; ++k) bytes += "Key" + std::to_string(k) + "=" + std::to_string(s * 10 + k) + "\r\n";
  }
  Given(bytes);
  const long file_kib = static_cast<long>(bytes.size() / 1024);
  bytes = std::string();
  // In a child, whose peak memory is then about this read alone.
  const pid_t child = testsupport::Spawn([this, file_kib] {
    std::ofstream("/proc/self/clear_refs") << "5";  // starts the peak afresh where the kernel can
    const long before = StatusKiB("VmRSS");
    if (Read("AV_#_Section1000", "Key5") != "10005") return 1;
    const long peak = StatusKiB("VmHWM");
    if (before < 0 || peak < 0) return 2;
    std::fprintf(stderr, "file %ld KiB, peak of the read %ld KiB\n", file_kib, peak - before);
    return peak - before < 2 * file_kib ? 0 : 3;
  });
  EXPECT_EQ(testsupport::Wait(child), 0);
}

// The cache on its own: what is parsed when.
class ProfileCache : public Profile {
 protected:
  void Rewrite(std::string_view bytes) {
    // In place: same inode, and the same size as the test chooses.
    std::fstream out(file_, std::ios::in | std::ios::out | std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(ProfileCache, AnUnchangedFileIsParsedOnce) {
  Given("[S]\nk=1\n");
  // With no racy window, every entry is trusted on its stamp at once.
  platform::detail::ProfileCache trusting(8, std::chrono::nanoseconds(0));
  platform::detail::ProfileCache careful(8);
  for (platform::detail::ProfileCache* cache : {&trusting, &careful}) {
    const auto first = cache->Load(file_);
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cache->Load(file_), first);
    EXPECT_EQ(cache->parses(), 1u);
  }
}

TEST_F(ProfileCache, AChangeThatKeepsInodeSizeAndModificationTimeIsSeen) {
  platform::detail::ProfileCache trusting(8, std::chrono::nanoseconds(0));
  platform::detail::ProfileCache careful(8);
  for (platform::detail::ProfileCache* cache : {&trusting, &careful}) {
    Given("[S]\nk=1\n");
    ASSERT_EQ(cache->Load(file_)->Find("S", "k"), "1");
    struct stat before{};
    ASSERT_EQ(stat(file_.c_str(), &before), 0);
    Rewrite("[S]\nk=2\n");
    // Put the modification time back: inode, size and mtime now match the cached version,
    // and only the status-change time (or the bytes) can tell.
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, file_.c_str(), times, 0), 0);
    EXPECT_EQ(cache->Load(file_)->Find("S", "k"), "2");
  }
}

TEST_F(ProfileCache, ReplacedRemovedAndLeastUsedFilesLeave) {
  platform::detail::ProfileCache cache(2, std::chrono::nanoseconds(0));
  const std::string a = dir_.Write("a.ini", "[S]\nk=a\n");
  const std::string b = dir_.Write("b.ini", "[S]\nk=b\n");
  const std::string c = dir_.Write("c.ini", "[S]\nk=c\n");
  ASSERT_NE(cache.Load(a), nullptr);
  ASSERT_NE(cache.Load(b), nullptr);
  ASSERT_NE(cache.Load(a), nullptr);
  ASSERT_NE(cache.Load(c), nullptr);  // b was used least recently
  EXPECT_EQ(cache.parses(), 3u);
  ASSERT_NE(cache.Load(a), nullptr);
  EXPECT_EQ(cache.parses(), 3u);
  ASSERT_NE(cache.Load(b), nullptr);
  EXPECT_EQ(cache.parses(), 4u);

  std::filesystem::remove(a);
  EXPECT_EQ(cache.Load(a), nullptr);
  dir_.Write("a.ini.new", "[S]\nk=A\n");
  std::filesystem::rename(dir_.path() / "a.ini.new", a);
  EXPECT_EQ(cache.Load(a)->Find("S", "k"), "A");
}

}  // namespace

// The profile reads' folder watch: a file read again and again and found unchanged is not
// looked at again until its folder changes, so every kind of change must still show at the
// next read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/profile_cache.h"
#include "platform/profile.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

std::string Read(const std::string& file, platform::ProfileFileState* state = nullptr,
                 const std::string& companion = "") {
  char buffer[64];
  platform::ProfileFileState ignored;
  platform::ReadProfileEntry("S", "k", "<none>", buffer, sizeof buffer, file.c_str(),
                             companion.empty() ? nullptr : companion.c_str(), state ? *state : ignored);
  return buffer;
}

// Reads `file` as often as it takes to be watched; the value the last read found.
std::string ReadUntilWatched(const std::string& file) {
  std::string value;
  for (std::uint32_t i = 0; i < platform::detail::kReadsBeforeWatch; ++i) value = Read(file);
  return value;
}

void WriteInPlace(const std::string& file, const std::string& text) {
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

TEST(ProfileWatch, ChangesInPlaceThroughOtherNamesAndOfTheFolderShow) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir.path() / "a");
  std::filesystem::create_directories(dir.path() / "b");
  const std::string file = dir.Write("a/x.ini", "[S]\nk=1\n");
  EXPECT_EQ(ReadUntilWatched(file), "1");

  // In place, same size, the old times put back: only the watch or the change time tells.
  struct stat before{};
  stat(file.c_str(), &before);
  WriteInPlace(file, "[S]\nk=2\n");
  const timespec times[2] = {before.st_atim, before.st_mtim};
  utimensat(AT_FDCWD, file.c_str(), times, 0);
  EXPECT_EQ(Read(file), "2");

  // A second name in another folder: changes through it raise no event in this folder.
  const std::string other = (dir.path() / "b" / "link.ini").string();
  std::filesystem::create_hard_link(file, other);
  EXPECT_EQ(Read(file), "2");
  WriteInPlace(other, "[S]\nk=3\n");
  EXPECT_EQ(Read(file), "3");

  // A symbolic link read through its own folder.
  const std::string target = dir.Write("b/target.ini", "[S]\nk=4\n");
  const std::string link = (dir.path() / "a" / "sym.ini").string();
  std::filesystem::create_symlink(target, link);
  EXPECT_EQ(ReadUntilWatched(link), "4");
  WriteInPlace(target, "[S]\nk=5\n");
  EXPECT_EQ(Read(link), "5");

  // The whole folder replaced by another one of the same name.
  std::filesystem::rename(dir.path() / "a", dir.path() / "old-a");
  std::filesystem::create_directories(dir.path() / "a");
  dir.Write("a/x.ini", "[S]\nk=6\n");
  EXPECT_EQ(Read(file), "6");
}

// Makes `file`, with its folders, holding k=`value` in section S.
void Put(const std::filesystem::path& file, const char* value) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << "[S]\nk=" << value << "\n";
}

// Swaps the link `link` to point at `target` as deployment tools do: a new link renamed over
// the old one, so that the name never goes missing.
void Repoint(const std::filesystem::path& link, const std::filesystem::path& target) {
  const std::filesystem::path fresh = link.string() + ".new";
  std::filesystem::create_symlink(target, fresh);
  std::filesystem::rename(fresh, link);
}

TEST(ProfileWatch, AFolderReplacedOrALinkRepointedAnywhereOnThePathIsSeen) {
  namespace fs = std::filesystem;
  struct Case {
    const char* what;
    const char* path;  // read through this, below the test's folder
    void (*prepare)(const fs::path& dir);
    void (*change)(const fs::path& dir);
  };
  const Case cases[] = {
      {"the link to the folder re-pointed", "current/x.ini",
       [](const fs::path& d) {
         Put(d / "release-1/x.ini", "1");
         Put(d / "release-2/x.ini", "2");
         fs::create_directory_symlink("release-1", d / "current");
       },
       [](const fs::path& d) { Repoint(d / "current", "release-2"); }},
      {"the link to the folder removed and made again", "current/x.ini",
       [](const fs::path& d) {
         Put(d / "release-1/x.ini", "1");
         Put(d / "release-2/x.ini", "2");
         fs::create_directory_symlink("release-1", d / "current");
       },
       [](const fs::path& d) {
         fs::remove(d / "current");
         fs::create_directory_symlink(d / "release-2", d / "current");
       }},
      {"a link through '..' re-pointed", "app/current/x.ini",
       [](const fs::path& d) {
         Put(d / "releases/1/x.ini", "1");
         Put(d / "releases/2/x.ini", "2");
         fs::create_directories(d / "app");
         fs::create_directory_symlink("../releases/1", d / "app/current");
       },
       [](const fs::path& d) { Repoint(d / "app/current", "../releases/2"); }},
      {"a link higher up re-pointed", "top/sub/x.ini",
       [](const fs::path& d) {
         Put(d / "one/sub/x.ini", "1");
         Put(d / "two/sub/x.ini", "2");
         fs::create_directory_symlink("one", d / "top");
       },
       [](const fs::path& d) { Repoint(d / "top", "two"); }},
      {"the grandparent folder replaced", "a/b/x.ini", [](const fs::path& d) { Put(d / "a/b/x.ini", "1"); },
       [](const fs::path& d) {
         fs::rename(d / "a", d / "old-a");
         Put(d / "a/b/x.ini", "2");
       }},
      {"the folder a link leads to replaced", "current/x.ini",
       [](const fs::path& d) {
         Put(d / "release/x.ini", "1");
         fs::create_directory_symlink("release", d / "current");
       },
       [](const fs::path& d) {
         fs::rename(d / "release", d / "release-old");
         Put(d / "release/x.ini", "2");
       }},
      {"the file's own link re-pointed", "x.ini",
       [](const fs::path& d) {
         Put(d / "store/one.ini", "1");
         Put(d / "store/two.ini", "2");
         fs::create_symlink("store/one.ini", d / "x.ini");
       },
       [](const fs::path& d) { Repoint(d / "x.ini", "store/two.ini"); }},
  };
  for (const Case& c : cases) {
    testsupport::TempDir dir;
    c.prepare(dir.path());
    const std::string file = (dir.path() / c.path).string();
    ASSERT_EQ(ReadUntilWatched(file), "1") << c.what;  // now from the cache, watched
    c.change(dir.path());
    EXPECT_EQ(Read(file), "2") << c.what;
  }
}

// The inotify watches this process holds (an instance's fdinfo has a line for each); -1 when
// /proc cannot tell.
int InotifyWatches() {
  std::error_code error;
  int watches = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fdinfo", error)) {
    std::ifstream info(fd.path());
    for (std::string line; std::getline(info, line);) watches += line.starts_with("inotify wd:") ? 1 : 0;
  }
  return error ? -1 : watches;
}

std::string ValueIn(platform::detail::ProfileCache& cache, const std::string& file) {
  const auto document = cache.Load(file);
  if (document == nullptr) return "<missing>";
  const auto value = document->Find("S", "k");
  return value ? std::string(*value) : "<none>";
}

// A file is watched from its kReadsBeforeWatch-th read on and a missing one never; until then
// every read looks at the file, so a change right after a read shows all the same.
TEST(ProfileWatch, OnlyAFileReadAgainAndAgainIsWatchedAndNeverAMissingOne) {
  using platform::detail::kReadsBeforeWatch;
  testsupport::TempDir dir;
  platform::detail::ProfileCache cache;
  const int before = InotifyWatches();
  ASSERT_GE(before, 0);

  const std::string later = (dir.path() / "later.ini").string();
  for (std::uint32_t read = 1; read <= kReadsBeforeWatch; ++read) EXPECT_EQ(ValueIn(cache, later), "<missing>");
  EXPECT_EQ(InotifyWatches(), before);
  dir.Write("later.ini", "[S]\nk=1\n");
  EXPECT_EQ(ValueIn(cache, later), "1");

  const std::string file = dir.Write("x.ini", "[S]\nk=1\n");
  EXPECT_EQ(ValueIn(cache, file), "1");
  WriteInPlace(file, "[S]\nk=2\n");  // in place and of the same size
  for (std::uint32_t read = 2; read < kReadsBeforeWatch; ++read) EXPECT_EQ(ValueIn(cache, file), "2");
  EXPECT_EQ(InotifyWatches(), before);
  EXPECT_EQ(ValueIn(cache, file), "2");  // the read that sets up the watch
  EXPECT_GT(InotifyWatches(), before);
  WriteInPlace(file, "[S]\nk=3\n");
  EXPECT_EQ(ValueIn(cache, file), "3");
  std::filesystem::remove(file);
  EXPECT_EQ(ValueIn(cache, file), "<missing>");
  EXPECT_EQ(InotifyWatches(), before);
}

TEST(ProfileWatch, AChildAndItsParentEachSeeTheOthersChanges) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("x.ini", "[S]\nk=1\n");
  ASSERT_EQ(Read(file), "1");
  const pid_t child = testsupport::Spawn([&] {
    if (Read(file) != "1") return 1;
    if (!platform::WriteProfileEntry("S", "k", "child", file.c_str())) return 2;
    return Read(file) == "child" ? 0 : 3;
  });
  EXPECT_EQ(testsupport::Wait(child), 0);
  EXPECT_EQ(Read(file), "child");
  ASSERT_TRUE(platform::WriteProfileEntry("S", "k", "parent", file.c_str()));
  const pid_t reader = testsupport::Spawn([&] { return Read(file) == "parent" ? 0 : 1; });
  EXPECT_EQ(testsupport::Wait(reader), 0);
}

}  // namespace

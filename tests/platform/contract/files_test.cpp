// File services every backend keeps: the program's file and folder, the current folder,
// existence and readability, and the atomic copy.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::FileContents;

TEST(Files, ProgramFileAndFolderNameThisTestProgram) {
  const char* build = std::getenv("TIDEWELL_BUILD_DIR");
  if (build == nullptr) GTEST_SKIP() << "run through ctest, which names the build folder";
  const fs::path folder = fs::canonical(fs::path(build) / "tests" / "platform");
  std::string file = "unchanged";
  ASSERT_TRUE(platform::ProgramFile(file));
  // The name without the system's ending for programs, if it has one.
  EXPECT_EQ(fs::path(file).stem().string(), "platform_contract_tests");
  EXPECT_EQ(fs::path(file).parent_path(), folder);
  std::string program_folder;
  ASSERT_TRUE(platform::ProgramFolder(program_folder));
  EXPECT_EQ(program_folder, folder.string() + platform::kPathSeparator);
}

// Moves to the folder `args[0]` and reports what CurrentFolder says; then the same for the
// root of that folder.
TIDEWELL_CHILD(CurrentFolderAfterMoving) {
  const fs::path inner = args.at(0);
  std::string folder;
  fs::current_path(inner);
  if (!platform::CurrentFolder(folder)) return 2;
  if (folder != fs::canonical(inner).string() + platform::kPathSeparator) return 3;
  // The root already ends with the separator, and gets no second one.
  const fs::path root = fs::canonical(inner).root_path();
  fs::current_path(root);
  if (!platform::CurrentFolder(folder) || folder != root.string()) return 4;
  return 0;
}

TEST(Files, CurrentFolderFollowsTheProcessAndEndsWithTheSeparator) {
  testsupport::TempDir dir;
  const fs::path inner = dir.path() / "with space";
  fs::create_directory(inner);
  // In a child, so that changing folders cannot disturb other tests.
  EXPECT_EQ(testsupport::RunChild("CurrentFolderAfterMoving", {inner.string()}), 0);
}

TEST(Files, ExistenceAndReadability) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("file.ini", "x");
  const std::string empty = dir.Write("empty.ini", "");
  const std::string folder = dir.path().string();
  const std::string missing = (dir.path() / "missing.ini").string();
  for (const std::string& path : {file, empty}) {
    EXPECT_TRUE(platform::FileExists(path.c_str())) << path;
    EXPECT_TRUE(platform::FileReadable(path.c_str())) << path;
  }
  for (const std::string& path : {folder, missing, file + platform::kPathSeparator + "below"}) {
    EXPECT_FALSE(platform::FileExists(path.c_str())) << path;
    EXPECT_FALSE(platform::FileReadable(path.c_str())) << path;
  }
  EXPECT_FALSE(platform::FileExists(nullptr));
  EXPECT_FALSE(platform::FileReadable(nullptr));
}

TEST(Files, CopyReplacesUnlessToldNotToAndAFailedCopyChangesNothing) {
  testsupport::TempDir dir;
  const std::string from = dir.Write("Quenta.ini", "[S]\r\nk=v\r\n");
  const std::string to = (dir.path() / "Quenta.ini.bak").string();
  // A whole number of seconds on the file clock plus whole microseconds: a time every
  // file system here stores exactly.
  const fs::file_time_type stamp =
      std::chrono::time_point_cast<std::chrono::seconds>(fs::last_write_time(from)) - std::chrono::hours(24 * 400) +
      std::chrono::microseconds(123456);
  fs::last_write_time(from, stamp);
  // The time the file system kept (the Windows runtime sets whole seconds only).
  const fs::file_time_type kept = fs::last_write_time(from);

  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), to.c_str(), false));
  EXPECT_EQ(FileContents(to), "[S]\r\nk=v\r\n");
  EXPECT_EQ(fs::last_write_time(to), kept);

  dir.Write("Quenta.ini", "new");
  EXPECT_FALSE(platform::CopyFileAtomic(from.c_str(), to.c_str(), true));
  EXPECT_EQ(FileContents(to), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(platform::CopyFileAtomic(from.c_str(), to.c_str(), false));
  EXPECT_EQ(FileContents(to), "new");
  const std::string fresh = (dir.path() / "fresh.ini").string();
  EXPECT_TRUE(platform::CopyFileAtomic(from.c_str(), fresh.c_str(), true));
  EXPECT_EQ(FileContents(fresh), "new");

  // A failed copy changes nothing, and leaves nothing behind.
  EXPECT_FALSE(platform::CopyFileAtomic((dir.path() / "missing").string().c_str(), to.c_str(), false));
  EXPECT_FALSE(platform::CopyFileAtomic(dir.path().string().c_str(), to.c_str(), false));
  EXPECT_FALSE(platform::CopyFileAtomic(from.c_str(), (dir.path() / "no" / "such").string().c_str(), false));
  EXPECT_EQ(FileContents(to), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3) << "temporary files left";
}

// Copies `args[0]` and `args[1]` over `args[2]` in turn, 100 times.
TIDEWELL_CHILD(CopyBackAndForth) {
  for (int i = 0; i < 100; ++i) {
    if (!platform::CopyFileAtomic(args.at(i % 2).c_str(), args.at(2).c_str(), false)) return 1;
  }
  return 0;
}

TEST(Files, ReadersNeverSeeAPartlyCopiedFile) {
  testsupport::TempDir dir;
  const std::string all_a(256 << 10, 'a');
  const std::string all_b(256 << 10, 'b');
  const std::string a = dir.Write("a", all_a);
  const std::string b = dir.Write("b", all_b);
  const std::string target = (dir.path() / "target").string();
  ASSERT_TRUE(platform::CopyFileAtomic(a.c_str(), target.c_str(), false));
  testsupport::ChildProcess copier("CopyBackAndForth", {b, a, target});
  ASSERT_TRUE(copier.started());
  int torn = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string bytes = FileContents(target);
    // Windows: a reader may find the file locked for the moment of its replacement and read
    // nothing; that is a failed read, not a torn one.
    if (!bytes.empty() && bytes != all_a && bytes != all_b) ++torn;
  }
  EXPECT_EQ(copier.Wait(), 0);
  EXPECT_EQ(torn, 0);
}

}  // namespace

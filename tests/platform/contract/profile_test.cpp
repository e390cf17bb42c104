// The profile functions' rules, which every backend keeps: reading, buffer sizes and name
// lists, writes that change only their lines, refused writes, the file's state, and another
// process's change seen at the next read.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/platform/profile_fixture.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wine.h"

namespace {

using testsupport::FileContents;
using Profile = ProfileFixture;

TEST_F(Profile, LinesSectionsAndKeysFollowTheWindowsRules) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine reads a \";key\" line as a key and keys before the first section as section \"\"";
  Given(
      "top=level\r\n"
      "  [  Main Section ]  trailing\r"
      "plain=1\n"
      "  Spaced  =  two words  \r\n"
      "eq=a=b\r\n"
      ";hidden=yes\r\n"
      "shown=x ; not a comment\r\n"
      "flag\r\n"
      "[odd]name]\r\n"
      "k=odd\r\n"
      "[main section]\r\n"
      "plain=second\r\n"
      "late=never");
  EXPECT_EQ(Read("Main Section", "plain"), "1");
  EXPECT_EQ(Read("MAIN SECTION", "SPACED"), "two words");
  EXPECT_EQ(Read(" main section ", " spaced "), "two words");
  EXPECT_EQ(Read("Main Section", "eq"), "a=b");
  EXPECT_EQ(Read("Main Section", "shown"), "x ; not a comment");
  // Windows: not documented; Wine reads ";hidden" as a key.
  EXPECT_EQ(Read("Main Section", ";hidden"), "<default>");
  EXPECT_EQ(Read("Main Section", "hidden"), "<default>");
  EXPECT_EQ(Read("Main Section", "flag"), "<default>");
  EXPECT_EQ(Read("odd]name", "k"), "odd");
  // The first section of a name wins; its later twin is not searched.
  EXPECT_EQ(Read("main section", "late"), "<default>");
  // Lines before the first section belong to none. Windows: not documented; Wine reads them
  // as the section "".
  EXPECT_EQ(Read("", "top"), "<default>");
}

TEST_F(Profile, ValuesLoseMatchingQuotesAndDefaultsTheirTrailingBlanks) {
  Given("[Q]\nd=\"x y\"\ns='z'\nmixed=\"a'\nlone=\"\nempty=''\ninner=a\"b\"\n");
  EXPECT_EQ(Read("Q", "d"), "x y");
  EXPECT_EQ(Read("Q", "s"), "z");
  EXPECT_EQ(Read("Q", "mixed"), "\"a'");
  EXPECT_EQ(Read("Q", "lone"), "\"");
  EXPECT_EQ(Read("Q", "empty"), "");
  EXPECT_EQ(Read("Q", "inner"), "a\"b\"");
  EXPECT_EQ(Read("Q", "missing", "fallback \t "), "fallback");
  EXPECT_EQ(Read("Q", "missing", nullptr), "");
  EXPECT_EQ(Read("Missing", "d", "  x  "), "  x");
  file_ = (dir_.path() / "absent.ini").string();
  EXPECT_EQ(Read("Q", "d", "none"), "none");
}

TEST_F(Profile, EveryBufferSizeIsRespected) {
  Given("[S]\nk=hello\n");
  EXPECT_EQ(Read("S", "k", "", 1), "");
  EXPECT_EQ(Read("S", "k", "", 3), "he");
  EXPECT_EQ(Read("S", "k", "", 5), "hell");
  EXPECT_EQ(Read("S", "k", "", 6), "hello");
  EXPECT_EQ(Read("S", "missing", "default", 4), "def");

  char untouched[2] = {'#', '#'};
  EXPECT_EQ(platform::ReadProfileEntry("S", "k", "", untouched, 0, file_.c_str()), 0u);
  EXPECT_EQ(untouched[0], '#');
  EXPECT_EQ(platform::ReadProfileEntry("S", "k", "", nullptr, 10, file_.c_str()), 0u);
  EXPECT_EQ(platform::ReadProfileEntry("S", "k", "dflt", untouched, 1, nullptr), 0u);
  EXPECT_EQ(untouched[0], '\0');
}

TEST_F(Profile, NullSectionOrKeyListsNamesWithinTheBuffer) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine lists duplicate and nameless sections and keys, and cuts a list without its second NUL";
  Given("[A]\nk1=1\nK1=dup\n=nameless\nk2=2\n[bb]\n[a]\nk3=3\n[]\n");
  const auto list = [this](const char* section, std::uint32_t size) {
    std::string buffer(size + 1, '#');
    const std::uint32_t count =
        platform::ReadProfileEntry(section, nullptr, "ignored", buffer.data(), size, file_.c_str());
    EXPECT_EQ(buffer[size], '#');
    return std::make_pair(count, buffer.substr(0, size));
  };
  using Result = std::pair<std::uint32_t, std::string>;
  // Windows: documents the two NULs of a cut list, not duplicates; Wine lists [a] and [] again,
  // the duplicate and nameless keys, and a missing section's default.
  EXPECT_EQ(list(nullptr, 8), (Result{5, std::string("A\0bb\0\0##", 8)}));
  EXPECT_EQ(list(nullptr, 6), (Result{5, std::string("A\0bb\0\0", 6)}));
  EXPECT_EQ(list(nullptr, 5), (Result{3, std::string("A\0b\0\0", 5)}));
  EXPECT_EQ(list(nullptr, 2), (Result{0, std::string("\0\0", 2)}));
  EXPECT_EQ(list(nullptr, 1), (Result{0, std::string("\0", 1)}));
  EXPECT_EQ(list("a", 16), (Result{6, std::string("k1\0k2\0\0#########", 16)}));
  EXPECT_EQ(list("missing", 4), (Result{0, std::string("\0\0##", 4)}));
}

// Windows: not documented; Wine rewrites the whole file (CR LF, "key=value", no blank lines).
TEST_F(Profile, NewFilesAndSectionsAndKeysGoWhereWindowsPutsThem) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine rewrites the whole file (CR LF, \"key=value\", no blank lines)";
  ASSERT_TRUE(platform::WriteProfileEntry("S", "k", "v", file_.c_str()));
  EXPECT_EQ(FileContents(file_), "[S]\r\nk=v\r\n");

  Given("[A]\nx=1\n\n[B]\ny=2\n");
  ASSERT_TRUE(platform::WriteProfileEntry("a", "z", "3", file_.c_str()));
  ASSERT_TRUE(platform::WriteProfileEntry("C", "w", "4", file_.c_str()));
  ASSERT_TRUE(platform::WriteProfileEntry("B", "y", "two", file_.c_str()));
  EXPECT_EQ(FileContents(file_), "[A]\nx=1\nz=3\n\n[B]\ny=two\n[C]\nw=4\n");
  EXPECT_EQ(Read("c", "W"), "4");
}

// Windows: not documented; Wine rewrites the whole file and drops a value's leading blanks.
TEST_F(Profile, WritesKeepEveryUntouchedByte) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine rewrites the whole file and drops a value's leading blanks";
  const std::string bom = "\xEF\xBB\xBF";
  Given(bom + "; comment = kept\r\n[S]\n  Key = old  \r\nother = 1\r  [T]\r\ntail");
  EXPECT_EQ(Read("S", "key"), "old");
  ASSERT_TRUE(platform::WriteProfileEntry("s", "KEY", "new", file_.c_str()));
  EXPECT_EQ(FileContents(file_), bom + "; comment = kept\r\n[S]\nKey=new\r\nother = 1\r  [T]\r\ntail");
  // The last line gets the file's line end before anything follows it.
  ASSERT_TRUE(platform::WriteProfileEntry("U", "k", " spaced ", file_.c_str()));
  EXPECT_EQ(FileContents(file_), bom + "; comment = kept\r\n[S]\nKey=new\r\nother = 1\r  [T]\r\ntail\r\n[U]\r\nk= spaced \r\n");
  EXPECT_EQ(Read("U", "k"), "spaced");
}

// Windows: not documented for twins; Wine deletes only the first matching key or section.
TEST_F(Profile, NullValueDeletesTheKeyAndNullKeyTheSection) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine deletes only the first of twin keys or sections";
  Given("[A]\r\nk=1\r\nj=2\r\nK=3\r\n[B]\r\nk=4\r\n[a]\r\nk=5\r\n");
  ASSERT_TRUE(platform::WriteProfileEntry("A", "k", nullptr, file_.c_str()));
  EXPECT_EQ(FileContents(file_), "[A]\r\nj=2\r\n[B]\r\nk=4\r\n[a]\r\nk=5\r\n");
  ASSERT_TRUE(platform::WriteProfileEntry("a", nullptr, nullptr, file_.c_str()));
  EXPECT_EQ(FileContents(file_), "[B]\r\nk=4\r\n");

  // Deleting what is not there, or flushing, leaves the file as it is, and makes none.
  EXPECT_TRUE(platform::WriteProfileEntry("B", "missing", nullptr, file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry("Missing", nullptr, nullptr, file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry("B", "k", "4", file_.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry(nullptr, nullptr, nullptr, file_.c_str()));
  EXPECT_EQ(FileContents(file_), "[B]\r\nk=4\r\n");
  const std::string absent = (dir_.path() / "absent.ini").string();
  EXPECT_TRUE(platform::WriteProfileEntry("B", "k", nullptr, absent.c_str()));
  EXPECT_TRUE(platform::WriteProfileEntry("B", nullptr, nullptr, absent.c_str()));
  EXPECT_FALSE(std::filesystem::exists(absent));
}

TEST_F(Profile, WritesThatWouldCorruptTheFileAreRefused) {
  Given("[S]\r\nk=v\r\n");
  const char* file = file_.c_str();
  EXPECT_FALSE(platform::WriteProfileEntry("S\r", "k", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", "k\n", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", "k", "v\r\n[X]", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", "a=b", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", " ;k", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", "[k]", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry(nullptr, "k", "v", file));
  EXPECT_FALSE(platform::WriteProfileEntry("S", "k", "v", nullptr));
  EXPECT_EQ(FileContents(file_), "[S]\r\nk=v\r\n");
  // A folder in the file's place can be neither read nor replaced.
  std::filesystem::create_directory(dir_.path() / "folder.ini");
  file_ = (dir_.path() / "folder.ini").string();
  EXPECT_FALSE(platform::WriteProfileEntry("S", "k", "v", file_.c_str()));
  EXPECT_EQ(Read("S", "k"), "<default>");
  EXPECT_TRUE(std::filesystem::is_directory(file_));
}

TEST_F(Profile, ReportsTheStateOfTheFileAndItsCompanion) {
  Given("[S]\nk=1\n");
  const std::string backup = file_ + ".bak";
  platform::ProfileFileState state;
  const auto read = [&] {
    char buffer[64];
    const std::uint32_t count = platform::ReadProfileEntry("S", "k", "<none>", buffer, sizeof buffer, file_.c_str(),
                                                           backup.c_str(), state);
    return std::string(buffer, count);
  };
  EXPECT_EQ(read(), "1");
  EXPECT_TRUE(state.exists && state.readable);
  EXPECT_FALSE(state.companion_exists);
  EXPECT_EQ(read(), "1");  // a backend may answer this one from a cache
  EXPECT_FALSE(state.companion_exists);
  dir_.Write("test.ini.bak", "backup");
  EXPECT_EQ(read(), "1");
  EXPECT_TRUE(state.companion_exists);
  std::filesystem::remove(backup);
  read();
  EXPECT_FALSE(state.companion_exists);
  std::filesystem::remove(file_);
  EXPECT_EQ(read(), "<none>");
  EXPECT_FALSE(state.exists);
  std::filesystem::create_directory(file_);
  read();
  EXPECT_TRUE(state.exists);
  EXPECT_FALSE(state.readable);
}

// What another process does to a profile file, by arguments: the file, then the value.
TIDEWELL_CHILD(WriteProfileValue) {
  return platform::WriteProfileEntry("S", "k", args.at(1).c_str(), args.at(0).c_str()) ? 0 : 1;
}

// A program that knows nothing of the profile functions: it overwrites the value "0" of
// "[S]\r\nk=0\r\n" with "99" in place.
TIDEWELL_CHILD(EditValueInPlace) {
  std::fstream out(args.at(0), std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(7);
  out.write("99", 2);
  return out ? 0 : 1;
}

TEST(ProfileProcesses, AnotherProcesssChangeIsSeenAtTheNextRead) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("seen.ini", "[S]\r\nk=0\r\n");
  const auto read = [&file] {
    char buffer[128];
    return std::string(buffer, platform::ReadProfileEntry("S", "k", "<missing>", buffer, sizeof buffer, file.c_str()));
  };
  for (int n = 1; n <= 20; ++n) {
    ASSERT_EQ(read(), std::to_string(n - 1));
    // Same length as before for n < 10: only the content and the times can tell.
    ASSERT_EQ(testsupport::RunChild("WriteProfileValue", {file, std::to_string(n)}), 0);
    ASSERT_EQ(read(), std::to_string(n));
  }
  // Also a change made in place by a program that knows nothing of the platform layer.
  ASSERT_EQ(testsupport::RunChild("EditValueInPlace", {file}), 0);
  EXPECT_EQ(read(), "99");
}

}  // namespace

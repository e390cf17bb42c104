// File-path separators under both platforms' rules: '/' alone (POSIX) and '\' with '/'
// (Windows), whichever platform runs the test.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

constexpr std::string_view kPosix = "/";
constexpr std::string_view kWindows = "\\/";

TEST(PathSeparators, EachSetAcceptsItsOwnSeparatorsOnly) {
  const struct {
    std::string_view separators;
    char c;
    bool separates;
  } cases[] = {
      {kPosix, '/', true},    {kPosix, '\\', false},   {kPosix, ':', false},  {kPosix, '\0', false},
      {kWindows, '/', true},  {kWindows, '\\', true},  {kWindows, ':', false}, {kWindows, '\0', false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::IsPathSeparator(c.c, c.separators), c.separates) << c.separators << " '" << c.c << "'";
}

TEST(PathSeparators, ATrailingSeparatorIsSeenAndAppendedOrDroppedOnce) {
  const struct {
    std::string_view separators;
    std::string path;
    bool ends;
    std::string appended, dropped;
  } cases[] = {
      {kPosix, "", false, "/", ""},
      {kPosix, "/", true, "/", ""},
      {kPosix, "/data", false, "/data/", "/data"},
      {kPosix, "/data/", true, "/data/", "/data"},
      {kPosix, "/data//", true, "/data//", "/data/"},
      {kPosix, "/data\\", false, "/data\\/", "/data\\"},  // a file-name byte on POSIX
      {kWindows, "", false, "\\", ""},
      {kWindows, "C:\\Data", false, "C:\\Data\\", "C:\\Data"},
      {kWindows, "C:\\Data\\", true, "C:\\Data\\", "C:\\Data"},
      {kWindows, "C:/Data/", true, "C:/Data/", "C:/Data"},
      {kWindows, "C:\\Data\\\\", true, "C:\\Data\\\\", "C:\\Data\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::EndsWithPathSeparator(c.path, c.separators), c.ends) << c.separators << " " << c.path;
    std::string appended = c.path;
    platform::AppendPathSeparator(appended, c.separators);
    EXPECT_EQ(appended, c.appended) << c.separators << " " << c.path;
    std::string dropped = c.path;
    platform::DropTrailingPathSeparator(dropped, c.separators);
    EXPECT_EQ(dropped, c.dropped) << c.separators << " " << c.path;
  }
}

}  // namespace

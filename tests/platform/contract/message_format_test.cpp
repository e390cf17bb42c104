// Message formatting from a string as every backend does it: inserts by number with printf
// conversions, the escapes, line breaks, and the formats that fail.
#include "platform/message_format.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "tests/platform/message_of.h"
#include "tests/support/Wine.h"

namespace {

// Formats with `args`, then reads the first argument from the caller's own va_list.
std::string FirstArgumentAfter(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out;
  const bool formatted = platform::FormatMessageFromString(format, args, out);
  const std::string first = va_arg(args, const char*);
  va_end(args);
  return formatted ? out + "|" + first : "<failed>";
}

TEST(MessageFormat, InsertsAndEscapes) {
  EXPECT_EQ(MessageOf("%1 and %2", "one", "two"), "one and two");
  EXPECT_EQ(MessageOf("%2 before %1", "one", "two"), "two before one");
  EXPECT_EQ(MessageOf("%1!d! / %2!04x! / %3!-5s!|", 42, 255, "ab"), "42 / 00ff / ab   |");
  EXPECT_EQ(MessageOf("%1!I64u! %2!lld! %3!hs!", 1ULL << 40, -5LL, "narrow"), "1099511627776 -5 narrow");
  EXPECT_EQ(MessageOf("a%%b%.c%!d%te%rf%ng% h%qi"), "a%b.c!d\te\rf\r\ng hqi");
  EXPECT_EQ(MessageOf("line one\nline two\r\nthree\rfour"), "line one\r\nline two\r\nthree\r\nfour");
  EXPECT_EQ(MessageOf("kept%0 dropped"), "kept");
  EXPECT_EQ(MessageOf("%10|%1", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"), "ten|1");
  // Windows: FormatMessage documents e, E, f and g as not supported (Wine prints the letter);
  // floating point inserts are the POSIX emulation's (tests/platform/posix).
  EXPECT_EQ(MessageOf("%1!c!%2!c!", 'x', 'y'), "xy");
  const unsigned short wide[] = {0x48, 0xE4, 0x20AC, 0};
  EXPECT_EQ(MessageOf("%1!S!|%1!ls!|%2!wc!|%3!5.1S!", wide, 0xE4, wide), "H\xE4\x80|H\xE4\x80|\xE4|    H");
}

// Windows documents %4 as the argument after the three that %1!*.*s! takes; Wine reads
// another slot there.
TEST(MessageFormat, StarsTakeTheirArgumentsBeforeTheValue) {
  if (testsupport::UnderWine()) GTEST_SKIP() << "Wine numbers the arguments after a starred insert differently from Windows' documented example";
  EXPECT_EQ(MessageOf("%1!*.*s!|%4", 6, 2, "abcdef", "next"), "    ab|next");
}

TEST(MessageFormat, BadFormatsFail) {
  EXPECT_EQ(MessageOf("trailing %"), "<failed>");
  EXPECT_EQ(MessageOf("%1!d", 1), "<failed>");
  EXPECT_EQ(MessageOf("%1!n!", nullptr), "<failed>");
  EXPECT_EQ(MessageOf("%1!y!", 1), "<failed>");
  EXPECT_EQ(MessageOf("%1!s! %1!d!", "a"), "<failed>");
  EXPECT_EQ(MessageOf("%0"), "<failed>");
  EXPECT_EQ(MessageOf(""), "<failed>");
  EXPECT_EQ(MessageOf(nullptr), "<failed>");
  EXPECT_EQ(MessageOf("%1!9999999d!", 1), "<failed>");
}

TEST(MessageFormat, TheCallersArgumentsAreLeftWhereTheyWere) {
  EXPECT_EQ(FirstArgumentAfter("%1 %2", "one", "two"), "one two|one");
}

}  // namespace

// Code-page conversion by explicit Windows code-page numbers, which every backend keeps:
// undefined bytes, round trips, UTF-8, double-byte code pages, and what happens to text a
// code page cannot hold.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

std::u16string Decode(std::string_view text, unsigned cp) {
  std::u16string out;
  EXPECT_TRUE(platform::ToUtf16(text, cp, out)) << "code page " << cp;
  return out;
}

std::string Encode(std::u16string_view text, unsigned cp) {
  std::string out;
  EXPECT_TRUE(platform::FromUtf16(text, cp, out)) << "code page " << cp;
  return out;
}

TEST(CodePage, Windows1252HolesDecodeToTheirC1ControlsAndBack) {
  for (const unsigned hole : {0x81u, 0x8Du, 0x8Fu, 0x90u, 0x9Du}) {
    const std::string byte(1, static_cast<char>(hole));
    const std::u16string wide = Decode(byte, 1252);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0], hole);
    EXPECT_EQ(Encode(wide, 1252), byte);
  }
}

TEST(CodePage, EveryByteOfTheSingleByteCodePagesRoundTrips) {
  for (unsigned cp : {437u, 850u, 852u, 866u, 1250u, 1251u, 1252u, 1253u, 28591u, 28592u, 28605u}) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(Encode(Decode(all, cp), cp), all) << "code page " << cp;
  }
}

// A converter may hold a letter back in case a combining mark follows (iconv does); each
// byte still decodes to its own character, as on Windows.
TEST(CodePage, LettersThatMarksCanFollowDecodeOnTheirOwn) {
  EXPECT_EQ(Decode("\xE0\xFA\xE0\xC8", 1255), u"\u05D0\u05EA\u05D0\u05B8");  // alef, tav, alef, qamats
  EXPECT_EQ(Decode("\xD5\xDD\xF5", 1258), u"\u01A0\u01AF\u01A1");               // O-horn, U-horn, o-horn
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (unsigned cp : {1255u, 1258u}) EXPECT_EQ(Encode(Decode(all, cp), cp), all) << "code page " << cp;
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Encode(u"a\u4E2Db", 1252), "a?b");
  // An unpaired surrogate is one character. (A surrogate pair: one '?' from our converter, one
  // per half from the system's; see the POSIX suite.)
  EXPECT_EQ(Encode(std::u16string(u"x") + char16_t(0xD800) + u"y", 1252), "x?y");
  EXPECT_EQ(Encode(u"\u20AC", 28591), "?");
}

TEST(CodePage, Utf8IsExactAndRepairsInvalidSequences) {
  EXPECT_EQ(Decode("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 65001), u"\u00E9\u20AC\U0001F600");
  EXPECT_EQ(Encode(u"\u00E9\u20AC\U0001F600", 65001), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  // Overlong, truncated and stray continuation bytes each give U+FFFD. (An encoded surrogate:
  // how many, the system's converters do not agree; see the POSIX suite.)
  EXPECT_EQ(Decode("\xC0\xAF", 65001), u"\uFFFD\uFFFD");
  EXPECT_EQ(Decode("a\xE2\x82", 65001), u"a\uFFFD");
  EXPECT_EQ(Decode("\x80z", 65001), u"\uFFFDz");
}

TEST(CodePage, DoubleByteCodePagesConvertBothWays) {
  const std::string shift_jis = "\x93\xFA\x96\x7B";  // "Japan" in kanji
  EXPECT_EQ(Decode(shift_jis, 932), u"\u65E5\u672C");
  EXPECT_EQ(Encode(u"\u65E5\u672C", 932), shift_jis);
  EXPECT_EQ(Encode(u"\u65E5\u00E9", 932), "\x93\xFA?");
  // A lead byte without its trail byte gives one character: the code page's own default on
  // Windows (U+30FB for 932, CPINFOEX::UnicodeDefaultChar), U+FFFD from our converter.
  const std::u16string truncated = Decode("a\x93", 932);
  ASSERT_EQ(truncated.size(), 2u);
  EXPECT_EQ(truncated[0], u'a');
}

TEST(CodePage, UnknownCodePagesFailAndLeaveTheOutputAlone) {
  std::u16string wide = u"keep";
  std::string narrow = "keep";
  EXPECT_FALSE(platform::IsKnownCodePage(12345));
  EXPECT_FALSE(platform::ToUtf16("x", 12345, wide));
  EXPECT_FALSE(platform::FromUtf16(u"x", 12345, narrow));
  EXPECT_FALSE(platform::ConvertCodePage("x", 12345, 1252, narrow));
  EXPECT_EQ(wide, u"keep");
  EXPECT_EQ(narrow, "keep");
}

// Windows: file names compare without case by the system's table in the ANSI code page
// (CompareStringOrdinal), accented letters included.
TEST(CodePage, AnsiTextsCompareWithoutCaseByTheSystemsTable) {
  if (platform::AnsiCodePage() != 1252) GTEST_SKIP() << "the cases are Windows-1252 text";
  const struct {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"C:\\Programme\\\xC4rger\\", "c:\\programme\\\xE4rger\\", true},
      {"\xC9t\xE9", "\xE9T\xC9", true},
      {"\x8A\x8C\x8E", "\x9A\x9C\x9E", true},  // Š Œ Ž and š œ ž
      {"\x9F", "\xFF", true},                      // Ÿ and ÿ
      {"Folder", "FOLDER", true},
      {"\xC4rger", "Arger", false},
      {"\xDF", "SS", false},  // ß has no single upper-case letter
      {"abc", "abcd", false},
      {"", "", true},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::AnsiEqualNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

}  // namespace

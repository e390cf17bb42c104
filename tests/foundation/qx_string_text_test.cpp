// QxString text operations: extraction, search, insert/delete, replace, trim, compare, case
// and code-page conversion.
#include <clocale>
#include <cstring>
#include <string>

#include "tests/foundation/string_test_support.h"

namespace {

TEST(QxStringExtraction, ClampsAndNeverSharesTheSource) {
  const QxString s("abcde");
  EXPECT_STREQ(s.Mid(3, 10), "de");
  EXPECT_TRUE(OnEmptyBlock(s.Mid(7, 1)));
  EXPECT_STREQ(s.Mid(-2, 3), "abc");
  EXPECT_STREQ(s.Mid(2), "cde");
  EXPECT_STREQ(s.Mid(-5), "abcde");
  EXPECT_STREQ(s.Mid(1, 2147483647), "bcde");
  EXPECT_TRUE(OnEmptyBlock(s.Left(-1)));
  EXPECT_STREQ(s.Left(2), "ab");
  EXPECT_STREQ(s.Right(2), "de");
  const QxString whole = s.Right(99);
  EXPECT_STREQ(whole, "abcde");
  EXPECT_NE(BlockOf(whole), BlockOf(s));
  EXPECT_TRUE(BlockIs(whole, 1, 5, 5));
  EXPECT_TRUE(BlockIs(s, 1, 5, 5));
  EXPECT_NE(BlockOf(s.Mid(0)), BlockOf(s));
}

TEST(QxStringExtraction, Spans) {
  const QxString s("112x3");
  EXPECT_STREQ(s.SpanIncluding("12"), "112");
  EXPECT_STREQ(s.SpanExcluding("x"), "112");
  EXPECT_STREQ(s.SpanExcluding("z"), "112x3");
  EXPECT_TRUE(OnEmptyBlock(s.SpanIncluding(nullptr)));
  EXPECT_STREQ(s.SpanExcluding(nullptr), "112x3");
}

TEST(QxStringSearch, PositionsAndStarts) {
  const QxString s("abcab");
  EXPECT_EQ(s.Find('b'), 1);
  EXPECT_EQ(s.Find('b', 2), 4);
  EXPECT_EQ(s.Find('a', 5), -1);
  EXPECT_EQ(s.Find("", 5), 5);
  EXPECT_EQ(s.Find("", 6), -1);
  EXPECT_EQ(s.Find("ab", 1), 3);
  EXPECT_EQ(s.Find("ab", -4), 0);
  EXPECT_EQ(s.Find('z'), -1);
  EXPECT_EQ(s.Find("abd"), -1);
  EXPECT_EQ(s.Find(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(s.ReverseFind('a'), 3);
  EXPECT_EQ(s.ReverseFind('z'), -1);
  EXPECT_EQ(s.FindOneOf("xc"), 2);
  EXPECT_EQ(s.FindOneOf("xyz"), -1);
  EXPECT_EQ(s.FindOneOf(nullptr), -1);
}

TEST(QxStringSearch, StopsAtTheFirstZero) {
  const QxString s("ab\0cd", 5);
  EXPECT_EQ(s.Find('c'), -1);
  EXPECT_EQ(s.Find("cd"), -1);
  EXPECT_EQ(s.Find('c', 3), 3);
  EXPECT_EQ(s.ReverseFind('d'), -1);
}

TEST(QxStringInsertDelete, InsertClampsAndReturnsTheNewLength) {
  QxString s("abc");
  EXPECT_EQ(s.Insert(99, 'd'), 4);
  EXPECT_STREQ(s, "abcd");
  EXPECT_EQ(s.Insert(-3, "xy"), 6);
  EXPECT_STREQ(s, "xyabcd");
  EXPECT_EQ(s.Insert(3, "--"), 8);
  EXPECT_STREQ(s, "xya--bcd");
  EXPECT_TRUE(BlockIs(s, 1, 8, 8));
  s.GetBuffer(12);
  EXPECT_EQ(s.Insert(0, '<'), 9);
  EXPECT_TRUE(BlockIs(s, 1, 9, 12));
  EXPECT_STREQ(s, "<xya--bcd");
}

TEST(QxStringInsertDelete, InsertingNothingKeepsTheBlockShared) {
  QxString a("abc");
  QxString b(a);
  EXPECT_EQ(b.Insert(1, ""), 3);
  EXPECT_EQ(b.Insert(1, static_cast<const char*>(nullptr)), 3);
  EXPECT_TRUE(BlockIs(a, 2, 3, 3));
}

TEST(QxStringInsertDelete, InsertingAPieceOfItself) {
  QxString s("abcdef");
  s.GetBuffer(20);
  EXPECT_EQ(s.Insert(0, static_cast<const char*>(s) + 3), 9);
  EXPECT_STREQ(s, "defabcdef");
  QxString tight("xyz");
  tight.Insert(3, static_cast<const char*>(tight));
  EXPECT_STREQ(tight, "xyzxyz");
}

TEST(QxStringInsertDelete, DeleteReturnsTheFormerLength) {
  QxString s("abcde");
  EXPECT_EQ(s.Delete(5, 1), 5);
  EXPECT_STREQ(s, "abcde");
  EXPECT_EQ(s.Delete(1, 0), 5);
  EXPECT_EQ(s.Delete(-1, 2), 5);
  EXPECT_STREQ(s, "cde");
  EXPECT_EQ(s.Delete(1, 2147483647), 3);
  EXPECT_STREQ(s, "c");
  EXPECT_TRUE(BlockIs(s, 1, 1, 5));
  QxString t("abcde");
  EXPECT_EQ(t.Delete(1, 99), 5);
  EXPECT_STREQ(t, "a");
}

TEST(QxStringReplace, Characters) {
  QxString s("a\0a", 3);
  EXPECT_EQ(s.Replace('a', 'a'), 0);
  EXPECT_EQ(s.Replace('a', 'b'), 2);
  EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "b\0b", 3), 0);
  QxString r("banana");
  EXPECT_EQ(r.Remove('a'), 3);
  EXPECT_STREQ(r, "bnn");
  EXPECT_TRUE(BlockIs(r, 1, 3, 6));
  QxString z("x\0y\0", 4);
  EXPECT_EQ(z.Remove('\0'), 2);
  EXPECT_TRUE(BlockIs(z, 1, 2, 4));
  EXPECT_STREQ(z, "xy");
}

TEST(QxStringReplace, TextsLeftToRightWithoutOverlap) {
  QxString s("aaaa");
  EXPECT_EQ(s.Replace("aa", "b"), 2);
  EXPECT_STREQ(s, "bb");
  EXPECT_TRUE(BlockIs(s, 1, 2, 4));  // shrinking stays in place
  QxString same("abab");
  EXPECT_EQ(same.Replace("ab", "ab"), 2);
  EXPECT_STREQ(same, "abab");
  EXPECT_EQ(same.Replace("", "x"), 0);
  EXPECT_EQ(same.Replace(nullptr, "x"), 0);
  EXPECT_EQ(same.Replace("b", nullptr), 2);
  EXPECT_STREQ(same, "aa");
  QxString grow("a.b.c");
  EXPECT_EQ(grow.Replace(".", "::"), 2);
  EXPECT_TRUE(BlockIs(grow, 1, 7, 7));
  EXPECT_STREQ(grow, "a::b::c");
  EXPECT_EQ(grow.Replace("zz", "y"), 0);
}

TEST(QxStringReplace, GrowingInsideSpareCapacity) {
  QxString s("x-y-z");
  s.GetBuffer(32);
  const char* buffer = s;
  EXPECT_EQ(s.Replace("-", "<->"), 2);
  EXPECT_STREQ(s, "x<->y<->z");
  EXPECT_EQ(static_cast<const char*>(s), buffer);
  EXPECT_TRUE(BlockIs(s, 1, 9, 32));
}

TEST(QxStringReplace, SegmentsBetweenZeroBytes) {
  QxString s("ab\0ab", 5);
  EXPECT_EQ(s.Replace("ab", "xyz"), 2);
  EXPECT_EQ(s.GetLength(), 7);
  EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "xyz\0xyz", 8), 0);
}

TEST(QxStringReplace, SharedSourcesAndTextsFromItself) {
  QxString a("one two one");
  const QxString b(a);
  EXPECT_EQ(a.Replace("one", "1"), 2);
  EXPECT_STREQ(a, "1 two 1");
  EXPECT_TRUE(BlockIs(a, 1, 7, 11));
  EXPECT_STREQ(b, "one two one");
  QxString self("abcabc");
  EXPECT_EQ(self.Replace("b", static_cast<const char*>(self)), 2);
  EXPECT_STREQ(self, "aabcabccaabcabcc");
}

// Occurrences close together and far apart, partial matches before a match, and more
// occurrences than a page of positions holds, against a plain std::string replace-all.
TEST(QxStringReplace, ManyOccurrencesNearAndFar) {
  struct Case {
    std::string piece;  // repeated `count` times
    int count;
    const char* oldText;
    const char* newText;
  };
  const Case cases[] = {
      {"ab-cd ", 3000, "cd", "xyz"},
      {"aaab", 10, "aab", "<>"},
      {std::string(40, '.') + "needle", 1500, "needle", ""},
      {"q" + std::string(17, ' '), 2, "q", "qq"},
      {"tail", 1, "tail", "end"},
      {"ab", 1, "abc", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.oldText);
    std::string text;
    for (int i = 0; i < c.count; ++i) text += c.piece;
    std::string expected;
    int found = 0;
    std::size_t read = 0;
    for (std::size_t at; (at = text.find(c.oldText, read)) != std::string::npos; ++found) {
      expected.append(text, read, at - read).append(c.newText);
      read = at + std::strlen(c.oldText);
    }
    expected.append(text, read);
    QxString s(text.c_str());
    const QxString shared(s);
    EXPECT_EQ(s.Replace(c.oldText, c.newText), found);
    EXPECT_EQ(std::string(s, static_cast<std::size_t>(s.GetLength())), expected);
    EXPECT_EQ(std::string(shared), text);
  }
}

TEST(QxStringReplace, NoCase) {
  QxString s("abAbaB");
  EXPECT_EQ(s.ReplaceNoCase("AB", "x"), 3);
  EXPECT_STREQ(s, "xxx");
  QxString t("Hello hELLO");
  EXPECT_EQ(t.ReplaceNoCase("hello", "bye"), 2);
  EXPECT_STREQ(t, "bye bye");
  EXPECT_EQ(t.ReplaceNoCase("", "x"), 0);
}

TEST(QxStringTrim, WhiteSpaceCharactersAndSets) {
  QxString spaces(" \t \t ");
  spaces.TrimLeft();
  EXPECT_TRUE(BlockIs(spaces, 1, 0, 5));
  QxString tabs("\t \t");
  tabs.TrimRight();
  EXPECT_TRUE(BlockIs(tabs, 1, 0, 3));
  QxString s("  mid dle \n");
  s.TrimLeft();
  s.TrimRight();
  EXPECT_STREQ(s, "mid dle");
  EXPECT_EQ(s.GetLength(), 7);
  QxString c("xxaxx");
  c.TrimLeft('x');
  c.TrimRight('x');
  EXPECT_STREQ(c, "a");
  QxString z("ab", 2);
  z.TrimLeft('\0');
  EXPECT_STREQ(z, "ab");
  QxString set("-+a+-");
  set.TrimLeft("+-");
  set.TrimRight("+-");
  EXPECT_STREQ(set, "a");
  set.TrimRight("");
  set.TrimRight(static_cast<const char*>(nullptr));
  set.TrimLeft(static_cast<const char*>(nullptr));
  EXPECT_STREQ(set, "a");
}

TEST(QxStringTrim, EmptySetLeavesASharedBlockShared) {
  QxString a(" a ");
  QxString b(a);
  b.TrimLeft("");
  EXPECT_TRUE(BlockIs(a, 2, 3, 3));
}

TEST(QxStringCompare, ByteWiseAndCaseInsensitive) {
  const QxString s("abc");
  EXPECT_EQ(s.Compare("abd"), -1);
  EXPECT_EQ(s.Compare("abc"), 0);
  EXPECT_EQ(s.Compare("ab"), 1);
  EXPECT_EQ(s.Compare("ab\x01"), 1);
  EXPECT_EQ(QxString("z").Compare("\xE4"), -1);
  EXPECT_EQ(QxString("x").Compare(nullptr), 1);
  EXPECT_EQ(s.CompareNoCase("ABC"), 0);
  EXPECT_LT(s.CompareNoCase("ABD"), 0);
  EXPECT_GT(s.CompareNoCase("AB"), 0);
  EXPECT_LT(QxString("z").CompareNoCase("\xE4"), 0);
  EXPECT_EQ(s.Collate("abc"), 0);
  EXPECT_LT(s.Collate("abd"), 0);
  EXPECT_EQ(s.CollateNoCase("ABC"), 0);
  EXPECT_GT(s.CollateNoCase("ABB"), 0);
}

TEST(QxStringCompare, OperatorsInEveryForm) {
  const QxString a("abc");
  const QxString b("abd");
  EXPECT_TRUE(a == QxString("abc") && a == "abc" && "abc" == a);
  EXPECT_TRUE(a != b && a != "abd" && "abd" != a);
  EXPECT_TRUE(a < b && a < "abd" && "abb" < a);
  EXPECT_TRUE(b > a && b > "abc" && "abe" > b);
  EXPECT_TRUE(a <= a && a <= "abc" && "abc" <= a && "ab" <= a);
  EXPECT_TRUE(a >= a && b >= "abc" && "abd" >= b && "zz" >= b);
  EXPECT_FALSE(a > "\xE4" || "\xE4" < a);
}

TEST(QxStringCase, CaseChangesAndReverseStopAtTheFirstZero) {
  QxString s("aB1\xE4z\0q", 7);
  s.MakeUpper();
  EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "AB1\xE4Z\0q", 7), 0);
  s.MakeLower();
  EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "ab1\xE4z\0q", 7), 0);
  s.MakeReverse();
  EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "z\xE4" "1ba\0q", 7), 0);
}

TEST(QxStringCodePage, AnsiAndOemConvertBothWays) {
  QxString s("\xC4rger \xE9t\xE9 \xFC");  // Windows-1252
  s.CharToOemA();
  EXPECT_STREQ(s, "\x8Erger \x82t\x82 \x81");  // code page 850
  s.OemToCharA();
  EXPECT_STREQ(s, "\xC4rger \xE9t\xE9 \xFC");
  QxString noOem("\x80");  // the euro sign has no place in code page 850
  noOem.CharToOemA();
  EXPECT_STREQ(noOem, "?");
}

}  // namespace

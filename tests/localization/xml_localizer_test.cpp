// XMLLocalizer: choosing the language, filling the map, and the lookup's line joining and
// unescaping.
#include "localization/XMLLocalizer.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/localization/locale_language.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

// A table with one entry whose English text is `text` (XML character data).
std::string TableWith(const std::string& text) {
  return "<TRANSLATIONS><TRANSLATE ItemId=\"K\"><English>" + text + "</English></TRANSLATE></TRANSLATIONS>";
}

std::string Lookup(const std::string& stored, bool unescape = true) {
  XMLLocalizer texts;
  EXPECT_TRUE(texts.LoadFromData(TableWith(stored).c_str(), "English", true, 0));
  return texts.GetString("K", unescape);
}

TEST(XMLLocalizerLookup, ContinuationLinesAreJoinedWithOneBlank) {
  EXPECT_EQ(Lookup("first\n\t\tsecond"), "first second");
  EXPECT_EQ(Lookup("first\nsecond"), "first second");
  EXPECT_EQ(Lookup("a\n\tb\n\t\t\tc"), "a b c");
}

TEST(XMLLocalizerLookup, ALineEndingInAnEscapeIsJoinedWithoutABlank) {
  EXPECT_EQ(Lookup("one\\n\n\t\t\ttwo"), "one\ntwo");
  EXPECT_EQ(Lookup("one\\r\n\t\\ntwo"), "one\r\ntwo");
  EXPECT_EQ(Lookup("one\\t\n\ttwo"), "one\t two");  // only \n and \r end a joined line
}

TEST(XMLLocalizerLookup, ALineFeedLeftAfterAJoinIsNotProcessed) {
  // word, escape, line feed, tab, line feed, word: the first line feed and the tab go, the
  // second line feed stays.
  EXPECT_EQ(Lookup("word\\n\n\t\nanother"), "word\n\nanother");
}

TEST(XMLLocalizerLookup, TrailingLineFeedsAndTabsStay) {
  EXPECT_EQ(Lookup("end\n\t\t"), "end\n\t\t");
  EXPECT_EQ(Lookup("end\n"), "end\n");
}

TEST(XMLLocalizerLookup, BlanksAfterALineFeedStay) {
  EXPECT_EQ(Lookup("a\n  b"), "a   b");
  EXPECT_EQ(Lookup("a\\n\n\t\t\t \\nb"), "a\n \nb");
}

TEST(XMLLocalizerLookup, EscapesResolveInOrderWithoutRescanning) {
  EXPECT_EQ(Lookup("q\\'s\\\"x\\\"\\t|\\r|\\n"), "q's\"x\"\t|\r|\n");
  // "\\n" stored as backslash, backslash, n: the pass for \n sees the second backslash and n.
  EXPECT_EQ(Lookup("a\\\\nb"), "a\\\nb");
  EXPECT_EQ(Lookup("x\\qy\\"), "x\\qy\\");
}

TEST(XMLLocalizerLookup, WithoutUnescapingEscapesStayAndEveryContinuationBecomesABlank) {
  EXPECT_EQ(Lookup("one\\n\n\t\t\\ntwo", false), "one\\n \\ntwo");
  EXPECT_EQ(Lookup("a\n\tb\n", false), "a b\n");
}

TEST(XMLLocalizerLookup, ABraceTextComesBackAsStored) {
  EXPECT_EQ(Lookup("{a\n\t\\n b}"), "{a\n\t\\n b}");
}

TEST(XMLLocalizerLookup, MissingKeysShowAsThemselves) {
  XMLLocalizer texts;
  EXPECT_EQ(texts.GetString("LUMORA_TITLE", true), "LUMORA_TITLE");
  EXPECT_EQ(texts.GetString(nullptr, true), "");
  EXPECT_EQ(texts.GetString("", true), "");
}

TEST(XMLLocalizerLookup, LookupsDoNotChangeTheStoredText) {
  XMLLocalizer texts;
  ASSERT_TRUE(texts.LoadFromData(TableWith("a\\n\n\tb").c_str(), "English", true, 0));
  EXPECT_EQ(texts.GetString("K", true), "a\nb");
  EXPECT_EQ(texts.GetString("K", false), "a\\n b");
  EXPECT_EQ(texts.GetString("K", true), "a\nb");
}

TEST(XMLLocalizerLoad, EntriesLanguagesAndReplacement) {
  const char* table =
      "<translations>"  // the root's name is compared without case
      "<!-- a comment is skipped -->"
      "<TRANSLATE ItemId='A'><English>a1</English><German>a-de</German><English>a2</English></TRANSLATE>"
      "<ANYTHING ItemId='B'><English>b</English></ANYTHING>"
      "<TRANSLATE ItemId=''><English>no key</English></TRANSLATE>"
      "<TRANSLATE><English>no key either</English></TRANSLATE>"
      "<TRANSLATE ItemId='C'><German>nur deutsch</German><english>wrong case</english></TRANSLATE>"
      "<TRANSLATE ItemId='D'><English></English></TRANSLATE>"
      "<TRANSLATE ItemId='B'><English>b later</English></TRANSLATE>"
      "text between"
      "</translations>";
  XMLLocalizer texts;
  ASSERT_TRUE(texts.LoadFromData(table, "English", true, 0));
  EXPECT_EQ(texts.GetString("A", true), "a2");        // later element of the language wins
  EXPECT_EQ(texts.GetString("B", true), "b later");   // later entry wins; element name plays no part
  EXPECT_EQ(texts.GetString("C", true), "C");         // no English: no fallback
  EXPECT_EQ(texts.GetString("D", true), "");          // empty text is stored
  EXPECT_EQ(texts.GetString("", true), "");

  XMLLocalizer german;
  ASSERT_TRUE(german.LoadFromData(table, "German", true, 0));
  EXPECT_EQ(german.GetString("A", true), "a-de");
  EXPECT_EQ(german.GetString("C", true), "nur deutsch");
  EXPECT_EQ(german.GetString("B", true), "B");
}

TEST(XMLLocalizerLoad, LoadsAddToTheMapAndFailuresLeaveItAlone) {
  XMLLocalizer texts;
  ASSERT_TRUE(texts.LoadFromData(TableWith("first").c_str(), "English", true, 0));
  ASSERT_TRUE(texts.LoadFromData(
      "<TRANSLATIONS><T ItemId='K'><English>second</English></T><T ItemId='N'><English>new</English></T></TRANSLATIONS>",
      "English", true, 0));
  EXPECT_EQ(texts.GetString("K", true), "second");
  EXPECT_EQ(texts.GetString("N", true), "new");

  EXPECT_FALSE(texts.LoadFromData("<OTHER><T ItemId='K'><English>x</English></T></OTHER>", "English", true, 0));
  EXPECT_FALSE(texts.LoadFromData("<TRANSLATIONS><T ItemId='K'>", "English", true, 0));
  EXPECT_FALSE(texts.LoadFromData("", "English", true, 0));
  EXPECT_FALSE(texts.LoadFromData(nullptr, "English", true, 0));
  EXPECT_FALSE(texts.LoadFromData("/nonexistent/table.xml", "English", false, 0));
  EXPECT_EQ(texts.GetString("K", true), "second");
}

TEST(XMLLocalizerLoad, FromAFileWithTheFilesEncoding) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("table.xml",
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
      "<TRANSLATIONS>\r\n\t<TRANSLATE ItemId=\"K\">\r\n\t\t<French>install\xE9</French>\r\n\t</TRANSLATE>\r\n</TRANSLATIONS>\r\n");
  XMLLocalizer texts;
  ASSERT_TRUE(texts.LoadFromData(path.c_str(), "French", false, 0));
  EXPECT_EQ(texts.GetString("K", true), "install\xE9");
}

TEST(XMLLocalizerLoad, TheResourceMustExist) {
  XMLLocalizer texts;  // "TRANSLATE" is not a resource of this program
  EXPECT_FALSE(texts.LoadFromResource(nullptr, 0));
  texts.SetResourceName("NO_SUCH_TABLE");
  EXPECT_FALSE(texts.LoadFromResource("English", 0));
  EXPECT_EQ(texts.GetString("LUMORA_OK", true), "LUMORA_OK");
}

TEST(XMLLocalizerLoad, TheUsersLanguageFallsBackToTheSystemsThenEnglish) {
  if (!localizationtest::UserLanguageFollowsLcAll())
    GTEST_SKIP() << "the user's language is the account's setting here, not the process's locale";
  const char* table =
      "<TRANSLATIONS><T ItemId='K'><English>en</English><German>de</German><Spanish>es</Spanish>"
      "<French>fr</French><Italian>it</Italian></T></TRANSLATIONS>";
  const struct { const char* locale; const char* text; } cases[] = {
      {"de_AT.UTF-8", "de"}, {"es_AR", "es"}, {"fr_BE", "fr"}, {"it_IT@euro", "it"},
      {"pt_BR", "en"}, {"en_US", "en"},
  };
  for (const auto& c : cases) {
    testsupport::ScopedEnv env;
    env.Set("LC_ALL", c.locale);
    XMLLocalizer texts;
    ASSERT_TRUE(texts.LoadFromData(table, nullptr, true, 0));
    EXPECT_EQ(texts.GetString("K", true), c.text) << c.locale;
  }
}

}  // namespace

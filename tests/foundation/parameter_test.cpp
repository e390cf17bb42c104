// Parameter: the text format through the public members (finding, typed reading, writing,
// quoting, removing, comparing), malformed texts, and real numbers under a German locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "foundation/Parameter.h"

namespace {

std::string Text(const Parameter& p) { return static_cast<const char*>(p); }

TEST(ParameterText, WorkedExample) {
  Parameter p;
  p.Set("Name", "Tab\tQuote\"");
  p.Set("Count", 3);
  p.Set("On", true);
  p.Set("Ratio", 0.5);
  EXPECT_EQ(Text(p), "Name=\"Tab\\tQuote\\\"\";\r\nCount=3;\r\nOn=true;\r\nRatio=0.500000;\r\n");
  p.Set("Count", 12);
  EXPECT_EQ(Text(p), "Name=\"Tab\\tQuote\\\"\";\r\nCount=12;\r\nOn=true;\r\nRatio=0.500000;\r\n");
  EXPECT_STREQ(p.GetString("Name"), "Tab\tQuote\"");
  EXPECT_EQ(p.GetInt("Count", -1), 12);
  EXPECT_TRUE(p.GetBool("On"));
  EXPECT_TRUE(p.RemoveTag("Count"));
  EXPECT_EQ(Text(p), "Name=\"Tab\\tQuote\\\"\";\r\nOn=true;\r\nRatio=0.500000;\r\n");
}

TEST(ParameterText, ConstructionAndConversionShareOrCopyTheText) {
  EXPECT_EQ(Text(Parameter(static_cast<const char*>(nullptr))), "");
  const QxString source("a=1;");
  const Parameter shared(source);
  EXPECT_EQ(static_cast<const char*>(shared), static_cast<const char*>(source));
  EXPECT_EQ(static_cast<const char*>(static_cast<QxString>(shared)), static_cast<const char*>(source));
  const std::string framework("b=\"x\";");
  EXPECT_STREQ(Parameter(framework).GetString("b"), "x");
}

TEST(ParameterFind, WhichEntryATagFinds) {
  struct Case { const char* text; const char* tag; int value; };  // -1: not found
  const Case cases[] = {
      {"xy=1;x=2;", "x", 2},          {"  x=3;", "x", 3},          {"  x=3;", " x", -1},
      {"x=1;x=2;", "x", 1},           {"\r\n\n\r  x=4;", "x", 4},  {"X=1;", "x", -1},
      {"a=\"x=9;\r\n\";x=5;", "x", 5}, {"a=\"\\\";x=8;\";x=6;", "x", 6},
      {"junk x=1;x=7;", "x", 7},      {"=8;", "", 8},              {"a=9", "a", 9},
      {"a=1;", nullptr, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(Parameter(c.text).GetInt(c.tag, -1), c.value) << c.text << " / " << c.tag;
}

TEST(ParameterFind, MalformedTextsAreReadToTheirEnd) {
  struct Case { const char* text; const char* decoded; };  // nullptr: no quoted value of a
  const Case cases[] = {
      {"a=\"ab", "ab"},  {"a=\"ab\\", "ab"}, {"a=\"ab\\x", "ab"}, {"a=\"ab\\x4", "ab"}, {"a=\"\\101", "A"},
      {"a=\"", ""},      {"a=", nullptr},    {"a", nullptr},      {"=", nullptr},      {"\"", nullptr},
      {";;;", nullptr},  {" \r", nullptr},   {"a=\"\\", ""},      {"b=\"a=\\", nullptr},
  };
  for (const Case& c : cases) {
    const Parameter p(c.text);
    QxString decoded("untouched");
    EXPECT_EQ(p.Get("a", decoded), c.decoded != nullptr) << c.text;
    EXPECT_STREQ(decoded, c.decoded != nullptr ? c.decoded : "untouched") << c.text;
    EXPECT_EQ(p.GetInt("b", 5) + p.GetInt("zz", 5), c.text[0] == 'b' ? 5 : 10) << c.text;
    Parameter changed(c.text);
    changed.Set("zz", 42);
    EXPECT_EQ(changed.GetInt("zz", -1), 42) << c.text;
    (void)changed.RemoveTag("a");
    (void)(p == changed);
  }
}

TEST(ParameterGet, NumbersAreReadAsTheRuntimeReadsThem) {
  struct Case { const char* value; std::optional<int> asInt; ULONGLONG asUnsigned; double asDouble; };
  const Case cases[] = {
      {" -12abc", -12, 18446744073709551604ull, -12}, {"+7;", 7, 7, 7},       {"abc", 0, 0, 0},
      {"\"5\"", 0, 0, 0},                             {"1e3", 1, 1, 1000},   {"0x1p3", 0, 0, 8},
      {"18446744073709551615", std::nullopt, 18446744073709551615ull, 18446744073709551615.0},
  };
  for (const Case& c : cases) {
    const Parameter p(("v=" + std::string(c.value)).c_str());
    if (c.asInt) {
      EXPECT_EQ(p.GetInt("v", -1), *c.asInt) << c.value;
    }
    EXPECT_EQ(p.GetULONGLONG("v", 1), c.asUnsigned) << c.value;
    EXPECT_EQ(p.GetDouble("v"), c.asDouble) << c.value;
  }
  EXPECT_TRUE(std::isinf(Parameter("v=-inf;").GetDouble("v")));
  EXPECT_TRUE(std::isnan(Parameter("v=nan;").GetDouble("v")));
}

TEST(ParameterGet, BoolIsTrueOnlyForALeadingT) {
  const Parameter p("a=true;b=t;c=false;d=1;e=True;f=;g=\"t\";");
  for (const char* tag : {"a", "b"}) EXPECT_TRUE(p.GetBool(tag)) << tag;
  for (const char* tag : {"c", "d", "e", "f", "g", "missing"}) EXPECT_FALSE(p.GetBool(tag)) << tag;
}

TEST(ParameterGet, MissingTagLeavesTargetsAndGivesDefaults) {
  const Parameter p("a=1;");
  int i = 5;
  bool b = true;
  double d = 2.5;
  void* v = &i;
  ULONGLONG u = 9;
  QxString s("keep");
  EXPECT_FALSE(p.Get("b", i) || p.Get("b", b) || p.Get("b", d) || p.Get("b", v) || p.Get("b", u) || p.Get("b", s));
  EXPECT_TRUE(i == 5 && b && d == 2.5 && v == &i && u == 9 && s == "keep");
  EXPECT_EQ(p.GetInt("b", -3), -3);
  EXPECT_EQ(p.GetULONGLONG("b", 77), 77u);
  EXPECT_FALSE(p.GetBool("b"));
  EXPECT_TRUE(p.GetString("b").IsEmpty());
  EXPECT_EQ(p.GetDouble("b"), 0.0);
  EXPECT_EQ(p.GetPtr("b"), nullptr);
}

TEST(ParameterGet, TextNeedsAQuotedValueAndNumbersIgnoreQuotes) {
  const Parameter p("a=plain;b=\"text\";");
  QxString s("keep");
  EXPECT_FALSE(p.Get("a", s));
  EXPECT_STREQ(s, "keep");
  EXPECT_TRUE(p.GetString("a").IsEmpty());
  int n = 7;
  EXPECT_TRUE(p.Get("b", n));
  EXPECT_EQ(n, 0);
}

TEST(ParameterSet, EachTypeWritesItsValueText) {
  int object = 0;
  struct Case { std::function<void(Parameter&)> set; std::string text; };
  const Case cases[] = {
      {[](Parameter& p) { p.Set("v", 0); }, "v=0;\r\n"},
      {[](Parameter& p) { p.Set("v", -7); }, "v=-7;\r\n"},
      {[](Parameter& p) { p.Set("v", "text"); }, "v=\"text\";\r\n"},
      {[](Parameter& p) { p.Set("v", static_cast<const char*>(nullptr)); }, "v=\"\";\r\n"},
      {[](Parameter& p) { p.Set("v", false); }, "v=false;\r\n"},
      {[](Parameter& p) { p.Set("v", 1e20); }, "v=100000000000000000000.000000;\r\n"},
      {[](Parameter& p) { p.Set("v", -0.0000004); }, "v=-0.000000;\r\n"},
      {[](Parameter& p) { p.Set("v", ULONGLONG{18446744073709551615ull}); }, "v=18446744073709551615;\r\n"},
      {[](Parameter& p) { p.Set("v", reinterpret_cast<void*>(std::intptr_t{-2})); }, "v=-2;\r\n"},
      {[](Parameter& p) { p.Set(nullptr, 1); }, ""},
  };
  for (const Case& c : cases) {
    Parameter p;
    c.set(p);
    EXPECT_EQ(Text(p), c.text);
  }
  Parameter p;
  p.Set("p", static_cast<void*>(&object));
  EXPECT_EQ(p.GetPtr("p"), &object);
}

TEST(ParameterSet, ExistingTagChangesInPlace) {
  Parameter p("a=1;\r\nb=\"x;y\" z; c=3");
  p.Set("b", 5);
  EXPECT_EQ(Text(p), "a=1;\r\nb=5; c=3");
  p.Set("c", "q");
  EXPECT_EQ(Text(p), "a=1;\r\nb=5; c=\"q\"");
  p.Set("a", 2);
  EXPECT_EQ(Text(p), "a=2;\r\nb=5; c=\"q\"");
}

TEST(ParameterSet, NewTagIsAppendedWhereTheWalkReachesIt) {
  struct Case { const char* before; const char* after; };
  const Case cases[] = {
      {"", "b=2;\r\n"},
      {"a=1;", "a=1;b=2;\r\n"},
      {"a=1;  ", "a=1;  b=2;\r\n"},
      {"a=1", "a=1;\r\nb=2;\r\n"},
      {"a=\"1\"", "a=\"1\";\r\nb=2;\r\n"},
      {"a=\"1", "a=\"1\";\r\nb=2;\r\n"},
      {"a=\"1\\", "a=\"1\\\n\";\r\nb=2;\r\n"},
      {"a=\"1\\x", "a=\"1\\x00\";\r\nb=2;\r\n"},
      {"a=1;xyz", "a=1;xyz=;\r\nb=2;\r\n"},
      {"a=1;b", "a=1;b=2;\r\n"},
  };
  for (const Case& c : cases) {
    Parameter p(c.before);
    p.Set("b", 2);
    EXPECT_EQ(Text(p), c.after) << c.before;
    EXPECT_EQ(p.GetInt("b", -1), 2) << c.before;
    EXPECT_EQ(p.GetInt("a", -1), Parameter(c.before).GetInt("a", -1)) << c.before;
    EXPECT_STREQ(p.GetString("a"), Parameter(c.before).GetString("a")) << c.before;
  }
}

TEST(ParameterQuoting, EachByteIsWrittenByItsEscape) {
  struct Case { const char* text; const char* quoted; };
  const Case cases[] = {
      {"\a\b\t\n\v\f\r", "\"\\a\\b\\t\\n\\v\\f\\r\""}, {"\"\\", "\"\\\"\\\\\""},  {"\x01", "\"\\001\""},
      {"\x1F", "\"\\037\""},  {"\x85", "\"\\205\""},  {"\xA0", "\"\\240\""},  {"\xA1\xE4\x7F", "\"\xA1\xE4\x7F\""},
      {" ;=\x20", "\" ;= \""},
  };
  for (const Case& c : cases) {
    Parameter p;
    p.Set("v", c.text);
    EXPECT_EQ(Text(p), "v=" + std::string(c.quoted) + ";\r\n") << c.quoted;
  }
}

TEST(ParameterQuoting, EscapesReadBack) {
  struct Case { const char* raw; std::string decoded; };
  const Case cases[] = {
      {"\\101", "A"},   {"\\x41", "A"},    {"\\q", "q"},           {"\\x4g", "@"},         {"\\xg1", "\x01"},
      {"\\777", "\xFF"}, {"\\1012", "A2"}, {"a\\\r\nb", "a\nb"},   {"a\\\nb", "ab"},       {"\\\"\\\\", "\"\\"},
      {"\\a\\b\\f\\n\\r\\t\\v", "\a\b\f\n\r\t\v"}, {"\\x00z", std::string("\0z", 2)}, {";=\r\n", ";=\r\n"},
  };
  for (const Case& c : cases) {
    const QxString got = Parameter(("v=\"" + std::string(c.raw) + "\";").c_str()).GetString("v");
    EXPECT_EQ(std::string(got, static_cast<std::size_t>(got.GetLength())), c.decoded) << c.raw;
  }
}

TEST(ParameterQuoting, EveryByteRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  Parameter p("a=1;");
  p.Set("v", all.c_str());
  p.Set("w", 3);
  EXPECT_EQ(std::string(p.GetString("v")), all);
  EXPECT_EQ(p.GetInt("w", -1), 3);
  for (const char* tag : {"v", "w", "a"}) EXPECT_TRUE(p.RemoveTag(tag)) << tag;
  EXPECT_EQ(Text(p), "");
}

TEST(ParameterRemove, CutsTheEntryWithItsLineBreak) {
  struct Case { const char* text; const char* tag; bool removed; const char* after; };
  const Case cases[] = {
      {"a=1;\r\n", "a", true, ""},
      {"a=1;\r\nb=2;\r\n", "a", true, "b=2;\r\n"},
      {"a=1;b=2;", "b", true, "a=1;"},
      {"a=1;\r\n  b=2;", "a", true, "  b=2;"},
      {"a=1;\r\nb=\"x=;\r\n\";\r\nc=3;", "b", true, "a=1;\r\nc=3;"},
      {"a=1;b=2;a=3;", "a", true, "b=2;a=3;"},
      {"a=1;b=2;", "c", false, "a=1;b=2;"},
      {"a=1;b=2;", nullptr, false, "a=1;b=2;"},
  };
  for (const Case& c : cases) {
    Parameter p(c.text);
    EXPECT_EQ(p.RemoveTag(c.tag), c.removed) << c.text;
    EXPECT_EQ(Text(p), c.after) << c.text;
  }
}

TEST(ParameterCompare, EntriesMatchWhateverTheirOrder) {
  struct Case { const char* left; const char* right; bool equal; };
  const Case cases[] = {
      {"a=1;b=2;", "b=2;\r\na=1;\r\n", true}, {"a=01;", "a=1;", false},       {"a=\"\\344\";", "a=\"\xE4\";", true},
      {"a=\"\";", "", true},                  {"", "a=\"\";", false},          {"a=1;", "a=1;b=2;", false},
      {"a=\"x\";", "a=x;", false},            {"a=\"x\";", "a=\"y\";", false}, {"a=1", "a=1;", true},
      {" a=1;", " a=1;", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parameter(c.left) == Parameter(c.right), c.equal) << c.left << " == " << c.right;
    EXPECT_EQ(Parameter(c.left) != Parameter(c.right), !c.equal) << c.left << " != " << c.right;
  }
}

// A Qt program takes LC_NUMERIC from the environment; the stored text must not change.
TEST(ParameterLocale, RealNumbersUseAPointInGerman) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  // The POSIX name, then the Windows runtime's.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "German_Germany.1252") == nullptr)
    GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
  char comma[8];
  std::snprintf(comma, sizeof comma, "%.1f", 0.5);
  Parameter p("r=0.25;c=0,5;");
  p.Set("s", 0.5);
  const double r = p.GetDouble("r"), c = p.GetDouble("c");
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_STREQ(comma, "0,5");
  EXPECT_EQ(Text(p), "r=0.25;c=0,5;s=0.500000;\r\n");
  EXPECT_EQ(r, 0.25);
  EXPECT_EQ(c, 0.0);
}

}  // namespace

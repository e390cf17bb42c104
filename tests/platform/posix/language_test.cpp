// The POSIX language identifiers: locale names as Windows ids, the user's language from
// LC_ALL, LC_MESSAGES and LANG, and the system's locale configuration files.
#include "platform/language.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/emulation/locale_names.h"
#include "tests/support/ScopedEnv.h"

namespace {

TEST(Language, LocaleNamesGiveWindowsLanguageIds) {
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("de_CH.UTF-8"), 0x0807);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("en_US"), 0x0409);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("en_GB.ISO-8859-1"), 0x0809);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("es_ES@euro"), 0x0C0A);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("es_MX"), 0x080A);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("fr_CA.utf8"), 0x0C0C);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("it"), 0x0410);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("nl_BE"), 0x0813);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("ja_JP.eucJP"), 0x0411);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("pt-BR"), 0x0416);
  EXPECT_EQ(platform::detail::LangIdFromLocaleName("DE_at"), 0x0C07);
}

TEST(Language, CPosixEmptyAndUnknownNamesGiveZero) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_YY", "d", "deu_DE", "_DE", ".UTF-8"})
    EXPECT_EQ(platform::detail::LangIdFromLocaleName(name), 0) << name;
}

TEST(Language, UserLanguageComesFromTheFirstSetVariable) {
  testsupport::ScopedEnv env;
  env.Set("LC_ALL", nullptr).Set("LC_MESSAGES", nullptr).Set("LANG", nullptr);
  EXPECT_EQ(platform::UserDefaultLangId(), 0);
  env.Set("LANG", "fr_FR.UTF-8");
  EXPECT_EQ(platform::UserDefaultLangId(), 0x040C);
  env.Set("LC_MESSAGES", "it_CH");
  EXPECT_EQ(platform::UserDefaultLangId(), 0x0810);
  env.Set("LC_ALL", "");  // empty counts as unset
  EXPECT_EQ(platform::UserDefaultLangId(), 0x0810);
  env.Set("LC_ALL", "es_MX.UTF-8");
  EXPECT_EQ(platform::UserDefaultLangId(), 0x080A);
  env.Set("LC_ALL", "C");
  EXPECT_EQ(platform::UserDefaultLangId(), 0);
}

// The system's locale files, as /etc/locale.conf and /etc/default/locale write them.
std::string FromConfig(const std::string& text) { return platform::detail::LocaleFromConfig(text); }

TEST(Language, TheSystemLocaleFileNamesMessagesByLcAllThenLcMessagesThenLang) {
  EXPECT_EQ(FromConfig("LANG=de_DE.UTF-8\n"), "de_DE.UTF-8");
  EXPECT_EQ(FromConfig("LANG=de_DE\nLC_MESSAGES=fr_FR\n"), "fr_FR");
  EXPECT_EQ(FromConfig("LC_ALL=es_ES\nLANG=de_DE\nLC_MESSAGES=fr_FR\n"), "es_ES");
  // An empty value is no setting; the last line of a key counts.
  EXPECT_EQ(FromConfig("LC_ALL=\nLANG=it_IT\n"), "it_IT");
  EXPECT_EQ(FromConfig("LANG=it_IT\nLANG=nl_NL"), "nl_NL");
  EXPECT_EQ(FromConfig(""), "");
}

TEST(Language, TheSystemLocaleFileTakesQuotesCommentsAndWindowsLineEnds) {
  EXPECT_EQ(FromConfig("LANG=\"de_CH.UTF-8\"\n"), "de_CH.UTF-8");
  EXPECT_EQ(FromConfig("LANG='ja_JP'\r\n"), "ja_JP");
  EXPECT_EQ(FromConfig("LANG=en_GB  \r\n"), "en_GB");
  EXPECT_EQ(FromConfig("#LANG=de_DE\n# comment\n\nLANG=fr_FR\n"), "fr_FR");
  EXPECT_EQ(FromConfig("LANG=\"\"\nLC_MESSAGES=\"\""), "");
  // Garbage: unmatched quotes stay, other keys and lines without '=' are no settings.
  EXPECT_EQ(FromConfig("LANG=\"de_DE\n"), "\"de_DE");
  EXPECT_EQ(FromConfig("LANGUAGE=de\nLANG\n=x\n\x01\xff=\xfe\n"), "");
  EXPECT_EQ(platform::detail::LangIdFromLocaleName(FromConfig("LANG=\"es_MX.UTF-8\"\n")), 0x080A);
}

}  // namespace

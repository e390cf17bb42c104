// Language identifiers from locale names and from the user's environment.
#include "platform/language.h"

#include <gtest/gtest.h>

#include "tests/support/ScopedEnv.h"

namespace {

TEST(Language, LocaleNamesGiveWindowsLanguageIds) {
  EXPECT_EQ(platform::LangIdFromLocaleName("de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(platform::LangIdFromLocaleName("de_CH.UTF-8"), 0x0807);
  EXPECT_EQ(platform::LangIdFromLocaleName("en_US"), 0x0409);
  EXPECT_EQ(platform::LangIdFromLocaleName("en_GB.ISO-8859-1"), 0x0809);
  EXPECT_EQ(platform::LangIdFromLocaleName("es_ES@euro"), 0x0C0A);
  EXPECT_EQ(platform::LangIdFromLocaleName("es_MX"), 0x080A);
  EXPECT_EQ(platform::LangIdFromLocaleName("fr_CA.utf8"), 0x0C0C);
  EXPECT_EQ(platform::LangIdFromLocaleName("it"), 0x0410);
  EXPECT_EQ(platform::LangIdFromLocaleName("nl_BE"), 0x0813);
  EXPECT_EQ(platform::LangIdFromLocaleName("ja_JP.eucJP"), 0x0411);
  EXPECT_EQ(platform::LangIdFromLocaleName("pt-BR"), 0x0416);
  EXPECT_EQ(platform::LangIdFromLocaleName("DE_at"), 0x0C07);
}

TEST(Language, CPosixEmptyAndUnknownNamesGiveZero) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_YY", "d", "deu_DE", "_DE", ".UTF-8"})
    EXPECT_EQ(platform::LangIdFromLocaleName(name), 0) << name;
}

TEST(Language, PrimaryLanguageIsTheLowTenBits) {
  EXPECT_EQ(platform::PrimaryLangId(0x0807), 0x07u);
  EXPECT_EQ(platform::PrimaryLangId(0x080A), 0x0Au);
  EXPECT_EQ(platform::PrimaryLangId(0xFFFF), 0x3FFu);
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

}  // namespace

// The program's embedded translation table "ZEBSTRINGS": its stored bytes and the texts it
// gives in each language of the user interface.
#include <gtest/gtest.h>

#include <string>

#include "localization/XMLLocalizer.h"
#include "platform/language.h"
#include "platform/resources.h"
#include "tests/localization/locale_language.h"
#include "tests/support/ScopedEnv.h"

namespace {

std::string TableBytes() {
  const auto bytes = platform::FindResourceData("XML", "ZEBSTRINGS");
  return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : "";
}

TEST(TranslationTable, IsStoredAsIso88591WithCrLfLineEnds) {
  const std::string table = TableBytes();
  ASSERT_FALSE(table.empty());
  EXPECT_TRUE(table.starts_with("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"));
  EXPECT_NE(table.find("install\xE9"), std::string::npos);
  EXPECT_EQ(table.find("\xC3\xA9"), std::string::npos);  // not UTF-8
  EXPECT_TRUE(table.ends_with("\r\n"));
  for (std::size_t p = table.find('\n'); p != std::string::npos; p = table.find('\n', p + 1))
    ASSERT_TRUE(p > 0 && table[p - 1] == '\r') << "bare line feed at byte " << p;
  for (const char* mark : {"E-translate", "I-translate", "F-translate", "G-translate", "S-translate"})
    EXPECT_NE(table.find(mark), std::string::npos) << mark;
  // The continuation of the update text: three tabs, in Italian three tabs and a blank.
  EXPECT_NE(table.find("Lumora.\\n\r\n\t\t\t\\nYou must update"), std::string::npos);
  EXPECT_NE(table.find("Lumora.\\n\r\n\t\t\t \\nPrima deve aggiornare"), std::string::npos);
}

TEST(TranslationTable, IsFoundByTypeAndNameWhateverTheLanguage) {
  const platform::LangId languages[] = {0, 1031, 1033, 1040, 0x0411};
  for (const platform::LangId language : languages) {
    const auto bytes = platform::FindResourceData("XML", "ZEBSTRINGS", language);
    ASSERT_TRUE(bytes) << language;
    EXPECT_EQ(bytes->size(), TableBytes().size());
  }
}

struct Expected {
  const char* title;
  const char* ok;
  const char* cancel;
  const char* not_installed;
  const char* update;
};

const Expected kEnglish = {
    "Veltaro Lumora", "OK", "Cancel",
    "Veltaro is not installed.\nYou must install Veltaro first!",
    "The installed Veltaro version does not support Lumora.\n\nYou must update your Veltaro version first!"};
const Expected kItalian = {
    "Veltaro Lumora", "OK", "Annulla",
    "Veltaro non \xE8 installato.\nPrima deve installare Veltaro!",
    "La versione di Veltaro installata non supporta Lumora.\n \nPrima deve aggiornare la sua versione di Veltaro!"};
const Expected kFrench = {
    "Veltaro Lumora", "OK", "Annuler",
    "Veltaro n'est pas install\xE9.\nVous devez d'abord installer Veltaro !",
    "La version install\xE9" "e de Veltaro ne supporte pas Lumora.\n\n"
    "Vous devez d'abord mettre \xE0 jour votre version de Veltaro !"};
const Expected kGerman = {
    "Veltaro Lumora", "OK", "Abbrechen",
    "Veltaro ist nicht installiert.\nSie m\xFCssen zuerst Veltaro installieren!",
    "Die installierte Veltaro Version unterst\xFCtzt nicht Lumora.\n\n"
    "Sie m\xFCssen zuerst die Veltaro Software aktualisieren!"};
const Expected kSpanish = {
    "Veltaro Lumora", "Aceptar", "Cancelar",
    "Veltaro no est\xE1 instalado.\n\xA1Tiene que instalar Veltaro primero!",
    "La versi\xF3n instalada de Veltaro no soporta Lumora.\n\n\xA1Tiene que actualizar el versi\xF3n de Veltaro primero!"};

void ExpectTexts(const XMLLocalizer& texts, const Expected& e, const char* locale) {
  EXPECT_EQ(texts.GetString("LUMORA_TITLE", true), e.title) << locale;
  EXPECT_EQ(texts.GetString("LUMORA_OK", true), e.ok) << locale;
  EXPECT_EQ(texts.GetString("LUMORA_CANCEL", true), e.cancel) << locale;
  EXPECT_EQ(texts.GetString("LUMORA_VELTARO_NOT_INSTALLED", true), e.not_installed) << locale;
  EXPECT_EQ(texts.GetString("LUMORA_VELTARO_UPDATE_VERSION", true), e.update) << locale;
}

XMLLocalizer LoadedFor(const char* locale) {
  testsupport::ScopedEnv env;
  env.Set("LC_ALL", locale).Set("LC_MESSAGES", nullptr).Set("LANG", nullptr);
  XMLLocalizer texts;
  texts.SetResourceName("ZEBSTRINGS");
  EXPECT_TRUE(texts.LoadFromResource(nullptr, 0)) << locale;
  return texts;
}

TEST(TranslationTable, TheUsersLanguageSelectsItsTexts) {
  if (!localizationtest::UserLanguageFollowsLcAll())
    GTEST_SKIP() << "the user's language is the account's setting here, not the process's locale";
  const struct { const char* locale; const Expected* texts; } cases[] = {
      {"de_DE.UTF-8", &kGerman}, {"de_CH.UTF-8", &kGerman}, {"es_ES.UTF-8", &kSpanish},
      {"es_MX.UTF-8", &kSpanish}, {"fr_FR.UTF-8", &kFrench}, {"it_IT.UTF-8", &kItalian},
      {"nl_NL.UTF-8", &kEnglish}, {"ja_JP.UTF-8", &kEnglish},
  };
  for (const auto& c : cases) ExpectTexts(LoadedFor(c.locale), *c.texts, c.locale);
}

TEST(TranslationTable, TheCLocaleFallsBackToTheSystemsLanguage) {
  if (!localizationtest::UserLanguageFollowsLcAll())
    GTEST_SKIP() << "the user's language is the account's setting here, not the process's locale";
  if (platform::SystemDefaultLangId() != 0)
    GTEST_SKIP() << "this machine has a system locale configured";
  ExpectTexts(LoadedFor("C"), kEnglish, "C");
}

TEST(TranslationTable, AnExplicitLanguageAndCodePageWin) {
  XMLLocalizer texts;
  texts.SetResourceName("zebstrings");  // resource names compare without case
  ASSERT_TRUE(texts.LoadFromResource("Italian", 28591));
  ExpectTexts(texts, kItalian, "Italian");
}

}  // namespace

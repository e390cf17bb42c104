// YlRegistry: result texts, identity, initialisation from arguments and from "Pellow.inf".
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "tests/settings/settings_fixture.h"

namespace {

using Identity = SettingsTest;

TEST_F(Identity, ErrorTextsAreTheFixedLatin1Texts) {
  YlRegistry store;
  QxString text;
  EXPECT_EQ(store.GetErrorText(-1, text), 0);
  EXPECT_STREQ(text, "YlRegistry - Fehler: \xFC" "bergebener Puffer zu klein f\xFC" "r Registry Eintrag");
  store.GetErrorText(-12, text);
  EXPECT_STREQ(text, "YlRegistry - Fehler: Default l\xE4" "nger als Platz in Ziel");
  store.GetErrorText(-13, text);
  EXPECT_STREQ(text, "YlRegistry - Warnung: Existierender Registry-Key wurde nicht \xFC" "berschrieben");
  for (int code : {0, -14, -15, 1, -16, 12345}) {
    store.GetErrorText(code, text);
    EXPECT_STREQ(text, "YlRegistry - Fehler: kein g\xFC" "ltiger Fehlercode") << code;
  }
  store.GetErrorText(-8, text);
  EXPECT_STREQ(text, "YlRegistry - Fehler: Ini-Datei nicht lesbar");
}

TEST_F(Identity, ErrorTextIntoABufferNeverWritesOutsideIt) {
  YlRegistry store;
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(store.GetErrorText(-3, buffer, 10), 0);
  EXPECT_STREQ(buffer, "YlRegistr");
  EXPECT_EQ(buffer[10], '#');
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(store.GetErrorText(-3, buffer, 1), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(store.GetErrorText(-3, buffer, 0), 0);
  EXPECT_EQ(store.GetErrorText(-3, buffer, -5), 0);
  EXPECT_EQ(store.GetErrorText(-3, nullptr, 10), 0);
  EXPECT_EQ(buffer[0], '#');
}

TEST_F(Identity, TheObjectNamesItself) {
  YlRegistry store;
  const IQxObject& root = store;
  EXPECT_EQ(root.object, static_cast<void*>(&store));
  EXPECT_STREQ(root.className, "YlRegistry");
}

TEST_F(Identity, InitializeBuildsKeyPathAndPrefix) {
  PointIniFileHere();
  YlRegistry store;
  ASSERT_EQ(store.Initialize("Acme", "Viewer", "2.1", "AV", nullptr), 0);
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Probe", "x", false), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, "Software\\Acme\\Viewer\\2.1\\Probe"), "x");
  ASSERT_EQ(store.SetStringValue("S", "k", "v"), 0);
  EXPECT_NE(IniText().find("[AV_#_S]"), std::string::npos);

  SetEntry(HKEY_LOCAL_MACHINE, "Acme\\IniFilePath", folder());
  ASSERT_EQ(store.Initialize("Acme", "", nullptr, "AV", "Pfx"), 0);
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Probe2", "y", false), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, "Software\\Acme\\Probe2"), "y");
  ASSERT_EQ(store.SetStringValue("S", "k", "v"), 0);
  EXPECT_NE(IniText().find("[Pfx_#_S]"), std::string::npos);
  QxString company, product, version, shortId;
  ASSERT_TRUE(store.GetRegistryInfo(company, product, version, shortId));
  EXPECT_STREQ(company, "Acme");
  EXPECT_STREQ(product, "");
  EXPECT_STREQ(version, "");
  EXPECT_STREQ(shortId, "AV");
}

TEST_F(Identity, AFailedInitializeLeavesTheStoreUninitialised) {
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  QxString company, product, version, shortId;
  ASSERT_TRUE(store.GetRegistryInfo(company, product, version, shortId));
  EXPECT_EQ(store.Initialize(nullptr, nullptr, nullptr, "AV", nullptr), -6);
  EXPECT_FALSE(store.GetRegistryInfo(company, product, version, shortId));
  EXPECT_STREQ(company, "");
  EXPECT_STREQ(shortId, "");
  EXPECT_EQ(store.SetStringValue("S", "k", "v"), -10);
  EXPECT_EQ(store.Initialize("Acme", "Viewer", "2.1", nullptr, nullptr), -6);
  int exists = 7;
  EXPECT_EQ(store.HasIniFilePath(exists), -10);
  EXPECT_EQ(exists, 7);
}

TEST_F(Identity, AnIniFileAsFifthArgumentIsTheFileAndTheShortIdThePrefix) {
  const std::string file = folder() + "family.ini";
  YlRegistry store("Acme", "Viewer", "2.1", "AV", file.c_str());
  char name[300];
  ASSERT_EQ(store.GetIniPathAndName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), file);
  ASSERT_EQ(store.SetIntValue("S", "k", 5), 0);
  std::ifstream in(file, std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "[AV_#_S]\r");
}

TEST_F(Identity, InitializeFromInfoReadsTheProgramsFolderThenTheCurrentOne) {
  const std::string info = "[YlAtrium]\r\nCompany=Orvane\r\nProduct=Atrium\r\nVersion=3.2\r\nShortId=YlAtrium\r\n"
                           "[NoShortId]\r\nCompany=Orvane\r\nProduct=Atrium\r\nVersion=3.2\r\n";
  dir_.Write("Pellow.inf", info);
  const auto old_cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());

  YlRegistry store;
  EXPECT_EQ(store.InitializeFromInfo("NoShortId", nullptr), -8);
  QxString company, product, version, shortId;
  EXPECT_FALSE(store.GetRegistryInfo(company, product, version, shortId));
  EXPECT_EQ(store.InitializeFromInfo("YlAtrium", nullptr), 0);
  ASSERT_TRUE(store.GetRegistryInfo(company, product, version, shortId));
  EXPECT_STREQ(product, "Atrium");
  EXPECT_STREQ(shortId, "YlAtrium");
  EXPECT_EQ(store.InitializeFromInfo("NoShortId", nullptr), -8);  // the store stays as it was
  EXPECT_TRUE(store.GetRegistryInfo(company, product, version, shortId));

  // A file beside the program wins over the current folder's.
  std::string program;
  ASSERT_TRUE(platform::ProgramFolder(program));
  const std::string beside = program + "Pellow.inf";
  { std::ofstream(beside, std::ios::binary) << "[YlAtrium]\nCompany=C\nProduct=P\nVersion=V\nShortId=Beside\n"; }
  YlRegistry from_program("YlAtrium", nullptr);
  std::filesystem::remove(beside);
  std::filesystem::current_path(old_cwd);
  ASSERT_TRUE(from_program.GetRegistryInfo(company, product, version, shortId));
  EXPECT_STREQ(shortId, "Beside");
}

}  // namespace

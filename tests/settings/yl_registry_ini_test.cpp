// YlRegistry: where the INI file lies, its backup, and the per-user numbers.
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "tests/settings/settings_fixture.h"

namespace {

using IniLocation = SettingsTest;

const char* kProduct = "Acme\\Viewer\\2.1\\";

TEST_F(IniLocation, TheDirectoryEntryWithOrWithoutItsSeparator) {
  for (const std::string& directory : {folder(), folder().substr(0, folder().size() - 1)}) {
    SetEntry(HKEY_LOCAL_MACHINE, std::string(kProduct) + "IniFilePath", directory);
    YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
    char name[300];
    ASSERT_EQ(store.GetIniPathAndName(name, sizeof name), 0);
    EXPECT_EQ(std::string(name), ini());
    char path[300];
    ASSERT_EQ(store.GetIniPath(path, sizeof path), 0);
    EXPECT_EQ(std::string(path), folder());
    QxString as_string;
    ASSERT_EQ(store.GetIniPath(as_string), 0);
    EXPECT_EQ(std::string(as_string), directory + "/");  // appended even after a separator
  }
}

TEST_F(IniLocation, WithoutTheEntryTheProgramsFolder) {
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  std::string program;
  ASSERT_TRUE(platform::ProgramFolder(program));
  char name[1024];
  ASSERT_EQ(store.GetIniPathAndName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), program + "Quenta.ini");
}

TEST_F(IniLocation, ABufferExactlyLongEnoughAndOneLess) {
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  for (const std::string& directory : {folder().substr(0, folder().size() - 1), folder()}) {
    ASSERT_EQ(store.SetIniFilePath(directory.c_str()), 0);  // writes the entry, clears the cache
    // The separator is counted even when the directory ends with one.
    const int exact = static_cast<int>(directory.size() + 1 + std::strlen("Quenta.ini") + 1);
    std::vector<char> buffer(exact);
    EXPECT_EQ(store.GetIniPathAndName(buffer.data(), exact - 1), -9);
    EXPECT_EQ(store.GetIniPathAndName(buffer.data(), exact), 0);
    EXPECT_EQ(std::string(buffer.data()), ini());
    EXPECT_EQ(store.GetIniPathAndName(buffer.data(), static_cast<int>(ini().size())), -9);  // the cached name
  }
}

TEST_F(IniLocation, AnExplicitFileStaysUntilSetIniFilePath) {
  PointIniFileHere();
  const std::string explicit_file = folder() + "family.ini";
  YlRegistry store("Acme", "Viewer", "2.1", "AV", explicit_file.c_str());
  char name[300];
  ASSERT_EQ(store.GetIniPathAndName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), explicit_file);
  const std::string other = (dir_.path() / "other").string() + "/";
  ASSERT_EQ(store.SetIniFilePath(other.c_str()), 0);
  ASSERT_EQ(store.GetIniPathAndName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), other + "Quenta.ini");
  int exists = 0;
  ASSERT_EQ(store.HasIniFilePath(exists), 0);
  EXPECT_EQ(exists, 1);
  EXPECT_EQ(store.SetIniFilePath(""), -6);
  EXPECT_EQ(store.SetIniFilePath(nullptr), -6);
}

TEST_F(IniLocation, HasIniFilePathTellsWhetherTheEntryExists) {
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  int exists = 7;
  ASSERT_EQ(store.HasIniFilePath(exists), 0);
  EXPECT_EQ(exists, 0);
}

TEST_F(IniLocation, BackupsAndFlush) {
  PointIniFileHere();
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  store.CreateIniBackup();  // no INI file: nothing happens
  EXPECT_FALSE(std::filesystem::exists(ini() + ".bak"));
  ASSERT_EQ(store.SetStringValue("S", "k", "v1"), 0);
  store.CreateIniBackup();
  ASSERT_EQ(store.SetStringValue("S", "k", "v2"), 0);
  std::ifstream backup(ini() + ".bak", std::ios::binary);
  std::stringstream text;
  text << backup.rdbuf();
  EXPECT_NE(text.str().find("k=v1"), std::string::npos);
  EXPECT_EQ(store.FlushIniFile(), 0);
}

using UserNumbers = SettingsTest;

TEST_F(UserNumbers, FirstUseNumbersTheAccountAndASecondAccountGetsTheNext) {
  PointIniFileHere();
  {
    YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
    ASSERT_EQ(store.SetUserStringValue("S", "Base", "alice's"), 0);
  }
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, std::string("Software\\") + kProduct + "LastUser"), "0001");
  EXPECT_EQ(Entry(HKEY_CURRENT_USER, std::string("Software\\") + kProduct + "User"), "0001");
  env_.Set("ORVANE_USER", "bob");
  {
    YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
    ASSERT_EQ(store.SetUserStringValue("S", "Base", "bob's"), 0);
  }
  env_.Set("ORVANE_USER", "alice");
  YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
  ASSERT_EQ(store.SetUserStringValue("S", "Base", "alice again"), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, std::string("Software\\") + kProduct + "LastUser"), "0002");
  const std::string text = IniText();
  EXPECT_NE(text.find("User0001_#_Base=alice again"), std::string::npos);
  EXPECT_NE(text.find("User0002_#_Base=bob's"), std::string::npos);
}

TEST_F(UserNumbers, UnusableLastUserTextsNeverGiveADuplicateOrUndefinedNumber) {
  PointIniFileHere();
  const std::string last_user = std::string(kProduct) + "LastUser";
  const struct { const char* last; const char* expected; } cases[] = {
      {"9999", "0002"},   // past 9999: the smallest free number (alice holds 0001)
      {"abc", "0002"},    // no number at all
      {"0000", "0002"},   // would hand out 0001 again
      {"12345", "0002"},  // too long to read: counts as missing, and 0001 is taken
  };
  {
    YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
    ASSERT_EQ(store.SetUserIntValue("S", "k", 1), 0);  // alice: 0001
  }
  int account = 0;
  for (const auto& c : cases) {
    SetEntry(HKEY_LOCAL_MACHINE, last_user, c.last);
    env_.Set("ORVANE_USER", ("user" + std::to_string(account++)).c_str());
    YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
    ASSERT_EQ(store.SetUserIntValue("S", "k", 2), 0);
    EXPECT_EQ(Entry(HKEY_CURRENT_USER, std::string("Software\\") + kProduct + "User"), c.expected) << c.last;
    // Take the account away again so the next case starts from alice alone.
    ASSERT_EQ(DeleteKeyAndAllSubkeys(HKEY_CURRENT_USER, (std::string("Software\\") + kProduct + "User").c_str()), 0);
  }
}

}  // namespace

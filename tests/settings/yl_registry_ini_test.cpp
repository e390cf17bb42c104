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
    EXPECT_EQ(std::string(as_string), directory + kSeparator);  // appended even after a separator
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

}  // namespace

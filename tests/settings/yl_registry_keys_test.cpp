// YlRegistry: registry entries, numbered lists, deletion with pruning.
#include <string>

#include "tests/settings/settings_fixture.h"

namespace {

using Entries = SettingsEntries;

TEST_F(Entries, ReadAndWriteWithTheBufferRules) {
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Deep\\Name", "value", false), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\Deep\\Name"), "value");
  char buffer[6];
  EXPECT_EQ(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Deep\\Name", buffer, 6), 0);
  EXPECT_STREQ(buffer, "value");
  EXPECT_EQ(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Deep\\Name", buffer, 5), -1);
  EXPECT_EQ(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Missing", buffer, 6), -3);
  EXPECT_EQ(store.GetKeyValue(HKEY_CURRENT_USER, "Deep\\Name", buffer, 6), -3);
  QxString text;
  EXPECT_EQ(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Deep\\Name", text), 0);
  EXPECT_STREQ(text, "value");
  EXPECT_EQ(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Deep", text), -2);  // a key without a value
  EXPECT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "X", nullptr, false), -6);
}

TEST_F(Entries, KeepExistingWritesOnlyOnce) {
  EXPECT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Once", "first", true), 0);
  EXPECT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Once", "second", true), -13);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\Once"), "first");
  EXPECT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Once", "third", false), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\Once"), "third");
}

TEST_F(Entries, ListsAddWithoutDuplicatesAndRemoveByMovingDown) {
  for (const char* v : {"one", "two", "one", "three"}) EXPECT_EQ(store.AddListEntry(HKEY_CURRENT_USER, "Recent", "File", v), 0);
  QxString text;
  EXPECT_EQ(store.GetListEntry(HKEY_CURRENT_USER, "Recent", "File", 1, text), 0);
  EXPECT_STREQ(text, "two");
  EXPECT_EQ(Entry(HKEY_CURRENT_USER, product + "\\Recent\\File_0002"), "three");
  EXPECT_EQ(store.RemoveListEntry(HKEY_CURRENT_USER, "Recent", "File", "two"), 0);
  char buffer[16];
  EXPECT_EQ(store.GetListEntry(HKEY_CURRENT_USER, "Recent", "File", 0, buffer, 16), 0);
  EXPECT_STREQ(buffer, "one");
  EXPECT_EQ(store.GetListEntry(HKEY_CURRENT_USER, "Recent", "File", 1, buffer, 16), 0);
  EXPECT_STREQ(buffer, "three");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, product + "\\Recent\\File_0002"));
  EXPECT_EQ(store.RemoveListEntry(HKEY_CURRENT_USER, "Recent", "File", "absent"), 0);
  EXPECT_EQ(store.GetListEntry(HKEY_CURRENT_USER, "Recent", "File", 1, text), 0);
}

TEST_F(Entries, LongListEntriesAreNeitherOverwrittenNorLost) {
  const std::string long_value(600, 'L');
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "L", "E", long_value.c_str()), 0);
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "L", "E", "short"), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\L\\E_0000"), long_value);
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "L", "E", "last"), 0);
  ASSERT_EQ(store.RemoveListEntry(HKEY_LOCAL_MACHINE, "L", "E", "short"), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\L\\E_0000"), long_value);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\L\\E_0001"), "last");
  ASSERT_EQ(store.RemoveListEntry(HKEY_LOCAL_MACHINE, "L", "E", long_value.c_str()), 0);
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\L\\E_0000"), "last");
}

TEST_F(Entries, RemovingTheLastEntryPrunesEmptyKeysButNotSoftware) {
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "only"), 0);
  ASSERT_EQ(store.RemoveListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "only"), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Acme"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software"));

  // A key that holds anything else stops the pruning.
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Other", "kept", false), 0);
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "only"), 0);
  ASSERT_EQ(store.RemoveListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "only"), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product + "\\Recent"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, product + "\\Other"));
}

TEST_F(Entries, DeleteAllKeysRemovesThisProductOnly) {
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "A", "1", false), 0);
  ASSERT_EQ(store.SetKeyValue(HKEY_CURRENT_USER, "B", "2", false), 0);
  YlRegistry sibling("Acme", "Editor", "1.0", "AE", nullptr);
  ASSERT_EQ(sibling.SetKeyValue(HKEY_LOCAL_MACHINE, "D", "4", false), 0);

  EXPECT_EQ(store.DeleteAllKeys(), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Acme\\Viewer"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, product));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Acme\\Editor\\1.0\\D"));
  EXPECT_EQ(YlRegistry().DeleteAllKeys(), -10);
  YlRegistry empty_identity("", "", "", "E", nullptr);
  EXPECT_EQ(empty_identity.DeleteAllKeys(), -6);  // would be all of "Software"
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Acme\\Editor"));
}

TEST_F(Entries, DeleteKeyAndAllSubkeys) {
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "T\\a\\b\\c", "x", false), 0);
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "T\\d", "y", false), 0);
  EXPECT_EQ(DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, (product + "\\T").c_str()), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product + "\\T"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, product));
  EXPECT_EQ(DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, "Software\\Nothing\\Here"), 0);
  EXPECT_EQ(DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, ""), 0);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software"));
}

// A store that reads its entries from memory: the INI location and the user tag go
// through the virtual GetKeyValue.
class CannedKeys : public YlRegistry {
 public:
  using YlRegistry::YlRegistry;
  using YlRegistry::GetKeyValue;
  std::string ini_folder;
  int GetKeyValue(HKEY root, const char* name, char* buffer, int size) override {
    if (root == HKEY_LOCAL_MACHINE && std::string(name) == "IniFilePath") {
      std::snprintf(buffer, static_cast<std::size_t>(size), "%s", ini_folder.c_str());
      return 0;
    }
    if (root == HKEY_CURRENT_USER && std::string(name) == "User") {
      std::snprintf(buffer, static_cast<std::size_t>(size), "0042");
      return 0;
    }
    return -3;
  }
};

TEST_F(Entries, TheIniLocationAndUserTagGoThroughTheVirtualGetKeyValue) {
  CannedKeys canned;
  canned.ini_folder = folder();
  ASSERT_EQ(canned.Initialize("Acme", "Viewer", "2.1", "AV", nullptr), 0);
  char name[300];
  ASSERT_EQ(canned.GetIniPathAndName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), ini());
  ASSERT_EQ(canned.SetUserIntValue("S", "k", 1), 0);
  EXPECT_NE(IniText().find("User0042_#_k=1"), std::string::npos);
}

}  // namespace

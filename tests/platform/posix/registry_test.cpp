// The POSIX registry's own rules and store: accounts chosen by ORVANE_USER, handles bound to
// the machine folder they were opened in, one transaction per change, data counted exactly as
// stored, a damaged database, and a child made by fork.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/registry_batch.h"
#include "platform/registry.h"
#include "tests/platform/registry_fixture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using platform::KeyAccess;
using platform::RegistryKey;

class Registry : public RegistryFixture {
 protected:
  Registry() {
    env_.Set("ORVANE_PREFIX", (dir_.path() / "machine").c_str()).Set("ORVANE_USER", "alice");
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_;
};

TEST_F(Registry, AHandleBelongsToTheMachineItWasOpenedOn) {
  ASSERT_EQ(platform::SetTextValue(Create(HKEY_LOCAL_MACHINE, "Software\\Access").get(), "v", "1"), 0);
  RegistryKey reader;
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Access", KeyAccess::kRead, reader), 0);
  ASSERT_EQ(Text(reader.get(), "v"), "1");
  testsupport::TempDir other;
  env_.Set("ORVANE_PREFIX", other.path().c_str());
  EXPECT_EQ(Text(reader.get(), "v"), "<error 6>");
}

TEST_F(Registry, ValuesReadByPathComeFromTheCurrentMachine) {
  // Both machines are new: their keys get the same ids, at different paths.
  ASSERT_EQ(platform::SetTextValue(Create(HKEY_LOCAL_MACHINE, "Software\\Here").get(), nullptr, "first"), 0);
  std::string text;
  ASSERT_EQ(platform::GetTextValue(HKEY_LOCAL_MACHINE, "Software\\Here", nullptr, text), 0);
  testsupport::TempDir other;
  env_.Set("ORVANE_PREFIX", other.path().c_str());
  ASSERT_EQ(platform::SetTextValue(Create(HKEY_LOCAL_MACHINE, "Other\\There").get(), nullptr, "second"), 0);
  EXPECT_EQ(platform::GetTextValue(HKEY_LOCAL_MACHINE, "Software\\Here", nullptr, text), platform::kErrorFileNotFound);
  EXPECT_EQ(text, "first");
}

TEST_F(Registry, CurrentUserIsTheAccountsKeyMadeOnFirstUse) {
  char name[300];
  EXPECT_EQ(platform::EnumKey(HKEY_USERS, 0, name, sizeof name), platform::kErrorNoMoreItems);
  RegistryKey alice = Create(HKEY_CURRENT_USER, "Software\\Orvane");
  ASSERT_EQ(platform::SetTextValue(alice.get(), "User", "0001"), 0);
  RegistryKey seen;
  ASSERT_EQ(platform::OpenKey(HKEY_USERS, "ALICE\\Software\\Orvane", KeyAccess::kRead, seen), 0);
  EXPECT_EQ(Text(seen.get(), "User"), "0001");

  // Another account sees nothing of the first one's tree, and gets its own on first use.
  env_.Set("ORVANE_USER", "bob");
  RegistryKey missing;
  EXPECT_EQ(platform::OpenKey(HKEY_CURRENT_USER, "Software\\Orvane", KeyAccess::kRead, missing),
            platform::kErrorFileNotFound);
  EXPECT_EQ(Subkeys(HKEY_USERS), (std::vector<std::string>{"alice", "bob"}));
  RegistryKey bob = Create(HKEY_CURRENT_USER, "Software\\Orvane");
  ASSERT_EQ(platform::SetTextValue(bob.get(), "User", "0002"), 0);
  EXPECT_EQ(Text(seen.get(), "User"), "0001");

  env_.Set("ORVANE_USER", "a\\b");
  EXPECT_EQ(platform::OpenKey(HKEY_CURRENT_USER, nullptr, KeyAccess::kRead, missing),
            platform::kErrorInvalidParameter);
}

TEST_F(Registry, CreatingAPathIsOneTransaction) {
  Create(HKEY_LOCAL_MACHINE, "Software");
  {
    // Make the database refuse the third key of the path, as a full disk or a crash would
    // stop a change half-way.
    sqlite3* db = nullptr;
    const std::string path = (dir_.path() / "machine" / "registry.db").string();
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER refuse BEFORE INSERT ON keys WHEN NEW.name = CAST('Third' AS BLOB) "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  RegistryKey key;
  EXPECT_NE(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\First\\Second\\Third\\Fourth", key), 0);
  EXPECT_FALSE(key);
  RegistryKey software;
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software", KeyAccess::kRead, software), 0);
  EXPECT_TRUE(Subkeys(software.get()).empty());
  EXPECT_EQ(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\First\\Second", key), 0);
}

TEST_F(Registry, ABatchOfChangesIsOneTransactionAndDeletesTreesWhole) {
  ASSERT_EQ(platform::SetTextValue(Create(HKEY_LOCAL_MACHINE, "Software\\Old\\Deep").get(), "v", "1"), 0);
  using Kind = platform::RegistryChange::Kind;
  std::string too_deep = "Software";
  for (int level = 1; level < 513; ++level) too_deep += "\\k";
  std::vector<platform::RegistryChange> changes = {
      {Kind::kDeleteTree, HKEY_LOCAL_MACHINE, "Software\\Old", {}, {}},
      {Kind::kCreateKey, HKEY_CURRENT_USER, "Software\\New", {}, {}},
      {Kind::kSetValue, HKEY_CURRENT_USER, "Software\\New", "v", "2"},
      {Kind::kCreateKey, HKEY_LOCAL_MACHINE, too_deep, {}, {}},
  };
  std::size_t failed = 0;
  EXPECT_EQ(platform::ApplyRegistryChanges(changes, failed), platform::kErrorInvalidParameter);
  EXPECT_EQ(failed, 3u);
  EXPECT_EQ(Subkeys(Create(HKEY_LOCAL_MACHINE, "Software").get()), (std::vector<std::string>{"Old"}));
  RegistryKey missing;
  EXPECT_EQ(platform::OpenKey(HKEY_CURRENT_USER, "Software\\New", KeyAccess::kRead, missing),
            platform::kErrorFileNotFound);

  changes.pop_back();
  ASSERT_EQ(platform::ApplyRegistryChanges(changes, failed), platform::kErrorSuccess);
  EXPECT_EQ(failed, changes.size());
  EXPECT_TRUE(Subkeys(Create(HKEY_LOCAL_MACHINE, "Software").get()).empty());
  EXPECT_EQ(Text(Create(HKEY_CURRENT_USER, "Software\\New").get(), "v"), "2");
}

TEST_F(Registry, KeyInformationCountsDataAsStored) {
  RegistryKey key = Create(HKEY_LOCAL_MACHINE, "Software\\Info");
  const struct {
    const char* name;
    std::string_view data;
    std::uint32_t longest;
  } steps[] = {{"Bare", "1234567", 7}, {"Terminated", std::string_view("12345678\0", 9), 9}, {"", "", 9}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(platform::SetTextValue(key.get(), step.name, step.data), 0);
    platform::KeyInfo info;
    ASSERT_EQ(platform::QueryKeyInfo(key.get(), info), 0);
    EXPECT_EQ(info.longest_value_data, step.longest);
  }
}

TEST_F(Registry, DamagedDatabaseIsAnErrorNotACrash) {
  std::filesystem::create_directories(dir_.path() / "machine");
  dir_.Write("machine/registry.db", std::string(8192, '\x5A'));
  RegistryKey key;
  EXPECT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software", KeyAccess::kRead, key),
            platform::kErrorRegistryCorrupt);
  EXPECT_EQ(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software", key), platform::kErrorRegistryCorrupt);
  EXPECT_FALSE(key);
}

TEST_F(Registry, AForkedChildKeepsItsChangesWhenTheParentReconnects) {
  RegistryKey key = Create(HKEY_LOCAL_MACHINE, "Software\\Forked");
  ASSERT_EQ(platform::SetTextValue(key.get(), "Parent", "1"), 0);
  int to_parent[2];
  int to_child[2];
  ASSERT_EQ(pipe(to_parent), 0);
  ASSERT_EQ(pipe(to_child), 0);
  const pid_t child = testsupport::Spawn([&] {
    alarm(20);
    char go = 0;
    RegistryKey mine;
    if (platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\Forked", mine) != 0) return 1;
    if (platform::SetTextValue(mine.get(), "First", "1") != 0) return 2;
    if (write(to_parent[1], "a", 1) != 1 || read(to_child[0], &go, 1) != 1) return 3;
    return platform::SetTextValue(mine.get(), "Second", "2") == 0 ? 0 : 4;
  });
  char ready = 0;
  ASSERT_EQ(read(to_parent[0], &ready, 1), 1);
  {
    // Visiting another machine closes this process's connection to the first one, which
    // must not take the child's log away.
    testsupport::TempDir elsewhere;
    const std::string home = (dir_.path() / "machine").string();
    env_.Set("ORVANE_PREFIX", elsewhere.path().c_str());
    RegistryKey other;
    ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, nullptr, KeyAccess::kRead, other), 0);
    env_.Set("ORVANE_PREFIX", home.c_str());
  }
  ASSERT_EQ(write(to_child[1], "b", 1), 1);
  EXPECT_EQ(testsupport::Wait(child), 0);
  for (const int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) close(fd);
  RegistryKey seen;
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Forked", KeyAccess::kRead, seen), 0);
  EXPECT_EQ(Values(seen.get()), (std::vector<std::string>{"First", "Parent", "Second"}));
}

}  // namespace

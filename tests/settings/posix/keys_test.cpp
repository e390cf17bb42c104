// YlRegistry's entries on the emulated machine: other accounts (ORVANE_USER), a machine this
// account may only read, and a tree deeper than a small stack would hold (written into the
// store directly).
#include <pthread.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "tests/settings/settings_fixture.h"
#include "tests/support/posix/ForkedChild.h"
#include "tests/support/posix/KeyChain.h"
#include "tests/support/posix/OtherAccount.h"

namespace {

using Entries = SettingsEntries;

TEST_F(Entries, TheEmulatedMachineHasNoAccessControl) {
  EXPECT_EQ(store.GetSecurityDescriptorWithNullDacl(), nullptr);
}

TEST_F(Entries, DeleteAllKeysReachesEveryAccount) {
  ASSERT_EQ(store.SetKeyValue(HKEY_CURRENT_USER, "B", "2", false), 0);
  env_.Set("ORVANE_USER", "bob");
  ASSERT_EQ(store.SetKeyValue(HKEY_CURRENT_USER, "C", "3", false), 0);
  EXPECT_EQ(store.DeleteAllKeys(), 0);
  EXPECT_FALSE(KeyExists(HKEY_USERS, "alice\\" + product));
  EXPECT_FALSE(KeyExists(HKEY_USERS, "bob\\" + product));
}

TEST_F(Entries, OnAMachineThisAccountMayOnlyReadEntriesAreReadAndChangesRefused) {
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Name", "value", false), 0);
  ASSERT_EQ(store.AddListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "one"), 0);
  chmod(dir_.path().c_str(), 0755);  // for another account
  std::optional<std::string> seen;
  {
    testsupport::ReadOnlyFolder read_only(dir_.path() / "machine");
    seen = testsupport::RunAsOtherAccount([this] {
      QxString text;
      std::string s = "get " + std::to_string(store.GetKeyValue(HKEY_LOCAL_MACHINE, "Name", text));
      s += " " + std::string(text);
      s += ", set " + std::to_string(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Name", "other", false));
      s += ", new " + std::to_string(store.SetKeyValue(HKEY_LOCAL_MACHINE, "New", "x", false));
      s += ", add " + std::to_string(store.AddListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "two"));
      s += ", remove " + std::to_string(store.RemoveListEntry(HKEY_LOCAL_MACHINE, "Recent", "File", "one"));
      s += ", delete all " + std::to_string(store.DeleteAllKeys());
      s += ", user " + std::to_string(store.GetKeyValue(HKEY_CURRENT_USER, "Name", text));
      return s;
    });
  }
  if (!seen) GTEST_SKIP() << "no account without the superuser's rights can be used here";
  EXPECT_EQ(*seen, "get 0 value, set -5, new -5, add -5, remove 0, delete all 0, user -3");
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\Name"), "value");
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, product + "\\Recent\\File_0000"), "one");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product + "\\New"));
}

// Runs `body` (returning an exit code) in a child process, on a thread whose stack is far
// smaller than a recursive walk of a deep tree would need.
template <typename Body>
int OnASmallStack(Body body) {
  return testsupport::Wait(testsupport::Spawn([&body] {
    struct Call {
      Body* body;
      int code;
    } call{&body, 101};
    pthread_attr_t attributes;
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
      auto* c = static_cast<Call*>(argument);
      c->code = (*c->body)();
      return nullptr;
    };
    if (pthread_attr_init(&attributes) != 0 || pthread_attr_setstacksize(&attributes, 64 * 1024) != 0 ||
        pthread_create(&thread, &attributes, run, &call) != 0 || pthread_join(thread, nullptr) != 0)
      return 100;
    return call.code;
  }));
}

TEST_F(Entries, DeleteKeyAndAllSubkeysTakesATreeDeeperThanTheStackWouldHold) {
  ASSERT_EQ(store.SetKeyValue(HKEY_LOCAL_MACHINE, "Chain", "top", false), 0);
  ASSERT_TRUE(testsupport::AddKeyChain((dir_.path() / "machine" / "registry.db").string(), "Chain", 600));
  const std::string chain = product + "\\Chain";
  EXPECT_EQ(OnASmallStack([&chain] { return DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, chain.c_str()); }), 0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, chain));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, product));
}

}  // namespace

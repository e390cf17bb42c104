// The registry when its machine misbehaves: a folder the account may only read, a log that
// must stay small under concurrent readers and leave the database file whole, damaged
// databases, one locked by another program, and machines that cannot be used at all, named
// on standard error when debugging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/emulation/registry_connection.h"
#include "platform/registry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"
#include "tests/support/posix/OtherAccount.h"

namespace {

namespace fs = std::filesystem;
using platform::KeyAccess;
using platform::RegistryKey;

std::string Text(HKEY key, const char* name) {
  std::string text;
  const long error = platform::QueryTextValue(key, name, text);
  return error == platform::kErrorSuccess ? text : "<error " + std::to_string(error) + ">";
}

std::string Subkeys(HKEY key) {
  std::string names;
  char name[300];
  for (std::uint32_t i = 0; platform::EnumKey(key, i, name, sizeof name) == platform::kErrorSuccess; ++i)
    names += (names.empty() ? "" : ",") + std::string(name);
  return names;
}

long FileSize(const fs::path& file) {
  std::error_code missing;
  const auto size = fs::file_size(file, missing);
  return missing ? -1 : static_cast<long>(size);
}

class RegistryFaults : public ::testing::Test {
 protected:
  RegistryFaults() {
    // Another account must be able to reach the machine folder.
    chmod(dir_.path().c_str(), 0755);
    env_.Set("ORVANE_PREFIX", machine().c_str()).Set("ORVANE_USER", "alice");
  }

  fs::path machine() const { return dir_.path() / "machine"; }

  // A new folder holding a copy of the database file alone, taken when no process has the
  // machine open: a fork closes this process's connection.
  fs::path CopyOfTheDatabaseFile() const {
    EXPECT_EQ(testsupport::Wait(testsupport::Spawn([] { return 0; })), 0);
    const fs::path copy = dir_.path() / "copy";
    fs::create_directory(copy);
    fs::copy_file(machine() / "registry.db", copy / "registry.db", fs::copy_options::overwrite_existing);
    return copy;
  }

  static void Seed() {
    RegistryKey key;
    ASSERT_EQ(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom\\Leaf", key), 0);
    ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom", KeyAccess::kReadWrite, key), 0);
    ASSERT_EQ(platform::SetTextValue(key.get(), "Path", "/opt/loom/"), 0);
    ASSERT_EQ(platform::CreateKey(HKEY_CURRENT_USER, "Software\\Orvane", key), 0);
    ASSERT_EQ(platform::SetTextValue(key.get(), "User", "0007"), 0);
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_;
};

// Everything a reader does, and every kind of change it may try, as one line.
std::string ReadAndTryToChange() {
  std::string seen;
  RegistryKey key;
  seen += "open " + std::to_string(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom",
                                                     KeyAccess::kReadWrite, key));
  seen += ", path " + Text(key.get(), "Path") + ", subkeys " + Subkeys(key.get());
  RegistryKey user;
  (void)platform::OpenKey(HKEY_CURRENT_USER, "Software\\Orvane", KeyAccess::kRead, user);
  seen += ", user " + Text(user.get(), "User");
  RegistryKey made;
  seen += ", set " + std::to_string(platform::SetTextValue(key.get(), "Path", "/elsewhere/"));
  seen += ", create " + std::to_string(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\New", made));
  seen += ", delete value " + std::to_string(platform::DeleteValue(key.get(), "Path"));
  seen += ", delete key " + std::to_string(platform::DeleteKey(key.get(), "Leaf"));
  // An account that has no key yet finds nothing rather than a failure to make one.
  setenv("ORVANE_USER", "bob", 1);
  RegistryKey bob;
  seen += ", bob " + std::to_string(platform::OpenKey(HKEY_CURRENT_USER, "Software", KeyAccess::kRead, bob));
  seen += ", create for bob " + std::to_string(platform::CreateKey(HKEY_CURRENT_USER, "Software", made));
  return seen;
}

TEST_F(RegistryFaults, AnAccountWithoutWriteAccessReadsTheMachine) {
  Seed();
  struct Case {
    const char* name;
    bool database_file_alone;
  };
  for (const Case& c : {Case{"the machine folder", false}, Case{"a copy of the database file alone", true}}) {
    SCOPED_TRACE(c.name);
    const fs::path folder = c.database_file_alone ? CopyOfTheDatabaseFile() : machine();
    testsupport::ScopedEnv prefix;
    prefix.Set("ORVANE_PREFIX", folder.c_str());
    std::optional<std::string> seen;
    {
      testsupport::ReadOnlyFolder read_only(folder);
      seen = testsupport::RunAsOtherAccount(ReadAndTryToChange);
    }
    if (!seen) GTEST_SKIP() << "no account without the superuser's rights can be used here";
    EXPECT_EQ(*seen,
              "open 0, path /opt/loom/, subkeys Leaf, user 0007, set 19, create 19, delete value 19, "
              "delete key 19, bob 2, create for bob 19");
  }
  // Nothing the reader tried reached the machine.
  RegistryKey key;
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom", KeyAccess::kRead, key), 0);
  EXPECT_EQ(Text(key.get(), "Path"), "/opt/loom/");
  EXPECT_EQ(Subkeys(key.get()), "Leaf");
  EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE), "Software");
}

TEST_F(RegistryFaults, TheLogStaysSmallUnderReadersAndTheDatabaseFileEndsWhole) {
  RegistryKey key;
  ASSERT_EQ(platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\Load", key), 0);
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  std::vector<pid_t> readers;
  for (int r = 0; r < 2; ++r) {
    readers.push_back(testsupport::Spawn([&] {
      close(stop[1]);
      fcntl(stop[0], F_SETFL, O_NONBLOCK);
      char byte;
      while (read(stop[0], &byte, 1) != 0) {
        RegistryKey load;
        if (platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Load", KeyAccess::kRead, load) != 0) return 1;
        platform::KeyInfo info;
        if (platform::QueryKeyInfo(load.get(), info) != 0) return 2;
      }
      return 0;
    }));
  }
  close(stop[0]);
  constexpr int kValues = 600;
  long largest_log = 0;
  for (int i = 0; i < kValues; ++i) {
    ASSERT_EQ(platform::SetTextValue(key.get(), ("v" + std::to_string(i)).c_str(), std::string(40, 'x')), 0);
    largest_log = std::max(largest_log, FileSize(machine() / "registry.db-wal"));
  }
  close(stop[1]);
  for (const pid_t reader : readers) EXPECT_EQ(testsupport::Wait(reader), 0);
  // Unchecked, this log grows by a page or two for every change: past 3 MB here.
  EXPECT_LT(largest_log, 1536 * 1024);

  // The last connection empties the log into the database file, but the log stays, for
  // readers without write access.
  env_.Set("ORVANE_PREFIX", CopyOfTheDatabaseFile().c_str());
  EXPECT_EQ(FileSize(machine() / "registry.db-wal"), 0);
  EXPECT_GT(FileSize(machine() / "registry.db-shm"), 0);
  platform::KeyInfo info;
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Load", KeyAccess::kRead, key), 0);
  ASSERT_EQ(platform::QueryKeyInfo(key.get(), info), 0);
  EXPECT_EQ(info.values, static_cast<std::uint32_t>(kValues));
}

TEST_F(RegistryFaults, ADamagedDatabaseAnswersCorruptAndIsLeftAsItIs) {
  Seed();
  const std::string whole = testsupport::FileContents((CopyOfTheDatabaseFile() / "registry.db").string());
  ASSERT_GT(whole.size(), 8192u);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"garbage", std::string(whole.size(), '\x5A')},
      {"cut in half", whole.substr(0, whole.size() / 2)},
      {"the header alone", whole.substr(0, 100)},
      {"a page of zeros after the first", whole.substr(0, 4096) + std::string(4096, '\0') + whole.substr(8192)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir other;
    const std::string file = other.Write("registry.db", c.bytes);
    testsupport::ScopedEnv prefix;
    prefix.Set("ORVANE_PREFIX", other.path().c_str());
    RegistryKey key;
    const long read = platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom", KeyAccess::kRead, key);
    const long created = platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\New", key);
    EXPECT_EQ(read, platform::kErrorRegistryCorrupt);
    EXPECT_EQ(created, platform::kErrorRegistryCorrupt);
    EXPECT_EQ(testsupport::FileContents(file), c.bytes);
  }
}

TEST_F(RegistryFaults, ADatabaseLockedPastTheBusyTimeoutFailsInTimeAndLosesNothing) {
  Seed();
  platform::detail::SetBusyTimeout(std::chrono::milliseconds(200));
  int locked[2];
  int release[2];
  ASSERT_EQ(pipe(locked), 0);
  ASSERT_EQ(pipe(release), 0);
  // Another program holding the whole database: it takes the file's exclusive lock and keeps it.
  const pid_t holder = testsupport::Spawn([&] {
    alarm(30);
    sqlite3* db = nullptr;
    const std::string path = (machine() / "registry.db").string();
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
      return 1;
    char go = 0;
    if (write(locked[1], "l", 1) != 1 || read(release[0], &go, 1) != 1) return 2;
    return sqlite3_close_v2(db) == SQLITE_OK ? 0 : 3;
  });
  char ready = 0;
  ASSERT_EQ(read(locked[0], &ready, 1), 1);
  const auto started = std::chrono::steady_clock::now();
  RegistryKey key;
  const long read_result =
      platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom", KeyAccess::kReadWrite, key);
  RegistryKey other;
  const long create_result = platform::CreateKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Prism", other);
  const auto waited = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(write(release[1], "r", 1), 1);
  EXPECT_EQ(testsupport::Wait(holder), 0);
  for (const int fd : {locked[0], locked[1], release[0], release[1]}) close(fd);
  platform::detail::SetBusyTimeout(std::chrono::seconds(10));

  EXPECT_EQ(read_result, platform::kErrorRegistryIoFailed);
  EXPECT_EQ(create_result, platform::kErrorRegistryIoFailed);
  EXPECT_LT(waited, std::chrono::seconds(3));
  ASSERT_EQ(platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Loom", KeyAccess::kReadWrite, key), 0);
  EXPECT_EQ(Text(key.get(), "Path"), "/opt/loom/");
  EXPECT_EQ(Subkeys(key.get()), "Leaf");
  EXPECT_EQ(platform::SetTextValue(key.get(), "Path", "/opt/loom2/"), 0);
  RegistryKey user;
  ASSERT_EQ(platform::OpenKey(HKEY_CURRENT_USER, "Software\\Orvane", KeyAccess::kRead, user), 0);
  EXPECT_EQ(Text(user.get(), "User"), "0007");
}

// What a child process that uses the registry three times writes on standard error;
// std::nullopt when it should run as another account and there is none.
std::optional<std::string> StandardErrorOfThreeUses(const fs::path& capture, bool other_account) {
  constexpr int kNoOtherAccount = 77;
  std::ofstream(capture).flush();
  const int code = testsupport::Wait(testsupport::Spawn([&capture, other_account] {
    const int fd = open(capture.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0 || dup2(fd, 2) < 0) return 1;
    if (other_account && !testsupport::DropSuperuserRights()) return kNoOtherAccount;
    RegistryKey key;
    (void)platform::OpenKey(HKEY_LOCAL_MACHINE, "Software", KeyAccess::kRead, key);
    (void)platform::OpenKey(HKEY_LOCAL_MACHINE, "Software", KeyAccess::kRead, key);
    (void)platform::CreateKey(HKEY_CURRENT_USER, "Software", key);
    return 0;
  }));
  if (code == kNoOtherAccount) return std::nullopt;
  return code == 0 ? testsupport::FileContents(capture.string()) : "<child ended: " + std::to_string(code) + ">";
}

TEST_F(RegistryFaults, AMachineThatCannotBeUsedIsNamedOnStandardErrorWhenDebugging) {
  const fs::path damaged = dir_.path() / "damaged", file = dir_.path() / "a-file", closed = dir_.path() / "closed";
  fs::create_directories(damaged);
  dir_.Write("damaged/registry.db", std::string(8192, '\x5A'));
  dir_.Write("a-file", "not a folder");
  fs::create_directories(closed);
  chmod(closed.c_str(), 0);
  struct Case {
    fs::path prefix;
    bool other_account;
    std::string line;
  };
  const Case cases[] = {
      {damaged, false, "error 1015 (file is not a database)"},
      {file, false, "error 1016 (not a folder)"},
      {closed, true, "error 1016 (unable to open database file: Permission denied)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix);
    testsupport::ScopedEnv env;
    env.Set("ORVANE_PREFIX", c.prefix.c_str()).Set("TIDEWELL_DEBUG", "1");
    const std::optional<std::string> debugging = StandardErrorOfThreeUses(dir_.path() / "stderr", c.other_account);
    if (!debugging) GTEST_SKIP() << "no account without the superuser's rights can be used here";
    EXPECT_EQ(*debugging, "tidewell: registry in " + c.prefix.string() + "/: " + c.line + "\n");
    env.Set("TIDEWELL_DEBUG", "");
    EXPECT_EQ(StandardErrorOfThreeUses(dir_.path() / "stderr", c.other_account), "");
  }
  chmod(closed.c_str(), 0755);
}

}  // namespace

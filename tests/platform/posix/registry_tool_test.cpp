// orvane-reg run as a program: what a process leaves behind when it exits, a machine the
// account may only read, and trees deeper than a recursive walk's stack would hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/platform/posix/registry_tool_fixture.h"
#include "tests/support/posix/KeyChain.h"

namespace {

namespace fs = std::filesystem;
using registrytool::How;
using registrytool::RegistryTool;
using registrytool::Result;

TEST_F(RegistryTool, AProcessThatExitsLeavesTheRegistryInTheDatabaseFile) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Orvane", "-v", "Seeded", "-d", "yes"}).code, 0);
  // The log stays, emptied, for readers that may not make one.
  EXPECT_EQ(fs::file_size(machine() / "registry.db-wal"), 0u);
  const fs::path copy = dir_.path() / "copy";
  fs::create_directory(copy);
  fs::copy_file(machine() / "registry.db", copy / "registry.db");
  env_.Set("ORVANE_PREFIX", copy.c_str());
  EXPECT_EQ(Run({"query", "HKLM\\Software\\Orvane", "-v", "Seeded"}).out, "yes\n");
}

TEST_F(RegistryTool, AMachineThisAccountMayOnlyReadIsListedAndReportedAsReadOnly) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Orvane\\Loom", "-v", "Path", "-d", "/opt/loom/"}).code, 0);
  testsupport::ReadOnlyFolder read_only(machine());
  const Result list = Run({"list", "HKLM\\Software\\Orvane\\Loom"}, {.other_account = true});
  if (list.code == kNoOtherAccount) GTEST_SKIP() << "no account without the superuser's rights can be used here";
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Loom\n  \"Path\" = \"/opt/loom/\"\n");

  const Result add = Run({"add", "HKLM\\Software\\Orvane\\New"}, {.other_account = true});
  EXPECT_EQ(add.code, 3);
  EXPECT_EQ(add.err,
            "orvane-reg: cannot create HKEY_LOCAL_MACHINE\\Software\\Orvane\\New: the machine's registry is "
            "read-only for this account (19)\n");
}

TEST_F(RegistryTool, ListsAndDeletesATreeDeeperThanTheStackWouldHold) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Chain"}).code, 0);
  constexpr int kLevels = 600;
  ASSERT_TRUE(testsupport::AddKeyChain((machine() / "registry.db").string(), "Chain", kLevels));
  const How small_stack{.stack = 64 * 1024};

  const Result list = Run({"list", "HKLM\\Software\\Chain", "-r"}, small_stack);
  EXPECT_EQ(list.code, 0) << list.err;
  std::string bottom = "HKEY_LOCAL_MACHINE\\Software\\Chain";
  for (int i = 0; i < kLevels; ++i) bottom += "\\k";
  EXPECT_TRUE(list.out.ends_with("\n\n" + bottom + "\n  \"v\" = \"bottom\"\n"));
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 3 * kLevels + 2);

  const Result remove = Run({"delete", "HKLM\\Software\\Chain", "-r"}, small_stack);
  EXPECT_EQ(remove.code, 0) << remove.err;
  EXPECT_EQ(Run({"list", "HKLM\\Software"}).out, "HKEY_LOCAL_MACHINE\\Software\n");
}

}  // namespace

// orvane-reg run as a program: what a process leaves behind when it exits, a machine the
// account may only read, and trees deeper than a recursive walk's stack would hold.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"
#include "tests/support/posix/KeyChain.h"
#include "tests/support/posix/OtherAccount.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

// How orvane-reg runs.
struct How {
  bool other_account = false;  // as an account without write access to the test's files
  rlim_t stack = 0;            // with this limit for its stack, when not 0
};

class RegistryTool : public ::testing::Test {
 protected:
  RegistryTool() {
    chmod(dir_.path().c_str(), 0755);  // for another account
    env_.Set("ORVANE_PREFIX", machine().c_str()).Set("ORVANE_USER", "alice");
  }

  fs::path machine() const { return dir_.path() / "machine"; }

  static constexpr int kNoOtherAccount = 122;

  // Runs orvane-reg with `args` in this test's environment (kNoOtherAccount when it should
  // run as another account and there is none).
  Result Run(const std::vector<std::string>& args, How how = {}) const {
    const std::string out = (dir_.path() / "stdout").string(), err = (dir_.path() / "stderr").string();
    const pid_t child = testsupport::Spawn([&] {
      const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) return 120;
      if (how.other_account && !testsupport::DropSuperuserRights()) return kNoOtherAccount;
      const rlimit stack{how.stack, how.stack};
      if (how.stack != 0 && setrlimit(RLIMIT_STACK, &stack) != 0) return 123;
      std::vector<char*> argv{const_cast<char*>(ORVANE_REG)};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(ORVANE_REG, argv.data());
      return 121;
    });
    return {testsupport::Wait(child), testsupport::FileContents(out), testsupport::FileContents(err)};
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_;
};

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
  EXPECT_EQ(add.code, 1);
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

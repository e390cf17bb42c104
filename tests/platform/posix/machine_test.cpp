// The emulated machine's folder and account when the variables naming them are not set.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/machine.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

TEST(Machine, WithoutAPrefixTheFolderIsInTheDataHomeElseInTheHomeFolder) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv env;
  const std::string data = (dir.path() / "data").string(), home = (dir.path() / "home").string();
  env.Set("ORVANE_PREFIX", "").Set("XDG_DATA_HOME", data.c_str()).Set("HOME", home.c_str());

  std::string folder;
  ASSERT_TRUE(platform::MachineFolder(folder));
  EXPECT_EQ(folder, data + "/orvane/");
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  env.Set("ORVANE_PREFIX", nullptr).Set("XDG_DATA_HOME", "");
  ASSERT_TRUE(platform::MachineFolder(folder));
  EXPECT_EQ(folder, home + "/.local/share/orvane/");  // parents made on the way
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  // A prefix that is a file cannot be the machine: the folder is left as it was.
  const std::string file = (dir.path() / "a-file").string();
  std::ofstream(file) << "not a folder";
  env.Set("ORVANE_PREFIX", file.c_str());
  std::string unchanged = "before";
  EXPECT_FALSE(platform::MachineFolder(unchanged));
  EXPECT_EQ(unchanged, "before");
}

TEST(Machine, WithoutAnAccountVariableTheAccountIsTheLoginName) {
  testsupport::ScopedEnv env;
  const passwd* me = getpwuid(geteuid());
  ASSERT_NE(me, nullptr) << "this test needs an entry in the user database";
  const std::string login = me->pw_name;
  env.Set("ORVANE_USER", nullptr).Set("LOGNAME", "someone-else");
  EXPECT_EQ(platform::AccountName(), login);
  env.Set("ORVANE_USER", "");
  EXPECT_EQ(platform::AccountName(), login);
  env.Set("ORVANE_USER", "carol");
  EXPECT_EQ(platform::AccountName(), "carol");
}

}  // namespace

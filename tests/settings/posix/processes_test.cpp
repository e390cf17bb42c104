// YlRegistry across processes: accounts that take their first user number at the same time.
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "tests/settings/settings_fixture.h"

namespace {

using Processes = SettingsTest;

TEST_F(Processes, EightAccountsAtOnceGetEightDistinctNumbers) {
  PointIniFileHere();
  constexpr int kAccounts = 8;
  std::vector<pid_t> children;
  for (int i = 0; i < kAccounts; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("ORVANE_USER", ("account" + std::to_string(i)).c_str(), 1);
      YlRegistry store("Acme", "Viewer", "2.1", "AV", nullptr);
      _exit(store.SetUserIntValue("Shared", "Setting", i) == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::string> numbers;
  for (int i = 0; i < kAccounts; ++i)
    numbers.insert(Entry(HKEY_USERS, "account" + std::to_string(i) + "\\Software\\Acme\\Viewer\\2.1\\User"));
  EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kAccounts));
  EXPECT_EQ(*numbers.begin(), "0001");
  EXPECT_EQ(*numbers.rbegin(), "0008");
  EXPECT_EQ(Entry(HKEY_LOCAL_MACHINE, "Software\\Acme\\Viewer\\2.1\\LastUser"), "0008");
  const std::string text = IniText();
  for (int n = 1; n <= kAccounts; ++n) {
    char key[32];
    std::snprintf(key, sizeof key, "User%04d_#_Setting=", n);
    EXPECT_NE(text.find(key), std::string::npos) << key;
  }
}

}  // namespace

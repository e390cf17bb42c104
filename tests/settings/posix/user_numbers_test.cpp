// YlRegistry's user numbers on the emulated machine, whose accounts a test switches with
// ORVANE_USER.
#include <string>

#include "tests/settings/settings_fixture.h"

namespace {

const char* kProduct = "Acme\\Viewer\\2.1\\";

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

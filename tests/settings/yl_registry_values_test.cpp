// YlRegistry: typed values in the INI file, shared and per user, with defaults, the read
// guard's backup and the directory rule.
#include <cmath>
#include <cstring>
#include <filesystem>

#include "tests/settings/settings_fixture.h"

namespace {

class TypedValues : public SettingsTest {
 protected:
  // The INI folder is set before the store is built, which fixes the INI file at once.
  bool ini_here_ = (PointIniFileHere(), true);
  YlRegistry store{"Acme", "Viewer", "2.1", "AV", nullptr};
};

TEST_F(TypedValues, BooleansRoundTripAndOnlyExactWordsCount) {
  bool value = false;
  ASSERT_EQ(store.SetBoolValue("S", "b", true), 0);
  EXPECT_EQ(store.GetBoolValue("S", "b", value), 0);
  EXPECT_TRUE(value);
  ASSERT_EQ(store.SetUserBoolValue("S", "b", false), 0);
  EXPECT_EQ(store.GetUserBoolValue("S", "b", value), 0);
  EXPECT_FALSE(value);
  for (const char* text : {"TRUE", "1", "yes"}) {
    ASSERT_EQ(store.SetStringValue("S", "b", text), 0);
    value = true;
    EXPECT_EQ(store.GetBoolValue("S", "b", value), -11) << text;
    EXPECT_TRUE(value);
    EXPECT_EQ(store.GetBoolValue("S", "b", false, value), 0);
    EXPECT_FALSE(value);
  }
}

TEST_F(TypedValues, RealsAreWrittenWithSixDecimals) {
  ASSERT_EQ(store.SetDoubleValue("S", "r", 2.5), 0);
  EXPECT_NE(IniText().find("r=2.500000"), std::string::npos);
  double value = 0;
  EXPECT_EQ(store.GetDoubleValue("S", "r", value), 0);
  EXPECT_EQ(value, 2.5);
  ASSERT_EQ(store.SetUserDoubleValue("S", "r", -0.125), 0);
  EXPECT_EQ(store.GetUserDoubleValue("S", "r", value), 0);
  EXPECT_EQ(value, -0.125);
  // Past 19 characters the text could not be read back whole: refused.
  EXPECT_EQ(store.SetDoubleValue("S", "r", 1e11), 0);
  EXPECT_EQ(store.SetDoubleValue("S", "big", 1e12), -11);
  EXPECT_EQ(store.SetDoubleValue("S", "big", -1e11), -11);
  EXPECT_EQ(store.GetDoubleValue("S", "big", value), -8);
  ASSERT_EQ(store.SetStringValue("S", "r", "  3.5e2xyz"), 0);
  EXPECT_EQ(store.GetDoubleValue("S", "r", value), 0);
  EXPECT_EQ(value, 350.0);
  ASSERT_EQ(store.SetStringValue("S", "r", "x1"), 0);
  EXPECT_EQ(store.GetDoubleValue("S", "r", value), -11);
}

// The stored texts the C runtimes read differently (signs, range, hexadecimal, "inf", the
// decimal comma): the getters give one answer on every system. -11: no number.
TEST_F(TypedValues, NumbersReadTheSameWhateverTheRuntime) {
  const struct {
    const char* text;
    int int_result, int_value;
    int real_result;
    double real_value;
  } cases[] = {
      {"+-5", -11, 0, -11, 0},
      {"-+5", -11, 0, -11, 0},
      {"+ 5", -11, 0, -11, 0},
      {"2147483647", 0, 2147483647, 0, 2147483647.0},
      {"-2147483648", 0, -2147483647 - 1, 0, -2147483648.0},
      {"2147483648", -11, 0, 0, 2147483648.0},
      {"-2147483649", -11, 0, 0, -2147483649.0},
      {"1e400", 0, 1, -11, 0},
      {"-1e400", 0, -1, -11, 0},
      {"1e-400", 0, 1, -11, 0},
      {" 12", 0, 12, 0, 12},
      {"0x10", 0, 0, 0, 0},
      {"1,5", 0, 1, 0, 1},
      {"inf", -11, 0, -11, 0},
      {"nan", -11, 0, -11, 0},
      {"1.#INF", 0, 1, 0, 1},
      {".5", -11, 0, 0, 0.5},
      {"5.", 0, 5, 0, 5},
      {"1e", 0, 1, 0, 1},
      {"-0", 0, 0, 0, 0},
      {"00000000000000000042", 0, 4, 0, 4},  // 20 characters: the 19 first are read
  };
  for (const auto& c : cases) {
    ASSERT_EQ(store.SetStringValue("S", "n", c.text), 0);
    int i = 99;
    EXPECT_EQ(store.GetIntValue("S", "n", i), c.int_result) << c.text;
    EXPECT_EQ(i, c.int_result == 0 ? c.int_value : 99) << c.text;
    double d = 99;
    EXPECT_EQ(store.GetDoubleValue("S", "n", d), c.real_result) << c.text;
    EXPECT_EQ(d, c.real_result == 0 ? c.real_value : 99) << c.text;
  }
}

TEST_F(TypedValues, InfinitiesAndNanAreNotWritten) {
  ASSERT_EQ(store.SetStringValue("S", "other", "1"), 0);  // the INI file exists
  for (const double value : {HUGE_VAL, -HUGE_VAL, std::nan("")}) EXPECT_EQ(store.SetDoubleValue("S", "r", value), -11) << value;
  double d = 0;
  EXPECT_EQ(store.GetDoubleValue("S", "r", d), -8);
}

TEST_F(TypedValues, IntegersReadTheLeadingNumber) {
  int value = 0;
  ASSERT_EQ(store.SetIntValue("S", "i", -42), 0);
  EXPECT_EQ(store.GetIntValue("S", "i", value), 0);
  EXPECT_EQ(value, -42);
  ASSERT_EQ(store.SetStringValue("S", "i", "42abc"), 0);
  EXPECT_EQ(store.GetIntValue("S", "i", value), 0);
  EXPECT_EQ(value, 42);
  ASSERT_EQ(store.SetStringValue("S", "i", " +7"), 0);
  EXPECT_EQ(store.GetIntValue("S", "i", value), 0);
  EXPECT_EQ(value, 7);
  ASSERT_EQ(store.SetStringValue("S", "i", "abc"), 0);
  EXPECT_EQ(store.GetIntValue("S", "i", value), -11);
  ASSERT_EQ(store.SetStringValue("S", "i", "99999999999"), 0);
  EXPECT_EQ(store.GetIntValue("S", "i", value), -11);
  EXPECT_EQ(store.GetIntValue("S", "missing", 7, value), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(store.GetUserIntValue("S", "missing", 8, value), 0);
  EXPECT_EQ(value, 8);
}

TEST_F(TypedValues, DefaultsIntoBuffersAndStrings) {
  char buffer[10];
  EXPECT_EQ(store.GetStringValue("S", "missing", "abc", buffer, 10), -14);  // no INI file yet
  EXPECT_STREQ(buffer, "abc");
  ASSERT_EQ(store.SetStringValue("S", "other", "x"), 0);
  EXPECT_EQ(store.GetStringValue("S", "missing", "abcdef", buffer, 4), -12);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(store.GetStringValue("S", "missing", "abc", buffer, 10), -8);  // shared: the read's code
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(store.GetUserStringValue("S", "missing", "abc", buffer, 10), 0);  // per user: 0
  EXPECT_STREQ(buffer, "abc");
  QxString text;
  EXPECT_EQ(store.GetStringValue("S", "missing", "dflt", text), 0);
  EXPECT_STREQ(text, "dflt");
  EXPECT_EQ(store.GetUserStringValue("S", "missing", nullptr, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(store.GetStringValue("S", "missing", "abc", nullptr, 10), -6);
}

TEST_F(TypedValues, LongTextsWholeThroughStringsCutThroughBuffers) {
  const std::string long_text(300, 'x');
  ASSERT_EQ(store.SetStringValue("S", "long", long_text.c_str()), 0);
  QxString text;
  EXPECT_EQ(store.GetStringValue("S", "long", text), 0);
  EXPECT_EQ(std::string(text), long_text);
  char buffer[100];
  EXPECT_EQ(store.GetStringValue("S", "long", buffer, sizeof buffer), 0);
  EXPECT_EQ(std::strlen(buffer), 99u);
  // Exactly 127 characters: the first read is full and a second one confirms it.
  const std::string edge(127, 'e');
  ASSERT_EQ(store.SetStringValue("S", "edge", edge.c_str()), 0);
  EXPECT_EQ(store.GetStringValue("S", "edge", text), 0);
  EXPECT_EQ(std::string(text), edge);
}

TEST_F(TypedValues, DirectoriesGetTheSeparator) {
  ASSERT_EQ(store.SetStringValue("S", "d", "/data/dir"), 0);
  QxString text;
  EXPECT_EQ(store.GetPathValue("S", "d", text), 0);
  EXPECT_EQ(std::string(text), "/data/dir" + kSeparator);
  ASSERT_EQ(store.SetStringValue("S", "d2", "/data/dir/"), 0);
  EXPECT_EQ(store.GetPathValue("S", "d2", text), 0);
  EXPECT_STREQ(text, "/data/dir/");
  ASSERT_EQ(store.SetStringValue("S", "empty", ""), 0);
  EXPECT_EQ(store.GetPathValue("S", "empty", text), -8);
  char buffer[11];
  EXPECT_EQ(store.GetPathValue("S", "d", buffer, 10), -9);  // "/data/dir" fills 9 of 9
  EXPECT_EQ(store.GetPathValue("S", "d", buffer, 11), 0);
  EXPECT_EQ(std::string(buffer), "/data/dir" + kSeparator);
  // With a default: the shared buffer form reports the failed read and leaves the default
  // as it is; the per-user form appends.
  EXPECT_EQ(store.GetPathValue("S", "missing", "/dflt", buffer, 11), -8);
  EXPECT_STREQ(buffer, "/dflt");
  EXPECT_EQ(store.GetUserPathValue("S", "missing", "/dflt", buffer, 11), 0);
  EXPECT_EQ(std::string(buffer), "/dflt" + kSeparator);
  EXPECT_EQ(store.GetUserPathValue("S", "missing", "/dflt", text), 0);
  EXPECT_EQ(std::string(text), "/dflt" + kSeparator);
}

TEST_F(TypedValues, PerUserGettersReadTheAccountsCopyAndFallBackToTheirDefaults) {
  // The shared entries differ from the account's, so a getter reading the wrong one shows.
  ASSERT_EQ(store.SetBoolValue("S", "b", false), 0);
  ASSERT_EQ(store.SetUserBoolValue("S", "b", true), 0);
  ASSERT_EQ(store.SetDoubleValue("S", "r", 1.5), 0);
  ASSERT_EQ(store.SetUserDoubleValue("S", "r", -2.25), 0);
  ASSERT_EQ(store.SetStringValue("S", "d", "/shared"), 0);
  ASSERT_EQ(store.SetUserStringValue("S", "d", "/mine"), 0);

  bool flag = false;
  EXPECT_EQ(store.GetUserBoolValue("S", "b", false, flag), 0);
  EXPECT_TRUE(flag);
  EXPECT_EQ(store.GetUserBoolValue("S", "missing", true, flag), 0);
  EXPECT_TRUE(flag);
  double real = 0;
  EXPECT_EQ(store.GetUserDoubleValue("S", "r", 9.0, real), 0);
  EXPECT_EQ(real, -2.25);
  EXPECT_EQ(store.GetUserDoubleValue("S", "missing", 9.0, real), 0);
  EXPECT_EQ(real, 9.0);

  QxString text;
  EXPECT_EQ(store.GetUserPathValue("S", "d", text), 0);
  EXPECT_EQ(std::string(text), "/mine" + kSeparator);
  char buffer[16];
  EXPECT_EQ(store.GetUserPathValue("S", "d", buffer, sizeof buffer), 0);
  EXPECT_EQ(std::string(buffer), "/mine" + kSeparator);
  EXPECT_EQ(store.GetUserPathValue("S", "d", buffer, 6), -9);  // "/mine" fills 5 of 5
  EXPECT_EQ(store.GetPathValue("S", "d", "/dflt", text), 0);
  EXPECT_EQ(std::string(text), "/shared" + kSeparator);
  EXPECT_EQ(store.GetPathValue("S", "missing", "/dflt", text), 0);
  EXPECT_EQ(std::string(text), "/dflt" + kSeparator);
}

TEST_F(TypedValues, TheReadGuardRestoresFromTheBackupOnlyInTheBufferForm) {
  ASSERT_EQ(store.SetStringValue("S", "k", "kept"), 0);
  char buffer[16];
  ASSERT_EQ(store.GetStringValue("S", "k", buffer, sizeof buffer), 0);  // makes the backup
  ASSERT_TRUE(std::filesystem::exists(ini() + ".bak"));
  std::filesystem::remove(ini());
  QxString text;
  EXPECT_EQ(store.GetStringValue("S", "k", text), -8);
  EXPECT_FALSE(std::filesystem::exists(ini()));
  EXPECT_EQ(store.GetStringValue("S", "k", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "kept");
  EXPECT_TRUE(std::filesystem::exists(ini()));
  std::filesystem::remove(ini());
  std::filesystem::remove(ini() + ".bak");
  EXPECT_EQ(store.GetStringValue("S", "k", buffer, sizeof buffer), -14);
}

TEST_F(TypedValues, ArgumentRulesOfThePrimitives) {
  EXPECT_EQ(store.SetUserStringValue("S", "k", ""), -6);
  EXPECT_EQ(store.SetStringValue("S", "k", ""), 0);
  EXPECT_NE(IniText().find("k=\r\n"), std::string::npos);
  EXPECT_EQ(store.SetStringValue("S", "k", nullptr), 0);  // deletes the entry
  EXPECT_EQ(IniText().find("k="), std::string::npos);
  EXPECT_EQ(store.SetStringValue("", "k", "v"), -6);
  EXPECT_EQ(store.SetStringValue("S", nullptr, "v"), -6);
  char buffer[4];
  EXPECT_EQ(store.GetStringValue("S", "k", buffer, 0), -6);
  EXPECT_EQ(store.GetUserStringValue("S", "", buffer, 4), -6);
  EXPECT_EQ(store.SetStringValue("S", "k", "line\nbreak"), -7);  // would corrupt the file
  YlRegistry uninitialised;
  int value = 3;
  EXPECT_EQ(uninitialised.GetIntValue("S", "k", value), -10);
  EXPECT_EQ(uninitialised.GetIntValue("S", "k", 5, value), 0);
  EXPECT_EQ(value, 5);
}

// A store whose text primitive answers from memory shows that every typed getter goes
// through the virtual slot.
class CannedStore : public YlRegistry {
 public:
  using YlRegistry::YlRegistry;
  using YlRegistry::GetStringValue;
  int GetStringValue(const char*, const char*, char* buffer, int size) override {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", "1234");
    return 0;
  }
};

TEST_F(TypedValues, TypedGettersGoThroughTheVirtualTextPrimitive) {
  CannedStore canned("Acme", "Viewer", "2.1", "AV", nullptr);
  int value = 0;
  EXPECT_EQ(canned.GetIntValue("S", "never-stored", value), 0);
  EXPECT_EQ(value, 1234);
  double real = 0;
  EXPECT_EQ(canned.GetDoubleValue("S", "never-stored", 1.0, real), 0);
  EXPECT_EQ(real, 1234.0);
}

}  // namespace

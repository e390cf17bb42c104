// The registry's Windows rules, which every backend keeps: naming, enumeration order, the
// more-data rule, key information, deletion, and what a handle may do.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/registry_fixture.h"
#include "tests/support/ScratchKey.h"
#include "tests/support/TestMachine.h"

namespace {

using platform::KeyAccess;
using platform::RegistryKey;

// Each test works below a scratch key of the current user's: the system's registry is shared.
class Registry : public RegistryFixture {
 protected:
  [[nodiscard]] HKEY root() const { return scratch_.get(); }

  testsupport::TestMachine machine_;
  testsupport::ScratchKey scratch_;
};

TEST_F(Registry, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  bool created = false;
  RegistryKey key;
  ASSERT_EQ(platform::CreateKey(root(), "Software\\Orvane\\Lumora", key, &created), 0);
  EXPECT_TRUE(created);
  RegistryKey again;
  ASSERT_EQ(platform::CreateKey(root(), "SOFTWARE\\orvane\\LUMORA", again, &created), 0);
  EXPECT_FALSE(created);
  EXPECT_EQ(Subkeys(root()), std::vector<std::string>{"Software"});

  ASSERT_EQ(platform::SetTextValue(key.get(), "Value", "one"), 0);
  ASSERT_EQ(platform::SetTextValue(again.get(), "VALUE", "two"), 0);
  EXPECT_EQ(Values(key.get()), std::vector<std::string>{"Value"});
  EXPECT_EQ(Text(key.get(), "vAlUe"), "two");

  // Windows-1252 letters beyond ASCII fold too (A/a umlaut, S/s caron), sharp s does not.
  Create(key.get(), "\xC4rger\\\x8A");
  RegistryKey found;
  EXPECT_EQ(platform::OpenKey(key.get(), "\xE4RGER\\\x9A", KeyAccess::kRead, found), 0);
  Create(key.get(), "Stra\xDF" "e");
  EXPECT_EQ(platform::OpenKey(key.get(), "STRASSE", KeyAccess::kRead, found), platform::kErrorFileNotFound);
}

TEST_F(Registry, PathAndNameLimits) {
  const std::string longest(255, 'k');
  const std::string too_long(256, 'k');
  RegistryKey key = Create(root(), ("Software\\" + longest).c_str());
  RegistryKey other;
  EXPECT_EQ(platform::CreateKey(root(), ("Software\\" + too_long).c_str(), other),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(platform::SetTextValue(key.get(), longest.c_str(), "v"), 0);
  // Windows: value names may have 16383 characters; the backend keeps the contract's 255.
  EXPECT_EQ(platform::SetTextValue(key.get(), too_long.c_str(), "v"), platform::kErrorInvalidParameter);

  EXPECT_EQ(platform::CreateKey(root(), "Software\\\\Gap", other), platform::kErrorBadPathname);
  EXPECT_EQ(platform::CreateKey(root(), "\\Software", other), platform::kErrorBadPathname);
  EXPECT_EQ(platform::OpenKey(root(), "Software\\", KeyAccess::kRead, other), 0);
  // None of the refused paths left a key behind.
  EXPECT_EQ(Subkeys(root()), std::vector<std::string>{"Software"});
  RegistryKey software;
  ASSERT_EQ(platform::OpenKey(root(), "Software", KeyAccess::kRead, software), 0);
  EXPECT_EQ(Subkeys(software.get()), std::vector<std::string>{longest});

  // A null or empty path opens the key itself.
  ASSERT_EQ(platform::OpenKey(key.get(), nullptr, KeyAccess::kRead, other), 0);
  EXPECT_EQ(Text(other.get(), longest.c_str()), "v");
}

TEST_F(Registry, KeysLieAtMost512LevelsBelowTheirRoot) {
  const auto path = [](std::uint32_t levels) {
    std::string names = "k";
    for (std::uint32_t i = 1; i < levels; ++i) names += "\\k";
    return names;
  };
  // Levels counted from the root: the scratch keys lie kDepth below theirs.
  constexpr std::uint32_t kBelow = 512 - testsupport::ScratchKey::kDepth;
  testsupport::ScratchKey machine_scratch(HKEY_LOCAL_MACHINE);
  const HKEY machine_root = machine_scratch.get();
  RegistryKey key;
  // Windows: ANSI paths end near 260 characters (Wine: more-data); the backend opens in pieces.
  ASSERT_EQ(platform::CreateKey(machine_root, path(kBelow).c_str(), key), 0);
  EXPECT_EQ(platform::CreateKey(machine_root, path(kBelow + 1).c_str(), key), platform::kErrorInvalidParameter);
  EXPECT_FALSE(key);
  RegistryKey deep;
  ASSERT_EQ(platform::OpenKey(machine_root, path(kBelow - 2).c_str(), KeyAccess::kReadWrite, deep), 0);
  EXPECT_EQ(platform::CreateKey(deep.get(), "a\\b\\c", key), platform::kErrorInvalidParameter);
  EXPECT_EQ(platform::OpenKey(deep.get(), "a", KeyAccess::kRead, key), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::CreateKey(deep.get(), "a\\b", key), 0);
  // The current user's keys lie below the account's key.
  EXPECT_EQ(platform::CreateKey(root(), path(kBelow - 1).c_str(), key), 0);
  EXPECT_EQ(platform::CreateKey(root(), path(kBelow).c_str(), key), platform::kErrorInvalidParameter);
}

TEST_F(Registry, EnumerationIsSortedWithoutCaseAndRespectsTheBuffer) {
  RegistryKey key = Create(root(), "Software\\Order");
  for (const char* name : {"b", "_x", "C", "a_", "z", "A"}) {
    Create(key.get(), name);
    ASSERT_EQ(platform::SetTextValue(key.get(), name, name), 0);
  }
  // Upper-case order: '_' sorts after the letters, which a case-sensitive order would not do.
  // Windows: RegEnumKeyEx and RegEnumValue promise no order; the backend sorts.
  const std::vector<std::string> expected = {"A", "a_", "b", "C", "z", "_x"};
  EXPECT_EQ(Subkeys(key.get()), expected);
  EXPECT_EQ(Values(key.get()), expected);

  char name[8];
  std::memset(name, '#', sizeof name);
  EXPECT_EQ(platform::EnumKey(key.get(), 6, name, sizeof name), platform::kErrorNoMoreItems);
  EXPECT_EQ(platform::EnumKey(key.get(), 5, name, 2), platform::kErrorMoreData);  // "_x" needs 3
  EXPECT_EQ(std::string(name, sizeof name), std::string(8, '#'));
  EXPECT_EQ(platform::EnumKey(key.get(), 5, name, 3), 0);
  EXPECT_STREQ(name, "_x");

  std::memset(name, '#', sizeof name);
  std::uint32_t size = 2;
  EXPECT_EQ(platform::EnumValue(key.get(), 1, name, &size), platform::kErrorMoreData);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(std::string(name, sizeof name), std::string(8, '#'));
  size = 3;
  EXPECT_EQ(platform::EnumValue(key.get(), 1, name, &size), 0);
  EXPECT_EQ(size, 2u);
  EXPECT_STREQ(name, "a_");
}

TEST_F(Registry, TextValuesFollowTheMoreDataRule) {
  RegistryKey key = Create(root(), "Software\\Texts");
  ASSERT_EQ(platform::SetTextValue(key.get(), nullptr, "hello"), 0);  // stored without NUL
  ASSERT_EQ(platform::SetTextValue(key.get(), "Terminated", std::string_view("hello\0", 6)), 0);
  ASSERT_EQ(platform::SetTextValue(key.get(), "Empty", ""), 0);

  for (const char* name : {"", "Terminated"}) {
    SCOPED_TRACE(name);
    std::uint32_t size = 0;
    EXPECT_EQ(platform::QueryTextValue(key.get(), name, nullptr, &size), 0);
    EXPECT_EQ(size, 6u);

    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    size = 5;
    EXPECT_EQ(platform::QueryTextValue(key.get(), name, buffer, &size), platform::kErrorMoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(16, '#'));

    size = 6;
    EXPECT_EQ(platform::QueryTextValue(key.get(), name, buffer, &size), 0);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(buffer, 7), std::string("hello\0#", 7));

    size = sizeof buffer;
    EXPECT_EQ(platform::QueryTextValue(key.get(), name, buffer, &size), 0);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(Text(key.get(), name), "hello");
  }

  char one[1] = {'#'};
  std::uint32_t size = 1;
  EXPECT_EQ(platform::QueryTextValue(key.get(), "Empty", one, &size), 0);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(one[0], '\0');
  size = 0;
  one[0] = '#';
  EXPECT_EQ(platform::QueryTextValue(key.get(), "Empty", one, &size), platform::kErrorMoreData);
  EXPECT_EQ(one[0], '#');

  EXPECT_EQ(platform::QueryTextValue(key.get(), "Missing", one, &size), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::QueryTextValue(key.get(), "Empty", one, nullptr), platform::kErrorInvalidParameter);
  ASSERT_EQ(platform::DeleteValue(key.get(), nullptr), 0);
  EXPECT_EQ(platform::QueryTextValue(key.get(), "", nullptr, &size), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::DeleteValue(key.get(), nullptr), platform::kErrorFileNotFound);
}

TEST_F(Registry, ValuesReadByPathSeeTheKeyThatIsThereNow) {
  RegistryKey key = Create(root(), "Software\\ByPath\\Leaf");
  ASSERT_EQ(platform::SetTextValue(key.get(), nullptr, "first"), 0);
  ASSERT_EQ(platform::SetTextValue(key.get(), "Named", "x"), 0);
  const auto read = [this](const char* path, const char* name) {
    std::string text;
    const long error = platform::GetTextValue(root(), path, name, text);
    return error == platform::kErrorSuccess ? text : "<error " + std::to_string(error) + ">";
  };
  struct Case {
    const char* path;
    const char* name;
    std::string expected;
  };
  const Case cases[] = {
      {"Software\\ByPath\\Leaf", nullptr, "first"},
      {"SOFTWARE\\bypath\\LEAF\\", "", "first"},
      {"Software\\ByPath\\Leaf", "NAMED", "x"},
      {"Software\\ByPath\\Leaf", "Missing", "<error 2>"},
      {"Software\\ByPath\\Missing", nullptr, "<error 2>"},
      {"Software\\\\Leaf", nullptr, "<error 161>"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.path, c.name), c.expected) << c.path << " " << (c.name ? c.name : "-");

  char buffer[8] = "#######";
  std::uint32_t size = 5;
  EXPECT_EQ(platform::GetTextValue(root(), "Software\\ByPath\\Leaf", nullptr, buffer, &size), platform::kErrorMoreData);
  EXPECT_EQ(size, 6u);
  EXPECT_STREQ(buffer, "#######");
  size = sizeof buffer;
  EXPECT_EQ(platform::GetTextValue(root(), "Software\\ByPath\\Leaf", nullptr, buffer, &size), 0);
  EXPECT_STREQ(buffer, "first");

  // A key deleted and made again at the same path is another key, read as such.
  key.Close();
  ASSERT_EQ(platform::DeleteKey(root(), "Software\\ByPath\\Leaf"), 0);
  EXPECT_EQ(read("Software\\ByPath\\Leaf", nullptr), "<error 2>");
  RegistryKey again = Create(root(), "Software\\ByPath\\Leaf");
  EXPECT_EQ(read("Software\\ByPath\\Leaf", nullptr), "<error 2>");
  ASSERT_EQ(platform::SetTextValue(again.get(), nullptr, "second"), 0);
  EXPECT_EQ(read("Software\\ByPath\\Leaf", nullptr), "second");
  EXPECT_EQ(platform::GetTextValue(HKEY(), "Software", nullptr, buffer, &size),
            platform::kErrorInvalidHandle);
}

TEST_F(Registry, KeyInformationCountsAndLongestNames) {
  RegistryKey key = Create(root(), "Software\\Info");
  platform::KeyInfo info;
  info.subkeys = 99;
  ASSERT_EQ(platform::QueryKeyInfo(key.get(), info), 0);
  EXPECT_EQ(info.subkeys, 0u);
  EXPECT_EQ(info.values, 0u);
  EXPECT_EQ(info.longest_value_name, 0u);
  EXPECT_EQ(info.longest_value_data, 0u);

  Create(key.get(), "a");
  Create(key.get(), "bbb\\deeper-and-longer");
  ASSERT_EQ(platform::SetTextValue(key.get(), nullptr, "xyz"), 0);
  ASSERT_EQ(platform::SetTextValue(key.get(), "Name12", "1234567"), 0);
  ASSERT_EQ(platform::QueryKeyInfo(key.get(), info), 0);
  EXPECT_EQ(info.subkeys, 2u);
  EXPECT_EQ(info.longest_subkey_name, 3u);
  EXPECT_EQ(info.values, 2u);
  EXPECT_EQ(info.longest_value_name, 6u);
  // Windows: RegQueryInfoKey counts ANSI-set text as stored, in UTF-16 (Wine adds a NUL); exact: posix/.
  EXPECT_GE(info.longest_value_data, 7u);
  EXPECT_LE(info.longest_value_data, 16u);
}

TEST_F(Registry, DeletingNeedsAKeyWithoutSubkeys) {
  RegistryKey parent = Create(root(), "Software\\Parent");
  RegistryKey child = Create(parent.get(), "Child");
  ASSERT_EQ(platform::SetTextValue(child.get(), "v", "1"), 0);

  EXPECT_EQ(platform::DeleteKey(root(), "Software\\Parent"), platform::kErrorAccessDenied);
  EXPECT_EQ(Subkeys(parent.get()), std::vector<std::string>{"Child"});
  EXPECT_EQ(platform::DeleteKey(root(), "Software\\Missing"), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::DeleteKey(HKEY_LOCAL_MACHINE, nullptr), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::DeleteKey(HKEY_CURRENT_USER, ""), platform::kErrorAccessDenied);

  EXPECT_EQ(platform::DeleteKey(parent.get(), "CHILD"), 0);
  // The open handle outlives its key; the key's values went with it.
  EXPECT_EQ(platform::SetTextValue(child.get(), "v", "2"), platform::kErrorKeyDeleted);
  EXPECT_EQ(Text(child.get(), "v"), "<error 1018>");
  RegistryKey reborn = Create(parent.get(), "Child");
  EXPECT_TRUE(Values(reborn.get()).empty());

  ASSERT_EQ(platform::DeleteKey(parent.get(), "Child"), 0);
  EXPECT_EQ(platform::DeleteKey(parent.get(), ""), 0);  // the key itself
  EXPECT_EQ(platform::EnumKey(parent.get(), 0, nullptr, 0), platform::kErrorInvalidParameter);
  RegistryKey gone;
  EXPECT_EQ(platform::OpenKey(root(), "Software\\Parent", KeyAccess::kRead, gone),
            platform::kErrorFileNotFound);
}

TEST_F(Registry, HandlesGrantTheirAccessAndDieWithTheirOwner) {
  Create(root(), "Software\\Access");
  RegistryKey reader;
  ASSERT_EQ(platform::OpenKey(root(), "Software\\Access", KeyAccess::kRead, reader), 0);
  RegistryKey sub;
  EXPECT_EQ(platform::SetTextValue(reader.get(), "v", "1"), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::DeleteValue(reader.get(), "v"), platform::kErrorAccessDenied);
  // Windows: creating needs KEY_CREATE_SUB_KEY on the parent; Wine does not check, the backend does.
  EXPECT_EQ(platform::CreateKey(reader.get(), "Sub", sub), platform::kErrorAccessDenied);
  EXPECT_FALSE(sub);

  RegistryKey writer;
  ASSERT_EQ(platform::OpenKey(reader.get(), nullptr, KeyAccess::kReadWrite, writer), 0);
  EXPECT_EQ(platform::SetTextValue(writer.get(), "v", "1"), 0);

  const HKEY stale = writer.get();
  RegistryKey moved = std::move(writer);
  EXPECT_FALSE(writer);
  EXPECT_EQ(Text(moved.get(), "v"), "1");
  moved.Close();
  EXPECT_EQ(Text(stale, "v"), "<error 6>");
  EXPECT_EQ(Text(HKEY(), "v"), "<error 6>");
}

}  // namespace

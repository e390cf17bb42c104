// The program's embedded resources as every backend finds them: by type and name without
// case, "#n" for a numeric name, whatever the language asked for, with their exact bytes.
// The program embeds resources/ (the translation table and the icon) as the application does.
#include "platform/resources.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"

namespace {

std::string Text(const std::optional<std::span<const unsigned char>>& bytes) {
  return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : "<none>";
}

std::string SourceFile(const std::string& name) {
  return testsupport::FileContents(std::string(TIDEWELL_SOURCE_DIR) + "/resources/" + name);
}

TEST(Resources, TheProgramsResourcesAreFoundByTypeAndNameWithoutCaseInAnyLanguage) {
  const std::string table = SourceFile("ZEBSTRINGS.xml");
  ASSERT_FALSE(table.empty());
  struct Case {
    const char* type;
    const char* name;
    platform::LangId language;
    const std::string& bytes;
  };
  // Windows: icon 128 is a group icon (type #14) with its images (type #3), not the bytes of
  // the .ico file under a type "ICON"; that form is the emulation's (tests/platform/posix).
  const Case cases[] = {
      {"XML", "ZEBSTRINGS", 0, table},
      {"xml", "ZebStrings", 0, table},
      {"XML", "ZEBSTRINGS", 1031, table},
      {"XML", "ZEBSTRINGS", 1033, table},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(platform::FindResourceData(c.type, c.name, c.language)), c.bytes)
        << c.type << " " << c.name << " " << c.language;
  }
}

TEST(Resources, WhatIsNotThereIsNotFound) {
  for (const auto& [type, name] : {std::pair{"XML", "ZEBSTRING"}, std::pair{"XML", "ZEBSTRINGSX"},
                                   std::pair{"ICON", "ZEBSTRINGS"}, std::pair{"XML", "#128"}, std::pair{"ICON", "#129"},
                                   std::pair{"", ""}})
    EXPECT_EQ(Text(platform::FindResourceData(type, name)), "<none>") << type << " " << name;
}

}  // namespace

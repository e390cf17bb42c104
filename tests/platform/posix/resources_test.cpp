// The resource table: lookup by type and name, language preference, registration lifetime.
#include "platform/emulation/resource_table.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"

namespace {

const unsigned char kGerman[] = "deutsch";
const unsigned char kEnglish[] = "english";
const unsigned char kIcon[] = "icon";

std::string Text(const std::optional<std::span<const unsigned char>>& bytes) {
  return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : "<none>";
}

TEST(Resources, FoundByTypeAndNameWithoutCaseWhateverTheLanguage) {
  const platform::ResourceEntry entries[] = {
      {"XML", "TESTTABLE", 1031, kGerman, 7},
      {"XML", "TESTTABLE", 1033, kEnglish, 7},
      {"ICON", "#7", 0, kIcon, 4},
  };
  const platform::ResourceRegistration registration(entries);
  EXPECT_EQ(Text(platform::FindResourceData("XML", "TESTTABLE")), "deutsch");
  EXPECT_EQ(Text(platform::FindResourceData("xml", "TestTable", 1040)), "deutsch");
  EXPECT_EQ(Text(platform::FindResourceData("XML", "TESTTABLE", 1033)), "english");
  EXPECT_EQ(Text(platform::FindResourceData("Icon", "#7")), "icon");
  EXPECT_EQ(Text(platform::FindResourceData("XML", "TESTTABL")), "<none>");
  EXPECT_EQ(Text(platform::FindResourceData("ICON", "TESTTABLE")), "<none>");
}

TEST(Resources, ATableIsGoneWithItsRegistration) {
  const platform::ResourceEntry entries[] = {{"XML", "SHORTLIVED", 0, kEnglish, 7}};
  {
    const platform::ResourceRegistration registration(entries);
    EXPECT_TRUE(platform::FindResourceData("XML", "SHORTLIVED"));
  }
  EXPECT_FALSE(platform::FindResourceData("XML", "SHORTLIVED"));
}

TEST(Resources, TheProgramsIconIsItsIcoFileUnderTypeIcon) {
  const std::string icon =
      testsupport::FileContents(std::string(TIDEWELL_SOURCE_DIR) + "/resources/tidewell.ico");
  ASSERT_FALSE(icon.empty());
  for (const platform::LangId language : {platform::LangId{0}, platform::LangId{1040}})
    EXPECT_EQ(Text(platform::FindResourceData("icon", "#128", language)), icon) << language;
}

}  // namespace

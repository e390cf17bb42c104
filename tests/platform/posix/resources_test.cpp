// The resource table: lookup by type and name, language preference, registration lifetime.
#include "platform/emulation/resource_table.h"

#include <gtest/gtest.h>

#include <string>

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
      {"ICON", "#128", 0, kIcon, 4},
  };
  const platform::ResourceRegistration registration(entries);
  EXPECT_EQ(Text(platform::FindResourceData("XML", "TESTTABLE")), "deutsch");
  EXPECT_EQ(Text(platform::FindResourceData("xml", "TestTable", 1040)), "deutsch");
  EXPECT_EQ(Text(platform::FindResourceData("XML", "TESTTABLE", 1033)), "english");
  EXPECT_EQ(Text(platform::FindResourceData("Icon", "#128")), "icon");
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

}  // namespace

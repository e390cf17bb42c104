// The POSIX machine's code pages: ANSI is Windows-1252 and OEM is 850, also between each other.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

std::u16string Decode(std::string_view text, unsigned cp) {
  std::u16string out;
  EXPECT_TRUE(platform::ToUtf16(text, cp, out)) << "code page " << cp;
  return out;
}

TEST(CodePage, AnsiIsWindows1252AndOemIs850) {
  EXPECT_EQ(platform::AnsiCodePage(), 1252u);
  EXPECT_EQ(platform::OemCodePage(), 850u);
  EXPECT_EQ(Decode("\x80\xE9\x9F", platform::kCodePageAnsi), u"\u20AC\u00E9\u0178");
  EXPECT_EQ(Decode("\x82", platform::kCodePageOem), u"\u00E9");
}

TEST(CodePage, AnsiToOemAndBack) {
  std::string oem, ansi;
  ASSERT_TRUE(platform::ConvertCodePage("Gr\xFC\xDF" "e \x80", platform::kCodePageAnsi, platform::kCodePageOem, oem));
  EXPECT_EQ(oem, "Gr\x81\xE1" "e ?");  // 850 has no euro sign
  ASSERT_TRUE(platform::ConvertCodePage(oem, platform::kCodePageOem, platform::kCodePageAnsi, ansi));
  EXPECT_EQ(ansi, "Gr\xFC\xDF" "e ?");
}

}  // namespace

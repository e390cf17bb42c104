// The POSIX machine's code pages: ANSI is Windows-1252 and OEM is 850, also between each other;
// and the replacement characters our converter chooses where the system's converters differ.
#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

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

std::string Encode(std::u16string_view text, unsigned cp) {
  std::string out;
  EXPECT_TRUE(platform::FromUtf16(text, cp, out)) << "code page " << cp;
  return out;
}

// One replacement per character, also where Windows' converters give one per UTF-16 unit or
// per byte, and U+FFFD whatever the code page's own default character is.
TEST(CodePage, OneReplacementPerCharacter) {
  EXPECT_EQ(Encode(u"x\U0001F600y", 1252), "x?y");               // Windows: "x??y"
  EXPECT_EQ(Decode("\xED\xA0\x80", 65001), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
  EXPECT_EQ(Decode("a\x93", 932), u"a\uFFFD");                  // Windows: U+30FB
}

// The compiled-in ANSI table agrees with the system's converter for every byte it defines, and
// every byte encodes back to itself (a hole through its C1 control).
TEST(CodePage, AnsiTableMatchesTheSystemConverter) {
  const iconv_t cd = iconv_open("UTF-16LE", "CP1252");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char out[4];
    char* src = &in;
    char* dst = out;
    std::size_t src_left = 1, dst_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool defined = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1);
    const char16_t expected = defined ? static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                              static_cast<unsigned char>(out[1]) << 8)
                                      : static_cast<char16_t>(b);
    const std::string byte(1, in);
    const std::u16string wide = Decode(byte, 1252);
    EXPECT_EQ(wide, std::u16string(1, expected)) << "byte " << b;
    EXPECT_EQ(Encode(wide, 1252), byte) << "byte " << b;
  }
  iconv_close(cd);
}

}  // namespace

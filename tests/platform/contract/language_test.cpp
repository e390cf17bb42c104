// Language identifiers as every backend hands them out: Windows LANGIDs, the primary
// language in the low ten bits. Where the user's and the system's language come from is
// each backend's (POSIX: tests/platform/emulation/language_test.cpp).
#include "platform/language.h"

#include <gtest/gtest.h>

namespace {

TEST(Language, PrimaryLanguageIsTheLowTenBits) {
  EXPECT_EQ(platform::PrimaryLangId(0x0807), 0x07u);
  EXPECT_EQ(platform::PrimaryLangId(0x080A), 0x0Au);
  EXPECT_EQ(platform::PrimaryLangId(0xFFFF), 0x3FFu);
}

}  // namespace

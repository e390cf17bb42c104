// The host version is read while the program's static objects are constructed.
#include <gtest/gtest.h>

#include "products/HostVersion.h"

namespace {

TEST(HostVersionStartup, TheStateIsReadBeforeMain) {
  // ctest gives this program an empty machine: no version file anywhere.
  ASSERT_NE(GetHostFileVersion(), nullptr);
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);
  EXPECT_EQ(CompareHostVersion("0.0.0.0"), -1);
}

}  // namespace

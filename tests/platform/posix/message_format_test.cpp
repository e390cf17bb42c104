// Message formatting as only the POSIX emulation does it: floating point inserts, which
// Windows' FormatMessage does not take.
#include "platform/message_format.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "tests/platform/message_of.h"

namespace {

TEST(MessageFormatEmulation, FloatingPointInserts) {
  EXPECT_EQ(MessageOf("%1!c!%2!.3f!", 'x', 2.5), "x2.500");
  EXPECT_EQ(MessageOf("%1!e!|%2!G!", 1.5, 0.25), "1.500000e+00|0.25");
}

}  // namespace

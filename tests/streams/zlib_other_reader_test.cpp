// QxZlib's stream read by another zlib implementation: Python's, run as a program of the build
// machine (POSIX builds only; a Windows test program has no such program to start).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/streams/stream_test_support.h"
#include "tests/support/TempDir.h"

namespace {

using streamtest::Compress;
using streamtest::RandomBytes;
using streamtest::Text;

TEST(QxZlibCompress, AnotherZlibReaderExpandsWhatItWrites) {
  testsupport::TempDir dir;
  const std::string input = Text(1 << 20, 11) + RandomBytes(4096, 5);
  const std::string compressed = dir.Write("text.z", Compress(input));
  const std::string expanded = (dir.path() / "text").string();
  const std::string command = "/usr/bin/python3 -c 'import sys, zlib; open(sys.argv[2], \"wb\").write("
                              "zlib.decompress(open(sys.argv[1], \"rb\").read()))' " +
                              compressed + " " + expanded;
  ASSERT_EQ(std::system(command.c_str()), 0) << "python3 must be installed (scripts/setup)";
  EXPECT_TRUE(testsupport::FileContents(expanded) == input);
}

}  // namespace

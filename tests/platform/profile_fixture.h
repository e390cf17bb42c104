// A test's INI file in its own folder, read through a buffer that is checked for overruns;
// shared by the contract and the POSIX profile tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile.h"
#include "tests/support/TempDir.h"

class ProfileFixture : public ::testing::Test {
 protected:
  // Reads through a buffer of `size` bytes; checks the count against the NUL it must end at.
  std::string Read(const char* section, const char* key, const char* fallback = "<default>",
                   std::uint32_t size = 256) {
    std::string buffer(size + 1, '#');
    const std::uint32_t count = platform::ReadProfileEntry(section, key, fallback, buffer.data(), size, file_.c_str());
    EXPECT_LT(count, size);
    EXPECT_EQ(buffer[count], '\0');
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return buffer.substr(0, count);
  }

  void Given(std::string_view bytes) { file_ = dir_.Write("test.ini", bytes); }

  testsupport::TempDir dir_;
  std::string file_ = (dir_.path() / "test.ini").string();
};


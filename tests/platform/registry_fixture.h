// Helpers of the registry tests, shared by the contract and the POSIX suites: creating a
// key, listing its subkeys and values in enumeration order, and reading a text or the error.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

class RegistryFixture : public ::testing::Test {
 protected:
  using RegistryKey = platform::RegistryKey;

  static RegistryKey Create(HKEY parent, const char* path) {
    RegistryKey key;
    EXPECT_EQ(platform::CreateKey(parent, path, key), platform::kErrorSuccess) << path;
    return key;
  }

  static std::vector<std::string> Subkeys(HKEY key) {
    std::vector<std::string> names;
    char name[300];
    for (std::uint32_t i = 0; platform::EnumKey(key, i, name, sizeof name) == platform::kErrorSuccess; ++i)
      names.emplace_back(name);
    return names;
  }

  static std::vector<std::string> Values(HKEY key) {
    std::vector<std::string> names;
    char name[300];
    std::uint32_t size = sizeof name;
    for (std::uint32_t i = 0; platform::EnumValue(key, i, name, &size) == platform::kErrorSuccess; ++i) {
      names.emplace_back(name, size);
      size = sizeof name;
    }
    return names;
  }

  static std::string Text(HKEY key, const char* name) {
    std::string text;
    const long error = platform::QueryTextValue(key, name, text);
    return error == platform::kErrorSuccess ? text : "<error " + std::to_string(error) + ">";
  }
};

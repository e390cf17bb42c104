// A fresh emulated machine (registry prefix and account) and a folder for INI files, per test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry.h"
#include "settings/YlRegistry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    env_.Set("ORVANE_PREFIX", (dir_.path() / "machine").c_str()).Set("ORVANE_USER", "alice");
    folder_ = (dir_.path() / "ini").string() + "/";
    std::filesystem::create_directories(folder_);
  }

  // The folder the INI file goes in (with its trailing separator) and the file itself.
  const std::string& folder() const { return folder_; }
  std::string ini() const { return folder_ + "Quenta.ini"; }

  // Writes the unnamed value of HKLM or HKCU "Software\<path>" directly.
  static void SetEntry(HKEY root, const std::string& path, const std::string& text) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::CreateKey(root, ("Software\\" + path).c_str(), key), platform::kErrorSuccess);
    ASSERT_EQ(platform::SetTextValue(key.get(), nullptr, text), platform::kErrorSuccess);
  }

  static bool KeyExists(HKEY root, const std::string& path) {
    platform::RegistryKey key;
    return platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key) == platform::kErrorSuccess;
  }

  static std::string Entry(HKEY root, const std::string& path) {
    platform::RegistryKey key;
    std::string text;
    if (platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key) != platform::kErrorSuccess ||
        platform::QueryTextValue(key.get(), nullptr, text) != platform::kErrorSuccess)
      return "<missing>";
    return text;
  }

  // A store of Acme\Viewer\2.1 whose INI file is folder()/Quenta.ini.
  void PointIniFileHere() { SetEntry(HKEY_LOCAL_MACHINE, "Acme\\Viewer\\2.1\\IniFilePath", folder_); }

  std::string IniText() const { return testsupport::FileContents(ini()); }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_;
  std::string folder_;
};

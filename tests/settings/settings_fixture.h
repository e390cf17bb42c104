// An empty registry (on POSIX a machine of its own, account "alice") and a folder for INI
// files, per test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/YlRegistry.h"
#include "tests/support/IsolatedRegistry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

// The separator the store appends to a folder.
inline const std::string kSeparator(1, platform::kPathSeparator);

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    folder_ = (dir_.path() / "ini").string() + kSeparator;
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
  testsupport::IsolatedRegistry registry_{dir_.path()};  // before env_: its account is restored last
  testsupport::ScopedEnv env_;
  std::string folder_;
};

// A store of Acme\Viewer\2.1 with its entries' key path.
class SettingsEntries : public SettingsTest {
 protected:
  YlRegistry store{"Acme", "Viewer", "2.1", "AV", nullptr};
  const std::string product = "Software\\Acme\\Viewer\\2.1";
};

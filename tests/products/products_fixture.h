// An empty registry and a folder for host installations, per test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/registry.h"
#include "tools/pe_writer/PeWriter.h"
#include "tests/support/IsolatedRegistry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

class ProductsTest : public ::testing::Test {
 protected:
  ProductsTest() {
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::create_directories(dir_.path() / "cwd");
    std::filesystem::current_path(dir_.path() / "cwd");  // no stray YlVer.dll or Pellow.inf
  }
  ~ProductsTest() override { std::filesystem::current_path(old_cwd_); }

  // A folder below the test's folder, with its trailing separator; `name`'s bytes as given
  // (TempDir::Write says why).
  std::string Folder(const std::string& name) const {
    std::filesystem::create_directories(dir_.path() / name);
    return (dir_.path() / "").string() + name + platform::kPathSeparator;
  }

  // Writes a "YlVer.dll" with the given neutral FileVersion into `folder`.
  void WriteVersionFile(const std::string& folder, const std::string& file_version) const {
    pe_writer::PeLayout layout;
    layout.tables = {{"000004b0", {{"FileVersion", file_version}}}};
    std::ofstream(folder + "YlVer.dll", std::ios::binary) << pe_writer::MakePe(layout);
  }

  // Installs the host `name` (a product of the family's table) whose YlVer.dll says
  // `version` ("" for none); returns its install folder.
  std::string InstallHost(const std::string& name, const std::string& version) {
    const std::string settings = Folder(name + "-settings"), install = Folder(name + "-install");
    std::ofstream(settings + "Quenta.ini", std::ios::binary) << "";
    SetEntry("Software\\Orvane\\" + name + "\\4.0\\IniFilePath", settings);
    SetEntry("Software\\Orvane\\" + name + "\\4.0\\InstallPath", install);
    if (!version.empty()) WriteVersionFile(install, version);
    return install;
  }

  static void SetEntry(const std::string& path, const std::string& text) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), key), platform::kErrorSuccess);
    ASSERT_EQ(platform::SetTextValue(key.get(), nullptr, text), platform::kErrorSuccess);
  }

  testsupport::TempDir dir_;
  testsupport::IsolatedRegistry registry_{dir_.path()};  // before env_: its account is restored last
  testsupport::ScopedEnv env_;
  std::filesystem::path old_cwd_;
};

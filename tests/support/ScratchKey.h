// A registry key of its own for one test, on every backend: "Software\TidewellTests\<unique>"
// below a root, created empty and deleted with everything below it when the object goes.
//
// A registry test cannot count on an empty machine: the emulated one starts empty
// (TestMachine.h), but the system's own registry (under Wine, a prefix shared by every test
// of the run) is full of keys and shared with the tests running beside it. Tests therefore
// work below a scratch key. "Software\TidewellTests" itself stays: another test may be
// creating its own key below it at that moment.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

#include "platform/registry.h"

namespace testsupport {

class ScratchKey {
 public:
  // How many levels below its root the scratch key lies.
  static constexpr std::uint32_t kDepth = 3;

  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER) : root_(root) {
    for (int attempt = 0; attempt < 8 && !key_; ++attempt) {
      path_ = "Software\\TidewellTests\\" + UniqueName();
      bool created = false;
      const long error = platform::CreateKey(root_, path_.c_str(), key_, &created);
      EXPECT_EQ(error, platform::kErrorSuccess) << "cannot create the scratch key " << path_;
      if (error != platform::kErrorSuccess) return;
      if (!created) key_.Close();  // someone else's: try another name
    }
    EXPECT_TRUE(key_) << "no unused scratch key name";
  }
  ~ScratchKey() {
    if (!key_) return;
    key_.Close();
    EXPECT_EQ(DeleteTree(root_, path_.c_str()), platform::kErrorSuccess) << "scratch key " << path_ << " stays";
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  // The key, open for reading and writing; null when it could not be made.
  [[nodiscard]] HKEY get() const noexcept { return key_.get(); }
  // Its path below the root, for child processes that open it themselves.
  [[nodiscard]] const std::string& path() const noexcept { return path_; }

  // Deletes `path` below `parent` with every key below it, deepest first.
  static long DeleteTree(HKEY parent, const char* path) {
    platform::RegistryKey key;
    if (const long error = platform::OpenKey(parent, path, platform::KeyAccess::kRead, key)) return error;
    std::string name(256, '\0');
    while (platform::EnumKey(key.get(), 0, name.data(), static_cast<std::uint32_t>(name.size())) ==
           platform::kErrorSuccess) {
      if (const long error = DeleteTree(key.get(), name.c_str())) return error;
    }
    key.Close();
    return platform::DeleteKey(parent, path);
  }

 private:
  static std::string UniqueName() {
    // The clock besides the random device: some runtimes' devices repeat across processes.
    static std::mt19937_64 generator(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return std::to_string(generator());
  }

  HKEY root_;
  std::string path_;
  platform::RegistryKey key_;
};

}  // namespace testsupport

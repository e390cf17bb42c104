// Builds registry trees of arbitrary shape and depth from the input (key names of any bytes,
// paths with empty and overlong components, chains deeper than the registry allows), walks
// them by enumeration, then deletes them whole with DeleteKeyAndAllSubkeys: whatever was
// made, nothing crashes and nothing of it is left.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "settings/YlRegistry.h"

namespace {

constexpr const char* kRoot = "Software\\Fuzz";

void Check(bool condition) {
  if (!condition) std::abort();
}

// Counts the keys below `key` without recursion, however deep the tree.
int CountKeys(HKEY root, const std::string& path) {
  int count = 0;
  std::vector<std::string> pending{path};
  while (!pending.empty() && count < 100000) {
    const std::string current = pending.back();
    pending.pop_back();
    platform::RegistryKey key;
    if (platform::OpenKey(root, current.c_str(), platform::KeyAccess::kRead, key) != platform::kErrorSuccess) continue;
    ++count;
    char name[512];
    for (std::uint32_t i = 0; platform::EnumKey(key.get(), i, name, sizeof name) == platform::kErrorSuccess; ++i)
      pending.push_back(current + "\\" + name);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string prefix = "/tmp/tidewell-registry-fuzz-" + std::to_string(getpid());
  std::filesystem::remove_all(prefix);
  setenv("ORVANE_PREFIX", prefix.c_str(), 1);
  setenv("ORVANE_USER", "fuzz", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  int made = 0;
  while (in.remaining_bytes() > 0 && made < 64) {
    std::string path = kRoot;
    if (in.ConsumeBool()) {
      // A chain: the same short name many times over, up to well past the depth limit.
      const std::string name = in.ConsumeRandomLengthString(4);
      const int depth = in.ConsumeIntegralInRange<int>(1, 700);
      for (int d = 0; d < depth; ++d) path += "\\" + name;
    } else {
      path += "\\" + in.ConsumeRandomLengthString(300);
    }
    platform::RegistryKey key;
    if (platform::CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), key) == platform::kErrorSuccess) {
      ++made;
      (void)platform::SetTextValue(key.get(), in.ConsumeRandomLengthString(8).c_str(), in.ConsumeRandomLengthString(16));
    }
  }
  (void)CountKeys(HKEY_LOCAL_MACHINE, kRoot);
  (void)DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, kRoot);
  platform::RegistryKey gone;
  Check(platform::OpenKey(HKEY_LOCAL_MACHINE, kRoot, platform::KeyAccess::kRead, gone) == platform::kErrorFileNotFound);
  return 0;
}

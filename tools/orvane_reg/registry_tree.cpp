// Walks over a tree of registry keys, one open key per level on the heap.
#include "tools/orvane_reg/registry_tree.h"

#include <cstdint>

namespace orvanereg {

long Names(HKEY key, bool subkeys, std::vector<std::string>& names) {
  // Another process may add a longer name meanwhile: then start over with the new lengths.
  for (;;) {
    names.clear();
    platform::KeyInfo info;
    if (const long error = platform::QueryKeyInfo(key, info)) return error;
    std::vector<char> buffer((subkeys ? info.longest_subkey_name : info.longest_value_name) + 1u);
    for (std::uint32_t index = 0;; ++index) {
      long error;
      if (subkeys) {
        error = platform::EnumKey(key, index, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
      } else {
        auto size = static_cast<std::uint32_t>(buffer.size());
        error = platform::EnumValue(key, index, buffer.data(), &size);
      }
      if (error == platform::kErrorMoreData) break;
      if (error == platform::kErrorNoMoreItems) return platform::kErrorSuccess;
      if (error != platform::kErrorSuccess) return error;
      names.emplace_back(buffer.data());
    }
  }
}

namespace {

// One key of the walk: open while the keys below it are visited.
struct Level {
  platform::RegistryKey key;
  std::size_t display_length = 0;  // of its name in the display path
  std::vector<std::string> subkeys;
  std::size_t next = 0;  // the subkey to visit next
};

// Opens `path` below `parent`, lists it and visits it; 0, or the result that ends the walk,
// or -1 when the failure handler steps over it.
int Enter(HKEY parent, const std::string& path, const std::string& display, const KeyVisitor& visit,
          const KeyFailure& fail, Level& out) {
  const auto failed = [&](const char* what, long error) {
    const int result = fail(display, what, error);
    return result != 0 ? result : -1;
  };
  if (const long error = platform::OpenKey(parent, path.c_str(), platform::KeyAccess::kRead, out.key))
    return failed("open", error);
  std::vector<std::string> values;
  if (const long error = Names(out.key.get(), false, values)) return failed("list", error);
  if (const long error = Names(out.key.get(), true, out.subkeys)) return failed("list", error);
  out.display_length = display.size();
  return visit(out.key.get(), display, values);
}

}  // namespace

int WalkTree(HKEY root, const std::string& path, const std::string& display, bool recursive,
             const KeyVisitor& visit, const KeyFailure& fail) {
  std::vector<Level> levels(1);
  if (const int result = Enter(root, path, display, visit, fail, levels[0])) return result < 0 ? 0 : result;
  if (!recursive) return 0;
  std::string shown = display;
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subkeys.size()) {
      levels.pop_back();
      continue;
    }
    const std::string& name = level.subkeys[level.next++];
    shown.resize(level.display_length);
    shown += "\\" + name;
    Level below;
    const int result = Enter(level.key.get(), name, shown, visit, fail, below);
    if (result > 0) return result;
    if (result == 0) levels.push_back(std::move(below));
  }
  return 0;
}

}  // namespace orvanereg

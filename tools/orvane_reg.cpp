// orvane-reg: reads and changes the registry of the emulated machine that ORVANE_PREFIX and
// ORVANE_USER name, for seeding demonstration machines and for debugging.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "platform/registry.h"

namespace {

constexpr const char* kUsage =
    "usage: orvane-reg COMMAND [ARGUMENTS]\n"
    "  list   KEY [-r]                 values and subkeys of KEY (-r: the whole tree below it)\n"
    "  query  KEY [-v NAME]            prints the text value NAME (default: the unnamed value)\n"
    "  add    KEY [-v NAME] [-d DATA] [-z]\n"
    "                                  creates KEY and missing parents; -d sets the value\n"
    "                                  (-z stores it with a terminating NUL, as installers do)\n"
    "  delete KEY [-v NAME] [-r]       deletes the value NAME, else KEY (-r: with its subkeys)\n"
    "  where                           prints the machine folder and the account\n"
    "KEY begins with a root: HKLM, HKCU, HKU or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,\n"
    "HKEY_USERS; key names are separated by backslashes (quote them in the shell).\n"
    "Environment: ORVANE_PREFIX (the machine folder), ORVANE_USER (the account),\n"
    "TIDEWELL_DEBUG (when set: why a machine cannot be used, on standard error).\n";

struct Root {
  const char* short_name;
  const char* name;
  HKEY key;
};
constexpr Root kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

struct Options {
  std::string command;
  std::string key;
  const char* value_name = nullptr;
  const char* data = nullptr;
  bool recursive = false;
  bool with_nul = false;
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

const char* ErrorText(long error) {
  switch (error) {
    case platform::kErrorFileNotFound: return "not found";
    case platform::kErrorAccessDenied: return "access denied (a root, or a key with subkeys)";
    case platform::kErrorInvalidHandle: return "invalid handle";
    case platform::kErrorWriteProtect: return "the machine's registry is read-only for this account";
    case platform::kErrorInvalidParameter: return "invalid name (longer than 255 characters?)";
    case platform::kErrorBadPathname: return "empty key name in the path";
    case platform::kErrorMoreData: return "more data";
    case platform::kErrorRegistryCorrupt: return "the registry database is damaged";
    case platform::kErrorRegistryIoFailed: return "the registry database cannot be opened or written";
    case platform::kErrorKeyDeleted: return "the key was deleted";
    default: return "error";
  }
}

int Fail(const std::string& what, long error) {
  std::fprintf(stderr, "orvane-reg: %s: %s (%ld)\n", what.c_str(), ErrorText(error), error);
  return 1;
}

// Splits "HKLM\a\b" into the root and "a\b".
bool SplitKey(const std::string& text, const Root*& root, std::string& path) {
  const std::size_t slash = text.find('\\');
  const std::string_view head = std::string_view(text).substr(0, slash);
  for (const Root& candidate : kRoots) {
    if (EqualsNoCase(head, candidate.short_name) || EqualsNoCase(head, candidate.name)) {
      root = &candidate;
      path = slash == std::string::npos ? std::string() : text.substr(slash + 1);
      return true;
    }
  }
  return false;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\0') {
      out += "\\0";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

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

// One key being listed: it is open while the keys below it are.
struct Listing {
  platform::RegistryKey key;
  std::size_t display_length = 0;  // of its name in the display path
  std::vector<std::string> subkeys;
  std::size_t next = 0;  // the subkey to list next
};

// Opens `path` below `parent` and prints its values and subkeys under the heading `display`.
int Show(HKEY parent, const std::string& display, const std::string& path, Listing& out) {
  if (const long error = platform::OpenKey(parent, path.c_str(), platform::KeyAccess::kRead, out.key))
    return Fail("cannot open " + display, error);
  std::vector<std::string> values;
  if (const long error = Names(out.key.get(), false, values)) return Fail("cannot list " + display, error);
  if (const long error = Names(out.key.get(), true, out.subkeys)) return Fail("cannot list " + display, error);
  std::printf("%s\n", display.c_str());
  for (const std::string& name : values) {
    std::string data;
    if (platform::QueryTextValue(out.key.get(), name.c_str(), data) != platform::kErrorSuccess) continue;
    std::printf("  %s = %s\n", name.empty() ? "@" : Quoted(name).c_str(), Quoted(data).c_str());
  }
  for (const std::string& name : out.subkeys) std::printf("  %s\\\n", name.c_str());
  out.display_length = display.size();
  return 0;
}

// Lists the key, and with `recursive` the tree below it depth first. The walk keeps one
// open key per level on the heap: a registry made by an older version may be deeper than the
// stack would hold as recursion.
int List(HKEY parent, std::string display, const std::string& path, bool recursive) {
  std::vector<Listing> levels(1);
  if (const int result = Show(parent, display, path, levels[0])) return result;
  if (!recursive) return 0;
  int result = 0;
  while (!levels.empty()) {
    Listing& level = levels.back();
    if (level.next == level.subkeys.size()) {
      levels.pop_back();
      continue;
    }
    const std::string& name = level.subkeys[level.next++];
    display.resize(level.display_length);
    display += "\\" + name;
    std::printf("\n");
    Listing below;
    if (Show(level.key.get(), display, name, below) != 0) {
      result = 1;
      continue;
    }
    levels.push_back(std::move(below));
  }
  return result;
}

// Deletes subkeys depth first, one open key per level on the heap, as List walks; a subkey
// that cannot be deleted is stepped over, so the walk ends, and its parent then stays too.
long DeleteTree(HKEY parent, const std::string& path) {
  struct Level {
    platform::RegistryKey key;
    std::string name;  // below the level above, or below `parent`
    std::uint32_t index = 0;
  };
  std::vector<Level> levels(1);
  levels[0].name = path;
  if (const long error = platform::OpenKey(parent, path.c_str(), platform::KeyAccess::kReadWrite, levels[0].key))
    return error;
  std::vector<char> name(256);
  for (;;) {
    Level& level = levels.back();
    const long error = platform::EnumKey(level.key.get(), level.index, name.data(), static_cast<std::uint32_t>(name.size()));
    if (error == platform::kErrorMoreData) {
      name.resize(name.size() * 2);
      continue;
    }
    if (error == platform::kErrorSuccess) {
      Level below;
      below.name = name.data();
      if (platform::OpenKey(level.key.get(), name.data(), platform::KeyAccess::kReadWrite, below.key) ==
          platform::kErrorSuccess)
        levels.push_back(std::move(below));
      else
        ++level.index;
      continue;
    }
    const std::string done = std::move(level.name);
    levels.pop_back();
    const long deleted = platform::DeleteKey(levels.empty() ? parent : levels.back().key.get(), done.c_str());
    if (levels.empty()) return deleted;
    if (deleted != platform::kErrorSuccess) ++levels.back().index;
  }
}

int Run(const Options& options) {
  if (options.command == "where") {
    std::string folder;
    std::printf("machine: %s\naccount: %s\n", platform::MachineFolder(folder) ? folder.c_str() : "(none)",
                platform::AccountName().c_str());
    return 0;
  }
  if (options.command != "list" && options.command != "query" && options.command != "add" &&
      options.command != "delete") {
    std::fprintf(stderr, "orvane-reg: unknown command %s\n%s", options.command.c_str(), kUsage);
    return 2;
  }
  const Root* root = nullptr;
  std::string path;
  if (!SplitKey(options.key, root, path)) {
    std::fprintf(stderr, "orvane-reg: %s does not begin with a root\n%s", options.key.c_str(), kUsage);
    return 2;
  }
  const std::string display = path.empty() ? std::string(root->name) : std::string(root->name) + "\\" + path;

  if (options.command == "list") return List(root->key, display, path, options.recursive);

  if (options.command == "query") {
    platform::RegistryKey key;
    if (const long error = platform::OpenKey(root->key, path.c_str(), platform::KeyAccess::kRead, key))
      return Fail("cannot open " + display, error);
    std::string data;
    if (const long error = platform::QueryTextValue(key.get(), options.value_name, data))
      return Fail("cannot read " + display + (options.value_name ? std::string(" ") + options.value_name : ""), error);
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::printf("\n");
    return 0;
  }

  if (options.command == "add") {
    platform::RegistryKey key;
    if (const long error = platform::CreateKey(root->key, path.c_str(), key))
      return Fail("cannot create " + display, error);
    if (options.data == nullptr) return 0;
    std::string data = options.data;
    if (options.with_nul) data.push_back('\0');
    if (const long error = platform::SetTextValue(key.get(), options.value_name, data))
      return Fail("cannot set a value of " + display, error);
    return 0;
  }

  // What remains is "delete".
  if (options.value_name != nullptr) {
    platform::RegistryKey key;
    if (const long error = platform::OpenKey(root->key, path.c_str(), platform::KeyAccess::kReadWrite, key))
      return Fail("cannot open " + display, error);
    if (const long error = platform::DeleteValue(key.get(), options.value_name))
      return Fail(std::string("cannot delete the value ") + options.value_name, error);
    return 0;
  }
  const long error = options.recursive ? DeleteTree(root->key, path) : platform::DeleteKey(root->key, path.c_str());
  return error != platform::kErrorSuccess ? Fail("cannot delete " + display, error) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_next = i + 1 < argc;
    if (arg == "-h" || arg == "--help") {
      std::printf("%s", kUsage);
      return 0;
    } else if (arg == "-v" && has_next) {
      options.value_name = argv[++i];
    } else if (arg == "-d" && has_next) {
      options.data = argv[++i];
    } else if (arg == "-r") {
      options.recursive = true;
    } else if (arg == "-z") {
      options.with_nul = true;
    } else if (arg.starts_with('-') && arg.size() > 1) {
      std::fprintf(stderr, "orvane-reg: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      positional.emplace_back(arg);
    }
  }
  const std::size_t wanted = !positional.empty() && positional[0] == "where" ? 1 : 2;
  if (positional.size() != wanted) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  options.command = positional[0];
  if (wanted == 2) options.key = positional[1];
  return Run(options);
}

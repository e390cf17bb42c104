// Changes to the emulated registry applied as one transaction: all of them or none. For the
// tools that load a machine's keys from a file; the Windows registry has no such operation,
// so this is the POSIX backend's alone.
//
//   std::vector<platform::RegistryChange> changes = {
//       {platform::RegistryChange::Kind::kCreateKey, HKEY_LOCAL_MACHINE, "Software\\Orvane"},
//       {platform::RegistryChange::Kind::kSetValue, HKEY_LOCAL_MACHINE, "Software\\Orvane", "", "x"}};
//   std::size_t failed = 0;
//   if (platform::ApplyRegistryChanges(changes, failed) != platform::kErrorSuccess) ... changes[failed]
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "platform/registry.h"

namespace platform {

struct RegistryChange {
  enum class Kind {
    kCreateKey,    // `path` and every missing key on the way
    kDeleteTree,   // `path` with everything below it; a missing key is no error
    kSetValue,     // `name` of the existing key `path` to `data` (exactly these bytes)
    kDeleteValue,  // `name` of `path`; a missing key or value is no error
  };
  Kind kind;
  HKEY root;         // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS
  std::string path;  // below the root, names separated by '\'
  std::string name;  // the value's name; empty: the unnamed value
  std::string data;
};

// Applies `changes` in order in one transaction. On failure nothing has changed, `failed` is
// the index of the change that failed and the result is the registry's error for it.
[[nodiscard]] long ApplyRegistryChanges(std::span<const RegistryChange> changes, std::size_t& failed);

}  // namespace platform

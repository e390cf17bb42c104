// The registry's database on POSIX: the process's SQLite connection to
// <machine folder>/registry.db and the key and value operations on it, by key id.
//
// Schema: table keys (id, parent, name, fold) with one row per key, the two roots having
// parent 0; table vals (key, name, fold, data) with one row per value. `fold` is the name's
// case-folded form (ansi_case.h): unique among siblings and the enumeration order.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

struct sqlite3;

namespace platform::detail {

using KeyId = std::int64_t;

// How long an operation waits for a lock that another process holds before it fails with
// kErrorRegistryIoFailed (10 seconds unless changed); for the whole process, from now on.
void SetBusyTimeout(std::chrono::milliseconds wait);
inline constexpr KeyId kMachineRootId = 1;  // HKEY_LOCAL_MACHINE
inline constexpr KeyId kUsersRootId = 2;    // HKEY_USERS

// Exclusive use of the process's connection for one operation. Every operation returns a
// platform error code; those taking a key id answer kErrorKeyDeleted when the key is gone.
class RegistrySession {
 public:
  RegistrySession() = default;
  // Reports a failure of the machine that the operation met, when debugging (TIDEWELL_DEBUG);
  // after the process has begun to exit, also closes the connection.
  ~RegistrySession();
  RegistrySession(const RegistrySession&) = delete;
  RegistrySession& operator=(const RegistrySession&) = delete;

  // Locks the process's registry and connects it to the database of the current machine,
  // opening (and on first use creating) it when the machine or the process changed.
  [[nodiscard]] long Open();

  // Changes whenever the process connects to another machine; handles opened on an earlier
  // one are no longer valid.
  [[nodiscard]] std::uint64_t machine() const;

  // True when this process may only read the machine's database (a read-only folder or file).
  [[nodiscard]] bool read_only() const;
  // kErrorWriteProtect when read_only(), else kErrorSuccess.
  [[nodiscard]] long RefuseChanges();

  // The key of `account` below HKEY_USERS, created when missing.
  [[nodiscard]] long AccountKey(std::string_view account, KeyId& id);

  // The key at `names` below `start` (no names: `start` itself).
  [[nodiscard]] long FindPath(KeyId start, const std::vector<std::string_view>& names, KeyId& id);
  // The same, creating the missing keys in one transaction.
  [[nodiscard]] long CreatePath(KeyId start, const std::vector<std::string_view>& names, KeyId& id,
                                bool& created);
  // Deletes the key at `names` below `start`, with its values, unless it has subkeys or is a root.
  [[nodiscard]] long DeletePath(KeyId start, const std::vector<std::string_view>& names);

  [[nodiscard]] long SubkeyName(KeyId key, std::uint32_t index, std::string& name);
  [[nodiscard]] long ValueName(KeyId key, std::uint32_t index, std::string& name);
  [[nodiscard]] long Info(KeyId key, KeyInfo& info);

  [[nodiscard]] long GetValue(KeyId key, std::string_view name, std::string& data);
  [[nodiscard]] long SetValue(KeyId key, std::string_view name, std::string_view data);
  [[nodiscard]] long DeleteValue(KeyId key, std::string_view name);

 private:
  std::unique_lock<std::mutex> lock_;
  std::string folder_;  // the machine folder, once named
  sqlite3* db_ = nullptr;
  std::uint64_t machine_ = 0;
};

}  // namespace platform::detail

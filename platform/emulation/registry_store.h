// The registry's database on POSIX: the key and value operations on the process's
// connection to <machine folder>/registry.db (registry_connection.h), by key id.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/registry_connection.h"
#include "platform/registry.h"

namespace platform::detail {

// Exclusive use of the process's connection for one operation. Every operation returns a
// platform error code; those taking a key id answer kErrorKeyDeleted when the key is gone.
class RegistrySession {
 public:
  RegistrySession() = default;
  RegistrySession(const RegistrySession&) = delete;
  RegistrySession& operator=(const RegistrySession&) = delete;

  // Begins the use of the process's connection (ConnectionUse::Begin); the session ends it.
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
  // Deletes the key at `names` below `start` with every key and value below it, in one
  // statement per table (no walk); a root is not deleted (kErrorAccessDenied).
  [[nodiscard]] long DeleteTree(KeyId start, const std::vector<std::string_view>& names);

  // Makes the session's following changes one transaction: they take effect together at
  // CommitBatch, or none of them when the session ends before it.
  [[nodiscard]] long BeginBatch();
  [[nodiscard]] long CommitBatch();

  [[nodiscard]] long SubkeyName(KeyId key, std::uint32_t index, std::string& name);
  [[nodiscard]] long ValueName(KeyId key, std::uint32_t index, std::string& name);
  [[nodiscard]] long Info(KeyId key, KeyInfo& info);

  [[nodiscard]] long GetValue(KeyId key, std::string_view name, std::string& data);
  // The value `name` of the key at `names` below `start`, path and value seen in one state of
  // the database: kErrorFileNotFound when the key or the value is missing.
  [[nodiscard]] long GetValueAt(KeyId start, const std::vector<std::string_view>& names, std::string_view name,
                                std::string& data);
  [[nodiscard]] long SetValue(KeyId key, std::string_view name, std::string_view data);
  [[nodiscard]] long DeleteValue(KeyId key, std::string_view name);

 private:
  ConnectionUse use_;
  sqlite3* db_ = nullptr;
  std::optional<Transaction> batch_;  // ends before the use of the connection
};

}  // namespace platform::detail

// The registry on POSIX: handles, the roots, path and name rules, and the buffer contracts
// of the Windows calls, over the database of registry_store.h.
#include "platform/registry.h"
#include "platform/emulation/registry_batch.h"
#include "platform/registry_shared.h"

#include <cstring>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/machine.h"
#include "platform/emulation/registry_store.h"

namespace platform {

struct RegistryKeyAccess {
  static void Set(RegistryKey& key, HKEY handle) { key.handle_ = handle; }
};

namespace {

using detail::KeyId;
using detail::RegistrySession;

constexpr std::size_t kMaxNameLength = 255;

// What an open handle stands for: a key of the database of one machine.
struct OpenKeyEntry {
  KeyId id;
  bool writable;
  std::uint64_t machine;
};

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, OpenKeyEntry> keys;
  std::uintptr_t last = 0;
};

HandleTable& TheHandles() {
  // Never destroyed: keys held by static objects of other files are closed while it ends.
  static HandleTable* const table = new HandleTable;
  return *table;
}

HKEY AddHandle(const OpenKeyEntry& entry) {
  HandleTable& table = TheHandles();
  const std::lock_guard lock(table.mutex);
  // Handles stay below the roots' values, also where a pointer has 32 bits.
  do table.last = table.last % 0x7FFFFFFF + 1;
  while (table.keys.contains(table.last));
  table.keys.emplace(table.last, entry);
  return HKEY{detail::RegistryHandleBits{table.last}};
}

bool FindHandle(HKEY key, OpenKeyEntry& entry) {
  HandleTable& table = TheHandles();
  const std::lock_guard lock(table.mutex);
  const auto found = table.keys.find(key.bits().bits);
  if (found == table.keys.end()) return false;
  entry = found->second;
  return true;
}

bool IsRoot(HKEY key) {
  return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS;
}

// The key a handle stands for, and whether it may be changed through it.
long Resolve(RegistrySession& session, HKEY key, KeyId& id, bool& writable) {
  writable = true;
  if (key == HKEY_LOCAL_MACHINE) {
    id = detail::kMachineRootId;
    return kErrorSuccess;
  }
  if (key == HKEY_USERS) {
    id = detail::kUsersRootId;
    return kErrorSuccess;
  }
  if (key == HKEY_CURRENT_USER) {
    const std::string account = AccountName();
    if (account.size() > kMaxNameLength || account.find('\\') != std::string::npos)
      return kErrorInvalidParameter;
    return session.AccountKey(account, id);
  }
  OpenKeyEntry entry{};
  if (!FindHandle(key, entry) || entry.machine != session.machine()) return kErrorInvalidHandle;
  id = entry.id;
  writable = entry.writable;
  return kErrorSuccess;
}

// Splits a key path at its backslashes.
long SplitPath(const char* path, std::vector<std::string_view>& names) {
  names.clear();
  std::string_view rest = path != nullptr ? std::string_view(path) : std::string_view();
  if (rest.size() > 1 && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return kErrorSuccess;
  for (;;) {
    const std::size_t end = rest.find('\\');
    const std::string_view name = rest.substr(0, end);
    if (name.empty()) return kErrorBadPathname;
    if (name.size() > kMaxNameLength) return kErrorInvalidParameter;
    names.push_back(name);
    if (end == std::string_view::npos) return kErrorSuccess;
    rest.remove_prefix(end + 1);
  }
}

long ValueName(const char* name, std::string_view& out) {
  out = name != nullptr ? std::string_view(name) : std::string_view();
  return out.size() > kMaxNameLength ? kErrorInvalidParameter : kErrorSuccess;
}

// Opens the session and resolves `key`; the common start of the operations that change it.
long Start(RegistrySession& session, HKEY key, KeyId& id, bool& writable) {
  if (const long error = session.Open()) return error;
  // Before the key: on a read-only machine the current account's key may not even exist.
  if (const long error = session.RefuseChanges()) return error;
  return Resolve(session, key, id, writable);
}

// The same for operations that only read.
long Start(RegistrySession& session, HKEY key, KeyId& id) {
  if (const long error = session.Open()) return error;
  bool writable = false;
  return Resolve(session, key, id, writable);
}

}  // namespace

void RegistryKey::Close() noexcept {
  if (!handle_) return;
  HandleTable& table = TheHandles();
  const std::lock_guard lock(table.mutex);
  table.keys.erase(handle_.bits().bits);
  handle_ = nullptr;
}

long OpenKey(HKEY parent, const char* path, KeyAccess access, RegistryKey& out) {
  out.Close();
  std::vector<std::string_view> names;
  if (const long error = SplitPath(path, names)) return error;
  RegistrySession session;
  KeyId start = 0;
  if (const long error = Start(session, parent, start)) return error;
  KeyId id = 0;
  if (const long error = session.FindPath(start, names, id)) return error;
  RegistryKeyAccess::Set(out, AddHandle({id, access == KeyAccess::kReadWrite, session.machine()}));
  return kErrorSuccess;
}

long CreateKey(HKEY parent, const char* path, RegistryKey& out, bool* created) {
  out.Close();
  std::vector<std::string_view> names;
  if (const long error = SplitPath(path, names)) return error;
  RegistrySession session;
  KeyId start = 0;
  bool writable = false;
  if (const long error = Start(session, parent, start, writable)) return error;
  if (!writable) return kErrorAccessDenied;
  KeyId id = 0;
  bool made = false;
  if (const long error = session.CreatePath(start, names, id, made)) return error;
  RegistryKeyAccess::Set(out, AddHandle({id, true, session.machine()}));
  if (created != nullptr) *created = made;
  return kErrorSuccess;
}

long DeleteKey(HKEY parent, const char* path) {
  std::vector<std::string_view> names;
  if (const long error = SplitPath(path, names)) return error;
  if (names.empty() && IsRoot(parent)) return kErrorAccessDenied;
  RegistrySession session;
  KeyId start = 0;
  if (const long error = Start(session, parent, start)) return error;
  return session.DeletePath(start, names);
}

long EnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size) {
  if (name == nullptr) return kErrorInvalidParameter;
  RegistrySession session;
  KeyId id = 0;
  if (const long error = Start(session, key, id)) return error;
  std::string found;
  if (const long error = session.SubkeyName(id, index, found)) return error;
  if (found.size() >= size) return kErrorMoreData;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  return kErrorSuccess;
}

long EnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* size) {
  if (name == nullptr || size == nullptr) return kErrorInvalidParameter;
  RegistrySession session;
  KeyId id = 0;
  if (const long error = Start(session, key, id)) return error;
  std::string found;
  if (const long error = session.ValueName(id, index, found)) return error;
  if (found.size() >= *size) return kErrorMoreData;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  *size = static_cast<std::uint32_t>(found.size());
  return kErrorSuccess;
}

long QueryKeyInfo(HKEY key, KeyInfo& info) {
  RegistrySession session;
  KeyId id = 0;
  if (const long error = Start(session, key, id)) return error;
  return session.Info(id, info);
}

namespace {

// The bytes of a text value exactly as stored.
long StoredText(HKEY key, const char* name, std::string& stored) {
  std::string_view value_name;
  if (const long error = ValueName(name, value_name)) return error;
  RegistrySession session;
  KeyId id = 0;
  if (const long error = Start(session, key, id)) return error;
  return session.GetValue(id, value_name, stored);
}

}  // namespace

long QueryTextValue(HKEY key, const char* name, char* data, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  std::string stored;
  if (const long error = StoredText(key, name, stored)) return error;
  return detail::CopyStoredText(stored, data, size);
}

long QueryTextValue(HKEY key, const char* name, std::string& text) {
  std::string stored;
  if (const long error = StoredText(key, name, stored)) return error;
  detail::DropStoredNul(stored);
  text = std::move(stored);
  return kErrorSuccess;
}

namespace {

// The bytes of the text value `name` of the key at `path` below `key`, exactly as stored.
long StoredTextAt(HKEY key, const char* path, const char* name, std::string& stored) {
  std::vector<std::string_view> names;
  names.reserve(16);  // the usual depth, in one allocation
  if (const long error = SplitPath(path, names)) return error;
  std::string_view value_name;
  if (const long error = ValueName(name, value_name)) return error;
  RegistrySession session;
  KeyId start = 0;
  if (const long error = Start(session, key, start)) return error;
  return session.GetValueAt(start, names, value_name, stored);
}

}  // namespace

long GetTextValue(HKEY key, const char* path, const char* name, char* data, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  std::string stored;
  if (const long error = StoredTextAt(key, path, name, stored)) return error;
  return detail::CopyStoredText(stored, data, size);
}

long GetTextValue(HKEY key, const char* path, const char* name, std::string& text) {
  std::string stored;
  if (const long error = StoredTextAt(key, path, name, stored)) return error;
  detail::DropStoredNul(stored);
  text = std::move(stored);
  return kErrorSuccess;
}

long SetTextValue(HKEY key, const char* name, std::string_view data) {
  std::string_view value_name;
  if (const long error = ValueName(name, value_name)) return error;
  // Sizes cross the interface as 32-bit counts that include a NUL.
  if (data.size() >= std::numeric_limits<std::uint32_t>::max()) return kErrorInvalidParameter;
  RegistrySession session;
  KeyId id = 0;
  bool writable = false;
  if (const long error = Start(session, key, id, writable)) return error;
  if (!writable) return kErrorAccessDenied;
  return session.SetValue(id, value_name, data);
}

long DeleteValue(HKEY key, const char* name) {
  std::string_view value_name;
  if (const long error = ValueName(name, value_name)) return error;
  RegistrySession session;
  KeyId id = 0;
  bool writable = false;
  if (const long error = Start(session, key, id, writable)) return error;
  if (!writable) return kErrorAccessDenied;
  return session.DeleteValue(id, value_name);
}

namespace {

// The key a batch wrote to last, so that a run of values of one key looks it up once.
struct LastKey {
  HKEY root{};
  std::string path;
  KeyId id = 0;
  bool known = false;
};

// One change of a batch, in the batch's session.
long ApplyChange(RegistrySession& session, const RegistryChange& change, LastKey& last) {
  using Kind = RegistryChange::Kind;
  std::vector<std::string_view> names;
  if (const long error = SplitPath(change.path.c_str(), names)) return error;
  if (!IsRoot(change.root)) return kErrorInvalidHandle;
  KeyId start = 0;
  bool writable = false;
  if (const long error = Resolve(session, change.root, start, writable)) return error;
  const bool same_key = last.known && last.root == change.root && last.path == change.path;
  switch (change.kind) {
    case Kind::kCreateKey: {
      bool made = false;
      last = {change.root, change.path, 0, false};
      if (const long error = session.CreatePath(start, names, last.id, made)) return error;
      last.known = true;
      return kErrorSuccess;
    }
    case Kind::kDeleteTree: {
      last.known = false;
      const long error = names.empty() ? kErrorAccessDenied : session.DeleteTree(start, names);
      return error == kErrorFileNotFound ? kErrorSuccess : error;
    }
    case Kind::kSetValue:
    case Kind::kDeleteValue: break;
  }
  std::string_view value_name;
  if (const long error = ValueName(change.name.c_str(), value_name)) return error;
  if (!same_key) {
    last = {change.root, change.path, 0, false};
    const long found = session.FindPath(start, names, last.id);
    if (found == kErrorFileNotFound && change.kind == Kind::kDeleteValue) return kErrorSuccess;
    if (found != kErrorSuccess) return found;
    last.known = true;
  }
  if (change.kind == Kind::kDeleteValue) {
    const long error = session.DeleteValue(last.id, value_name);
    return error == kErrorFileNotFound ? kErrorSuccess : error;
  }
  if (change.data.size() >= std::numeric_limits<std::uint32_t>::max()) return kErrorInvalidParameter;
  return session.SetValue(last.id, value_name, change.data);
}

}  // namespace

long ApplyRegistryChanges(std::span<const RegistryChange> changes, std::size_t& failed) {
  failed = 0;
  RegistrySession session;
  if (const long error = session.Open()) return error;
  if (const long error = session.BeginBatch()) return error;
  LastKey last;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (const long error = ApplyChange(session, changes[i], last)) {
      failed = i;
      return error;
    }
  }
  failed = changes.size();
  return session.CommitBatch();
}

}  // namespace platform

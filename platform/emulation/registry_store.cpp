// The registry's key and value operations on POSIX, by key id, each change in one
// transaction, over the process's connection (registry_connection.h).
#include "platform/emulation/registry_store.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/emulation/ansi_case.h"

namespace platform::detail {
namespace {

// The deepest a key may lie below its root, as on Windows. Walks over a tree, which may be
// deeper where an older version made it, never recurse.
constexpr std::size_t kMaxKeyDepth = 512;

long KeyExists(sqlite3* db, KeyId id) {
  Statement query(db, "SELECT 1 FROM keys WHERE id = ?");
  const int rc = query.Bind(id).Step();
  if (rc == SQLITE_ROW) return kErrorSuccess;
  return rc == SQLITE_DONE ? kErrorKeyDeleted : ErrorFrom(rc);
}

// The child of `parent` named `name`: kErrorSuccess with its id, or kErrorFileNotFound.
long Child(sqlite3* db, KeyId parent, std::string_view name, KeyId& id) {
  Statement query(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
  const int rc = query.Bind(parent).Bind(AnsiFoldKey(name)).Step();
  if (rc == SQLITE_ROW) {
    id = query.Int(0);
    return kErrorSuccess;
  }
  return rc == SQLITE_DONE ? kErrorFileNotFound : ErrorFrom(rc);
}

// How many levels below its root `key` lies (a root: 0), counting at most to one past the
// deepest key that may be made.
long Depth(sqlite3* db, KeyId key, std::size_t& depth) {
  Statement query(db,
                  "WITH RECURSIVE up(id, depth) AS ("
                  "  SELECT ?1, 0"
                  "  UNION ALL SELECT keys.parent, up.depth + 1 FROM keys JOIN up ON keys.id = up.id"
                  "  WHERE keys.parent <> 0 AND up.depth <= ?2) "
                  "SELECT max(depth) FROM up");
  const int rc = query.Bind(key).Bind(static_cast<std::int64_t>(kMaxKeyDepth)).Step();
  if (rc != SQLITE_ROW) return ErrorFrom(rc);
  depth = static_cast<std::size_t>(query.Int(0));
  return kErrorSuccess;
}

long Walk(sqlite3* db, KeyId start, const std::vector<std::string_view>& names, KeyId& id) {
  if (const long error = KeyExists(db, start)) return error;
  KeyId current = start;
  for (const std::string_view name : names) {
    if (const long error = Child(db, current, name, current)) return error;
  }
  id = current;
  return kErrorSuccess;
}

long NameAt(sqlite3* db, const char* sql, KeyId key, std::uint32_t index, std::string& name) {
  Transaction transaction(db, false);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db, key)) return error;
  Statement query(db, sql);
  const int rc = query.Bind(key).Bind(static_cast<std::int64_t>(index)).Step();
  if (rc == SQLITE_DONE) return kErrorNoMoreItems;
  if (rc != SQLITE_ROW) return ErrorFrom(rc);
  name = query.Blob(0);
  return kErrorSuccess;
}

// Key ids by start key and path, so that reading a value of a known key takes one statement
// instead of one per level. Sound because a key never changes its parent or name while it
// exists, within one database an id is never given again (AUTOINCREMENT), and a key's values
// go in the same transaction as the key: a value found for a cached id proves that the id is
// still the key at that path, in the state the value was read from. Without a value the path
// is walked again, which tells a missing value from a missing key. A new connection may be to
// a database made afresh, whose ids start over, so the ids hold for one connection only. Used
// under the connection's lock.
struct PathCache {
  std::uint64_t generation = 0;
  std::unordered_map<std::string, KeyId> ids;
};
constexpr std::size_t kCachedPaths = 256;

PathCache& ThePathCache() {
  static auto* const cache = new PathCache;
  return *cache;
}

// The start key and the names as spelled, each after a '\\', which no name holds. Spellings
// that differ in case are entries of their own, for the same key: no folding on the way in.
std::string PathKey(KeyId start, const std::vector<std::string_view>& names) {
  std::size_t size = sizeof start;
  for (const std::string_view name : names) size += 1 + name.size();
  std::string key;
  key.reserve(size);
  key.append(reinterpret_cast<const char*>(&start), sizeof start);
  for (const std::string_view name : names) key.append(1, '\\').append(name);
  return key;
}

// The value (folded name `fold`) of the key `key`: kErrorFileNotFound when it has none.
long ValueOfKey(sqlite3* db, KeyId key, std::string_view fold, std::string& data) {
  Statement query(db, "SELECT data FROM vals WHERE key = ? AND fold = ?");
  const int rc = query.Bind(key).BindView(fold).Step();
  if (rc == SQLITE_DONE) return kErrorFileNotFound;
  if (rc != SQLITE_ROW) return ErrorFrom(rc);
  data = query.Blob(0);
  return kErrorSuccess;
}

std::uint32_t Count(std::int64_t value) {
  return value < 0 ? 0 : value > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

}  // namespace

long RegistrySession::Open() {
  if (const long error = use_.Begin()) return error;
  db_ = use_.db();
  return kErrorSuccess;
}

std::uint64_t RegistrySession::machine() const { return use_.machine(); }

bool RegistrySession::read_only() const { return use_.read_only(); }

long RegistrySession::RefuseChanges() {
  if (!read_only()) return kErrorSuccess;
  NoteFailure(kErrorWriteProtect, "this account may only read the machine");
  return kErrorWriteProtect;
}

long RegistrySession::AccountKey(std::string_view account, KeyId& id) {
  {
    Transaction transaction(db_, false);
    if (const long error = transaction.status()) return error;
    const long found = Child(db_, kUsersRootId, account, id);
    if (found != kErrorFileNotFound) return found;
  }
  // Nothing can be below an account that has no key; making one is for a writer.
  if (read_only()) return kErrorFileNotFound;
  bool created = false;
  return CreatePath(kUsersRootId, {account}, id, created);
}

long RegistrySession::FindPath(KeyId start, const std::vector<std::string_view>& names, KeyId& id) {
  Transaction transaction(db_, false);
  if (const long error = transaction.status()) return error;
  return Walk(db_, start, names, id);
}

long RegistrySession::CreatePath(KeyId start, const std::vector<std::string_view>& names, KeyId& id,
                                 bool& created) {
  Transaction transaction(db_, true);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db_, start)) return error;
  KeyId current = start;
  bool made = false;
  std::optional<std::size_t> depth;  // of `current`, looked up once a key is to be made
  for (const std::string_view name : names) {
    const long found = Child(db_, current, name, current);
    made = found == kErrorFileNotFound;
    if (!made) {
      if (found != kErrorSuccess) return found;
      continue;
    }
    if (!depth) {
      std::size_t levels = 0;
      if (const long error = Depth(db_, current, levels)) return error;
      depth = levels;
    }
    if (++*depth > kMaxKeyDepth) return kErrorInvalidParameter;
    Statement insert(db_, "INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?)");
    const int rc = insert.Bind(current).Bind(name).Bind(AnsiFoldKey(name)).Step();
    if (rc != SQLITE_DONE) return ErrorFrom(rc);
    current = sqlite3_last_insert_rowid(db_);
  }
  if (const long error = transaction.Commit()) return error;
  id = current;
  created = made;
  return kErrorSuccess;
}

long RegistrySession::DeletePath(KeyId start, const std::vector<std::string_view>& names) {
  Transaction transaction(db_, true);
  if (const long error = transaction.status()) return error;
  KeyId id = 0;
  if (const long error = Walk(db_, start, names, id)) return error;
  if (id == kMachineRootId || id == kUsersRootId) return kErrorAccessDenied;
  Statement children(db_, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  const int rc = children.Bind(id).Step();
  if (rc == SQLITE_ROW) return kErrorAccessDenied;
  if (rc != SQLITE_DONE) return ErrorFrom(rc);
  Statement values(db_, "DELETE FROM vals WHERE key = ?");
  if (const int step = values.Bind(id).Step(); step != SQLITE_DONE) return ErrorFrom(step);
  Statement key(db_, "DELETE FROM keys WHERE id = ?");
  if (const int step = key.Bind(id).Step(); step != SQLITE_DONE) return ErrorFrom(step);
  return transaction.Commit();
}

long RegistrySession::DeleteTree(KeyId start, const std::vector<std::string_view>& names) {
  Transaction transaction(db_, true);
  if (const long error = transaction.status()) return error;
  KeyId id = 0;
  if (const long error = Walk(db_, start, names, id)) return error;
  if (id == kMachineRootId || id == kUsersRootId) return kErrorAccessDenied;
  // The subquery of IN is computed once, before the first row goes: deleting keys cannot cut
  // the walk down to the keys below them.
  Statement values(db_,
                   "DELETE FROM vals WHERE key IN (WITH RECURSIVE tree(id) AS ("
                   "  SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
                   "SELECT id FROM tree)");
  if (const int rc = values.Bind(id).Step(); rc != SQLITE_DONE) return ErrorFrom(rc);
  Statement keys(db_,
                 "DELETE FROM keys WHERE id IN (WITH RECURSIVE tree(id) AS ("
                 "  SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
                 "SELECT id FROM tree)");
  if (const int rc = keys.Bind(id).Step(); rc != SQLITE_DONE) return ErrorFrom(rc);
  return transaction.Commit();
}

long RegistrySession::BeginBatch() {
  if (const long error = RefuseChanges()) return error;
  batch_.emplace(db_, true);
  const long error = batch_->status();
  if (error != kErrorSuccess) batch_.reset();
  return error;
}

long RegistrySession::CommitBatch() {
  if (!batch_) return kErrorInvalidParameter;
  const long error = batch_->Commit();
  batch_.reset();
  return error;
}

long RegistrySession::SubkeyName(KeyId key, std::uint32_t index, std::string& name) {
  return NameAt(db_, "SELECT name FROM keys WHERE parent = ? ORDER BY fold LIMIT 1 OFFSET ?", key, index, name);
}

long RegistrySession::ValueName(KeyId key, std::uint32_t index, std::string& name) {
  return NameAt(db_, "SELECT name FROM vals WHERE key = ? ORDER BY fold LIMIT 1 OFFSET ?", key, index, name);
}

long RegistrySession::Info(KeyId key, KeyInfo& info) {
  Transaction transaction(db_, false);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db_, key)) return error;
  Statement keys(db_, "SELECT count(*), coalesce(max(length(name)), 0) FROM keys WHERE parent = ?");
  if (const int rc = keys.Bind(key).Step(); rc != SQLITE_ROW) return ErrorFrom(rc);
  Statement values(db_,
                   "SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0) "
                   "FROM vals WHERE key = ?");
  if (const int rc = values.Bind(key).Step(); rc != SQLITE_ROW) return ErrorFrom(rc);
  info.subkeys = Count(keys.Int(0));
  info.longest_subkey_name = Count(keys.Int(1));
  info.values = Count(values.Int(0));
  info.longest_value_name = Count(values.Int(1));
  info.longest_value_data = Count(values.Int(2));
  return kErrorSuccess;
}

long RegistrySession::GetValue(KeyId key, std::string_view name, std::string& data) {
  Transaction transaction(db_, false);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db_, key)) return error;
  Statement query(db_, "SELECT data FROM vals WHERE key = ? AND fold = ?");
  const int rc = query.Bind(key).Bind(AnsiFoldKey(name)).Step();
  if (rc == SQLITE_DONE) return kErrorFileNotFound;
  if (rc != SQLITE_ROW) return ErrorFrom(rc);
  data = query.Blob(0);
  return kErrorSuccess;
}

long RegistrySession::GetValueAt(KeyId start, const std::vector<std::string_view>& names, std::string_view name,
                                 std::string& data) {
  PathCache& cache = ThePathCache();
  if (cache.generation != use_.generation()) {
    cache.ids.clear();
    cache.generation = use_.generation();
  }
  const std::string path = PathKey(start, names);
  const std::string fold = AnsiFoldKey(name);
  if (const auto known = cache.ids.find(path);
      known != cache.ids.end() && ValueOfKey(db_, known->second, fold, data) == kErrorSuccess)
    return kErrorSuccess;
  // Inside a batch the keys it made may still be rolled back, and their ids given again.
  const bool committed = sqlite3_get_autocommit(db_) != 0;
  Transaction transaction(db_, false);
  if (const long error = transaction.status()) return error;
  KeyId id = 0;
  if (const long error = Walk(db_, start, names, id)) return error;
  if (committed) {
    if (cache.ids.size() >= kCachedPaths && !cache.ids.contains(path)) cache.ids.clear();
    cache.ids.insert_or_assign(path, id);
  }
  return ValueOfKey(db_, id, fold, data);
}

long RegistrySession::SetValue(KeyId key, std::string_view name, std::string_view data) {
  Transaction transaction(db_, true);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db_, key)) return error;
  Statement upsert(db_,
                   "INSERT INTO vals(key, name, fold, data) VALUES(?, ?, ?, ?) "
                   "ON CONFLICT(key, fold) DO UPDATE SET data = excluded.data");
  const int rc = upsert.Bind(key).Bind(name).Bind(AnsiFoldKey(name)).Bind(data).Step();
  if (rc != SQLITE_DONE) return ErrorFrom(rc);
  return transaction.Commit();
}

long RegistrySession::DeleteValue(KeyId key, std::string_view name) {
  Transaction transaction(db_, true);
  if (const long error = transaction.status()) return error;
  if (const long error = KeyExists(db_, key)) return error;
  Statement remove(db_, "DELETE FROM vals WHERE key = ? AND fold = ?");
  const int rc = remove.Bind(key).Bind(AnsiFoldKey(name)).Step();
  if (rc != SQLITE_DONE) return ErrorFrom(rc);
  if (sqlite3_changes(db_) == 0) return kErrorFileNotFound;
  return transaction.Commit();
}

}  // namespace platform::detail

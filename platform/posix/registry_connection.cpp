// The process's connection to the registry database on POSIX: see registry_connection.h.
//
// The database file itself holds the registry whenever no process has it open: connections
// close at exit and before fork, and the machine's last one copies the write-ahead log into
// the database file and empties it. While processes use it, the log stays short. The log and
// its index stay beside the database (persistent WAL), because an account that may read the
// machine folder but not write it can read a WAL database only where both exist; where they
// are missing and the folder is closed to this account, the database file is read as one
// that nobody changes.
#include "platform/emulation/registry_connection.h"

#include <errno.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/emulation/ansi_case.h"
#include "platform/emulation/machine_folder.h"
#include "platform/result_codes.h"

namespace platform::detail {
namespace {

// Long enough for another process's change, short enough to report a stuck machine.
constexpr int kDefaultBusyTimeoutMs = 10000;
constexpr std::int64_t kSchemaVersion = 1;
// The log is cut back to this size when it starts over; beyond it the space is not kept.
constexpr int kLogSizeLimit = 64 * 1024;
// A log this many pages long is copied into the database file after a change, so that the
// next change can start it over; one four times as long, which readers kept from starting
// over, is emptied, waiting for them up to kReaderWait: they hold a state for a few queries.
constexpr int kLogPagesBeforeCopying = 64;
constexpr int kLogPagesBeforeEmptying = 4 * kLogPagesBeforeCopying;
constexpr std::chrono::microseconds kReaderPoll{50};
constexpr std::chrono::microseconds kReaderWait{200000};

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, fold)) WITHOUT ROWID;";

struct Connection {
  std::mutex mutex;
  sqlite3* db = nullptr;
  bool read_only = false;
  pid_t pid = 0;
  std::string path;
  std::uint64_t machine = 0;
  std::uint64_t generation = 0;  // counts the connections opened
  // Set once the process has begun to exit: each use closes the connection again.
  bool exiting = false;
  int busy_timeout_ms = kDefaultBusyTimeoutMs;
  // The failure of the machine itself (not of a key) that the current operation met, with
  // what the database or the system said; reported when debugging as the session ends.
  long failure = kErrorSuccess;
  std::string failure_detail;
};

Connection& TheConnection() {
  // Never destroyed: static objects of other files may still use the registry while the
  // program ends. The database stays consistent without a close.
  static Connection* const connection = new Connection;
  return *connection;
}

void ForgetStatements(sqlite3* db, bool finalize);

// Closes this process's connection, the caller holding its mutex. When it is the machine's
// last, SQLite copies the log into the database file and, the log being persistent, cuts it
// to nothing instead of removing it.
void CloseConnection(Connection& connection) {
  if (connection.db != nullptr && connection.pid == getpid()) {
    ForgetStatements(connection.db, true);
    sqlite3_close_v2(connection.db);
    connection.db = nullptr;
  }
}

// SQLite keeps per-file lock bookkeeping for the whole process. A child made by fork would
// inherit the parent's and believe it holds the parent's file locks, even through a connection
// of its own, so the parent could one day checkpoint and remove the write-ahead log under the
// child's feet. Closing the connection just before fork leaves the child nothing to inherit;
// both processes reopen on their next use.
void CloseBeforeFork() {
  Connection& connection = TheConnection();
  connection.mutex.lock();
  CloseConnection(connection);
}

void UnlockAfterFork() { TheConnection().mutex.unlock(); }

// The connection object outlives the program's static objects, but only a closed connection
// lets the machine's last one empty the log (and copy what readers held back) at exit: close
// it, and have the few uses that static destructors may still make close it after themselves.
void CloseAtExit() {
  Connection& connection = TheConnection();
  const std::lock_guard lock(connection.mutex);
  connection.exiting = true;
  CloseConnection(connection);
}

long MappedError(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kErrorSuccess;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return kErrorRegistryCorrupt;
    case SQLITE_READONLY:
      return kErrorWriteProtect;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kErrorAccessDenied;
    default:
      return kErrorRegistryIoFailed;
  }
}

}  // namespace

void NoteFailure(long error, std::string detail) {
  Connection& connection = TheConnection();
  connection.failure = error;
  connection.failure_detail = std::move(detail);
}

long ErrorFrom(int rc) {
  const long error = MappedError(rc);
  if (error == kErrorRegistryCorrupt || error == kErrorRegistryIoFailed || error == kErrorWriteProtect)
    NoteFailure(error, sqlite3_errstr(rc));
  return error;
}

namespace {

// With TIDEWELL_DEBUG set, names the machine folder and the failure on standard error, once
// per process for each folder and failure: otherwise a machine that cannot be used looks
// like a machine where nothing is installed.
void ReportFailure(const std::string& folder, long error, const std::string& detail) {
  const char* debug = std::getenv("TIDEWELL_DEBUG");
  if (debug == nullptr || *debug == '\0') return;
  static auto* const reported = new std::set<std::pair<std::string, long>>;
  if (!reported->emplace(folder, error).second) return;
  if (folder.empty())
    std::fprintf(stderr, "tidewell: registry: error %ld (%s)\n", error, detail.c_str());
  else
    std::fprintf(stderr, "tidewell: registry in %s/: error %ld (%s)\n", folder.c_str(), error, detail.c_str());
}

// Prepared statements kept per connection and SQL text (string literals, compared by
// address): preparing costs more than running the small queries of a key lookup. Used only
// under the connection's mutex; forgotten before the connection closes.
struct CachedStatement {
  sqlite3* db;
  const char* sql;
  sqlite3_stmt* stmt;
  bool in_use;
};

std::vector<CachedStatement>& StatementCache() {
  static auto* const cache = new std::vector<CachedStatement>;
  return *cache;
}

// Finalizes the cached statements of `db` (which is about to close), or only drops them when
// the connection is abandoned rather than closed.
void ForgetStatements(sqlite3* db, bool finalize) {
  std::erase_if(StatementCache(), [db, finalize](const CachedStatement& c) {
    if (c.db != db) return false;
    if (finalize) sqlite3_finalize(c.stmt);
    return true;
  });
}

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) {
  auto& cache = StatementCache();
  for (std::size_t i = 0; i < cache.size(); ++i) {
    if (cache[i].db == db && cache[i].sql == sql && !cache[i].in_use) {
      cache[i].in_use = true;
      stmt_ = cache[i].stmt;
      cached_ = static_cast<std::ptrdiff_t>(i);
      return;
    }
  }
  rc_ = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  // A statement already running elsewhere (nested use of the same text) stays uncached.
  const bool known = std::any_of(cache.begin(), cache.end(),
                                 [db, sql](const CachedStatement& c) { return c.db == db && c.sql == sql; });
  if (rc_ == SQLITE_OK && !known) {
    cache.push_back({db, sql, stmt_, true});
    cached_ = static_cast<std::ptrdiff_t>(cache.size() - 1);
  }
}

Statement::~Statement() {
  if (cached_ < 0) {
    sqlite3_finalize(stmt_);
    return;
  }
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  StatementCache()[static_cast<std::size_t>(cached_)].in_use = false;
}

Transaction::Transaction(sqlite3* db, bool write) : db_(db) {
  // Inside a batch the operation joins the batch's transaction, which commits or rolls
  // back as a whole.
  if (sqlite3_get_autocommit(db) == 0) {
    rc_ = SQLITE_OK;
    open_ = false;
    return;
  }
  rc_ = Run(write ? "BEGIN IMMEDIATE" : "BEGIN");
  open_ = rc_ == SQLITE_OK;
}

Transaction::~Transaction() {
  if (open_) (void)Run("ROLLBACK");
}

long Transaction::Commit() {
  if (!open_) return ErrorFrom(rc_);
  const int rc = Run("COMMIT");
  if (rc == SQLITE_OK) open_ = false;
  return ErrorFrom(rc);
}

int Transaction::Run(const char* sql) {
  Statement statement(db_, sql);
  const int rc = statement.Step();
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

namespace {

long Exec(sqlite3* db, const char* sql) { return ErrorFrom(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }

long PragmaText(sqlite3* db, const char* sql, std::string& text) {
  Statement query(db, sql);
  const int rc = query.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrorRegistryIoFailed : ErrorFrom(rc);
  text = query.Text(0);
  return kErrorSuccess;
}

long SchemaVersion(sqlite3* db, std::int64_t& version) {
  Statement query(db, "PRAGMA user_version");
  const int rc = query.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrorRegistryIoFailed : ErrorFrom(rc);
  version = query.Int(0);
  return kErrorSuccess;
}

long InsertRoot(sqlite3* db, KeyId id, std::string_view name) {
  Statement insert(db, "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(?, 0, ?, ?)");
  return ErrorFrom(insert.Bind(id).Bind(name).Bind(AnsiFoldKey(name)).Step());
}

// Called after every commit with the log's length, in place of SQLite's own checkpoint after
// a thousand pages. Copying the log into the database file lets the next change start it over
// unless a reader still uses an older state, and readers that keep coming starved the restart:
// the log grew by megabytes. Past a longer length this also empties the log, waiting briefly
// for those readers; new ones read the database file meanwhile. A failure only leaves the
// log for the next change to try again.
int KeepLogShort(void*, sqlite3* db, const char* schema, int log_pages) {
  if (log_pages < kLogPagesBeforeCopying) return SQLITE_OK;
  if (log_pages < kLogPagesBeforeEmptying) {
    (void)sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return SQLITE_OK;
  }
  // SQLite's own busy wait sleeps a millisecond at least, many times a reader's transaction.
  sqlite3_busy_handler(
      db,
      [](void*, int tries) {
        std::this_thread::sleep_for(kReaderPoll);
        return tries < kReaderWait / kReaderPoll ? 1 : 0;
      },
      nullptr);
  (void)sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_busy_timeout(db, TheConnection().busy_timeout_ms);
  return SQLITE_OK;
}

// Brings a fresh connection into shape: WAL journal with a persistent, size-limited log, busy
// timeout, full sync, and the schema with its two roots when the database is new. A read-only
// connection is taken as it is.
long Prepare(sqlite3* db) {
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, TheConnection().busy_timeout_ms);
  const bool read_only = sqlite3_db_readonly(db, "main") == 1;
  if (!read_only) {
    int persist = 1;
    (void)sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    std::string mode;
    if (const long error = PragmaText(db, "PRAGMA journal_mode", mode)) return error;
    if (mode != "wal") {
      if (const long error = PragmaText(db, "PRAGMA journal_mode=WAL", mode)) return error;
      if (mode != "wal") return kErrorRegistryIoFailed;
    }
    if (const long error = Exec(db, "PRAGMA synchronous=FULL")) return error;
    // Also what lets the last connection cut the persistent log to nothing when it closes.
    const std::string limit = "PRAGMA journal_size_limit=" + std::to_string(kLogSizeLimit);
    if (const long error = Exec(db, limit.c_str())) return error;
    sqlite3_wal_hook(db, KeepLogShort, nullptr);
  }
  std::int64_t version = 0;
  if (const long error = SchemaVersion(db, version)) return error;
  if (version == kSchemaVersion) return kErrorSuccess;
  if (version != 0) return kErrorRegistryCorrupt;  // a layout this code does not know
  if (read_only) return kErrorWriteProtect;        // making the tables is a change

  Transaction transaction(db, true);
  if (const long error = transaction.status()) return error;
  // Another process may have made the schema while this one waited for the write lock.
  if (const long error = SchemaVersion(db, version)) return error;
  if (version == kSchemaVersion) return kErrorSuccess;
  if (const long error = Exec(db, kSchema)) return error;
  if (const long error = InsertRoot(db, kMachineRootId, "HKEY_LOCAL_MACHINE")) return error;
  if (const long error = InsertRoot(db, kUsersRootId, "HKEY_USERS")) return error;
  if (const long error = Exec(db, "PRAGMA user_version=1")) return error;
  return transaction.Commit();
}

// True when the write-ahead log beside `path` holds nothing, or is not there.
bool LogIsEmpty(const std::string& path) {
  struct stat info{};
  if (stat((path + "-wal").c_str(), &info) != 0) return errno == ENOENT;
  return info.st_size == 0;
}

// `path` as an SQLite URI naming the database file as one that does not change.
std::string UnchangingFileUri(const std::string& path) {
  // "file:" followed by "//" would begin a host name.
  std::string uri = path.starts_with('/') ? "file://" : "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      uri += escaped;
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

// The error of a failed sqlite3_open_v2, noted with the system's reason.
long OpenFailure(sqlite3* db, int rc) {
  const long error = ErrorFrom(rc);
  const int cause = db != nullptr ? sqlite3_system_errno(db) : 0;
  if (cause != 0) NoteFailure(error, std::string(sqlite3_errstr(rc)) + ": " + std::strerror(cause));
  return error;
}

// Opens and prepares the database of `folder`; on failure nothing stays open.
long Connect(const std::string& folder, const std::string& path, sqlite3*& out) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  long error = rc == SQLITE_OK ? Prepare(db) : OpenFailure(db, rc);
  // Reading a WAL database needs its log and log index; where they are missing and this
  // account may not make them, the folder is closed to it and the registry is all in the
  // database file. That file is then read without locks or log, as SQLite reads a file on
  // read-only media. It misses changes that another account, one allowed to write the
  // folder, makes later, until this process connects again.
  const int cause = sqlite3_errcode(db) & 0xFF;
  if (rc == SQLITE_OK && error != kErrorSuccess && (cause == SQLITE_READONLY || cause == SQLITE_CANTOPEN) &&
      access(folder.c_str(), W_OK) != 0 && LogIsEmpty(path)) {
    ForgetStatements(db, true);
    sqlite3_close_v2(db);
    db = nullptr;
    rc = sqlite3_open_v2(UnchangingFileUri(path).c_str(), &db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    error = rc == SQLITE_OK ? Prepare(db) : OpenFailure(db, rc);
  }
  if (error != kErrorSuccess) {
    ForgetStatements(db, true);
    sqlite3_close_v2(db);
    return error;
  }
  NoteFailure(kErrorSuccess, {});  // what the first way in met
  out = db;
  return kErrorSuccess;
}

}  // namespace

void SetBusyTimeout(std::chrono::milliseconds wait) {
  Connection& connection = TheConnection();
  const std::lock_guard lock(connection.mutex);
  connection.busy_timeout_ms = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 1 << 30));
  if (connection.db != nullptr && connection.pid == getpid())
    sqlite3_busy_timeout(connection.db, connection.busy_timeout_ms);
}

ConnectionUse::~ConnectionUse() {
  if (!lock_.owns_lock()) return;
  Connection& connection = TheConnection();
  if (connection.failure != kErrorSuccess) {
    ReportFailure(folder_, connection.failure, connection.failure_detail);
    NoteFailure(kErrorSuccess, {});
  }
  if (connection.exiting) CloseConnection(connection);
}

long ConnectionUse::Begin() {
  static const bool fork_handlers = pthread_atfork(CloseBeforeFork, UnlockAfterFork, UnlockAfterFork) == 0;
  static const bool exit_handler = std::atexit(CloseAtExit) == 0;
  (void)fork_handlers;
  (void)exit_handler;
  Connection& connection = TheConnection();
  lock_ = std::unique_lock(connection.mutex);
  if (!MachineFolderName(folder_)) {
    NoteFailure(kErrorRegistryIoFailed, "no machine folder: ORVANE_PREFIX, XDG_DATA_HOME and HOME are not set");
    return kErrorRegistryIoFailed;
  }
  constexpr std::string_view kFile = "/registry.db";
  const pid_t pid = getpid();
  // Compared in place: this runs for every registry call.
  const std::string_view connected = connection.path;
  if (connection.db != nullptr && connection.pid == pid && connected.size() == folder_.size() + kFile.size() &&
      connected.starts_with(folder_) && connected.ends_with(kFile)) {
    db_ = connection.db;
    machine_ = connection.machine;
    generation_ = connection.generation;
    return kErrorSuccess;
  }
  if (connection.db != nullptr) ForgetStatements(connection.db, connection.pid == pid);
  if (connection.db != nullptr && connection.pid == pid) sqlite3_close_v2(connection.db);
  // A connection inherited through a fork that bypassed the handlers above (a raw clone) is
  // abandoned, never closed: closing it here could release or checkpoint files the parent's
  // connection still relies on.
  connection.db = nullptr;

  const std::string path = folder_ + std::string(kFile);
  if (!MakeFolders(folder_)) {
    struct stat info{};
    const bool other = stat(folder_.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    NoteFailure(kErrorRegistryIoFailed, other ? "not a folder" : std::strerror(errno));
    return kErrorRegistryIoFailed;
  }
  sqlite3* db = nullptr;
  if (const long error = Connect(folder_, path, db)) return error;
  connection.db = db;
  connection.read_only = sqlite3_db_readonly(db, "main") == 1;
  connection.pid = pid;
  ++connection.generation;
  if (connection.path != path) {
    connection.path = path;
    ++connection.machine;
  }
  db_ = db;
  machine_ = connection.machine;
  generation_ = connection.generation;
  return kErrorSuccess;
}

bool ConnectionUse::read_only() const { return TheConnection().read_only; }

}  // namespace platform::detail

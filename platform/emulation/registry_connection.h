// The process's SQLite connection to the registry database of the current machine,
// <machine folder>/registry.db, on POSIX: opening it (and making it with its schema), reading
// it where the account may only read the machine, closing it before fork and at exit, keeping
// its write-ahead log short, and the failures of the machine itself; with the prepared
// statements and transactions that the registry's operations run on it.
//
// Schema: table keys (id, parent, name, fold) with one row per key, the two roots having
// parent 0; table vals (key, name, fold, data) with one row per value. `fold` is the name's
// case-folded form (ansi_case.h): unique among siblings and the enumeration order.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace platform::detail {

using KeyId = std::int64_t;
inline constexpr KeyId kMachineRootId = 1;  // HKEY_LOCAL_MACHINE
inline constexpr KeyId kUsersRootId = 2;    // HKEY_USERS

// Exclusive use of the process's connection by one operation, from a successful Begin until
// destruction. When it ends, a failure of the machine that the operation met is reported if
// TIDEWELL_DEBUG is set; after the process has begun to exit, the connection is closed again.
class ConnectionUse {
 public:
  ConnectionUse() = default;
  ~ConnectionUse();
  ConnectionUse(const ConnectionUse&) = delete;
  ConnectionUse& operator=(const ConnectionUse&) = delete;

  // Locks the process's connection and connects it to the database of the current machine,
  // opening (and on first use creating) it when the machine or the process changed. Fails
  // with kErrorRegistryIoFailed when no folder can be named or made or the database cannot
  // be opened, kErrorRegistryCorrupt when it is damaged or not a registry.
  [[nodiscard]] long Begin();

  // Valid after a successful Begin, for this use only.
  [[nodiscard]] sqlite3* db() const { return db_; }
  // Changes whenever the process connects to another machine.
  [[nodiscard]] std::uint64_t machine() const { return machine_; }
  // Changes whenever the process opens its connection again (another machine, after fork, at
  // exit): key ids known from an earlier connection may name other keys by now.
  [[nodiscard]] std::uint64_t generation() const { return generation_; }
  // True when this process may only read the machine's database (a read-only folder or file).
  [[nodiscard]] bool read_only() const;

 private:
  std::unique_lock<std::mutex> lock_;
  std::string folder_;  // the machine folder, once named
  sqlite3* db_ = nullptr;
  std::uint64_t machine_ = 0;
  std::uint64_t generation_ = 0;
};

// How long an operation waits for a lock that another process holds before it fails with
// kErrorRegistryIoFailed (10 seconds unless changed); for the whole process, from now on.
void SetBusyTimeout(std::chrono::milliseconds wait);

// The platform's code for an SQLite result. A failure of the machine itself (damaged, cannot
// be read or written, read-only, locked) is noted for the report at the end of the use.
[[nodiscard]] long ErrorFrom(int rc);
// Notes a failure of the machine with what the database or the system said about it;
// kErrorSuccess forgets the one noted. Only during a use.
void NoteFailure(long error, std::string detail);

// One prepared statement with its parameters bound in order; reset or finalized when
// destroyed. A failure to prepare or bind is reported by the next Step. Only during a use.
class Statement {
 public:
  // `sql` is a string literal: statements are kept per connection and text address.
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(std::int64_t value) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, ++index_, value);
    return *this;
  }
  Statement& Bind(std::string_view blob) {
    // A null pointer would bind SQL NULL; the empty name is an empty blob.
    const char* data = blob.empty() ? "" : blob.data();
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_blob64(stmt_, ++index_, data, blob.size(), SQLITE_TRANSIENT);
    return *this;
  }
  // The same without a copy: the bytes must stay until the statement is destroyed.
  Statement& BindView(std::string_view blob) {
    const char* data = blob.empty() ? "" : blob.data();
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_blob64(stmt_, ++index_, data, blob.size(), SQLITE_STATIC);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  [[nodiscard]] int Step() { return rc_ == SQLITE_OK ? sqlite3_step(stmt_) : rc_; }
  [[nodiscard]] std::int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  [[nodiscard]] std::string Blob(int column) {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data != nullptr ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                           : std::string();
  }
  [[nodiscard]] std::string Text(int column) {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
  int index_ = 0;
  std::ptrdiff_t cached_ = -1;
};

// A transaction, rolled back when destroyed before Commit. Writers take the database's write
// lock at the start (waiting up to the busy timeout), so a change never fails half-way
// because another process wrote meanwhile. Begun while another is open (a batch of changes,
// RegistrySession::BeginBatch), it is part of that one: its Commit does nothing, and the
// outer transaction decides for both.
class Transaction {
 public:
  Transaction(sqlite3* db, bool write);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  [[nodiscard]] long status() const { return ErrorFrom(rc_); }
  [[nodiscard]] long Commit();

 private:
  int Run(const char* sql);

  sqlite3* db_;
  int rc_;
  bool open_;
};

}  // namespace platform::detail

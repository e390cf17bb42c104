// A chain of keys deeper than the registry lets anyone create now, written straight into a
// machine's database (POSIX backend), as a registry made before keys had a depth limit may
// hold it.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "platform/emulation/ansi_case.h"

namespace testsupport {

// Adds `levels` keys named "k", each below the one before, under the key named `top` (a
// name used by no other key), and the value "v" = "bottom" to the last one. True on success.
inline bool AddKeyChain(const std::string& database, const std::string& top, int levels) {
  constexpr const char* kChain =
      "WITH RECURSIVE"
      "  top(id) AS (SELECT id FROM keys WHERE name = CAST(?1 AS BLOB)),"
      "  base(id) AS (SELECT max(id) FROM keys),"
      "  chain(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM chain WHERE n < ?2) "
      "INSERT INTO keys(id, parent, name, fold) "
      "SELECT base.id + n, CASE n WHEN 1 THEN top.id ELSE base.id + n - 1 END, CAST('k' AS BLOB), ?3 "
      "FROM chain, base, top";
  constexpr const char* kValue =
      "INSERT INTO vals(key, name, fold, data) SELECT max(id), CAST('v' AS BLOB), ?3, CAST('bottom' AS BLOB) "
      "FROM keys WHERE ?1 IS NOT NULL AND ?2 IS NOT NULL";
  const std::string key_fold = platform::detail::AnsiFoldKey("k"), value_fold = platform::detail::AnsiFoldKey("v");
  sqlite3* db = nullptr;
  bool done = sqlite3_open(database.c_str(), &db) == SQLITE_OK && sqlite3_busy_timeout(db, 10000) == SQLITE_OK &&
              sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  for (const auto& [sql, fold] : {std::pair{kChain, &key_fold}, std::pair{kValue, &value_fold}}) {
    sqlite3_stmt* statement = nullptr;
    done = done && sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
           sqlite3_bind_text(statement, 1, top.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
           sqlite3_bind_int(statement, 2, levels) == SQLITE_OK &&
           sqlite3_bind_blob(statement, 3, fold->data(), static_cast<int>(fold->size()), SQLITE_TRANSIENT) ==
               SQLITE_OK &&
           sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
  }
  done = done && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return done;
}

}  // namespace testsupport

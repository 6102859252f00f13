// SPDX-License-Identifier: Apache-2.0
#include "results_database.h"

#include <sqlite3.h>

#include "file_names.h"

namespace tarvos {

ResultsDatabase::ResultsDatabase(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        naaccr::os::kDatabaseFileSystem) != SQLITE_OK) {
        error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    // The results are read in one pass or through SQLite's sorter, which
    // spills to a temporary file past this much: memory stays flat, with
    // three such readings side by side.
    sqlite3_exec(db_, "PRAGMA cache_size = -256;", nullptr, nullptr, nullptr);
}

ResultsDatabase::~ResultsDatabase() { sqlite3_close(db_); }

bool ResultsDatabase::each(const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
    if (!db_) return false;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
    if (rc != SQLITE_DONE) error_ = sqlite3_errmsg(db_);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

std::string_view column_view(sqlite3_stmt* stmt, int column) {
    const unsigned char* t = sqlite3_column_text(stmt, column);
    return t ? std::string_view(reinterpret_cast<const char*>(t),
                                static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
             : std::string_view();
}

std::string column_text(sqlite3_stmt* stmt, int column) { return std::string(column_view(stmt, column)); }

std::uint64_t column_count(sqlite3_stmt* stmt, int column) {
    const sqlite3_int64 n = sqlite3_column_int64(stmt, column);
    return n < 0 ? 0 : static_cast<std::uint64_t>(n);
}

}  // namespace tarvos

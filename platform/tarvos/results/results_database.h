// SPDX-License-Identifier: Apache-2.0
// A run's results database, opened read-only after the conversion library
// closed it: statements run row by row, their failure kept as a text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tarvos {

class ResultsDatabase {
public:
    explicit ResultsDatabase(const std::string& path);
    ~ResultsDatabase();
    ResultsDatabase(const ResultsDatabase&) = delete;
    ResultsDatabase& operator=(const ResultsDatabase&) = delete;

    bool is_open() const { return db_ != nullptr; }
    // Runs sql and calls row for every row; false (with the error kept) when
    // it fails.
    bool each(const char* sql, const std::function<void(sqlite3_stmt*)>& row);
    const std::string& error() const { return error_; }

private:
    sqlite3* db_ = nullptr;
    std::string error_;
};

// A column of the current row as text (empty for NULL), and as a count (0 for
// anything below 0).
std::string column_text(sqlite3_stmt* stmt, int column);
// The same without a copy: valid until the statement steps on.
std::string_view column_view(sqlite3_stmt* stmt, int column);
std::uint64_t column_count(sqlite3_stmt* stmt, int column);

}  // namespace tarvos

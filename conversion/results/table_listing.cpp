// SPDX-License-Identifier: Apache-2.0
#include "table_listing.h"

#include <sqlite3.h>

namespace vexlin {
namespace {

constexpr std::size_t kListingPiece = std::size_t{1} << 16;

void append_line(std::string& out, sqlite3_stmt* stmt, int columns, bool names) {
    for (int c = 0; c < columns; ++c) {
        if (c > 0) out += ", ";
        if (names) {
            if (const char* name = sqlite3_column_name(stmt, c)) out += name;
            continue;
        }
        // The text's length as SQLite holds it: no count of its characters.
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        if (text) out.append(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
    }
    out += '\n';
}

ListingSink into(std::string& out) {
    return [&out](std::string_view piece) {
        out += piece;
        return true;
    };
}

}  // namespace

bool list_table(sqlite3* db, std::string_view table, int& last_result, const ListingSink& sink) {
    if (!db) {
        last_result = SQLITE_MISUSE;
        return true;
    }
    const std::string sql = "SELECT * FROM " + std::string(table) + ";";
    sqlite3_stmt* stmt = nullptr;
    last_result = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (last_result != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return true;
    }
    const int columns = sqlite3_column_count(stmt);
    std::string piece;
    append_line(piece, stmt, columns, true);
    int rc = SQLITE_ROW;
    bool going = true;
    while (going && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        append_line(piece, stmt, columns, false);
        if (piece.size() >= kListingPiece) going = sink(piece), piece.clear();
    }
    if (going && !piece.empty()) going = sink(piece);
    last_result = !going || rc == SQLITE_DONE ? SQLITE_OK : rc;
    sqlite3_finalize(stmt);
    return going;
}

bool list_table_section(sqlite3* db, std::string_view table, int counter, int& last_result, const ListingSink& sink) {
    if (counter <= 0) return sink("No " + std::string(table) + ".\n");
    return list_table(db, table, last_result, sink);
}

std::string table_listing(sqlite3* db, std::string_view table, int& last_result) {
    std::string out;
    list_table(db, table, last_result, into(out));
    return out;
}

std::string table_section(sqlite3* db, std::string_view table, int counter, int& last_result) {
    std::string out;
    list_table_section(db, table, counter, last_result, into(out));
    return out;
}

}  // namespace vexlin

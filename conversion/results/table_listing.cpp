#include "table_listing.h"

#include <sqlite3.h>

namespace vexlin {
namespace {

void append_line(std::string& out, sqlite3_stmt* stmt, int columns, bool names) {
    for (int c = 0; c < columns; ++c) {
        if (c > 0) out += ", ";
        const char* text = names ? sqlite3_column_name(stmt, c)
                                 : reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        if (text) out += text;
    }
    out += '\n';
}

}  // namespace

std::string table_listing(sqlite3* db, std::string_view table, int& last_result) {
    std::string out;
    if (!db) {
        last_result = SQLITE_MISUSE;
        return out;
    }
    const std::string sql = "SELECT * FROM " + std::string(table) + ";";
    sqlite3_stmt* stmt = nullptr;
    last_result = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (last_result != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return out;
    }
    const int columns = sqlite3_column_count(stmt);
    append_line(out, stmt, columns, true);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) append_line(out, stmt, columns, false);
    last_result = rc == SQLITE_DONE ? SQLITE_OK : rc;
    sqlite3_finalize(stmt);
    return out;
}

std::string table_section(sqlite3* db, std::string_view table, int counter, int& last_result) {
    if (counter <= 0) return "No " + std::string(table) + ".\n";
    return table_listing(db, table, last_result);
}

}  // namespace vexlin

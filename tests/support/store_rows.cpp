// SPDX-License-Identifier: Apache-2.0
#include "store_rows.h"

#include <sqlite3.h>

namespace vexlin::test {

std::vector<Row> table_rows(const ResultsStore& store, const std::string& table) {
    std::vector<Row> rows;
    sqlite3* db = store.connection();
    if (!db) return rows;
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT * FROM " + table + ";";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        Row row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const auto* text = sqlite3_column_text(stmt, c);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
}

}  // namespace vexlin::test

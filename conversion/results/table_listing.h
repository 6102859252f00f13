// The plain listing of one results table, shared by the whole listing that a
// driving program asks for and by the report files.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace vexlin {

// The column names joined by ", " on the first line, then one line per row
// with its values as SQLite's texts, unquoted, joined the same way; every line
// ends with "\n". Empty when the table cannot be read. The SQLite result code
// goes to last_result.
std::string table_listing(sqlite3* db, std::string_view table, int& last_result);

// What a reader gets for one table: "No <table>.\n" when its counter is 0 or
// less, else its listing. The counter decides, not the rows SQLite holds.
std::string table_section(sqlite3* db, std::string_view table, int counter, int& last_result);

}  // namespace vexlin

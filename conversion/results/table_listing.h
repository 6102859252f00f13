// SPDX-License-Identifier: Apache-2.0
// The plain listing of one results table, shared by the whole listing that a
// driving program asks for and by the report files.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct sqlite3;

namespace vexlin {

// Takes the listing piece by piece, in order; returning false stops it.
using ListingSink = std::function<bool(std::string_view)>;

// The column names joined by ", " on the first line, then one line per row
// with its values as SQLite's texts, unquoted, joined the same way; every line
// ends with "\n". Handed to sink in pieces of about 64 KB, so that a table of
// any size is listed in little memory; nothing when the table cannot be read.
// The SQLite result code goes to last_result. False when sink stopped it.
bool list_table(sqlite3* db, std::string_view table, int& last_result, const ListingSink& sink);

// What a reader gets for one table: "No <table>.\n" when its counter is 0 or
// less, else its listing. The counter decides, not the rows SQLite holds.
bool list_table_section(sqlite3* db, std::string_view table, int counter, int& last_result, const ListingSink& sink);

// The same, whole, as one text.
std::string table_listing(sqlite3* db, std::string_view table, int& last_result);
std::string table_section(sqlite3* db, std::string_view table, int counter, int& last_result);

}  // namespace vexlin

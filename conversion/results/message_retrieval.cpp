// SPDX-License-Identifier: Apache-2.0
// Reading results back: one table row by row, and the listing of all three.
#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "results_store.h"
#include "row_text.h"
#include "table_listing.h"

namespace vexlin {
namespace {

// The most characters of one row text, whatever buffer the caller has.
constexpr int kMostRowCharacters = 1999;

const char* select_of(int table) {
    switch (table) {
        case static_cast<int>(MessageTable::Conversions): return "SELECT * FROM conversions;";
        case static_cast<int>(MessageTable::Reviewables): return "SELECT * FROM reviewables;";
        case static_cast<int>(MessageTable::Messages): return "SELECT * FROM messages;";
        default: return nullptr;
    }
}

std::vector<std::string> row_values(sqlite3_stmt* stmt) {
    const int columns = sqlite3_column_count(stmt);
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        if (c == 0) {
            values.push_back(std::to_string(sqlite3_column_int(stmt, 0)));
            continue;
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        values.emplace_back(text ? text : "");
    }
    return values;
}

}  // namespace

int ResultsStore::ready_messages(int table, int format, int separator, int buffer_length) {
    message_table_ = table;
    // Any earlier query is released, also for an unknown table, so that no
    // later row is read under a table it does not belong to.
    if (message_query_) sqlite3_finalize(message_query_);
    message_query_ = nullptr;
    int count = 0;
    if (const char* sql = select_of(table)) {
        last_result_ = db_ ? sqlite3_prepare_v2(db_, sql, -1, &message_query_, nullptr) : SQLITE_MISUSE;
        if (last_result_ != SQLITE_OK && message_query_) {
            sqlite3_finalize(message_query_);
            message_query_ = nullptr;
        }
        count = table == static_cast<int>(MessageTable::Conversions)   ? conversions_
                : table == static_cast<int>(MessageTable::Reviewables) ? reviewables_
                                                                        : messages_;
    }
    message_format_ = format;
    separator_ = separator;
    length_limit_ = buffer_length > 2000 ? kMostRowCharacters : buffer_length - 1;
    return count;
}

void ResultsStore::next_message(char* buffer) {
    if (!message_query_) return;
    if (sqlite3_step(message_query_) != SQLITE_ROW) {
        // Used up (or failed): released, so that a further call cannot start
        // the query over and deliver the first row again.
        sqlite3_finalize(message_query_);
        message_query_ = nullptr;
        return;
    }
    // A buffer length below 1 leaves no room even for the terminator.
    if (!buffer || length_limit_ < 0) return;
    const std::vector<std::string> values = row_values(message_query_);
    std::string text = row_text(static_cast<MessageTable>(message_table_), static_cast<MessageFormat>(message_format_),
                                values, static_cast<char>(separator_));
    if (text.size() > static_cast<std::size_t>(length_limit_)) text.resize(static_cast<std::size_t>(length_limit_));
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

int ResultsStore::dump(char* buffer, int length) {
    std::string text = "MESSAGES\n--------\n";
    text += table_section(db_, "messages", messages_, last_result_);
    text += "\nREVIEWABLES\n-----------\n";
    text += table_section(db_, "reviewables", reviewables_, last_result_);
    text += "\nCONVERSIONS\n-----------\n";
    text += table_section(db_, "conversions", conversions_, last_result_);

    if (buffer && length > 0) {
        // The caller's whole buffer is written: the text cut to length - 1
        // characters, the rest terminators.
        const std::size_t room = static_cast<std::size_t>(length - 1);
        const std::size_t copied = std::min(room, text.size());
        std::memcpy(buffer, text.data(), copied);
        std::memset(buffer + copied, 0, room - copied + 1);
    }
    return static_cast<int>(text.size());
}

}  // namespace vexlin

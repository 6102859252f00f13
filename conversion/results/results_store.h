// SPDX-License-Identifier: Apache-2.0
// The results of one conversion: every conversion a rule performed, every
// record a registrar should review and every message about a record, kept in
// three tables of an SQLite database owned by the store.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "beside_files.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vexlin {

enum class MessageTable : int { Conversions = 1, Reviewables = 2, Messages = 3 };
// The table of the row that tells a listener that every row is stored and
// committed: it has no table, record number or texts.
inline constexpr MessageTable kRowsComplete = static_cast<MessageTable>(0);
enum class MessageFormat : int { Sentence = 1, Delimited = 2, Labelled = 3 };

// A row the store has stored: its table, its record number, and its text
// columns in the table's order after the record number.
struct StoredRow {
    MessageTable table;
    std::int32_t record_number;
    std::span<const std::string_view> texts;
};
// Told of every row once it is stored, inside the logging call.
using RowListener = std::function<void(const StoredRow&)>;

// The first write of a conversion's results that failed: what was being
// written and the system's reason. code is 0 while every write succeeded.
struct WriteFailure {
    int code = 0;        // the SQLite result code, or kReportWriteFailed
    std::string reason;  // "cannot store ... in the results database \"in.db\": database or disk is full"
    explicit operator bool() const { return code != 0; }
};
// The code of a report file that could not be created or written.
inline constexpr int kReportWriteFailed = -1;

// The identifying values that start every conversions and reviewables row.
struct RowIdentity {
    std::int32_t record_number = 0;
    std::string_view patient_id;
    std::string_view seq_num_central;
    std::string_view reporting_facility;
    std::string_view acc_num_hospital;
    std::string_view seq_num_hospital;
};

// Histology, grade and primary site on one side (v14 or v15) of a row.
struct CodedValues {
    std::string_view histology;
    char grade = ' ';
    std::string_view site;
};

class ResultsStore {
public:
    // A file conversion: the database lives beside the input file, named from
    // the input path less its extension, with ".db".
    static ResultsStore for_file(std::string_view input_path);
    // A record conversion: the database lives in memory; no reports.
    static ResultsStore in_memory();

    ResultsStore(ResultsStore&& other) noexcept;
    ResultsStore& operator=(ResultsStore&& other) noexcept;
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;
    // Commits what was logged, releases the message query and closes the database.
    ~ResultsStore();

    // True when the database opened and all three tables were created.
    bool is_open() const { return open_; }
    // Empties the three tables and zeroes the counters; the result code of the
    // last DELETE.
    int clear();

    // Logging: one row each; always 0. Counters count calls, not stored rows.
    int log_conversion(const RowIdentity& id, std::string_view conversion_type, const CodedValues& v14,
                       std::string_view v14_country, const CodedValues& v15, std::string_view v15_country);
    int log_reviewable(const RowIdentity& id, const CodedValues& v14, const CodedValues& v15);
    int log_message(std::int32_t record_number, std::string_view patient_id, std::string_view text);
    // A record's messages, in order: as log_message for each, stored eight,
    // four or two rows to a statement, which costs SQLite about half as much
    // a row as a statement each.
    int log_messages(std::int32_t record_number, std::string_view patient_id, std::span<const std::string> texts);
    // Who is told of each row stored from now on; none when empty.
    void set_row_listener(RowListener listener) { listener_ = std::move(listener); }

    // Reading back.
    int ready_messages(int table, int format, int separator, int buffer_length);
    void next_message(char* buffer);
    int counters(int& conversions, int& reviewables, int& messages) const;
    // Writes at most length - 1 characters and a terminator; the full length.
    int dump(char* buffer, int length);
    // Commits the rows still waiting and, when every row of the conversion
    // is stored, tells the listener with a row of kRowsComplete: from then
    // on the database reads whole from another connection, while the
    // reports are written.
    void finish_rows();
    // Writes the three report files beside the input (file conversions only).
    int write_reports();

    // The first write of the results that failed (a row not stored, a
    // commit, a report file): the library keeps logging and counting, as its
    // callers expect, but the results are then incomplete.
    const WriteFailure& write_failure() const { return failure_; }
    // Commits what was logged and closes the database, noting a failure of
    // either; the store holds no connection afterwards.
    void close();

    int conversions_count() const { return conversions_; }
    int reviewables_count() const { return reviewables_; }
    int messages_count() const { return messages_; }
    int last_result() const { return last_result_; }
    const std::string& database_name() const { return database_name_; }
    const std::string& base_path() const { return base_path_; }
    const std::string& input_path() const { return input_path_; }
    // The connection, for reading rows back in tests and tools; null when closed.
    sqlite3* connection() const { return db_; }

private:
    ResultsStore() = default;
    void open(const std::string& name);
    void release();
    void begin_batch();
    void insert_messages(sqlite3_stmt* stmt, std::int32_t record_number, std::string_view patient_id,
                         std::span<const std::string_view> texts);
    void commit_batch();
    void note_logged_row();
    int exec(const char* sql);
    // Keeps the first failure: what was being done, and SQLite's and the
    // system's reason.
    void note_database_failure(int code, std::string_view what);
    void note_failure(int code, std::string reason);
    void note_insert(int rc, std::string_view table);
    void tell_listener(MessageTable table, std::int32_t record_number, std::span<const std::string_view> texts);

    std::string database_name_;
    RowListener listener_;
    bool open_ = false;
    sqlite3* db_ = nullptr;
    int reviewables_ = 0;
    int conversions_ = 0;
    int messages_ = 0;
    int last_result_ = 0;
    std::string base_path_;
    std::string input_path_;
    bool file_conversion_ = false;  // only a file conversion writes reports
    int rows_in_batch_ = 0;         // rows logged since the last commit
    sqlite3_stmt* insert_conversion_ = nullptr;
    sqlite3_stmt* insert_reviewable_ = nullptr;
    sqlite3_stmt* insert_message_ = nullptr;
    // Of 2, 4 and 8 messages rows.
    std::array<sqlite3_stmt*, 3> insert_messages_ = {};
    // Reading back one table row by row.
    sqlite3_stmt* message_query_ = nullptr;
    int message_table_ = 0;
    int message_format_ = 0;
    int separator_ = ',';
    int length_limit_ = 0;
    WriteFailure failure_;
};


}  // namespace vexlin

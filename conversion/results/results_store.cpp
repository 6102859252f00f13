// SPDX-License-Identifier: Apache-2.0
#include "results_store.h"
#include "store_files.h"

#include <sqlite3.h>

#include "file_names.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace vexlin {
namespace {

constexpr const char* kCreateConversions =
    "CREATE TABLE IF NOT EXISTS conversions( recordNum INT, patientID TEXT, seqNumCentral TEXT,"
    "reportingFac TEXT, accNumHospital TEXT, seqNumHospital TEXT, conversionType TEXT, v14Hist TEXT, "
    "v14Grade TEXT, v14Site TEXT, v14CountryCode TEXT, v15Hist TEXT, v15Grade TEXT, v15Site TEXT, "
    "v15CountryCode TEXT);";
constexpr const char* kCreateReviewables =
    "CREATE TABLE IF NOT EXISTS reviewables( recordNum INT, patientID TEXT, seqNumCentral TEXT,"
    "reportingFac TEXT, accNumHospital TEXT, seqNumHospital TEXT, v14Hist TEXT, v14Grade TEXT, "
    "v14Site TEXT, v15Hist TEXT, v15Grade TEXT, v15Site TEXT);";
constexpr const char* kCreateMessages = "CREATE TABLE IF NOT EXISTS messages( sequence INT, id TEXT, msg TEXT );";

constexpr const char* kInsertConversion =
    "INSERT INTO conversions VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15);";
constexpr const char* kInsertReviewable = "INSERT INTO reviewables VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12);";
constexpr const char* kInsertMessage = "INSERT INTO messages VALUES(?1,?2,?3);";

// The statement that stores rows messages rows at once.
std::string insert_messages_sql(int rows) {
    std::string sql = "INSERT INTO messages VALUES(?,?,?)";
    for (int i = 1; i < rows; ++i) sql += ",(?,?,?)";
    return sql + ";";
}
constexpr int kMessagesAtOnce[] = {2, 4, 8};
constexpr auto kMostMessagesAtOnce = static_cast<std::size_t>(kMessagesAtOnce[std::size(kMessagesAtOnce) - 1]);

// Rows of a file conversion are committed in batches: one disk sync per row
// would make logging the slowest part of converting a file.
constexpr int kRowsPerBatch = 20000;

// Removes a database file left by an earlier conversion; a folder of that name
// is left alone.
void remove_earlier_database(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path path = naaccr::os::path_of(name);
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return;
    std::filesystem::remove(path, ec);
}

// Each byte value at its own place: a one-character text that outlives any statement.
constexpr std::array<char, 256> kEveryByte = [] {
    std::array<char, 256> bytes{};
    for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
    return bytes;
}();

// A grade as it is stored: one character; a NUL grade as an empty text.
std::string_view grade_text(char value) {
    const auto c = static_cast<unsigned char>(value);
    return c ? std::string_view(&kEveryByte[c], 1) : std::string_view();
}

class Binder {
public:
    explicit Binder(sqlite3_stmt* stmt) : stmt_(stmt) {}
    Binder& integer(int value) {
        sqlite3_bind_int(stmt_, ++index_, value);
        return *this;
    }
    // SQLite reads the text where it lies, without a copy: a binder is
    // stepped in the expression that binds it, while every text bound is
    // still there, and step() lets go of them all.
    Binder& text(std::string_view value) {
        sqlite3_bind_text(stmt_, ++index_, value.data() ? value.data() : "", static_cast<int>(value.size()),
                          SQLITE_STATIC);
        return *this;
    }
    Binder& grade(char value) { return text(grade_text(value)); }
    // The record's number and the five items that identify its tumour, in
    // the order every table lists them.
    Binder& identity(const RowIdentity& id) {
        return integer(id.record_number)
            .text(id.patient_id)
            .text(id.seq_num_central)
            .text(id.reporting_facility)
            .text(id.acc_num_hospital)
            .text(id.seq_num_hospital);
    }
    // Histology, grade and site, in the order the tables list them.
    Binder& coded(const CodedValues& v) { return text(v.histology).grade(v.grade).text(v.site); }
    // Runs the statement and lets go of the texts; SQLITE_OK when the row went in.
    int step() {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    }

private:
    sqlite3_stmt* stmt_;
    int index_ = 0;
};

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return std::filesystem::equivalent(naaccr::os::path_of(a), naaccr::os::path_of(b), ec) && !ec;
}

ResultsStore ResultsStore::for_file(std::string_view input_path) {
    ResultsStore store;
    store.file_conversion_ = true;
    store.input_path_ = std::string(input_path);
    store.base_path_ = base_path_of(input_path);
    store.database_name_ = store.base_path_ + ".db";
    if (input_path.empty() || same_file(store.database_name_, store.input_path_)) {
        // The input itself carries the database's name: never delete or
        // overwrite it. The conversion goes on without a database.
        store.last_result_ = SQLITE_CANTOPEN;
        store.note_failure(SQLITE_CANTOPEN, "the results database \"" + store.database_name_ +
                                                "\" would replace the input file");
        store.clear();
        return store;
    }
    remove_earlier_database(store.database_name_);  // an earlier conversion's rows never reappear
    store.open(store.database_name_);
    return store;
}

ResultsStore ResultsStore::in_memory() {
    ResultsStore store;
    store.open(":memory:");
    return store;
}

void ResultsStore::open(const std::string& name) {
    // The library is single-threaded (calls must not overlap), so the
    // connection needs none of SQLite's own locking around every call.
    last_result_ = sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   naaccr::os::kDatabaseFileSystem);
    if (last_result_ == SQLITE_OK) {
        // No commit waits for the disk: the results are whole only at the
        // close, and the caller that keeps them flushes the database with
        // the reports, as the runner does before it puts a run's files in
        // place.
        sqlite3_exec(db_, "PRAGMA synchronous = OFF;", nullptr, nullptr, nullptr);
        // Rows are only added at the end of each table: a small cache serves,
        // and leaves the memory to the caller's conversion.
        sqlite3_exec(db_, "PRAGMA cache_size = -512;", nullptr, nullptr, nullptr);
        // The tables are made, and emptied by clear() below, in one
        // transaction: one commit, not six.
        begin_batch();
        bool created = true;
        for (const char* sql : {kCreateConversions, kCreateReviewables, kCreateMessages})
            created = exec(sql) == SQLITE_OK && created;
        if (created) {
            created = sqlite3_prepare_v2(db_, kInsertConversion, -1, &insert_conversion_, nullptr) == SQLITE_OK &&
                      sqlite3_prepare_v2(db_, kInsertReviewable, -1, &insert_reviewable_, nullptr) == SQLITE_OK &&
                      sqlite3_prepare_v2(db_, kInsertMessage, -1, &insert_message_, nullptr) == SQLITE_OK;
            for (std::size_t i = 0; created && i < insert_messages_.size(); ++i)
                created = sqlite3_prepare_v2(db_, insert_messages_sql(kMessagesAtOnce[i]).c_str(), -1,
                                             &insert_messages_[i], nullptr) == SQLITE_OK;
        }
        if (!created) note_database_failure(sqlite3_errcode(db_), "cannot create the tables of");
        open_ = created;
    } else {
        note_database_failure(last_result_, "cannot create");
        // A connection that failed to open is of no further use.
        sqlite3_close(db_);
        db_ = nullptr;
        open_ = false;
    }
    clear();
    commit_batch();
    conversions_ = reviewables_ = messages_ = 0;
}

ResultsStore::ResultsStore(ResultsStore&& other) noexcept { *this = std::move(other); }

ResultsStore& ResultsStore::operator=(ResultsStore&& other) noexcept {
    if (this == &other) return *this;
    release();
    database_name_ = std::move(other.database_name_);
    listener_ = std::move(other.listener_);
    open_ = std::exchange(other.open_, false);
    db_ = std::exchange(other.db_, nullptr);
    reviewables_ = other.reviewables_;
    conversions_ = other.conversions_;
    messages_ = other.messages_;
    last_result_ = other.last_result_;
    base_path_ = std::move(other.base_path_);
    input_path_ = std::move(other.input_path_);
    file_conversion_ = std::exchange(other.file_conversion_, false);
    rows_in_batch_ = std::exchange(other.rows_in_batch_, 0);
    insert_conversion_ = std::exchange(other.insert_conversion_, nullptr);
    insert_reviewable_ = std::exchange(other.insert_reviewable_, nullptr);
    insert_message_ = std::exchange(other.insert_message_, nullptr);
    insert_messages_ = std::exchange(other.insert_messages_, {});
    message_query_ = std::exchange(other.message_query_, nullptr);
    message_table_ = other.message_table_;
    message_format_ = other.message_format_;
    separator_ = other.separator_;
    length_limit_ = other.length_limit_;
    failure_ = std::move(other.failure_);
    return *this;
}

ResultsStore::~ResultsStore() { release(); }

void ResultsStore::close() { release(); }

void ResultsStore::release() {
    if (!db_) return;
    if (message_query_) sqlite3_finalize(message_query_);
    for (sqlite3_stmt* stmt : {insert_conversion_, insert_reviewable_, insert_message_})
        if (stmt) sqlite3_finalize(stmt);
    for (sqlite3_stmt* stmt : insert_messages_)
        if (stmt) sqlite3_finalize(stmt);
    message_query_ = insert_conversion_ = insert_reviewable_ = insert_message_ = nullptr;
    insert_messages_ = {};
    commit_batch();
    if (const int rc = sqlite3_close(db_); rc != SQLITE_OK) {
        note_database_failure(rc, "cannot close");
        sqlite3_close_v2(db_);  // released once nothing uses it
    }
    db_ = nullptr;
    open_ = false;
}

int ResultsStore::exec(const char* sql) {
    last_result_ = db_ ? sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
    if (db_ && last_result_ != SQLITE_OK) note_database_failure(last_result_, "cannot write to");
    return last_result_;
}

void ResultsStore::note_failure(int code, std::string reason) {
    if (failure_ || code == 0) return;
    failure_.code = code;
    failure_.reason = std::move(reason);
}

void ResultsStore::note_database_failure(int code, std::string_view what) {
    if (failure_) return;
    std::string reason = std::string(what) + " the results database \"" + database_name_ + "\"";
    if (db_) {
        reason += ": ";
        reason += sqlite3_errmsg(db_);
        // The system's own words, when a call of the system failed.
        if (const int system_error = sqlite3_system_errno(db_); system_error != 0)
            reason += std::string(" (") + std::strerror(system_error) + ")";
    } else {
        reason += std::string(": ") + sqlite3_errstr(code);
    }
    note_failure(code, std::move(reason));
}

// The connection itself says whether a transaction is open: a COMMIT that
// failed leaves it open, and SQLite may roll one back after an error.
void ResultsStore::begin_batch() {
    if (!db_ || !sqlite3_get_autocommit(db_)) return;
    if (const int rc = sqlite3_exec(db_, "BEGIN;", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        note_database_failure(rc, "cannot start writing rows to");
    rows_in_batch_ = 0;
}

void ResultsStore::commit_batch() {
    if (!db_ || sqlite3_get_autocommit(db_)) return;
    if (const int rc = sqlite3_exec(db_, "COMMIT;", nullptr, nullptr, nullptr); rc == SQLITE_OK)
        rows_in_batch_ = 0;
    else
        note_database_failure(rc, "cannot commit rows to");
}

void ResultsStore::finish_rows() {
    commit_batch();
    if (listener_ && db_ && !failure_ && sqlite3_get_autocommit(db_)) listener_(StoredRow{kRowsComplete, 0, {}});
}

void ResultsStore::note_insert(int rc, std::string_view table) {
    if (rc != SQLITE_OK) note_database_failure(rc, "cannot store a row of the " + std::string(table) + " table in");
}

void ResultsStore::tell_listener(MessageTable table, std::int32_t record_number,
                                 std::span<const std::string_view> texts) {
    if (listener_ && last_result_ == SQLITE_OK) listener_(StoredRow{table, record_number, texts});
}

void ResultsStore::note_logged_row() {
    if (++rows_in_batch_ >= kRowsPerBatch) commit_batch();
}

int ResultsStore::clear() {
    exec("DELETE FROM messages;");
    messages_ = 0;
    exec("DELETE FROM reviewables;");
    reviewables_ = 0;
    const int rc = exec("DELETE FROM conversions;");
    conversions_ = 0;
    return rc;
}

int ResultsStore::log_conversion(const RowIdentity& id, std::string_view conversion_type, const CodedValues& v14,
                                 std::string_view v14_country, const CodedValues& v15,
                                 std::string_view v15_country) {
    if (insert_conversion_) {
        begin_batch();
        last_result_ = Binder(insert_conversion_)
                           .identity(id)
                           .text(conversion_type)
                           .coded(v14)
                           .text(v14_country)
                           .coded(v15)
                           .text(v15_country)
                           .step();
        note_insert(last_result_, "conversions");
        const std::string_view grade14 = grade_text(v14.grade), grade15 = grade_text(v15.grade);
        const std::string_view texts[] = {id.patient_id, id.seq_num_central, id.reporting_facility,
                                          id.acc_num_hospital, id.seq_num_hospital, conversion_type,
                                          v14.histology, grade14, v14.site, v14_country,
                                          v15.histology, grade15, v15.site, v15_country};
        tell_listener(MessageTable::Conversions, id.record_number, texts);
        note_logged_row();
    } else {
        last_result_ = SQLITE_MISUSE;
    }
    ++conversions_;
    return 0;
}

int ResultsStore::log_reviewable(const RowIdentity& id, const CodedValues& v14, const CodedValues& v15) {
    if (insert_reviewable_) {
        begin_batch();
        last_result_ = Binder(insert_reviewable_).identity(id).coded(v14).coded(v15).step();
        note_insert(last_result_, "reviewables");
        const std::string_view grade14 = grade_text(v14.grade), grade15 = grade_text(v15.grade);
        const std::string_view texts[] = {id.patient_id, id.seq_num_central, id.reporting_facility,
                                          id.acc_num_hospital, id.seq_num_hospital, v14.histology,
                                          grade14, v14.site, v15.histology,
                                          grade15, v15.site};
        tell_listener(MessageTable::Reviewables, id.record_number, texts);
        note_logged_row();
    } else {
        last_result_ = SQLITE_MISUSE;
    }
    ++reviewables_;
    return 0;
}

int ResultsStore::log_message(std::int32_t record_number, std::string_view patient_id, std::string_view text) {
    if (!insert_message_) {
        last_result_ = SQLITE_MISUSE;
        ++messages_;
        return 0;
    }
    const std::string_view one[] = {text};
    insert_messages(insert_message_, record_number, patient_id, one);
    return 0;
}

int ResultsStore::log_messages(std::int32_t record_number, std::string_view patient_id,
                               std::span<const std::string> texts) {
    if (!insert_messages_[0]) {
        for (const std::string& text : texts) log_message(record_number, patient_id, text);
        return 0;
    }
    while (!texts.empty()) {
        // The most rows a statement takes of those left; one alone as ever.
        std::size_t at_once = 1;
        sqlite3_stmt* stmt = insert_message_;
        for (std::size_t i = 0; i < insert_messages_.size(); ++i)
            if (texts.size() >= static_cast<std::size_t>(kMessagesAtOnce[i]))
                at_once = static_cast<std::size_t>(kMessagesAtOnce[i]), stmt = insert_messages_[i];
        std::array<std::string_view, kMostMessagesAtOnce> rows;
        std::copy_n(texts.begin(), at_once, rows.begin());
        insert_messages(stmt, record_number, patient_id, std::span(rows).first(at_once));
        texts = texts.subspan(at_once);
    }
    return 0;
}

// Stores a record's messages with a statement that takes that many rows, and
// tells of each row stored.
void ResultsStore::insert_messages(sqlite3_stmt* stmt, std::int32_t record_number, std::string_view patient_id,
                                   std::span<const std::string_view> texts) {
    begin_batch();
    Binder binder(stmt);
    for (const std::string_view text : texts) binder.integer(record_number).text(patient_id).text(text);
    last_result_ = binder.step();
    note_insert(last_result_, "messages");
    for (const std::string_view text : texts) {
        const std::string_view row[] = {patient_id, text};
        tell_listener(MessageTable::Messages, record_number, row);
        note_logged_row();
        ++messages_;
    }
}

int ResultsStore::counters(int& conversions, int& reviewables, int& messages) const {
    conversions = conversions_;
    reviewables = reviewables_;
    messages = messages_;
    return messages_;
}

}  // namespace vexlin

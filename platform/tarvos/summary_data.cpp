#include "summary_data.h"

#include <sqlite3.h>

#include <functional>
#include <map>

namespace tarvos {
namespace {

class Database {
public:
    explicit Database(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs sql, binding text parameters in order, and calls row for every
    // row; false (with the error kept) when it fails.
    bool each(const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
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
    const std::string& error() const { return error_; }

private:
    sqlite3* db_ = nullptr;
    std::string error_;
};

std::string text(sqlite3_stmt* stmt, int column) {
    const unsigned char* t = sqlite3_column_text(stmt, column);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
             : std::string();
}

std::uint64_t count(sqlite3_stmt* stmt, int column) {
    const sqlite3_int64 n = sqlite3_column_int64(stmt, column);
    return n < 0 ? 0 : static_cast<std::uint64_t>(n);
}

// Each item that changed, as one row per (type, item, from, to); a row of
// the conversions table where several items changed counts under each.
constexpr const char* kChanges =
    "WITH changed(type, item, from_code, to_code, record) AS ("
    " SELECT conversionType, 'histology', v14Hist, v15Hist, recordNum FROM conversions WHERE v14Hist IS NOT v15Hist"
    " UNION ALL SELECT conversionType, 'grade', v14Grade, v15Grade, recordNum FROM conversions"
    "  WHERE v14Grade IS NOT v15Grade"
    " UNION ALL SELECT conversionType, 'site', v14Site, v15Site, recordNum FROM conversions WHERE v14Site IS NOT v15Site"
    " UNION ALL SELECT conversionType, 'country', v14CountryCode, v15CountryCode, recordNum FROM conversions"
    "  WHERE v14CountryCode IS NOT v15CountryCode)"
    " SELECT type, item, from_code, to_code, COUNT(DISTINCT record) AS n, COUNT(*) OVER () FROM changed"
    " GROUP BY type, item, from_code, to_code ORDER BY n DESC, type, item, from_code, to_code LIMIT 500;";

// The records behind each message text: the first of each, by record number.
constexpr const char* kMessageRecords =
    "SELECT msg, sequence, id FROM (SELECT msg, sequence, id,"
    " ROW_NUMBER() OVER (PARTITION BY msg ORDER BY sequence, rowid) AS n FROM messages) WHERE n <= 100"
    " ORDER BY msg, sequence;";

}  // namespace

namespace {
bool read_counts(Database& db, ResultsData& data) {
    return db.each("SELECT (SELECT COUNT(*) FROM conversions), (SELECT COUNT(*) FROM reviewables),"
                   " (SELECT COUNT(*) FROM messages);",
                   [&](sqlite3_stmt* s) {
                       data.conversions = count(s, 0);
                       data.reviewable_rows = count(s, 1);
                       data.messages = count(s, 2);
                   });
}
}  // namespace

ResultsData count_results(const std::string& path) {
    ResultsData data;
    Database db(path);
    if (!read_counts(db, data)) data.error = db.error().empty() ? "cannot read the results database" : db.error();
    return data;
}

ResultsData read_results(const std::string& path) {
    ResultsData data;
    Database db(path);
    const auto fail = [&] {
        data.error = db.error().empty() ? "cannot read the results database" : db.error();
        return data;
    };
    if (!read_counts(db, data)) return fail();
    if (!db.each("SELECT conversionType, COUNT(*) AS n FROM conversions GROUP BY conversionType"
                 " ORDER BY n DESC, conversionType;",
                 [&](sqlite3_stmt* s) { data.by_type.push_back({text(s, 0), count(s, 1)}); }))
        return fail();
    if (!db.each(kChanges, [&](sqlite3_stmt* s) {
            data.changes.push_back({text(s, 0), text(s, 1), text(s, 2), text(s, 3), count(s, 4)});
            data.change_groups = count(s, 5);
        }))
        return fail();
    if (!db.each("SELECT recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital,"
                 " v14Hist, v14Grade, v14Site, v15Hist, v15Grade, v15Site FROM reviewables ORDER BY recordNum, rowid;",
                 [&](sqlite3_stmt* s) {
                     ReviewableRow r;
                     r.record = sqlite3_column_int64(s, 0);
                     r.patient_id = text(s, 1);
                     r.seq_num_central = text(s, 2);
                     r.reporting_facility = text(s, 3);
                     r.acc_num_hospital = text(s, 4);
                     r.seq_num_hospital = text(s, 5);
                     r.v14_histology = text(s, 6);
                     r.v14_grade = text(s, 7);
                     r.v14_site = text(s, 8);
                     r.v15_histology = text(s, 9);
                     r.v15_grade = text(s, 10);
                     r.v15_site = text(s, 11);
                     data.reviewables.push_back(std::move(r));
                 }))
        return fail();
    if (!db.each("SELECT msg, COUNT(*) AS n, COUNT(*) OVER () FROM messages GROUP BY msg ORDER BY n DESC, msg"
                 " LIMIT 500;",
                 [&](sqlite3_stmt* s) {
                     MessageGroup g;
                     g.text = text(s, 0);
                     g.count = count(s, 1);
                     data.message_texts = count(s, 2);
                     data.message_groups.push_back(std::move(g));
                 }))
        return fail();
    std::map<std::string, MessageGroup*> shown;
    for (MessageGroup& g : data.message_groups) shown[g.text] = &g;
    if (!data.message_groups.empty() && !db.each(kMessageRecords, [&](sqlite3_stmt* s) {
            const auto it = shown.find(text(s, 0));
            if (it != shown.end()) it->second->records.push_back({sqlite3_column_int64(s, 1), text(s, 2)});
        }))
        return fail();
    return data;
}

}  // namespace tarvos

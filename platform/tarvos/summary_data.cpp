#include "summary_data.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string_view>

#include "results_database.h"

namespace tarvos {
namespace {

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

// The messages in the order the run logged them: read once, without
// sorting, for the records behind the message texts shown.
constexpr const char* kMessagesLogged = "SELECT msg, sequence, id FROM messages ORDER BY rowid;";

// The first kRecordsPerMessage records of each shown message text, by record
// number (then in the order logged): a bounded heap per text, so a file with
// millions of messages costs no more memory than the page shows.
bool read_message_records(ResultsDatabase& db, std::vector<MessageGroup>& groups) {
    struct Kept {
        std::int64_t record;
        std::uint64_t logged;
        std::string id;
    };
    const auto earlier = [](const Kept& a, const Kept& b) {
        return a.record != b.record ? a.record < b.record : a.logged < b.logged;
    };
    std::map<std::string_view, std::vector<Kept>, std::less<>> kept;
    for (const MessageGroup& g : groups) kept.emplace(g.text, std::vector<Kept>());
    std::uint64_t logged = 0;
    const bool read = db.each(kMessagesLogged, [&](sqlite3_stmt* s) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        const std::string_view msg(text ? reinterpret_cast<const char*>(text) : "",
                                   static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
        const std::uint64_t order = logged++;
        const auto it = kept.find(msg);
        if (it == kept.end()) return;
        Kept k{sqlite3_column_int64(s, 1), order, {}};
        std::vector<Kept>& heap = it->second;  // the latest kept record first
        if (heap.size() == kRecordsPerMessage) {
            if (!earlier(k, heap.front())) return;
            std::pop_heap(heap.begin(), heap.end(), earlier);
            heap.pop_back();
        }
        k.id = column_text(s, 2);
        heap.push_back(std::move(k));
        std::push_heap(heap.begin(), heap.end(), earlier);
    });
    for (MessageGroup& g : groups) {
        std::vector<Kept>& heap = kept[g.text];
        std::sort_heap(heap.begin(), heap.end(), earlier);
        g.records.reserve(heap.size());
        for (Kept& k : heap) g.records.push_back({k.record, std::move(k.id)});
        std::vector<Kept>().swap(heap);  // gone as soon as moved: never both at once
    }
    return read;
}

}  // namespace

namespace {
bool read_counts(ResultsDatabase& db, ResultsData& data) {
    return db.each("SELECT (SELECT COUNT(*) FROM conversions), (SELECT COUNT(*) FROM reviewables),"
                   " (SELECT COUNT(*) FROM messages);",
                   [&](sqlite3_stmt* s) {
                       data.conversions = column_count(s, 0);
                       data.reviewable_rows = column_count(s, 1);
                       data.messages = column_count(s, 2);
                   });
}
}  // namespace

ResultsData count_results(const std::string& path) {
    ResultsData data;
    ResultsDatabase db(path);
    if (!read_counts(db, data)) data.error = db.error().empty() ? "cannot read the results database" : db.error();
    return data;
}

ResultsData read_results(const std::string& path) {
    ResultsData data;
    ResultsDatabase db(path);
    const auto fail = [&] {
        data.error = db.error().empty() ? "cannot read the results database" : db.error();
        return data;
    };
    if (!read_counts(db, data)) return fail();
    if (!db.each("SELECT conversionType, COUNT(*) AS n FROM conversions GROUP BY conversionType"
                 " ORDER BY n DESC, conversionType;",
                 [&](sqlite3_stmt* s) { data.by_type.push_back({column_text(s, 0), column_count(s, 1)}); }))
        return fail();
    if (!db.each(kChanges, [&](sqlite3_stmt* s) {
            data.changes.push_back(
                {column_text(s, 0), column_text(s, 1), column_text(s, 2), column_text(s, 3), column_count(s, 4)});
            data.change_groups = column_count(s, 5);
        }))
        return fail();
    if (!db.each("SELECT recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital,"
                 " v14Hist, v14Grade, v14Site, v15Hist, v15Grade, v15Site FROM reviewables ORDER BY recordNum, rowid;",
                 [&](sqlite3_stmt* s) {
                     ReviewableRow r;
                     r.record = sqlite3_column_int64(s, 0);
                     r.patient_id = column_text(s, 1);
                     r.seq_num_central = column_text(s, 2);
                     r.reporting_facility = column_text(s, 3);
                     r.acc_num_hospital = column_text(s, 4);
                     r.seq_num_hospital = column_text(s, 5);
                     r.v14_histology = column_text(s, 6);
                     r.v14_grade = column_text(s, 7);
                     r.v14_site = column_text(s, 8);
                     r.v15_histology = column_text(s, 9);
                     r.v15_grade = column_text(s, 10);
                     r.v15_site = column_text(s, 11);
                     data.reviewables.push_back(std::move(r));
                 }))
        return fail();
    if (!db.each("SELECT msg, COUNT(*) AS n, COUNT(*) OVER () FROM messages GROUP BY msg ORDER BY n DESC, msg"
                 " LIMIT 500;",
                 [&](sqlite3_stmt* s) {
                     MessageGroup g;
                     g.text = column_text(s, 0);
                     g.count = column_count(s, 1);
                     data.message_texts = column_count(s, 2);
                     data.message_groups.push_back(std::move(g));
                 }))
        return fail();
    if (!data.message_groups.empty() && !read_message_records(db, data.message_groups)) return fail();
    if (!read_stage_problems(db, data.stage_problems)) return fail();
    return data;
}

}  // namespace tarvos

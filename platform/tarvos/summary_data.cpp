#include "summary_data.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>

#include "results_database.h"

namespace tarvos {
namespace {

// Each item that changed, as one row per (type, item, from, to); a row of
// the conversions table where several items changed counts under each. The
// groups come in the order of their keys: the page's first ones are chosen
// as they come.
constexpr const char* kChanges =
    "WITH changed(type, item, from_code, to_code, record) AS ("
    " SELECT conversionType, 'histology', v14Hist, v15Hist, recordNum FROM conversions WHERE v14Hist IS NOT v15Hist"
    " UNION ALL SELECT conversionType, 'grade', v14Grade, v15Grade, recordNum FROM conversions"
    "  WHERE v14Grade IS NOT v15Grade"
    " UNION ALL SELECT conversionType, 'site', v14Site, v15Site, recordNum FROM conversions WHERE v14Site IS NOT v15Site"
    " UNION ALL SELECT conversionType, 'country', v14CountryCode, v15CountryCode, recordNum FROM conversions"
    "  WHERE v14CountryCode IS NOT v15CountryCode)"
    " SELECT type, item, from_code, to_code, COUNT(DISTINCT record) FROM changed GROUP BY type, item, from_code, to_code;";

// Each message text with how often it was logged, in the order of the texts.
constexpr const char* kMessageTexts = "SELECT msg, COUNT(*) FROM messages GROUP BY msg;";

// The first rows in an order, of however many offered: a bounded heap whose
// front is the last row kept, so that the memory is the page's whatever the
// file's size.
template <typename Row, typename Before>
class FirstRows {
public:
    FirstRows(std::size_t limit, Before before) : limit_(limit), before_(before) {}
    void offer(Row row) {
        ++offered_;
        if (rows_.size() == limit_) {
            if (!before_(row, rows_.front())) return;
            std::pop_heap(rows_.begin(), rows_.end(), before_);
            rows_.pop_back();
        }
        rows_.push_back(std::move(row));
        std::push_heap(rows_.begin(), rows_.end(), before_);
    }
    std::uint64_t offered() const { return offered_; }
    // The rows kept, first first.
    std::vector<Row> take() {
        std::sort_heap(rows_.begin(), rows_.end(), before_);
        return std::move(rows_);
    }

private:
    std::size_t limit_;
    Before before_;
    std::vector<Row> rows_;
    std::uint64_t offered_ = 0;
};

// The messages in the order the run logged them: read once, without
// sorting, for the records behind the message texts shown.
constexpr const char* kMessagesLogged = "SELECT msg, sequence, id FROM messages ORDER BY rowid;";

// The first kRecordsPerMessage records of each shown message text, by record
// number (then in the order logged): a bounded heap per text, so a file with
// millions of messages costs no more memory than the page shows.
// The same pass gives every "CS says" row to the stage problems' tally.
bool read_messages_logged(ResultsDatabase& db, std::vector<MessageGroup>& groups, StageProblemTally& stage) {
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
        const std::string_view msg = column_view(s, 0);
        const std::int64_t record = sqlite3_column_int64(s, 1);
        const std::uint64_t order = logged++;
        stage.take(record, column_view(s, 2), msg);
        const auto it = kept.find(msg);
        if (it == kept.end()) return;
        Kept k{record, order, {}};
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
// What was read, with why the reading stopped.
ResultsData failed(ResultsData data, const ResultsDatabase& db) {
    data.error = db.error().empty() ? "cannot read the results database" : db.error();
    return data;
}

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
    if (!read_counts(db, data)) return failed(std::move(data), db);
    return data;
}

// The rows each table holds come from the same reads as what the page shows:
// the conversions by type, every reviewable and the messages by text.
ResultsData read_conversion_results(const std::string& path) {
    ResultsData data;
    ResultsDatabase db(path);
    const auto fail = [&] { return failed(std::move(data), db); };
    if (!db.each("SELECT conversionType, COUNT(*) AS n FROM conversions GROUP BY conversionType"
                 " ORDER BY n DESC, conversionType;",
                 [&](sqlite3_stmt* s) {
                     data.by_type.push_back({column_text(s, 0), column_count(s, 1)});
                     data.conversions += data.by_type.back().rows;
                 }))
        return fail();
    // Most records first, then by type, item and codes.
    const auto more_records = [](const CodeChange& a, const CodeChange& b) {
        if (a.records != b.records) return a.records > b.records;
        return std::tie(a.type, a.item, a.from, a.to) < std::tie(b.type, b.item, b.from, b.to);
    };
    FirstRows<CodeChange, decltype(more_records)> changes(kChangeGroupsShown, more_records);
    if (!db.each(kChanges, [&](sqlite3_stmt* s) {
            changes.offer(
                {column_text(s, 0), column_text(s, 1), column_text(s, 2), column_text(s, 3), column_count(s, 4)});
        }))
        return fail();
    data.change_groups = changes.offered();
    data.changes = changes.take();
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
    data.reviewable_rows = data.reviewables.size();
    return data;
}

ResultsData read_message_results(const std::string& path) {
    ResultsData data;
    ResultsDatabase db(path);
    const auto fail = [&] { return failed(std::move(data), db); };
    // Most often first, then by text.
    const auto more_often = [](const MessageGroup& a, const MessageGroup& b) {
        return a.count != b.count ? a.count > b.count : a.text < b.text;
    };
    FirstRows<MessageGroup, decltype(more_often)> texts(kMessageGroupsShown, more_often);
    if (!db.each(kMessageTexts, [&](sqlite3_stmt* s) {
            MessageGroup g;
            g.count = column_count(s, 1);
            data.messages += g.count;
            g.text = column_text(s, 0);
            texts.offer(std::move(g));
        }))
        return fail();
    data.message_texts = texts.offered();
    data.message_groups = texts.take();
    StageProblemTally stage;
    if (!read_messages_logged(db, data.message_groups, stage)) return fail();
    data.stage_problems = stage.finish();
    return data;
}

ResultsData join_results(ResultsData conversions, ResultsData messages) {
    if (!conversions.error.empty()) return conversions;
    if (!messages.error.empty()) return messages;
    conversions.messages = messages.messages;
    conversions.message_groups = std::move(messages.message_groups);
    conversions.message_texts = messages.message_texts;
    conversions.stage_problems = std::move(messages.stage_problems);
    return conversions;
}

ResultsData read_results(const std::string& path) {
    return join_results(read_conversion_results(path), read_message_results(path));
}

}  // namespace tarvos

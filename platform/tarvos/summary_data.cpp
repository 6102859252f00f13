#include "summary_data.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>

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

// The conversions in the order logged, with the codes that may have changed:
// counted in one pass while the groups are few, instead of the sorting above.
constexpr const char* kConversionsLogged =
    "SELECT conversionType, recordNum, v14Hist, v15Hist, v14Grade, v15Grade, v14Site, v15Site, v14CountryCode,"
    " v15CountryCode FROM conversions ORDER BY rowid;";
// More groups than this (a file of unusual codes) are left to SQLite to sort,
// so that the memory stays the page's whatever the file holds.
constexpr std::size_t kChangeGroupsCounted = 4096;

// The conversions counted by type and by change, as the two queries above
// count them, in one pass: a record is counted once per group, as the last
// record of the group so far, since the records come in order. Gives up on
// too many groups, a record out of order or a missing code.
class ChangeTally {
public:
    void take(sqlite3_stmt* s) {
        if (gave_up_) return;
        const std::int64_t record = sqlite3_column_int64(s, 1);
        for (int c = 0; c < 10; ++c)
            if (sqlite3_column_type(s, c) == SQLITE_NULL) return give_up();
        if (record < last_record_) return give_up();
        last_record_ = record;
        const std::string_view type = column_view(s, 0);
        if (!count(type, {}, {}, {}, record, by_type_)) return;
        static constexpr std::string_view kItems[] = {"histology", "grade", "site", "country"};
        for (int i = 0; i < 4; ++i) {
            const std::string_view from = column_view(s, 2 + 2 * i), to = column_view(s, 3 + 2 * i);
            if (from != to && !count(type, kItems[i], from, to, record, changes_)) return;
        }
    }
    bool gave_up() const { return gave_up_; }
    template <typename Offer>
    void by_type(Offer offer) const {
        for (const auto& [key, group] : by_type_) offer(group.change.type, group.rows);
    }
    template <typename Offer>
    void changes(Offer offer) const {
        for (const auto& [key, group] : changes_) offer(group.change);
    }

private:
    struct Group {
        CodeChange change;  // for a type alone, only its type
        std::uint64_t rows = 0;
        std::int64_t last_record = 0;
    };
    using Groups = std::unordered_map<std::string, Group>;

    void give_up() {
        gave_up_ = true;
        Groups().swap(by_type_);
        Groups().swap(changes_);
    }
    // Counts the row under its group; false when the tally gave up instead.
    bool count(std::string_view type, std::string_view item, std::string_view from, std::string_view to,
               std::int64_t record, Groups& groups) {
        // Each part after its length, so that no two groups share a key.
        key_.clear();
        for (const std::string_view part : {type, item, from, to}) {
            const auto length = static_cast<std::uint32_t>(part.size());
            key_.append(reinterpret_cast<const char*>(&length), sizeof length).append(part);
        }
        auto it = groups.find(key_);
        const bool fresh = it == groups.end();
        if (fresh) {
            if (by_type_.size() + changes_.size() >= kChangeGroupsCounted) {
                give_up();
                return false;
            }
            Group g;
            g.change = {std::string(type), std::string(item), std::string(from), std::string(to), 0};
            it = groups.emplace(key_, std::move(g)).first;
        }
        Group& g = it->second;
        ++g.rows;
        if (fresh || g.last_record != record) {
            ++g.change.records;
            g.last_record = record;
        }
        return true;
    }

    Groups by_type_, changes_;
    std::string key_;
    std::int64_t last_record_ = INT64_MIN;
    bool gave_up_ = false;
};

// Each message text with how often it was logged, in the order of the texts.
constexpr const char* kMessageTexts = "SELECT msg, COUNT(*) FROM messages GROUP BY msg;";

// The first rows in an order, of however many offered: a bounded heap whose
// front is the last row kept, so that the memory is the page's whatever the
// file's size.
template <typename Row, typename Before>
class FirstRows {
public:
    FirstRows(std::size_t limit, Before before) : limit_(limit), before_(before) {}
    // Whether a row would be kept: one that would not need not be made.
    bool wants(const Row& row) const { return rows_.size() < limit_ || before_(row, rows_.front()); }
    void offer(Row row) {
        ++offered_;
        if (!wants(row)) return;
        if (rows_.size() == limit_) {
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

// The first kRecordsPerMessage records of one message text, by record number
// (then in the order logged), so a file with millions of messages costs no
// more memory than the page shows.
class FirstRecords {
public:
    bool wants(std::int64_t record, std::uint64_t logged) const { return kept_.wants(Kept{record, logged, {}}); }
    // Keeps a record that wants() let in, in place of the latest kept when full.
    void keep(std::int64_t record, std::uint64_t logged, std::string_view id) {
        kept_.offer({record, logged, std::string(id)});
    }
    // The records kept, first first.
    std::vector<MessageRecord> take() {
        std::vector<Kept> kept = kept_.take();
        std::vector<MessageRecord> records;
        records.reserve(kept.size());
        for (Kept& k : kept) records.push_back({k.record, std::move(k.id)});
        return records;
    }

private:
    struct Kept {
        std::int64_t record;
        std::uint64_t logged;
        std::string id;
    };
    static bool earlier(const Kept& a, const Kept& b) {
        return a.record != b.record ? a.record < b.record : a.logged < b.logged;
    }
    FirstRows<Kept, bool (*)(const Kept&, const Kept&)> kept_{kRecordsPerMessage, earlier};
};

// The records behind each shown message text, in one pass over the messages.
// The same pass gives every "CS says" row to the stage problems' tally.
bool read_messages_logged(ResultsDatabase& db, std::vector<MessageGroup>& groups, StageProblemTally& stage) {
    std::map<std::string_view, FirstRecords, std::less<>> kept;
    for (const MessageGroup& g : groups) kept.emplace(g.text, FirstRecords());
    std::uint64_t logged = 0;
    const bool read = db.each(kMessagesLogged, [&](sqlite3_stmt* s) {
        const std::string_view msg = column_view(s, 0);
        const std::int64_t record = sqlite3_column_int64(s, 1);
        const std::uint64_t order = logged++;
        stage.take(record, column_view(s, 2), msg);
        const auto it = kept.find(msg);
        if (it != kept.end() && it->second.wants(record, order)) it->second.keep(record, order, column_view(s, 2));
    });
    for (MessageGroup& g : groups) g.records = kept[g.text].take();
    return read;
}

// A run of few messages has them counted by text, with the first records of
// every text, in the one pass over them that the page makes anyway, instead
// of SQLite sorting the texts first. The pass gives up once what it keeps
// would take more than kMessageRoom bytes.
constexpr std::uint64_t kMessagesCountedInOnePass = 32768;
constexpr std::size_t kMessageRoom = std::size_t{3} << 20;

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

// The message groups of data, and its counts, from one pass; false when the
// pass gave up (data is then as it was) or the database failed.
bool count_messages_in_one_pass(ResultsDatabase& db, ResultsData& data, StageProblemTally& stage, bool& gave_up) {
    struct Text {
        std::uint64_t count = 0;
        FirstRecords first;
    };
    std::unordered_map<std::string, Text, TextHash, std::equal_to<>> texts;
    std::size_t room = 0;
    std::uint64_t logged = 0;
    constexpr std::size_t kPerText = 96, kPerRecord = 48;  // what a map entry and a kept record cost besides their text
    const bool read = db.each(kMessagesLogged, [&](sqlite3_stmt* s) {
        if (gave_up) return;
        const std::string_view msg = column_view(s, 0);
        const std::int64_t record = sqlite3_column_int64(s, 1);
        const std::uint64_t order = logged++;
        stage.take(record, column_view(s, 2), msg);
        auto it = texts.find(msg);
        if (it == texts.end()) {
            room += msg.size() + kPerText;
            it = texts.emplace(std::string(msg), Text()).first;
        }
        ++it->second.count;
        if (it->second.first.wants(record, order)) {
            const std::string_view id = column_view(s, 2);
            room += id.size() + kPerRecord;
            it->second.first.keep(record, order, id);
        }
        // A text stored as NULL would be one group with the empty text here.
        if (room > kMessageRoom || sqlite3_column_type(s, 0) == SQLITE_NULL) {
            gave_up = true;
            decltype(texts)().swap(texts);
        }
    });
    if (!read || gave_up) return false;
    // Most often first, then by text.
    using Entry = std::pair<const std::string, Text>*;
    const auto more_often = [](Entry a, Entry b) {
        return a->second.count != b->second.count ? a->second.count > b->second.count : a->first < b->first;
    };
    FirstRows<Entry, decltype(more_often)> shown(kMessageGroupsShown, more_often);
    for (auto& entry : texts) {
        data.messages += entry.second.count;
        shown.offer(&entry);
    }
    data.message_texts = texts.size();
    for (Entry e : shown.take())
        data.message_groups.push_back({e->first, e->second.count, e->second.first.take()});
    return true;
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
    // Most records first, then by type, item and codes.
    const auto more_records = [](const CodeChange& a, const CodeChange& b) {
        if (a.records != b.records) return a.records > b.records;
        return std::tie(a.type, a.item, a.from, a.to) < std::tie(b.type, b.item, b.from, b.to);
    };
    FirstRows<CodeChange, decltype(more_records)> changes(kChangeGroupsShown, more_records);
    ChangeTally tally;
    if (!db.each(kConversionsLogged, [&](sqlite3_stmt* s) { tally.take(s); })) return fail();
    if (!tally.gave_up()) {
        tally.by_type([&](const std::string& type, std::uint64_t rows) { data.by_type.push_back({type, rows}); });
        std::sort(data.by_type.begin(), data.by_type.end(), [](const ConversionsOfType& a, const ConversionsOfType& b) {
            return a.rows != b.rows ? a.rows > b.rows : a.type < b.type;
        });
        for (const ConversionsOfType& t : data.by_type) data.conversions += t.rows;
        tally.changes([&](const CodeChange& change) { changes.offer(change); });
    } else {
        if (!db.each("SELECT conversionType, COUNT(*) AS n FROM conversions GROUP BY conversionType"
                     " ORDER BY n DESC, conversionType;",
                     [&](sqlite3_stmt* s) {
                         data.by_type.push_back({column_text(s, 0), column_count(s, 1)});
                         data.conversions += data.by_type.back().rows;
                     }))
            return fail();
        if (!db.each(kChanges, [&](sqlite3_stmt* s) {
                changes.offer(
                    {column_text(s, 0), column_text(s, 1), column_text(s, 2), column_text(s, 3), column_count(s, 4)});
            }))
            return fail();
    }
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
    std::uint64_t rows = 0;
    if (!db.each("SELECT COUNT(*) FROM messages;", [&](sqlite3_stmt* s) { rows = column_count(s, 0); })) return fail();
    if (rows <= kMessagesCountedInOnePass) {
        StageProblemTally stage;
        bool gave_up = false;
        if (count_messages_in_one_pass(db, data, stage, gave_up)) {
            data.stage_problems = stage.finish();
            return data;
        }
        if (!gave_up) return fail();
    }
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

// SPDX-License-Identifier: Apache-2.0
#include "summary_data.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "results_database.h"
#include "results_tally.h"

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

// Each message text with how often it was logged, in the order of the texts.
constexpr const char* kMessageTexts = "SELECT msg, COUNT(*) FROM messages GROUP BY msg;";

// The messages in the order the run logged them: read once, without
// sorting, for the records behind the message texts shown.
constexpr const char* kMessagesLogged = "SELECT msg, sequence, id FROM messages ORDER BY rowid;";

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
// of SQLite sorting the texts first.
constexpr std::uint64_t kMessagesCountedInOnePass = 32768;

// The message groups of data, and its counts, from one pass; false when the
// pass gave up (data is then as it was) or the database failed.
bool count_messages_in_one_pass(ResultsDatabase& db, ResultsData& data, bool& gave_up) {
    MessageTally tally;
    const bool read = db.each(kMessagesLogged, [&](sqlite3_stmt* s) {
        // A text stored as NULL would be one group with the empty text here.
        if (sqlite3_column_type(s, 0) == SQLITE_NULL) tally.give_up();
        tally.take(sqlite3_column_int64(s, 1), column_view(s, 2), column_view(s, 0));
    });
    gave_up = tally.gave_up();
    if (!read || gave_up) return false;
    tally.finish(data);
    return true;
}

// Most often first, then by text.
bool more_often(const MessageGroup& a, const MessageGroup& b) {
    return a.count != b.count ? a.count > b.count : a.text < b.text;
}

// The least count among the kMessageGroupsShown most counted texts; 1 when
// there are fewer texts. A text counted less often than that is not shown.
std::uint64_t least_count_shown(TextCounts& counts, bool& read) {
    std::vector<std::uint64_t> most;  // a heap whose front is the least
    most.reserve(kMessageGroupsShown);
    read = counts.each([&](std::uint64_t, std::uint64_t n) {
        if (most.size() == kMessageGroupsShown) {
            if (n <= most.front()) return;
            std::pop_heap(most.begin(), most.end(), std::greater<>());
            most.pop_back();
        }
        most.push_back(n);
        std::push_heap(most.begin(), most.end(), std::greater<>());
    });
    return most.size() < kMessageGroupsShown ? 1 : most.front();
}

// A text the page could show, known at first by its key and count.
struct ShownText {
    std::uint64_t counted = 0, read = 0;
    std::string text;
    FirstRecords first;
    bool tied = false;     // counted as often as the least shown: ranked by its text
    bool keeping = false;  // its first records are kept: shown, or ranked in so far
};
struct ShownTexts {
    std::unordered_map<std::uint64_t, ShownText> by_key;
    std::size_t places_for_tied = 0;  // the places left to the tied texts
};

// The texts counted at least as often as the least shown: those counted more
// often are shown, and those counted as often are ranked by their texts, as
// they come, only the texts ranked in keeping their records. False when so
// many tie that their texts alone would take more memory than the page's
// own room, or the counts could not be read.
bool texts_that_could_be_shown(TextCounts& counts, ShownTexts& shown) {
    constexpr std::size_t kTiedRoom = std::size_t{1} << 20;
    bool read = false;
    const std::uint64_t least = least_count_shown(counts, read);
    std::size_t above = 0, tied = 0;
    read = read && counts.each([&](std::uint64_t key, std::uint64_t n) {
        if (n < least || tied * kHeldPerText > kTiedRoom) return;
        ShownText& t = shown.by_key[key];
        t.counted = n;
        t.tied = n == least;
        t.keeping = !t.tied;
        ++(t.tied ? tied : above);
    });
    shown.places_for_tied = kMessageGroupsShown - std::min(above, kMessageGroupsShown);
    return read && tied * kHeldPerText <= kTiedRoom;
}

// The tied texts ranked in so far: the least texts, at most places_for_tied
// of them. A text that comes first ranks in past the greatest of them, which
// then lets go of its records: it can never rank in again.
class TiedRanks {
public:
    explicit TiedRanks(ShownTexts& shown) : shown_(shown) {}
    void first_seen(std::uint64_t key, ShownText& t) {
        if (shown_.places_for_tied == 0) return;
        if (in_.size() == shown_.places_for_tied) {
            const auto greatest = std::prev(in_.end());
            if (t.text >= greatest->first) return;
            ShownText& out = shown_.by_key[greatest->second];
            out.keeping = false;
            out.first = FirstRecords();
            in_.erase(greatest);
        }
        in_.emplace(t.text, key);
        t.keeping = true;
    }

private:
    ShownTexts& shown_;
    std::set<std::pair<std::string_view, std::uint64_t>> in_;  // the texts' own bytes, which stay put
};

enum class ByKey { read, unsettled, failed };

// The message groups and stage problems of data, from the counts by key and
// one pass over the messages in the order logged, which takes the texts and
// records of the texts that could be shown. Unsettled when the pass finds
// other than the counts say (a text stored as NULL, two texts of one key, or
// other counts than the rows stored), or too many texts tie: SQLite's
// grouping then decides.
ByKey read_messages_by_key(ResultsDatabase& db, ResultsData& data, std::shared_ptr<TextCounts> counts,
                           bool stage_gathered) {
    ShownTexts shown;
    if (!texts_that_could_be_shown(*counts, shown)) return ByKey::unsettled;
    TiedRanks ranks(shown);
    bool settled = true;
    const std::uint64_t rows = counts->rows();
    const std::size_t texts = counts->texts();
    counts.reset();
    StageProblemTally stage;
    std::uint64_t logged = 0;
    const bool read = db.each(kMessagesLogged, [&](sqlite3_stmt* s) {
        const std::string_view msg = column_view(s, 0), id = column_view(s, 2);
        const std::int64_t record = sqlite3_column_int64(s, 1);
        const std::uint64_t order = logged++;
        const std::uint64_t hash = text_hash(msg);
        if (!stage_gathered) stage.take(record, id, msg, hash);
        if (sqlite3_column_type(s, 0) == SQLITE_NULL) settled = false;
        const std::uint64_t key = TextCounts::key_of_hash(hash);
        const auto it = shown.by_key.find(key);
        if (it == shown.by_key.end()) return;
        ShownText& t = it->second;
        if (t.read++ == 0) {
            t.text = msg;
            if (t.tied) ranks.first_seen(key, t);
        } else if (t.text != msg) {
            settled = false;
        }
        if (t.keeping && t.first.wants(record, order)) t.first.keep(record, order, id);
    });
    if (!read) return ByKey::failed;
    for (const auto& [key, t] : shown.by_key) settled = settled && t.read == t.counted;
    if (!settled || logged != rows) return ByKey::unsettled;
    FirstRows<MessageGroup, decltype(&more_often)> groups(kMessageGroupsShown, &more_often);
    for (auto& [key, t] : shown.by_key)
        if (t.keeping) groups.offer({std::move(t.text), t.counted, t.first.take()});
    data.messages = rows;
    data.message_texts = texts;
    data.message_groups = groups.take();
    data.stage_problems = stage.finish();
    return ByKey::read;
}

// A row of the conversions table as the change tally takes it.
ConversionRow conversion_row(sqlite3_stmt* s) {
    ConversionRow row;
    row.type = column_view(s, 0);
    row.record = sqlite3_column_int64(s, 1);
    for (int c = 0; c < 8; ++c) row.codes[c] = column_view(s, 2 + c);
    for (int c = 0; c < 10; ++c) row.has_null = row.has_null || sqlite3_column_type(s, c) == SQLITE_NULL;
    return row;
}

ReviewableRow reviewable_row(sqlite3_stmt* s) {
    ReviewableRow r;
    r.record = sqlite3_column_int64(s, 0);
    std::string* texts[] = {&r.patient_id,    &r.seq_num_central, &r.reporting_facility, &r.acc_num_hospital,
                            &r.seq_num_hospital, &r.v14_histology, &r.v14_grade,          &r.v14_site,
                            &r.v15_histology, &r.v15_grade,       &r.v15_site};
    for (int c = 0; c < 11; ++c) *texts[c] = column_text(s, c + 1);
    return r;
}

// The conversions by type and by change, as SQLite groups them: for runs of
// more groups than a tally keeps.
bool read_changes_grouped(ResultsDatabase& db, ResultsData& data) {
    const auto more_records = [](const CodeChange& a, const CodeChange& b) {
        if (a.records != b.records) return a.records > b.records;
        return std::tie(a.type, a.item, a.from, a.to) < std::tie(b.type, b.item, b.from, b.to);
    };
    FirstRows<CodeChange, decltype(more_records)> changes(kChangeGroupsShown, more_records);
    const bool read =
        db.each("SELECT conversionType, COUNT(*) AS n FROM conversions GROUP BY conversionType"
                " ORDER BY n DESC, conversionType;",
                [&](sqlite3_stmt* s) {
                    data.by_type.push_back({column_text(s, 0), column_count(s, 1)});
                    data.conversions += data.by_type.back().rows;
                }) &&
        db.each(kChanges, [&](sqlite3_stmt* s) {
            changes.offer({column_text(s, 0), column_text(s, 1), column_text(s, 2), column_text(s, 3), column_count(s, 4)});
        });
    data.change_groups = changes.offered();
    data.changes = changes.take();
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
    ChangeTally tally;
    if (!db.each(kConversionsLogged, [&](sqlite3_stmt* s) { tally.take(conversion_row(s)); })) return fail();
    if (!tally.gave_up()) {
        tally.finish(data);
    } else if (!read_changes_grouped(db, data)) {
        return fail();
    }
    ReviewableTally reviewables;
    if (!db.each("SELECT recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital,"
                 " v14Hist, v14Grade, v14Site, v15Hist, v15Grade, v15Site FROM reviewables ORDER BY recordNum, rowid;",
                 [&](sqlite3_stmt* s) {
                     if (reviewables.first.size() < kReviewablesShown)
                         reviewables.take(reviewable_row(s));
                     else
                         ++reviewables.rows;
                 }))
        return fail();
    data.reviewables = std::move(reviewables.first);
    data.reviewable_rows = reviewables.rows;
    return data;
}

ResultsData read_message_results(const std::string& path, bool one_pass, std::shared_ptr<TextCounts> counts,
                                 bool stage_gathered) {
    ResultsData data;
    ResultsDatabase db(path);
    const auto fail = [&] { return failed(std::move(data), db); };
    if (counts) {
        const ByKey by_key = read_messages_by_key(db, data, std::move(counts), stage_gathered);
        if (by_key == ByKey::read) return data;
        if (by_key == ByKey::failed) return fail();
    }
    std::uint64_t rows = 0;
    if (!db.each("SELECT COUNT(*) FROM messages;", [&](sqlite3_stmt* s) { rows = column_count(s, 0); })) return fail();
    if (one_pass && rows <= kMessagesCountedInOnePass) {
        bool gave_up = false;
        if (count_messages_in_one_pass(db, data, gave_up)) return data;
        if (!gave_up) return fail();
    }
    FirstRows<MessageGroup, decltype(&more_often)> texts(kMessageGroupsShown, &more_often);
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

// SPDX-License-Identifier: Apache-2.0
// Counting a run's results rows for the summary page in one pass over them,
// in the order they were logged, with memory bounded by what the page shows:
// the rows either come as the conversion library stores them, or are read
// back from the results database. A tally that would need more memory than
// that gives up, and the page's results are then read back with SQLite
// sorting and grouping the rows.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "capped_list.h"
#include "stage_problems.h"
#include "summary_data.h"
#include "text_counts.h"

namespace tarvos {

// What a message group costs as the heap holds it: a text's map node, bucket
// and the text's own block besides its characters, and a kept record with the
// slack of its list's growth.
inline constexpr std::size_t kHeldPerText = 160, kHeldPerRecord = 96;

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
        push_within(rows_, std::move(row), limit_);
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
    std::vector<MessageRecord> take();

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

// A row of the conversions table as the tally takes it: its type, record and
// the four items' codes before and after; a code that is NULL in the
// database makes the tally give up.
struct ConversionRow {
    std::string_view type;
    std::int64_t record = 0;
    std::string_view codes[8];  // histology, grade, site, country: 14.0 then 15.0 of each
    bool has_null = false;
};

// The conversions counted by type and by change: a record is counted once
// per group, as the last record of the group so far, since the records come
// in order. Gives up on too many groups, a record out of order or a missing
// code.
class ChangeTally {
public:
    void take(const ConversionRow& row);
    bool gave_up() const { return gave_up_; }
    // The counts and the first groups of data, once every row was taken.
    void finish(ResultsData& data);

private:
    struct Group {
        CodeChange change;  // for a type alone, only its type
        std::uint64_t rows = 0;
        std::int64_t last_record = 0;
    };
    using Groups = std::unordered_map<std::string, Group>;
    void give_up();
    bool count(std::string_view type, std::string_view item, std::string_view from, std::string_view to,
               std::int64_t record, Groups& groups);

    Groups by_type_, changes_;
    std::string key_;
    std::int64_t last_record_ = INT64_MIN;
    bool gave_up_ = false;
};

// The messages counted by text, with the first records of every text, and
// the "CS says" rows grouped into stage problems. Gives up once what it keeps
// would take more than a page's room, and counts the texts by key from then
// on (take_counts_by_key; past what memory holds, through a file in the spill
// folder, when there is one), for the page to read back only the
// texts it could show; the stage problems, a group a reason, are gathered
// whole meanwhile while they hold less than 1.5 MB, and read back past that.
class MessageTally {
public:
    explicit MessageTally(std::string spill_folder = {}) : spill_folder_(std::move(spill_folder)) {}
    void take(std::int64_t record, std::string_view id, std::string_view message);
    bool gave_up() const { return gave_up_; }
    void give_up();
    // Every message counted by the key of its text, since the first; none
    // when the texts were gathered whole, or did not fit. Handed over once,
    // so that the reading back alone holds their memory and lets it go once
    // it has used them; later calls give none.
    std::shared_ptr<TextCounts> take_counts_by_key();
    // Whether every "CS says" row was grouped into the stage problems.
    bool stage_problems_whole() const { return stage_ != nullptr; }
    // The counts, the first groups and the stage problems of data.
    void finish(ResultsData& data);
    // The stage problems alone, when they are whole though the texts were not.
    StageProblems finish_stage_problems() { return stage_->finish(); }

private:
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    struct Text {
        std::uint64_t count = 0;
        FirstRecords first;
    };
    void count_by_key_from_now();
    void drop_texts();

    std::unordered_map<std::string, Text, TextHash, std::equal_to<>> texts_;
    std::string spill_folder_;
    std::shared_ptr<TextCounts> by_key_;
    std::unique_ptr<StageProblemTally> stage_ = std::make_unique<StageProblemTally>();
    std::size_t room_ = 0;
    std::uint64_t logged_ = 0;
    bool gave_up_ = false;
};

// The reviewables the page lists, the first kReviewablesShown as they come
// (by record number), and how many there are.
struct ReviewableTally {
    std::vector<ReviewableRow> first;
    std::uint64_t rows = 0;
    void take(ReviewableRow row) {
        if (first.size() < kReviewablesShown) first.push_back(std::move(row));
        ++rows;
    }
};

}  // namespace tarvos

// SPDX-License-Identifier: Apache-2.0
// What the summary page shows from a run's results database: the conversions
// counted by type and by the code changes behind them, every reviewable, and
// the messages grouped by their text. A run's rows are counted in one pass
// over them while what the counting keeps stays small; beyond that SQLite
// sorts and groups them, so that the memory is the page's whatever the size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stage_problems.h"
#include "text_counts.h"

namespace tarvos {

struct ConversionsOfType {
    std::string type;
    std::uint64_t rows = 0;
};

// One change of one item between the 14.0 and 15.0 codes, under one
// conversion type, with the records it happened to.
struct CodeChange {
    std::string type;
    std::string item;  // histology, grade, site or country
    std::string from, to;
    std::uint64_t records = 0;
};

struct ReviewableRow {
    std::int64_t record = 0;
    std::string patient_id, seq_num_central, reporting_facility, acc_num_hospital, seq_num_hospital;
    std::string v14_histology, v14_grade, v14_site, v15_histology, v15_grade, v15_site;
};

struct MessageRecord {
    std::int64_t record = 0;
    std::string patient_id;
};

struct MessageGroup {
    std::string text;
    std::uint64_t count = 0;
    std::vector<MessageRecord> records;  // the first kRecordsPerMessage, by record number
};

inline constexpr std::size_t kChangeGroupsShown = 500;
// The page lists this many reviewables; the reviewables report holds them all.
inline constexpr std::size_t kReviewablesShown = 2000;
inline constexpr std::size_t kMessageGroupsShown = 500;
inline constexpr std::size_t kRecordsPerMessage = 100;

struct ResultsData {
    std::string error;  // why the database could not be read; empty when it was
    std::uint64_t conversions = 0, reviewable_rows = 0, messages = 0;
    std::vector<ConversionsOfType> by_type;  // most rows first
    std::vector<CodeChange> changes;         // most records first, at most kChangeGroupsShown
    std::uint64_t change_groups = 0;         // all of them
    std::vector<ReviewableRow> reviewables;  // the first kReviewablesShown, by record number
    std::vector<MessageGroup> message_groups;  // most first, at most kMessageGroupsShown
    std::uint64_t message_texts = 0;           // distinct texts, all of them
    StageProblems stage_problems;              // the stage calculation's reasons, grouped
};

// The halves of what the page shows that a run gathered whole as its rows
// were stored: the conversions (their types and changes, the first
// reviewables) and the messages (their texts and stage problems). A half not
// gathered whole is read back from the database.
struct ResultsHalves {
    bool conversions = false;
    bool messages = false;
    // The messages counted by the key of their text, when they were not
    // gathered whole: the reading back then needs no grouping.
    std::shared_ptr<TextCounts> message_counts;
    // The stage problems gathered whole, though the messages were not.
    bool stage_problems = false;
    bool both() const { return conversions && messages; }
};

// Reads the database at path, opened read-only; a database that cannot be
// opened or read gives the error and what was read before it.
ResultsData read_results(const std::string& path);
// The same in two halves, each on a connection of its own, for two threads
// to read side by side: the conversions and reviewables, and the messages;
// join_results makes them one (the first half's error, else the other's).
ResultsData read_conversion_results(const std::string& path);
// A run whose gathering of the messages gave up has them grouped by SQLite
// straight away (one_pass false): the one pass would give up again. With
// counts of every message by the key of its text, only the texts the page
// could show are read back, and checked against the counts; SQLite groups
// them all only where that does not settle the page.
// stage_gathered: the stage problems are the gathering's, and the pass by
// key leaves them out.
ResultsData read_message_results(const std::string& path, bool one_pass = true,
                                 std::shared_ptr<TextCounts> counts = nullptr, bool stage_gathered = false);
ResultsData join_results(ResultsData conversions, ResultsData messages);

// Only the rows each table holds.
ResultsData count_results(const std::string& path);

}  // namespace tarvos

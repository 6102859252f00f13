// SPDX-License-Identifier: Apache-2.0
// The page's results gathered as the conversion library stores each row, on
// the gathering's thread, are the results read back from the database it
// wrote: every count, group and record the same; and each record's run-log
// line carries its own rows as its reasons.
#include "gathering_thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "page_results.h"
#include "results_database.h"
#include "sample_records.h"
#include "vexlin150.h"

namespace {

namespace fs = std::filesystem;

std::string shown(const tarvos::ResultsData& d) {
    std::string s = std::to_string(d.conversions) + " " + std::to_string(d.reviewable_rows) + " " +
                    std::to_string(d.messages) + " " + std::to_string(d.change_groups) + " " +
                    std::to_string(d.message_texts) + " " + std::to_string(d.stage_problems.reasons) + "\n";
    for (const auto& t : d.by_type) s += "type " + t.type + " " + std::to_string(t.rows) + "\n";
    for (const auto& c : d.changes)
        s += "change " + c.type + "/" + c.item + " " + c.from + ">" + c.to + " " + std::to_string(c.records) + "\n";
    for (const auto& r : d.reviewables) s += "reviewable " + std::to_string(r.record) + " " + r.patient_id + r.v15_site + "\n";
    for (const auto& g : d.message_groups) {
        s += "message " + g.text + " " + std::to_string(g.count) + ":";
        for (const auto& r : g.records) s += " " + std::to_string(r.record) + r.patient_id;
        s += "\n";
    }
    for (const auto& p : d.stage_problems.shown)
        s += "problem " + p.reason.kind + "/" + p.reason.item + "/" + p.reason.schema + " " + std::to_string(p.records) +
             " " + p.example + "\n";
    return s;
}

TEST(ResultsGathering, WhatIsGatheredAsRowsAreStoredIsWhatIsReadBack) {
    const fs::path folder = fs::temp_directory_path() / "tarvos-results-gathering";
    fs::remove_all(folder);
    fs::create_directories(folder);
    tarvos::ResultsData gathered;
    // A run-log line for every record, as though each had failed its stage
    // calculation: each carries the rows its record logged.
    tarvos::RunLogWriter run_log(nullptr, 1000);
    {
        tarvos::ResultsGatherer gatherer(true);
        tarvos::GatheringThread gathering(gatherer, run_log);
        ASSERT_EQ(vexlin150_Initialize_file_conversion((folder / "in.txt").string().c_str()), 1);
        unsigned char restage = 0, review = 0;
        for (int n = 1; n <= 800; ++n) {
            std::string record = sample::make_record(3, static_cast<std::uint64_t>(n), sample::Staging::random);
            vexlin150_Convert_buffer_and_stage(n, record.data(), 0, 7, &restage, &review);
            const std::string id = "P" + std::to_string(n);
            gathering.note({static_cast<std::uint64_t>(n), id, 0, false, false, false, 0, tarvos::kCalculationError});
        }
        vexlin150_Close_file_conversion();
        ASSERT_EQ(gathering.finish(), 0);
        ASSERT_TRUE(gatherer.whole().both());
        gathered = gatherer.take();
    }
    const tarvos::ResultsData read = tarvos::read_results((folder / "in.db").string());
    ASSERT_EQ(read.error, "");
    EXPECT_GT(gathered.reviewable_rows, 0u);
    EXPECT_GT(gathered.stage_problems.reasons, 0u);
    EXPECT_EQ(shown(gathered), shown(read));
    // A half that a run could not gather is read back and joins the half it did.
    for (const tarvos::ResultsHalves& halves :
         {tarvos::ResultsHalves{true, false, nullptr}, tarvos::ResultsHalves{false, true, nullptr}}) {
        tarvos::PageResults page;
        page.start((folder / "in.db").string(), halves);
        EXPECT_EQ(shown(page.take(gathered)), shown(read)) << halves.conversions;
    }
    // Each record's reasons are its own messages rows, in order.
    std::map<std::int64_t, std::vector<std::string>> stored;
    {
        tarvos::ResultsDatabase db((folder / "in.db").string());
        ASSERT_TRUE(db.each("SELECT sequence, msg FROM messages ORDER BY rowid;", [&](sqlite3_stmt* s) {
            stored[sqlite3_column_int64(s, 0)].push_back(tarvos::column_text(s, 1));
        }));
    }
    EXPECT_GT(stored.size(), 10u);
    const std::vector<std::string> lines = run_log.take().first;
    ASSERT_EQ(lines.size(), 800u);
    for (int n = 1; n <= 800; ++n) {
        tarvos::RecordNote note{static_cast<std::uint64_t>(n), "", 0, false, false, false, 0, tarvos::kCalculationError};
        const std::string id = "P" + std::to_string(n);
        note.patient_id = id;
        EXPECT_EQ(lines[n - 1], tarvos::note_text(note, stored[n])) << n;
    }
    fs::remove_all(folder);
}

}  // namespace

namespace {

// A run of more distinct texts than the message tally keeps whole counts
// them by key from then on, and still groups every "CS says" row into the
// stage problems, the first rows and the later ones alike.
TEST(ResultsGathering, StageProblemsStayWholeOnceTextsAreCountedByKey) {
    tarvos::MessageTally tally;
    tarvos::StageProblemTally every_row;
    constexpr int kRows = 40000;
    for (int r = 1; r <= kRows; ++r) {
        const std::string id = "P" + std::to_string(r);
        const std::string text = "CS says: 'Invalid CS Extension (item 2810) '" + std::to_string(r) + "' for schema S" +
                                 std::to_string(r % 3 + (r > kRows / 2 ? 3 : 0)) + " '";
        tally.take(r, id, text);
        every_row.take(r, id, text);
    }
    ASSERT_TRUE(tally.gave_up());
    const std::shared_ptr<tarvos::TextCounts> counts = tally.take_counts_by_key();
    ASSERT_NE(counts, nullptr);
    EXPECT_EQ(counts->texts(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(tally.take_counts_by_key(), nullptr);  // handed over once
    ASSERT_TRUE(tally.stage_problems_whole());
    const tarvos::StageProblems gathered = tally.finish_stage_problems(), expected = every_row.finish();
    EXPECT_EQ(gathered.reasons, 6u);
    ASSERT_EQ(gathered.shown.size(), expected.shown.size());
    for (std::size_t i = 0; i < expected.shown.size(); ++i) {
        EXPECT_EQ(gathered.shown[i].reason, expected.shown[i].reason);
        EXPECT_EQ(gathered.shown[i].records, expected.shown[i].records);
        ASSERT_EQ(gathered.shown[i].first.size(), expected.shown[i].first.size());
        for (std::size_t k = 0; k < expected.shown[i].first.size(); ++k)
            EXPECT_EQ(gathered.shown[i].first[k].record, expected.shown[i].first[k].record);
    }
}

}  // namespace

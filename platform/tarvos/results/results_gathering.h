// SPDX-License-Identifier: Apache-2.0
// What the summary page and the run log need of a run's results, gathered as
// the conversion library stores each row: the library tells of every row once
// it is in the database (gathering_thread), so that nothing need be read back. The conversions
// are counted by type and by change, the first reviewables kept, the
// messages grouped by text with their first records and into stage
// problems, and the reasons of the record converted last kept for its line
// of the run log. A tally that would need more memory than a page shows
// gives up; the page's results are then read back from the database.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "results_tally.h"
#include "summary_data.h"
#include "vexlin150.h"

namespace tarvos {

class ResultsGatherer {
public:
    // for_page: gather what the page shows, not only the counts and the run
    // log's reasons. spill_folder: where the messages' counts by key go past
    // what memory holds (a file without a name); none: they give up there.
    explicit ResultsGatherer(bool for_page, std::string spill_folder = {})
        : for_page_(for_page), messages_(std::move(spill_folder)) {}
    ResultsGatherer(const ResultsGatherer&) = delete;
    ResultsGatherer& operator=(const ResultsGatherer&) = delete;

    // A row as the library tells of it once stored, rows in the order stored.
    void take_row(const vexlin150_row& row);

    // The messages rows of a record, in the order logged, while no later
    // record has logged one; none for any other.
    std::span<const std::string> reasons_of(std::int64_t record) const;
    // The halves of what the page shows that were gathered whole; the
    // messages' counts by key go with the first call only.
    ResultsHalves whole() {
        const bool messages = for_page_ && !messages_.gave_up();
        return {for_page_ && !changes_.gave_up(), messages, messages_.take_counts_by_key(),
                for_page_ && !messages && messages_.stage_problems_whole()};
    }
    // The rows gathered, counted by table, and what the page shows of each
    // half gathered whole.
    ResultsData take();

private:
    void conversion(const vexlin150_row& row);
    void reviewable(const vexlin150_row& row);
    void message(const vexlin150_row& row);

    bool for_page_;
    ChangeTally changes_;
    ReviewableTally reviewables_;
    MessageTally messages_;
    std::uint64_t conversion_rows_ = 0, message_rows_ = 0;
    std::int64_t reasons_record_ = -1;
    // The first reasons_count_ are the record's: the texts of the others
    // keep their room for the next record's, without an allocation a row.
    std::vector<std::string> reasons_;
    std::size_t reasons_count_ = 0;
};

}  // namespace tarvos

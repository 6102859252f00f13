// SPDX-License-Identifier: Apache-2.0
// The plan of one run, made from the first look at the input and before
// anything is written: where every file goes and under which temporary
// name, which records are read, and how they are converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "file_checks.h"
#include "record_checks.h"
#include "options.h"

namespace tarvos {

struct RunPlan {
    std::string input, output;
    // The private folders where the new files wait until the set is put in
    // place: beside the input, then beside the output when that is elsewhere.
    // Their names hold the run's unforeseeable id; the run creates them.
    std::vector<std::string> private_folders;
    // The output under its temporary name (an anonymous output gets it only
    // when complete), in the output's private folder.
    std::string output_part;
    // The results beside the input: their final names, and the temporary
    // names that the conversion library writes them under.
    BesideFiles beside, beside_part;
    // Where the conversion library writes the results: the file name holds
    // no character that its char interface cannot carry.
    std::string results_path;
    // The journal of the set's placement, beside the input: named from the
    // results, so that every run whose results take these names finds it.
    std::string journal;
    bool run_log = true;       // false when the run log would be the input itself
    // The summary page is written: false with --no-summary or when it would
    // be the input itself.
    bool summary_page = true;
    bool page_is_input = false;
    char record_type = 0;
    std::size_t record_length = 0;
    // The record count the dialog stated for the file, checked once the
    // records are read; none from a person's command line.
    std::optional<std::uint64_t> stated_records;
    bool derive = true;
    int stage_options = kStageAll;
    bool sync = true;
    bool phase_times = false;

    // Temporary and final names of the results, in the order they are put in place.
    std::vector<std::pair<std::string, std::string>> beside_pairs() const;
};

struct PlanResult {
    RunPlan plan;
    std::string refusal;  // why the run cannot go ahead; empty when it can
};

// Plans the run of the options on an input of that shape; run_id makes the
// temporary names this run's own (unforeseeable_run_id()).
PlanResult plan_run(const RunOptions& options, const FileShape& shape, const std::string& run_id);

// The refusal of a run whose input holds another record count than the
// dialog stated; empty when it holds that count, or none was stated.
std::string stated_count_refusal(const RunPlan& plan, std::uint64_t records);

// The journal of the placement of an input's results.
std::string placement_journal_of(const std::string& input);

}  // namespace tarvos

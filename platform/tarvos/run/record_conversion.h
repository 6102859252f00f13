// SPDX-License-Identifier: Apache-2.0
// Converting the records of a planned run: the input read once, every record
// checked and converted through the conversion library, the output written
// under its temporary name and the results under theirs. Nothing is put in
// place here: a run that stops leaves its temporary files to the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_checks.h"
#include "input_source.h"
#include "record_stream.h"
#include "run_plan.h"
#include "summary_data.h"

namespace tarvos {

struct ConversionOutcome {
    std::string refusal;  // the file cannot be converted: nothing is put in place
    std::string failure;  // the run stopped before its output was complete
    bool cancelled = false;
    StreamCounts counts;
    int conversions = 0, reviewables = 0, messages = 0;
    // The run log's lines for the summary page: the first kept, all counted.
    std::vector<std::string> notes;
    std::uint64_t notes_total = 0;
    // The results rows, counted by table as they were stored, and what the
    // page shows of the halves gathered whole.
    ResultsData results;
    ResultsHalves gathered;
};

// Told after every record: the counts so far, and the input's bytes read of
// its size (both of the compressed file, for a gzip file).
using ConversionProgress =
    std::function<void(const StreamCounts& counts, std::uint64_t bytes_read, std::uint64_t bytes_total)>;

// Converts the planned run's input, already opened and looked at. A change of
// the input since input_before stops the run. What the page shows of the
// results is gathered as the rows are stored. results_complete is called
// with the halves gathered whole once every record is converted, the results
// database holds every row and is closed and the run log is written, before
// the output is flushed: the caller may start reading back the halves not
// gathered, and flushing the results, beside that work.
// rows_stored comes before it, on another thread, with the halves gathered
// whole once the database holds every row, committed, while the library
// writes its reports: the reading back may start beside them. It does not
// come when a write of the results failed.
using ResultsComplete = std::function<void(ResultsHalves gathered)>;
ConversionOutcome convert_records(const RunPlan& plan, InputSource& input, const InputIdentity& input_before,
                                  const ConversionProgress& progress, const ResultsComplete& results_complete = {},
                                  const ResultsComplete& rows_stored = {});

}  // namespace tarvos

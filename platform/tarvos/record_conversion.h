// Converting the records of a planned run: the input read once more, every
// record converted through the conversion library, the output written under
// its temporary name and the results under theirs. Nothing is put in place
// here: a run that stops leaves its temporary files to the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_checks.h"
#include "record_stream.h"
#include "run_plan.h"

namespace tarvos {

struct ConversionOutcome {
    std::string refusal;  // the run could not start: nothing was converted
    std::string failure;  // the run stopped before its output was complete
    bool cancelled = false;
    StreamCounts counts;
    int conversions = 0, reviewables = 0, messages = 0;
    // The run log's lines for the summary page: the first kept, all counted.
    std::vector<std::string> notes;
    std::uint64_t notes_total = 0;
};

// Converts the input of the plan; progress goes to a terminal bar when
// show_bar, and to the run's reporter. input_before is the input as the
// inspection saw it: a change since then stops the run. results_complete is
// called once every record converted and the results database holds every
// row and is closed, before the run log is written and the output flushed:
// the caller may start reading the database then, beside that work.
ConversionOutcome convert_records(const RunPlan& plan, const InputIdentity& input_before, bool show_bar,
                                  const std::function<void()>& results_complete = {});

}  // namespace tarvos

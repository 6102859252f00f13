// SPDX-License-Identifier: Apache-2.0
// Recomputing Collaborative Stage for a converted record and writing the
// derived stage items back into it.
#pragma once

#include <span>
#include <string>

#include "cs_entry_points.h"
#include "record.h"

namespace vexlin {

// Stage options: which derived families the caller asks for.
inline constexpr int kStageSs1977 = 1;
inline constexpr int kStageSs2000 = 2;
inline constexpr int kStageAjcc = 4;

// Result flag: the Collaborative Stage calculation reported an error.
inline constexpr int kFlagCsCalculationError = 128;

struct StageOutcome {
    int flags = 0;  // kFlagCsCalculationError or 0
    // The library's reasons when the calculation reported an error: one
    // "CS says: '...'" text for each line of its message, each at most 2999
    // characters, so that each is one row of the messages report. They lie,
    // like the data card, in texts of the process that the next record
    // staged writes over: a record's dozen reasons cost no memory of their
    // own.
    std::span<const std::string> messages;
    bool has_message() const { return !messages.empty(); }
};

// The process-wide data card handed to the Collaborative Stage library.
char* stage_datacard();

// Stages the record (already converted) and, when restage is set, writes the
// requested derived families back.
StageOutcome derive_and_write_stage(const CsEntryPoints& cs, RecordSpan record, int stage_options,
                                    bool restage);

}  // namespace vexlin

// SPDX-License-Identifier: Apache-2.0
// The per-record entry: cleans the record, selects its schema, logs a schema
// failure, runs the conversion rules and returns the result flags.
#pragma once

#include "conversion_state.h"
#include "record.h"

namespace vexlin {

inline constexpr int kFlagNoSchemaForSite = 8;
inline constexpr int kFlagNoSchemaForHistology = 16;
inline constexpr int kFlagSchemaFailure = 32;
inline constexpr int kFlagFieldChanged = 64;

// Every byte outside the printable range 32 to 126 becomes a blank.
void clean_record(RecordSpan record);

// The open conversion's record entry. The conversion must be open.
int convert_record(LibraryState& state, int record_number, RecordSpan record, unsigned char& restage,
                   unsigned char& review);
int convert_record_and_stage(LibraryState& state, int record_number, RecordSpan record, int stage_options,
                             unsigned char& restage, unsigned char& review);

}  // namespace vexlin

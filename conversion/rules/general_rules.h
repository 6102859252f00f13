// SPDX-License-Identifier: Apache-2.0
// The general NAACCR 14.0 to 15.0 rules, run once for every record.
#pragma once

#include "record.h"

namespace vexlin {

class ResultsStore;

// Converts the record in place, logging every rewrite of a coded item to the
// store. schema_index is the selected Collaborative Stage schema number - 1.
// Sets both flags to 0 on entry; the hematopoietic rules may set them to 1.
// Always returns 0.
int apply_general_rules(ResultsStore& store, int schema_index, int record_number, RecordSpan record,
                        unsigned char& restage, unsigned char& review);

// Replaces a retired country code in the three characters at the 1-based start
// column; true when it did.
bool convert_country_code(int start_column, RecordSpan record);

}  // namespace vexlin

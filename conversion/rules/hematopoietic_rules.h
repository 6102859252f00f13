// SPDX-License-Identifier: Apache-2.0
// The hematopoietic and lymphoid rules: new grade coding and, for many
// histologies, a new histology, primary site and Collaborative Stage inputs.
#pragma once

#include "record.h"

namespace vexlin {

class ResultsStore;

// Runs for records diagnosed 2010 or later with behavior "3" (the caller
// tests that). Only ever sets a flag to 1.
void apply_hematopoietic_rules(ResultsStore& store, int record_number, RecordSpan record, unsigned char& restage,
                               unsigned char& review);

}  // namespace vexlin

// SPDX-License-Identifier: Apache-2.0
// Reads the rows of a results table straight from the store's database.
#pragma once

#include <string>
#include <vector>

#include "results_store.h"

namespace vexlin::test {

using Row = std::vector<std::string>;

// Every row of the table in insertion order, each column as text.
std::vector<Row> table_rows(const ResultsStore& store, const std::string& table);

}  // namespace vexlin::test

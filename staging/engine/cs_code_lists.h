// SPDX-License-Identifier: Apache-2.0
// The codes a schema's input accepts, listed one by one as they would stand in
// a record item of a given width: for programs that make up cases (sample
// files, tests) rather than check them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cs_tables.h"

namespace csengine {

// The codes of the input's validation table, sorted and without repeats:
// single codes as the table writes them (those longer than width left out),
// text ranges (C000-C009) expanded over their trailing digits, numeric
// ranges expanded with leading zeros to width, as far as the numbers fit it.
// Ranges bounded by another input's value ({{key}}) and wildcards are left
// out. Empty when the input has no validation table.
//
// Many validation tables also map the code (CS Mets at DX to M): with
// CodeRows::without_errors a code is left out when the first row that holds
// it reaches an ERROR endpoint, as codes kept only for old cases do.
enum class CodeRows { all, without_errors };
std::vector<std::string> input_code_list(const Tables& tables, const SchemaInput& input, std::size_t width,
                                         CodeRows rows = CodeRows::all);

// The same for the schema's input of that key; empty when the schema has none.
std::vector<std::string> input_code_list(const Tables& tables, const Schema& schema, KeyId key, std::size_t width,
                                         CodeRows rows = CodeRows::all);

// The codes of one cell of a table, listed the same way, sorted and without repeats.
std::vector<std::string> cell_code_list(const Table& table, const Cell& cell, std::size_t width);

// Sorted codes as a person reads them: runs of codes that count up by one
// in their trailing digits (001, 002, 003) become a range ("001-003"), and
// the parts are joined by ", ".
std::string compact_codes(const std::vector<std::string>& sorted_codes);

}  // namespace csengine

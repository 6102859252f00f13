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

}  // namespace csengine

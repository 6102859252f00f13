// What a registrar reads about the problems of a calculation: one line per
// problem, naming the NAACCR item by name and number, the code, the schema
// and, for a table, the values that led there.
#pragma once

#include <string>
#include <string_view>

#include "cs_engine.h"

namespace cstage {

// A key as a registrar knows it: an input or storage item by NAACCR name and
// number ("CS Extension (item 2810)"), a derived value by its name
// ("AJCC-7 T"), any other key as the tables name it.
std::string key_label(std::string_view key);

// A code in single quotes; bytes that are not printable, the quote and the
// backslash appear as \xNN, so that the line stays one line and the code can
// be told from the words around it.
std::string quoted(std::string_view code);

// The line (without a line end) that tells of one problem of the result.
std::string problem_text(const csengine::Engine& engine, const csengine::Result& result,
                         const csengine::Problem& problem);

}  // namespace cstage

// SPDX-License-Identifier: Apache-2.0
// What a registrar reads about the problems of a calculation: one line per
// problem, naming the NAACCR item by name and number, the code, the schema
// and, for a table, the values that led there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// quoted(code) appended to out.
void append_quoted(std::string& out, std::string_view code);

// Writes the lines of problems met by one engine, appending each to a text:
// the labels of the tables' keys are made once, and a line is written
// straight into the text, without a temporary string per part.
class ProblemWriter {
public:
    explicit ProblemWriter(const csengine::Engine& engine);
    const csengine::Engine& engine() const { return *engine_; }

    // Appends the line (without a line end) that tells of one problem of the result.
    void append(const csengine::Result& result, const csengine::Problem& problem, std::string& out) const;

private:
    std::string_view label(csengine::KeyId key) const;
    void append_values(const csengine::Result& result, const csengine::Problem& p, std::string& out) const;

    const csengine::Engine* engine_;
    std::vector<std::string> labels_;          // key_label of each key, by key
    std::vector<std::string> invalid_;         // "Invalid <label> " of each key, by key
    std::vector<std::string> schema_suffixes_;  // " for schema <name>" of each schema, by number - 1
};

// The line (without a line end) that tells of one problem of the result.
std::string problem_text(const csengine::Engine& engine, const csengine::Result& result,
                         const csengine::Problem& problem);

}  // namespace cstage

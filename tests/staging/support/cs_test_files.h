// SPDX-License-Identifier: Apache-2.0
// Reading the published Collaborative Stage test files: gzip-compressed or
// plain text, one case a line.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cstest {

// Calls fn for every line (without its line end); false when the file cannot
// be read.
bool for_each_line(const std::string& path, const std::function<void(std::string_view)>& fn);

std::vector<std::string_view> split(std::string_view line, char separator);

// The folder of the published test files.
std::string data_file(std::string_view name);

// The 42 input keys in the order of the expected-result files' first columns.
extern const std::array<std::string_view, 42> kInputKeys;
// The 38 output keys in the order of the files' columns 42 to 79.
extern const std::array<std::string_view, 38> kOutputKeys;

// One case of an expected-result file.
struct ExpectedCase {
    std::vector<std::string_view> fields;  // 80 fields, untrimmed
    std::string_view input(std::size_t i) const { return fields[i]; }
    std::string_view expected(std::size_t i) const { return fields[42 + i]; }
};

// A NAACCR 14.0 record of blanks with the case's 42 inputs at their columns
// (each cut or blank-padded to its width).
std::string record_from_case(const ExpectedCase& c);

}  // namespace cstest

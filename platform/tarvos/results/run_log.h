// SPDX-License-Identifier: Apache-2.0
// The run log: a line for every record a registrar may want to look at,
// written as the records convert. The line of a record whose schema or stage
// failed carries the reasons in the words of the messages report, as the
// conversion library logged them for that record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record_stream.h"

namespace tarvos {

// One line of the run log for a note. reasons: the messages rows logged for
// its record, in order: a schema failure is told in the words of its row, a
// stage calculation error in the words of its "CS says" rows (in general
// words when there are none).
std::string note_text(const RecordNote& note, std::span<const std::string> reasons = {});
// The same appended to line.
void append_note_text(const RecordNote& note, std::span<const std::string> reasons, std::string& line);

struct RunLogLines {
    std::vector<std::string> first;  // the first lines, line ends included
    std::uint64_t total = 0;
};

// The run log written as the records convert: a line for each note, with
// the reasons the results hold for its record, in the system's line ends;
// the first lines kept for the summary page.
class RunLogWriter {
public:
    // Writes to out (none when null: the lines are only kept); keeps the
    // first keep lines.
    RunLogWriter(std::FILE* out, std::size_t keep) : out_(out), keep_(keep) {}
    // The first line: which file the records are of.
    void heading(const std::string& input);
    void add(const RecordNote& note, std::span<const std::string> reasons);
    // The first error that stopped the writing (an errno value), or 0.
    int error() const { return error_; }
    RunLogLines take() { return std::move(lines_); }

private:
    // Writes a line that ends in "\n" with the system's line end.
    void write(std::string_view line);

    std::FILE* out_;
    std::size_t keep_;
    RunLogLines lines_;
    std::string line_;  // the line being written, its room kept for the next
    int error_ = 0;
};

}  // namespace tarvos

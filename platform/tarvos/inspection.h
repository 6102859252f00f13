// The look at the whole input before anything is written: one read of the
// file that finds its record type, record length and line ends and checks
// every record against them, so that a file that cannot be converted whole is
// refused before a byte of output exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"

namespace tarvos {

// The record length of each NAACCR record type: abstracts (A) and
// modifications (M) 22824, confidential (C) 5564, incidence (I) 3339.
std::optional<std::size_t> record_length_of_type(char type);

// What a file's first bytes (unpacked, for a gzip file) say it is when it is
// no NAACCR text file: gzip data once more, a zip archive, or a file of binary
// bytes; nothing for text.
std::optional<std::string> binary_kind(std::string_view first_bytes);

struct Inspection {
    char record_type = 0;
    std::size_t record_length = 0;  // of the record type
    std::string line_end;           // of the first record: "\n", "\r\n", "\r" or ""
    std::uint64_t records = 0;
    std::uint64_t short_records = 0;  // to be padded with blanks
    std::uint64_t blank_tails = 0;    // longer, with only blanks past the record length
    std::uint64_t utf8_records = 0;   // longer in bytes, but UTF-8 of the record length in characters
    // The file ends with its line end doubled (an empty last line): ignored.
    bool final_line_end_doubled = false;
    // Lines that cannot be converted, at most kListed of them, each as
    // "line 6: version \"150\"", and how many there are in all.
    std::vector<std::string> problems;
    std::uint64_t problem_count = 0;
    // Why the file is refused (names the file); empty when it can be converted.
    std::string refusal;
};

inline constexpr std::size_t kListedProblems = 10;

// How much of a line the readers keep: a record of UTF-8 text takes up to
// four bytes a character.
inline constexpr std::size_t kLineKeepLimit = 4 * 22824;

// Inspects lines from a reader whose keep limit is kLineKeepLimit; name is
// the file name the messages use.
Inspection inspect_lines(naaccr::LineReader& reader, std::string_view first_bytes, std::string_view name);

// Opens and inspects the file at path; a gzip file (known by its first
// bytes, whatever its name) is unpacked as it is read.
Inspection inspect_file(const std::string& path);

// 2 when the line end holds a CR, plus 1 when it holds an LF.
int line_end_code(std::string_view end);

}  // namespace tarvos

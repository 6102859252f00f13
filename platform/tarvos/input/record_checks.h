// SPDX-License-Identifier: Apache-2.0
// What a NAACCR 14.0 file must be to be converted. Its first record fixes the
// record type, and with it the record length; every record then has that
// type and version "140" and can hold them. The first record is looked at
// before anything is written; every other is checked as it is converted, and
// a file with records that fail is refused naming the first of their lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_reader.h"
#include "record_stream.h"

namespace tarvos {

// The record length of each NAACCR record type: abstracts (A) and
// modifications (M) 22824, confidential (C) 5564, incidence (I) 3339.
std::optional<std::size_t> record_length_of_type(char type);

// What a file's first bytes (unpacked, for a gzip file) say it is when it is
// no NAACCR text file: gzip data once more, a zip archive, or a file of binary
// bytes; nothing for text.
std::optional<std::string> binary_kind(std::string_view first_bytes);

// 2 when the line end holds a CR, plus 1 when it holds an LF.
int line_end_code(std::string_view end);

// How much of a line the readers keep: a record of UTF-8 text takes up to
// four bytes a character.
inline constexpr std::size_t kLineKeepLimit = 4 * 22824;

// A file's shape, as its first record gives it.
struct FileShape {
    char record_type = 0;
    std::size_t record_length = 0;  // of the record type
    std::string line_end;           // of the first record: "\n", "\r\n", "\r" or ""
};

struct FirstLook {
    FileShape shape;
    std::string refusal;  // why the file cannot be converted (names it); empty when it can
};

// Looks at a file named name by its first bytes and its first line (none
// when the file is empty or could not be read).
FirstLook first_look(std::string_view first_bytes, const naaccr::Line* first_line, std::string_view name);

// Checks a record against the file's record type: it holds the type and the
// version, of that type, and version "140".
RecordCheck record_check(char record_type);

// The refusal of a file whose records failed the checks.
std::string problems_refusal(std::string_view name, const StreamResult& streamed);

}  // namespace tarvos

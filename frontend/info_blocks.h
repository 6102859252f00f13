// SPDX-License-Identifier: Apache-2.0
// Reading the fixed-layout blocks that the two libraries fill in: the file
// information record of the file-information library, and the information
// blocks of both libraries that feed the window title and the About box.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "dialog_ports.h"
#include "morvelio.h"
#include "vexlin150.h"

namespace quillmar {

inline constexpr std::string_view program_version = "1.0.1";
inline constexpr std::string_view program_date = "Mar 16 2015";

using FileInfoRecord = std::span<const char, MORVELIO_FILE_INFO_SIZE>;
// Every path the dialog takes fits the record's path slot in UTF-8.
static_assert(path_max_length * 3 < MORVELIO_FI_PATH_SIZE);
using ConversionInfoBlock = std::span<const char, VEXLIN150_INFO_SIZE>;
using FileLibraryInfoBlock = std::span<const char, MORVELIO_INFO_SIZE>;

// The text in a slot of fixed width: up to the first NUL or the slot's end.
std::string slot_text(std::span<const char> block, std::size_t offset, std::size_t width);

// 2 when either character is a carriage return, plus 1 when either is a line feed.
int line_end_code(char first, char second);

// The values of a filled file information record and the call's result.
// On failure only the error text is taken: the other values were never read.
FileInfoResult read_file_info(FileInfoRecord record, int status);

// Calls the file-information library on a zero-filled record holding path.
using FileInfoCall = std::function<int(char*)>;
FileInfoResult describe_with(const FileInfoCall& call, std::string_view path);

struct LibraryVersions {
    std::string conversion_version;   // vexlin150 block offset 0
    std::string conversion_date;      // offset 16
    std::string stage_version;        // offset 112
    std::string stage_timestamp;      // offset 128
    std::string file_info_version;    // morvelio block offset 0
    std::string file_info_date;       // offset 16
    std::string file_info_maker;      // offset 48: maker and contact, two lines
};

LibraryVersions read_versions(ConversionInfoBlock conversion, FileLibraryInfoBlock file_info);

std::string window_title(const LibraryVersions& versions);
std::string about_text(const LibraryVersions& versions);

}  // namespace quillmar

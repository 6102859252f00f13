// SPDX-License-Identifier: Apache-2.0
// Describes a NAACCR file in one pass: record type, NAACCR version, line ends,
// record length and record count, or the first reason it cannot be converted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "file_layout.h"
#include "line_reader.h"
#include "morvelio.h"

namespace morvelio {

using naaccr::kRecordTypeOffset;
using naaccr::kVersionOffset;
using naaccr::kVersionWidth;

struct FileFacts {
    char record_type = 0;
    char version[4] = {};     // three characters and a NUL
    char line_end[2] = {};    // first line-end characters found; NUL when none
    std::uint32_t record_length = 0;
    std::uint32_t record_count = 0;
};

struct ScanResult {
    FileFacts facts;
    int error = MORVELIO_OK;     // one of the MORVELIO_* results
    std::string message;         // names the file and, where it applies, the line
};

// Scans lines from a reader; name is the file name used in messages, and
// why_unreadable, when given, tells why the reader's source failed.
ScanResult scan_lines(naaccr::LineReader& reader, std::string_view name,
                      const std::function<std::string()>& why_unreadable = {});

// Told now and then how far the scan has read: the bytes of the file read and
// the file's size. Returns false to stop the scan (MORVELIO_STOPPED).
using ScanProgress = std::function<bool(std::uint64_t bytes_read, std::uint64_t file_size)>;

// Opens and scans the file at path (UTF-8), a gzip-compressed file unpacked
// as it is read; progress, when given, is told about every 4 MB and at the end.
ScanResult scan_file(const std::string& path, const ScanProgress& progress = {});

// 2 when either character is a CR, plus 1 when either is an LF: CR LF gives
// 3, LF alone 1, no line end 0.
int line_end_code(char first, char second);

}  // namespace morvelio

// SPDX-License-Identifier: Apache-2.0
#include "file_scan.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "file_names.h"
#include "held_files.h"
#include "input_bytes.h"

namespace morvelio {
namespace {

// Longest line text the scan keeps: far more than any NAACCR record.
constexpr std::size_t kKeepLimit = 64 * 1024;
// How often the progress is told, in bytes of the file read.
constexpr std::uint64_t kProgressEvery = std::uint64_t{4} << 20;

std::string in_quotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

ScanResult failure(ScanResult result, int error, std::string message) {
    result.error = error;
    result.message = std::move(message);
    return result;
}

}  // namespace

int line_end_code(char first, char second) {
    int code = 0;
    if (first == '\r' || second == '\r') code += 2;
    if (first == '\n' || second == '\n') code += 1;
    return code;
}

ScanResult scan_lines(naaccr::LineReader& reader, std::string_view name,
                      const std::function<std::string()>& why_unreadable) {
    const auto unreadable = [&](std::string text) {
        return text + (why_unreadable ? ": " + why_unreadable() : std::string()) + ".";
    };
    ScanResult result;
    FileFacts& facts = result.facts;
    naaccr::Line line;
    if (!reader.next(line)) {
        if (reader.read_failed()) return failure(result, MORVELIO_READ_ERROR, unreadable("Cannot read " + in_quotes(name)));
        return failure(result, MORVELIO_EMPTY, "The file " + in_quotes(name) + " is empty.");
    }
    if (line.length > std::numeric_limits<std::uint32_t>::max())
        return failure(result, MORVELIO_TOO_LARGE, "The first record of " + in_quotes(name) + " is too long.");
    facts.record_length = static_cast<std::uint32_t>(line.length);
    facts.record_type = line.text.empty() ? ' ' : line.text[kRecordTypeOffset];
    if (line.text.size() >= kVersionOffset + kVersionWidth)
        std::memcpy(facts.version, line.text.data() + kVersionOffset, kVersionWidth);
    for (std::size_t i = 0; i < line.end.size() && i < 2; ++i) facts.line_end[i] = line.end[i];
    if (line.length < kVersionOffset + kVersionWidth)
        return failure(result, MORVELIO_TOO_SHORT,
                       "The first record of " + in_quotes(name) + " is " + std::to_string(line.length) +
                           " characters long, too short to hold the NAACCR version (columns 17-19).");

    // The whole file is read even after a record of another length, so that
    // the count is complete; the first such record is the one reported.
    std::uint64_t count = 1;
    std::uint64_t differing_line = 0, differing_length = 0;
    while (reader.next(line)) {
        ++count;
        if (line.length != facts.record_length && differing_line == 0) {
            differing_line = count;
            differing_length = line.length;
        }
    }
    if (reader.read_failed())
        return failure(result, MORVELIO_READ_ERROR,
                       unreadable("Cannot read " + in_quotes(name) + " after line " + std::to_string(count)));
    if (count > std::numeric_limits<std::uint32_t>::max())
        return failure(result, MORVELIO_TOO_LARGE, "The file " + in_quotes(name) + " holds too many records.");
    facts.record_count = static_cast<std::uint32_t>(count);
    if (differing_line != 0)
        return failure(result, MORVELIO_LENGTH_DIFFERS,
                       "The file " + in_quotes(name) + " has records of different lengths: line " +
                           std::to_string(differing_line) + " is " + std::to_string(differing_length) +
                           " characters long, the first record " + std::to_string(facts.record_length) + ".");
    return result;
}

ScanResult scan_file(const std::string& path, const ScanProgress& progress) {
    std::error_code ec;
    const std::filesystem::path name = naaccr::os::path_of(path);
    if (std::filesystem::is_directory(name, ec))
        return failure({}, MORVELIO_CANNOT_OPEN, "Cannot open " + in_quotes(path) + ": it is a folder.");
    naaccr::InputBytes file;
    if (!file.open(path)) {
        const int err = errno;
        return failure({}, MORVELIO_CANNOT_OPEN, "Cannot open " + in_quotes(path) + ": " + naaccr::os::failure_reason(err) + ".");
    }
    const std::uint64_t size = std::filesystem::file_size(name, ec);
    // The reader's source tells the progress as the bytes come; a stop is a
    // failed read that the scan then names as a stop.
    bool stopped = false;
    std::uint64_t told_at = 0;
    const naaccr::ByteSource source = [&](std::span<char> buffer) -> std::ptrdiff_t {
        const std::ptrdiff_t n = file.read(buffer);
        const std::uint64_t read = file.file_bytes_read();
        if (progress && (n == 0 || read - told_at >= kProgressEvery)) {
            told_at = read;
            if (!progress(read, size)) {
                stopped = true;
                return -1;
            }
        }
        return n;
    };
    naaccr::LineReader reader(progress ? source : file.source(), kKeepLimit);
    ScanResult result = scan_lines(reader, path, [&file] { return file.error(); });
    if (stopped) return failure({}, MORVELIO_STOPPED, "The reading of " + in_quotes(path) + " was stopped.");
    return result;
}

}  // namespace morvelio

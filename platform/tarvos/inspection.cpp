#include "inspection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "file_checks.h"
#include "file_layout.h"
#include "input_bytes.h"
#include "utf8_record.h"

namespace tarvos {
namespace {

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A code as a message quotes it: blank when it is all blanks, bytes that are
// not printable as \xNN.
std::string quoted_code(std::string_view code) {
    if (code.find_first_not_of(' ') == std::string_view::npos) return "blank";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char c : code) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out + "\"";
}

constexpr std::size_t kVersionEnd = naaccr::kVersionOffset + naaccr::kVersionWidth;

}  // namespace

std::optional<std::size_t> record_length_of_type(char type) {
    switch (type) {
        case 'A':
        case 'M': return kRecordLength;
        case 'C': return 5564;
        case 'I': return 3339;
        default: return std::nullopt;
    }
}

std::optional<std::string> binary_kind(std::string_view first) {
    // A gzip file is unpacked as it is read: gzip data inside is packed twice.
    if (naaccr::starts_as_gzip(first)) return "gzip-compressed twice: unpack it once first";
    if (first.size() >= 4 && first.substr(0, 4) == std::string_view("PK\x03\x04", 4))
        return "a zip archive: unpack it first";
    if (first.find('\0') != std::string_view::npos) return "not a text file: it holds NUL bytes";
    return std::nullopt;
}

int line_end_code(std::string_view end) {
    int code = 0;
    if (end.find('\r') != std::string_view::npos) code += 2;
    if (end.find('\n') != std::string_view::npos) code += 1;
    return code;
}

Inspection inspect_lines(naaccr::LineReader& reader, std::string_view first_bytes, std::string_view name) {
    Inspection r;
    const std::string file = "the file " + in_quotes(name);
    if (const std::optional<std::string> kind = binary_kind(first_bytes)) {
        r.refusal = file + " is " + *kind;
        return r;
    }
    naaccr::Line line;
    if (!reader.next(line)) {
        r.refusal = reader.read_failed() ? "cannot read " + in_quotes(name) : file + " is empty";
        return r;
    }
    r.record_type = line.text.empty() ? ' ' : line.text[naaccr::kRecordTypeOffset];
    const std::optional<std::size_t> length = record_length_of_type(r.record_type);
    if (!length) {
        r.refusal = file + " has record type " + quoted_code(std::string_view(&r.record_type, 1)) +
                    " in column 1, not one of A, M, C and I";
        return r;
    }
    r.record_length = *length;
    r.line_end = std::string(line.end);
    const std::string_view version = line.text.size() >= kVersionEnd
                                         ? line.text.substr(naaccr::kVersionOffset, naaccr::kVersionWidth)
                                         : std::string_view();
    if (version != kInputVersion) {
        r.refusal = file + " is NAACCR version " + (version.empty() ? "blank" : quoted_code(version)) +
                    ", but only version " + in_quotes(kInputVersion) + " is converted";
        return r;
    }
    if (line.length != r.record_length) {
        r.refusal = file + " has records of type " + std::string(1, r.record_type) + ", which are " +
                    std::to_string(r.record_length) + " characters long, but its first record is " +
                    std::to_string(line.length);
        return r;
    }

    const auto problem = [&](std::uint64_t n, std::string what) {
        if (r.problems.size() < kListedProblems) r.problems.push_back("line " + std::to_string(n) + ": " + what);
        ++r.problem_count;
    };
    // An empty line is no record; only the file's final line end, doubled,
    // is let pass (and counted).
    std::uint64_t lines = 0, empty_line = 0;
    do {
        if (empty_line) {
            problem(empty_line, "an empty line, not a record");
            empty_line = 0;
        }
        const std::uint64_t n = ++lines;
        if (line.length == 0) {
            if (line.end == r.line_end)
                empty_line = n;  // the last line, unless another follows
            else
                problem(n, "an empty line, not a record");
            continue;
        }
        ++r.records;
        // A record of blanks labelled 15.0 must never be made up from a
        // line that cannot even hold the record type and version.
        if (line.length < kVersionEnd) {
            problem(n, std::to_string(line.length) + " characters, too short to hold the record type and NAACCR version");
            continue;
        }
        if (line.text[naaccr::kRecordTypeOffset] != r.record_type)
            problem(n, "record type " + quoted_code(line.text.substr(naaccr::kRecordTypeOffset, 1)));
        else if (const std::string_view v = line.text.substr(naaccr::kVersionOffset, naaccr::kVersionWidth);
                 v != kInputVersion)
            problem(n, "version " + quoted_code(v));
        else if (line.length < r.record_length)
            ++r.short_records;
        else if (line.length > r.record_length && line.text.size() == line.length &&
                 utf8_length(line.text) == r.record_length)
            ++r.utf8_records;  // read a character a column, before any blank tail is dropped
        else if (line.length > r.record_length && line.blank_tail &&
                 line.text.find_first_not_of(' ', r.record_length) == std::string_view::npos)
            ++r.blank_tails;
        else if (line.length > r.record_length)
            problem(n, std::to_string(line.length) + " bytes, more than the " + std::to_string(r.record_length) +
                           " characters of a record and not UTF-8 text of that length");
    } while (reader.next(line));
    if (reader.read_failed()) {
        r.refusal = "cannot read " + in_quotes(name) + " after line " + std::to_string(r.records);
        return r;
    }
    r.final_line_end_doubled = empty_line != 0;
    if (r.problem_count > 0) {
        r.refusal = file + " has " + std::to_string(r.problem_count) + " record" + (r.problem_count == 1 ? "" : "s") +
                    " that cannot be converted: ";
        for (std::size_t i = 0; i < r.problems.size(); ++i) r.refusal += (i ? "; " : "") + r.problems[i];
        if (r.problem_count > r.problems.size()) r.refusal += "; and more";
    }
    return r;
}

Inspection inspect_file(const std::string& path) {
    naaccr::InputBytes file;
    if (!file.open(path)) {
        Inspection r;
        r.refusal = "cannot read " + in_quotes(path) + ": " + std::strerror(errno);
        return r;
    }
    // The first bytes of the content (unpacked, for a gzip file) tell a
    // binary file; the reader then takes them first.
    char head[64] = {};
    const std::ptrdiff_t head_size = file.read_full(head);
    if (head_size < 0) {
        Inspection r;
        r.refusal = "cannot read " + in_quotes(path) + ": " + file.error();
        return r;
    }
    std::size_t head_taken = 0;
    naaccr::LineReader reader(
        [&](std::span<char> buffer) -> std::ptrdiff_t {
            if (head_taken == static_cast<std::size_t>(head_size)) return file.read(buffer);
            const std::size_t n = std::min(buffer.size(), static_cast<std::size_t>(head_size) - head_taken);
            std::memcpy(buffer.data(), head + head_taken, n);
            head_taken += n;
            return static_cast<std::ptrdiff_t>(n);
        },
        kLineKeepLimit);
    Inspection r = inspect_lines(reader, std::string_view(head, static_cast<std::size_t>(head_size)), path);
    if (reader.read_failed()) r.refusal += ": " + file.error();
    return r;
}

}  // namespace tarvos

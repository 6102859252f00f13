// SPDX-License-Identifier: Apache-2.0
#include "record_checks.h"

#include "file_checks.h"
#include "file_layout.h"
#include "input_bytes.h"

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

std::string_view version_of(std::string_view text) {
    return text.size() >= kVersionEnd ? text.substr(naaccr::kVersionOffset, naaccr::kVersionWidth)
                                      : std::string_view();
}

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

FirstLook first_look(std::string_view first_bytes, const naaccr::Line* first, std::string_view name) {
    FirstLook look;
    const std::string file = "the file " + in_quotes(name);
    if (const std::optional<std::string> kind = binary_kind(first_bytes)) {
        look.refusal = file + " is " + *kind;
        return look;
    }
    if (!first) {
        look.refusal = file + " is empty";
        return look;
    }
    FileShape& shape = look.shape;
    shape.record_type = first->text.empty() ? ' ' : first->text[naaccr::kRecordTypeOffset];
    const std::optional<std::size_t> length = record_length_of_type(shape.record_type);
    if (!length) {
        look.refusal = file + " has record type " + quoted_code(std::string_view(&shape.record_type, 1)) +
                       " in column 1, not one of A, M, C and I";
        return look;
    }
    shape.record_length = *length;
    shape.line_end = std::string(first->end);
    if (const std::string_view version = version_of(first->text); version != kInputVersion) {
        look.refusal = file + " is NAACCR version " + (version.empty() ? "blank" : quoted_code(version)) +
                       ", but only version " + in_quotes(kInputVersion) + " is converted";
    } else if (first->length != shape.record_length) {
        look.refusal = file + " has records of type " + std::string(1, shape.record_type) + ", which are " +
                       std::to_string(shape.record_length) + " characters long, but its first record is " +
                       std::to_string(first->length);
    }
    return look;
}

RecordCheck record_check(char record_type) {
    return [record_type](std::string_view text, std::uint64_t length) -> std::optional<std::string> {
        // A record of blanks labelled 15.0 must never be made up from a line
        // that cannot even hold the record type and version.
        if (length < kVersionEnd)
            return std::to_string(length) + " characters, too short to hold the record type and NAACCR version";
        if (text[naaccr::kRecordTypeOffset] != record_type)
            return "record type " + quoted_code(text.substr(naaccr::kRecordTypeOffset, 1));
        if (const std::string_view version = version_of(text); version != kInputVersion)
            return "version " + quoted_code(version);
        return std::nullopt;
    };
}

std::string problems_refusal(std::string_view name, const StreamResult& streamed) {
    const std::uint64_t count = streamed.problem_count;
    std::string refusal = "the file " + in_quotes(name) + " has " + std::to_string(count) + " record" +
                          (count == 1 ? "" : "s") + " that cannot be converted: ";
    for (std::size_t i = 0; i < streamed.problems.size(); ++i) refusal += (i ? "; " : "") + streamed.problems[i];
    if (count > streamed.problems.size()) refusal += "; and more";
    return refusal;
}

}  // namespace tarvos

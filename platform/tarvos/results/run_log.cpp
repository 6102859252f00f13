// SPDX-License-Identifier: Apache-2.0
#include "run_log.h"

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "stage_problems.h"

namespace tarvos {

namespace {

// The parts of a line's account, each after a "; " but the first.
class Parts {
public:
    explicit Parts(std::string& line) : line_(line), start_(line.size()) {}
    std::string& next() {
        if (line_.size() > start_) line_ += "; ";
        return line_;
    }

private:
    std::string& line_;
    std::size_t start_;
};

std::string_view without_trailing_blanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

void append_note_text(const RecordNote& n, std::span<const std::string> reasons, std::string& line) {
    line.append("line ").append(std::to_string(n.line)).append(", Patient ID \"").append(n.patient_id).append("\": ");
    Parts parts(line);
    if (n.padded) parts.next().append("padded with blanks from ").append(std::to_string(n.length)).append(" characters");
    if (n.cut)
        parts.next()
            .append("blanks past the record length dropped from ")
            .append(std::to_string(n.length))
            .append(" characters");
    if (n.utf8) parts.next().append("read as UTF-8 text, a character a column");
    if (n.cleaned_bytes)
        parts.next()
            .append(std::to_string(n.cleaned_bytes))
            .append(n.cleaned_bytes == 1 ? " byte" : " bytes")
            .append(" blanked (control characters or not ASCII)");
    // The schema failure's row: the first reason not in the stage
    // calculation's words.
    std::string_view schema_row;
    for (const std::string& reason : reasons)
        if (schema_row.empty() && !cs_says_words(reason)) schema_row = without_trailing_blanks(reason);
    if (n.flags & (kNoSchemaForSite | kNoSchemaForHistology | kSchemaFailure) && !schema_row.empty()) {
        parts.next().append(schema_row);
    } else {
        if (n.flags & kNoSchemaForSite) parts.next().append("no Collaborative Stage schema for the site");
        if (n.flags & kNoSchemaForHistology) parts.next().append("no Collaborative Stage schema for the histology");
        if (n.flags & kSchemaFailure) parts.next().append("Collaborative Stage schema selection failed");
    }
    if (n.flags & kCalculationError) {
        // The words of the calculation's rows after a colon; without them,
        // the general words alone.
        std::string& out = parts.next().append("stage calculation error: ");
        const std::size_t first = out.size();
        for (const std::string& reason : reasons)
            if (const std::optional<std::string_view> words = cs_says_words(reason)) {
                if (out.size() > first) out += "; ";
                out += *words;
            }
        if (out.size() == first) out.resize(first - 2);
    }
    line += '\n';
}

std::string note_text(const RecordNote& n, std::span<const std::string> reasons) {
    std::string line;
    append_note_text(n, reasons, line);
    return line;
}

void RunLogWriter::heading(const std::string& input) {
    write("Records of \"" + input + "\" to look at: line (also the record number), Patient ID, what happened.\n");
}

// The line is made in the same room each time.
void RunLogWriter::add(const RecordNote& note, std::span<const std::string> reasons) {
    line_.clear();
    append_note_text(note, reasons, line_);
    if (lines_.first.size() < keep_) lines_.first.push_back(line_);
    ++lines_.total;
    write(line_);
}

void RunLogWriter::write(std::string_view line) {
#if defined(_WIN32)
    constexpr std::string_view kLineEnd = "\r\n";
#else
    constexpr std::string_view kLineEnd = "\n";
#endif
    if (!out_ || error_) return;
    line.remove_suffix(1);  // its "\n"
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() ||
        std::fwrite(kLineEnd.data(), 1, kLineEnd.size(), out_) != kLineEnd.size())
        error_ = errno ? errno : EIO;
}

}  // namespace tarvos

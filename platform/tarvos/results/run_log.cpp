// SPDX-License-Identifier: Apache-2.0
#include "run_log.h"

#include <cerrno>
#include <cstdio>

#include "stage_problems.h"

namespace tarvos {

std::string note_text(const RecordNote& n, std::span<const std::string> reasons) {
    std::string what;
    const auto add = [&what](std::string_view part) {
        if (!what.empty()) what += "; ";
        what += part;
    };
    if (n.padded) add("padded with blanks from " + std::to_string(n.length) + " characters");
    if (n.cut) add("blanks past the record length dropped from " + std::to_string(n.length) + " characters");
    if (n.utf8) add("read as UTF-8 text, a character a column");
    if (n.cleaned_bytes)
        add(std::to_string(n.cleaned_bytes) + (n.cleaned_bytes == 1 ? " byte" : " bytes") +
            " blanked (control characters or not ASCII)");
    // The schema failure's row, and the words of the stage calculation's.
    std::string schema_row, calculation;
    for (const std::string& reason : reasons) {
        if (const std::optional<std::string_view> words = cs_says_words(reason)) {
            if (!calculation.empty()) calculation += "; ";
            calculation += *words;
        } else if (schema_row.empty()) {
            schema_row = reason;
            while (!schema_row.empty() && schema_row.back() == ' ') schema_row.pop_back();
        }
    }
    if (n.flags & (kNoSchemaForSite | kNoSchemaForHistology | kSchemaFailure) && !schema_row.empty()) {
        add(schema_row);
    } else {
        if (n.flags & kNoSchemaForSite) add("no Collaborative Stage schema for the site");
        if (n.flags & kNoSchemaForHistology) add("no Collaborative Stage schema for the histology");
        if (n.flags & kSchemaFailure) add("Collaborative Stage schema selection failed");
    }
    if (n.flags & kCalculationError) {
        if (!calculation.empty()) calculation.insert(0, "stage calculation error: ");
        add(calculation.empty() ? "stage calculation error" : calculation);
    }
    std::string line = "line " + std::to_string(n.line) + ", Patient ID \"";
    line.append(n.patient_id).append("\": ").append(what).append("\n");
    return line;
}

void RunLogWriter::heading(const std::string& input) {
    write("Records of \"" + input + "\" to look at: line (also the record number), Patient ID, what happened.\n");
}

void RunLogWriter::add(const RecordNote& note, std::span<const std::string> reasons) {
    std::string line = note_text(note, reasons);
    if (lines_.first.size() < keep_) lines_.first.push_back(line);
    ++lines_.total;
    write(std::move(line));
}

void RunLogWriter::write(std::string line) {
    if (!out_ || error_) return;
#if defined(_WIN32)
    line.insert(line.size() - 1, "\r");
#endif
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size()) error_ = errno ? errno : EIO;
}

}  // namespace tarvos

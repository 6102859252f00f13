// SPDX-License-Identifier: Apache-2.0
#include "summary.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "file_names.h"

namespace tarvos {
namespace {

void add(std::string& text, const char* label, std::uint64_t value, const char* note = nullptr) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-28s %12" PRIu64 "%s%s\n", label, value, note ? "  " : "", note ? note : "");
    text += line;
}

void add_path(std::string& text, const char* label, const std::string& path) {
    text += "  ";
    text += label;
    text.append(label[0] ? 12 - std::string_view(label).size() : 12, ' ');
    text += path;
    text += '\n';
}

}  // namespace

std::string summary_text(const Summary& s) {
    const StreamCounts& c = s.counts;
    std::string text = "Conversion finished.\n";
    add(text, "records read", c.read);
    add(text, "records written", c.written);
    add(text, "records padded", c.padded, "(shorter records filled with blanks)");
    if (c.cut) add(text, "records cut", c.cut, "(only blanks past the record length)");
    if (c.final_empty_lines) add(text, "empty last line", c.final_empty_lines, "(the last line end doubled: ignored)");
    if (c.utf8) add(text, "records of UTF-8 text", c.utf8, "(a character a column; others than ASCII blanked)");
    add(text, "records cleaned", c.cleaned, "(control characters or bytes outside ASCII blanked)");
    if (c.cleaned_bytes) add(text, "  bytes blanked", c.cleaned_bytes);
    add(text, "conversions", static_cast<std::uint64_t>(s.conversions));
    add(text, "reviewables", static_cast<std::uint64_t>(s.reviewables));
    add(text, "messages", static_cast<std::uint64_t>(s.messages));
    text += "  records by result:\n";
    add(text, "  no schema for the site", c.no_schema_for_site);
    add(text, "  no schema for the histology", c.no_schema_for_histology);
    add(text, "  other schema failure", c.schema_failure);
    if (s.derived) add(text, "  stage calculation error", c.calculation_error);
    if (c.field_changed) add(text, "  field changed", c.field_changed);
    add(text, "  restaged", c.restaged);
    add(text, "  flagged for review", c.for_review);
    add(text, "records to look at", c.noted, "(listed in the run log)");
    add_path(text, "output", s.output);
    if (s.database_open) {
        add_path(text, "database", s.beside.database);
        const char* label = "reports";
        for (const std::string* report : {&s.beside.messages, &s.beside.reviewables, &s.beside.conversions}) {
            std::error_code ec;
            if (!std::filesystem::exists(naaccr::os::path_of(*report), ec)) continue;
            add_path(text, label, *report);
            label = "";
        }
        if (label[0]) text += "  No report files were written.\n";
    } else {
        text += "  The results database could not be created: no database and no reports were written.\n";
    }
    {
        std::error_code ec;
        if (std::filesystem::exists(naaccr::os::path_of(s.beside.run_log), ec)) add_path(text, "run log", s.beside.run_log);
        if (!s.beside.summary_page.empty() && std::filesystem::exists(naaccr::os::path_of(s.beside.summary_page), ec))
            add_path(text, "page", s.beside.summary_page);
    }
    if (s.derived && !s.cs_version.empty())
        text += "Stage derived by the Collaborative Stage library " + s.cs_version +
                (s.cs_tables.empty() ? std::string() : " (" + s.cs_tables + ")") + "\n";
    return text;
}

std::string grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

std::string information_slot_text(const char* slot, std::size_t size) {
    std::size_t n = 0;
    while (n < size && slot[n] != '\0') ++n;
    std::string text(slot, n);
    if (size > 0 && n >= size - 1) text += "...";
    return text;
}

}  // namespace tarvos

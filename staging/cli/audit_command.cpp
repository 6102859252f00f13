// SPDX-License-Identifier: Apache-2.0
// cstage audit [--csv OUT] FILE...: the derived stage stored in NAACCR 14.0
// and 15.0 files against what the tables give; a summary, and each
// difference as a CSV row. The files are only read.
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "audit.h"
#include "commands.h"
#include "file_names.h"
#include "held_files.h"
#include "library_texts.h"
#include "line_source.h"
#include "naaccr_columns.h"

namespace fs = std::filesystem;

namespace cstage_cli {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string_view without_trailing_blanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A CSV field: quoted when it holds a separator, a quote, a line end, or
// blanks at either end.
void csv_field(std::string& row, std::string_view value) {
    const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quote) {
        row += value;
        return;
    }
    row += '"';
    for (const char ch : value) {
        if (ch == '"') row += '"';
        row += ch;
    }
    row += '"';
}

std::string grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

void count_line(std::string& text, int indent, const std::string& label, std::uint64_t value) {
    char line[256];
    std::snprintf(line, sizeof line, "%*s%-*s %12s\n", indent, "", 72 - indent, label.c_str(), grouped(value).c_str());
    text += line;
}

bool same_path(const std::string& a, const std::string& b) {
    std::error_code ec;
    const fs::path a_name = naaccr::os::path_of(a), b_name = naaccr::os::path_of(b);
    if (fs::equivalent(a_name, b_name, ec)) return true;
    const fs::path pa = fs::weakly_canonical(a_name, ec), pb = fs::weakly_canonical(b_name, ec);
    return !ec && pa == pb;
}

std::string summary_text(const AuditCounts& c, std::size_t files) {
    std::string text = "Audit with the Collaborative Stage tables of " + std::string(cstage::kTimestampText) + "\n";
    count_line(text, 0, files == 1 ? "file" : "files", files);
    count_line(text, 0, "records read", c.read);
    count_line(text, 2, "skipped: diagnosed before 2004 (or no year)", c.before_2004);
    count_line(text, 2, "skipped: CS Version Input Current before 020000", c.older_cs_input);
    if (c.other_records) count_line(text, 2, "skipped: not a NAACCR 14.0 or 15.0 record", c.other_records);
    if (c.too_short) count_line(text, 2, "skipped: too short to hold the stage items", c.too_short);
    count_line(text, 2, "not derivable", c.not_derivable);
    // The reasons, most records first.
    std::vector<std::pair<std::string, std::uint64_t>> reasons(c.not_derivable_reasons.begin(),
                                                                c.not_derivable_reasons.end());
    std::stable_sort(reasons.begin(), reasons.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& [reason, n] : reasons) count_line(text, 4, reason, n);
    count_line(text, 2, "audited", c.audited);
    count_line(text, 4, "agreeing with the tables", c.agreeing);
    count_line(text, 4, "differing", c.differing);
    for (std::size_t i = 0; i < kAuditedItems; ++i) {
        if (c.differing_items[i] == 0) continue;
        const cstage::NaaccrItem& item = cstage::output_items()[i];
        count_line(text, 6, std::string(item.name) + " (item " + std::to_string(item.item) + ")",
                   c.differing_items[i]);
    }
    return text;
}

// What audit was asked: the files, and the CSV of differences, if any.
struct AuditRequest {
    std::string csv_path;
    std::vector<std::string> files;
};

AuditRequest read_audit_args(const Args& args) {
    AuditRequest request;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv") {
            if (i + 1 >= args.size()) throw UsageError("--csv needs the name of the CSV file to write");
            request.csv_path = std::string(args[++i]);
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError("unknown option \"" + std::string(args[i]) + "\" of audit");
        } else {
            request.files.emplace_back(args[i]);
        }
    }
    if (request.files.empty()) throw UsageError("audit needs at least one FILE");
    return request;
}

// Every file is opened before anything is written: a file that cannot be
// read stops the audit before it starts.
std::vector<std::unique_ptr<LineSource>> open_sources(const AuditRequest& request) {
    std::vector<std::unique_ptr<LineSource>> sources;
    for (const std::string& f : request.files) {
        auto source = std::make_unique<LineSource>(f);
        if (!source->error().empty()) throw UsageError("cannot read \"" + f + "\": " + source->error());
        if (!request.csv_path.empty() && same_path(request.csv_path, f))
            throw UsageError("the CSV file \"" + request.csv_path +
                             "\" is one of the files to audit, which are never written");
        sources.push_back(std::move(source));
    }
    return sources;
}

// One difference as a row of the CSV file.
void csv_row(std::string& row, const std::string& file, const Difference& d) {
    row.clear();
    csv_field(row, file);
    row += ',' + std::to_string(d.line) + ',';
    csv_field(row, without_trailing_blanks(d.patient_id));
    row += ',';
    csv_field(row, cstage::output_items()[d.item].name);
    row += ',';
    csv_field(row, without_trailing_blanks(d.stored));
    row += ',';
    csv_field(row, without_trailing_blanks(d.derived));
    row += '\n';
}

}  // namespace

int audit_command(const csengine::Engine& engine, const Args& args, std::FILE* out) {
    const AuditRequest request = read_audit_args(args);
    std::vector<std::unique_ptr<LineSource>> sources = open_sources(request);
    std::unique_ptr<std::FILE, FileCloser> csv;
    if (!request.csv_path.empty()) {
        csv.reset(naaccr::os::open_file(request.csv_path, "wb"));
        if (!csv) throw UsageError("cannot write \"" + request.csv_path + "\": " + naaccr::os::failure_reason(errno));
        print(csv.get(), "file,line,patient_id,item,stored,derived\n");
    }

    Auditor auditor(engine);
    std::uint64_t rows = 0;
    std::string row;
    for (std::size_t f = 0; f < request.files.size(); ++f) {
        const std::string& name = request.files[f];
        DifferenceSink sink;
        if (std::FILE* csv_file = csv.get())
            sink = [&, csv_file](const Difference& d) {
                csv_row(row, name, d);
                std::fwrite(row.data(), 1, row.size(), csv_file);
                ++rows;
            };
        LineSource& source = *sources[f];
        std::string_view line;
        std::uint64_t number = 0;
        while (source.next(line)) auditor.audit(line, ++number, sink);
        if (!source.error().empty()) throw UsageError("cannot read \"" + name + "\" after line " +
                                                      std::to_string(number) + ": " + source.error());
    }
    std::string text = summary_text(auditor.counts(), request.files.size());
    if (csv) {
        if (std::fclose(csv.release()) != 0) throw UsageError("cannot write \"" + request.csv_path + "\"");
        text += "Differences written to " + request.csv_path + ": " + grouped(rows) + (rows == 1 ? " row\n" : " rows\n");
    }
    print(out, text);
    return auditor.counts().differing == 0 ? kExitOk : kExitProblems;
}

}  // namespace cstage_cli

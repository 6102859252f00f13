// SPDX-License-Identifier: Apache-2.0
#include "run_report.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "console_text.h"
#include "file_checks.h"

namespace tarvos {
namespace {

RunReporter* g_reporter = nullptr;

// Shorter than this, a rate says little about the time left.
constexpr double kSettlingSeconds = 1.0;

bool exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

void add_count(std::string& text, const char* label, std::uint64_t value) {
    text += label;
    text += ": ";
    text += grouped(value);
    text += '\n';
}

}  // namespace

void set_run_reporter(RunReporter* reporter) { g_reporter = reporter; }

void report_started(const std::string& input, std::uint64_t total) {
    if (g_reporter) g_reporter->started(input, total);
}
void report_progress(std::uint64_t done) {
    if (g_reporter) g_reporter->progress(done);
}
void report_refused(const std::string& reason) {
    if (g_reporter) g_reporter->refused(reason);
}
void report_abandoned(const std::string& reason, bool cancelled, bool output_exists) {
    if (g_reporter) g_reporter->abandoned(reason, cancelled, output_exists);
}
void report_finished(const Summary& summary) {
    if (g_reporter) g_reporter->finished(summary);
}

int refuse_run(const std::string& reason) {
    naaccr::os::write_text(stderr, "tarvos: " + reason + ". Nothing was written.\n");
    report_refused(reason);
    return 1;
}

std::string records_done_text(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return grouped(done) + (done == 1 ? " record" : " records");
    return grouped(done) + " of " + grouped(total) + (total == 1 ? " record" : " records");
}

std::optional<double> seconds_left(std::uint64_t done, std::uint64_t total, double elapsed_seconds) {
    if (total == 0 || done == 0 || elapsed_seconds < kSettlingSeconds) return std::nullopt;
    if (done >= total) return 0.0;
    return static_cast<double>(total - done) * elapsed_seconds / static_cast<double>(done);
}

std::string time_left_text(std::uint64_t done, std::uint64_t total, double elapsed_seconds) {
    const std::optional<double> left = seconds_left(done, total, elapsed_seconds);
    if (!left) return "Estimating the time left";
    if (*left < 5.0) return "Almost done";
    // Minutes from 90 seconds on, so that "About 1 minute" is never half wrong.
    if (*left < 90.0) {
        const long seconds = std::lround(*left / 5.0) * 5;
        return "About " + std::to_string(seconds) + " seconds left";
    }
    const long minutes = std::lround(*left / 60.0);
    return "About " + std::to_string(minutes) + " minutes left";
}

std::string summary_page_path(const Summary& summary) {
    return summary.beside.summary_page;
}

ClosingBox finished_box(const Summary& s, bool page_exists) {
    ClosingBox box;
    box.caption = "Conversion finished";
    std::string& text = box.text;
    text = "The conversion to NAACCR 15.0 is finished.\n\n";
    add_count(text, "Records converted", s.counts.written);
    add_count(text, "Conversions", static_cast<std::uint64_t>(s.conversions));
    add_count(text, "Reviewables", static_cast<std::uint64_t>(s.reviewables));
    // Schema failures and the reasons stage could not be derived, a row each.
    add_count(text, "Messages", static_cast<std::uint64_t>(s.messages));
    if (s.derived) add_count(text, "Stage errors", s.counts.calculation_error + s.counts.schema_failure);
    add_count(text, "Records that need attention", s.counts.noted);
    text += "\nOutput: " + s.output + "\n";
    if (s.database_open) {
        text += "Database: " + s.beside.database + "\n";
        std::string reports;
        for (const std::string* report : {&s.beside.messages, &s.beside.reviewables, &s.beside.conversions})
            if (exists(*report)) reports += "    " + *report + "\n";
        text += reports.empty() ? "No reports were written.\n" : "Reports:\n" + reports;
        if (exists(s.beside.run_log)) text += "Run log (the records that need attention): " + s.beside.run_log + "\n";
    } else {
        text += "The results database could not be created: no database and no reports were written.\n";
    }
    if (page_exists) {
        box.page = summary_page_path(s);
        text += "\nA summary page is beside the input:\n" + box.page + "\n\nOpen it now?";
    } else if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return box;
}

ClosingBox refused_box(const std::string& input, const std::string& reason) {
    return {"Conversion not started",
            "The conversion of " + file_name_of(input) + " did not start:\n\n" + reason + ".\n\nNothing was written.",
            {}};
}

ClosingBox abandoned_box(const std::string& input, const std::string& reason, bool cancelled, bool output_exists) {
    const std::string kept = output_exists ? "The input and the earlier output file are unchanged."
                                           : "The input is unchanged.";
    if (cancelled)
        return {"Conversion cancelled",
                "The conversion of " + file_name_of(input) + " was cancelled.\n\nNo output was written. " + kept, {}};
    return {"Conversion abandoned",
            "The conversion of " + file_name_of(input) + " was abandoned:\n\n" + reason + ".\n\nNo output was written. " +
                kept,
            {}};
}

}  // namespace tarvos

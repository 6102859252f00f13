// SPDX-License-Identifier: Apache-2.0
// What a run tells the person who started it, apart from the terminal: a
// reporter that follows the run (the progress window of the dialog's form on
// Windows), and the texts it shows, built from the run's counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "summary.h"

namespace tarvos {

class RunReporter {
public:
    virtual ~RunReporter() = default;
    // The records are about to be converted; total 0 when the count is unknown.
    virtual void started(const std::string& input, std::uint64_t total) = 0;
    // Called after every record: must be cheap.
    virtual void progress(std::uint64_t done) = 0;
    // The run did not start: nothing was written.
    virtual void refused(const std::string& reason) = 0;
    // The run stopped before the output was put in place.
    virtual void abandoned(const std::string& reason, bool cancelled, bool output_exists) = 0;
    virtual void finished(const Summary& summary) = 0;
    // The run is over and its input free again: the last word, if any.
    virtual void closed() {}
};

// The reporter of this process; none by default. The caller keeps it alive
// while it is set.
void set_run_reporter(RunReporter* reporter);

// Each passes the event on to the reporter, if there is one.
void report_started(const std::string& input, std::uint64_t total);
void report_progress(std::uint64_t done);
void report_refused(const std::string& reason);
void report_abandoned(const std::string& reason, bool cancelled, bool output_exists);
void report_finished(const Summary& summary);

// Prints a refusal as the runner does on standard error, reports it, and
// returns the exit code of a failed run.
int refuse_run(const std::string& reason);


// "1,234 of 5,000 records" (or "1,234 records" when the total is unknown).
std::string records_done_text(std::uint64_t done, std::uint64_t total);

// Seconds left at the rate so far; nothing while too little is done to tell
// (under a second of work or no record yet) or when the total is unknown.
std::optional<double> seconds_left(std::uint64_t done, std::uint64_t total, double elapsed_seconds);

// "About 3 minutes left", "About 40 seconds left", "Almost done", or
// "Estimating the time left" while seconds_left cannot tell.
std::string time_left_text(std::uint64_t done, std::uint64_t total, double elapsed_seconds);

// The message box that ends a run of the dialog's form.
struct ClosingBox {
    std::string caption;
    std::string text;
    // The summary page to offer (empty: none); the text ends with the question.
    std::string page;
};

// Stage errors: records whose stage could not be derived for a reason other
// than a missing schema. Records that need attention: those flagged for review.
ClosingBox finished_box(const Summary& summary, bool page_exists);
ClosingBox refused_box(const std::string& input, const std::string& reason);
ClosingBox abandoned_box(const std::string& input, const std::string& reason, bool cancelled, bool output_exists);

// The summary page a later step writes beside the input: its base with ".html".
std::string summary_page_path(const Summary& summary);

}  // namespace tarvos

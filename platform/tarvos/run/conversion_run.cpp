// SPDX-License-Identifier: Apache-2.0
#include "conversion_run.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "console_text.h"
#include "file_checks.h"
#include "file_names.h"
#include "input_source.h"
#include "library_info.h"
#include "os_support.h"
#include "page_results.h"
#include "phase_times.h"
#include "placement.h"
#include "progress.h"
#include "record_conversion.h"
#include "run_plan.h"
#include "run_report.h"
#include "summary.h"
#include "summary_page.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

std::string local_time_text(std::time_t t) {
    char text[32] = "";
    if (const std::tm* local = std::localtime(&t)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

// One run, in the order it goes: an interrupted placement completed; the
// names and the input's first record looked at; the run planned; the records
// converted; the results read back, the page written; the set put in place;
// the summary told.
class ConversionRun {
public:
    explicit ConversionRun(const RunOptions& options) : o_(options) {}

    int run() {
        if (!complete_earlier_placement() || !look_at_input() || !plan()) return refuse_run(refusal_);
        convert();
        if (!converted_.refusal.empty()) return refuse_converted();
        if (failure_.empty()) read_results();
        if (failure_.empty()) write_page();
        place();
        if (!failure_.empty() && !placed_.placed) return abandon();
        if (!failure_.empty()) naaccr::os::write_text(stderr, "tarvos: the files are in place, but " + failure_ + ".\n");
        report();
        return failure_.empty() ? 0 : kExitFailed;
    }

private:
    bool complete_earlier_placement();
    bool look_at_input();
    bool plan();
    void convert();
    int refuse_converted();
    void read_results();
    void write_page();
    void place();
    int abandon();
    void report();

    const RunOptions& o_;
    // The Collaborative Stage library builds its tables on the other core
    // while the run starts and its first records convert.
    struct Warming {
        std::thread thread{warm_collaborative_stage};
        ~Warming() { thread.join(); }
    } warming_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    const std::time_t started_ = std::time(nullptr);
    std::string refusal_, failure_;
    std::optional<InputIdentity> input_before_;
    InputSource input_;
    RunPlan plan_;
    LibraryInfo library_;
    PageResults page_results_;
    EarlyFlush early_flush_;
    ConversionOutcome converted_;
    ResultsData rows_;
    PlacementOutcome placed_;
};

// An earlier run of these results that was stopped while putting its files
// in place is completed first, so that the folder holds one whole set.
bool ConversionRun::complete_earlier_placement() {
    const Recovery recovered = complete_interrupted_placement(placement_journal_of(o_.input));
    if (!recovered.found) return true;
    if (!recovered.failure.empty()) {
        refusal_ = "an earlier run was stopped while putting its files in place beside \"" + o_.input +
                   "\", and its placement cannot be completed: " + recovered.failure;
        return false;
    }
    std::string names;
    for (const std::string& name : recovered.placed) names += (names.empty() ? "" : ", ") + name;
    naaccr::os::write_text(stderr, "tarvos: an earlier run was stopped while putting its files in place beside \"" +
                                       o_.input + "\"; its placement was completed" + (names.empty() ? "" : ": ") +
                                       names + ".\n");
    return true;
}

// The names, then the input's first record: before anything is written. The
// rest of the records are checked as they are converted.
bool ConversionRun::look_at_input() {
    const PhaseClock clock(Phase::first_look);
    if (std::optional<std::string> refusal = check_paths(o_.input, o_.output)) {
        refusal_ = std::move(*refusal);
        return false;
    }
    input_before_ = input_identity(o_.input);
    if (!input_before_) {
        refusal_ = "the input file \"" + o_.input + "\" cannot be looked at";
        return false;
    }
    if (input_.open(o_.input)) return true;
    refusal_ = input_.refusal();
    return false;
}

// Where every file goes, under which temporary name.
bool ConversionRun::plan() {
    PlanResult planned = plan_run(o_, input_.shape(), unforeseeable_run_id());
    refusal_ = std::move(planned.refusal);
    plan_ = std::move(planned.plan);
    return refusal_.empty();
}

// The records; the progress on a terminal bar and to the dialog's window.
void ConversionRun::convert() {
    library_ = conversion_library_info();
    std::optional<ProgressBar> bar;
    if (!o_.quiet && stderr_is_terminal()) bar.emplace(stderr);
    report_started(plan_.input, plan_.stated_records.value_or(0));
    const ConversionProgress progress = [&bar](const StreamCounts& c, std::uint64_t bytes, std::uint64_t total) {
        if (bar) bar->update(c.read, bytes, total);
        report_progress(c.read);
    };
    // The page's halves not gathered are read back from the moment the
    // database holds every row, beside the library's reports; the results
    // beside the input go to the disk while the output's last blocks do.
    const auto read_back = [this](ResultsHalves gathered) {
        if (plan_.summary_page && !gathered.both()) page_results_.start(plan_.beside_part.database, gathered);
    };
    const auto results_complete = [this, read_back](ResultsHalves gathered) {
        if (plan_.sync) early_flush_.start(plan_);
        read_back(std::move(gathered));
    };
    converted_ = convert_records(plan_, input_, *input_before_, progress, results_complete, read_back);
    if (bar) bar->finish();
    failure_ = converted_.failure;
}

int ConversionRun::refuse_converted() {
    page_results_.wait();
    remove_temporary_files(plan_);
    return refuse_run(converted_.refusal);
}

// The results as the page shows them, gathered as the rows were stored, or
// read back when that gathering gave up, beside the flush of the files to
// the disk. The counts are the rows the database holds, never the rows the
// run tried to write.
void ConversionRun::read_results() {
    if (plan_.sync) early_flush_.start(plan_);
    const PhaseClock clock(Phase::results);
    if (!plan_.summary_page || converted_.gathered.both())
        rows_ = std::move(converted_.results);
    else if (page_results_.started())
        rows_ = page_results_.take(std::move(converted_.results));
    else
        rows_ = tarvos::read_results(plan_.beside_part.database);
    if (!rows_.error.empty())
        failure_ = "cannot read back the results database beside \"" + o_.input + "\": " + rows_.error;
    else if (rows_.conversions != static_cast<std::uint64_t>(converted_.conversions) ||
             rows_.reviewable_rows != static_cast<std::uint64_t>(converted_.reviewables) ||
             rows_.messages != static_cast<std::uint64_t>(converted_.messages))
        failure_ = "the results database beside \"" + o_.input + "\" holds fewer rows than the conversion logged";
}

// The summary page, from the results as the run left them, under its
// temporary name. It is part of the set: a page that cannot be written
// abandons the run.
void ConversionRun::write_page() {
    if (!plan_.summary_page) return;
    const PhaseClock clock(Phase::page);
    PageContent page;
    page.input = shown_path(plan_.input);
    page.output = shown_path(plan_.output);
    page.record_type = plan_.record_type;
    page.line_ends = line_end_name(input_.shape().line_end);
    page.records = converted_.counts.read;
    page.started = local_time_text(started_);
    page.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    page.runner_version = kRunnerVersion;
    page.library_version = library_.version + ", " + library_.date;
    page.cs_version = library_.cs_version;
    page.cs_tables = library_.cs_timestamp;
    page.derived = plan_.derive;
    page.stage_options = plan_.stage_options;
    page.counts = converted_.counts;
    page.results = std::move(rows_);
    page.notes = std::move(converted_.notes);
    page.notes_total = converted_.notes_total;
    failure_ = write_summary_page(plan_.beside_part.summary_page, page);
}

// The set in its place, whole, or every temporary file taken back.
void ConversionRun::place() {
    const PhaseClock clock(Phase::placing);
    if (failure_.empty()) failure_ = early_flush_.wait();
    if (failure_.empty()) {
        placed_ = put_in_place(placement_set(plan_), plan_.sync);
        failure_ = placed_.failure;
    }
}

int ConversionRun::abandon() {
    page_results_.wait();  // no file goes from under the page's reading
    early_flush_.wait();   // nor from under a flush
    remove_temporary_files(plan_);
    std::error_code ec;
    const bool output_exists = fs::exists(naaccr::os::path_of(o_.output), ec);
    naaccr::os::write_text(stderr, "tarvos: " + failure_ + ". The conversion was abandoned: no output was written" +
                                       (output_exists ? " (the existing output file is unchanged)" : "") +
                                       ", and the results beside the input are the earlier run's, if any.\n");
    report_abandoned(failure_, converted_.cancelled, output_exists);
    return converted_.cancelled ? interrupted_exit_code() : kExitFailed;
}

void ConversionRun::report() {
    if (!o_.quiet) {
        Summary summary;
        summary.counts = converted_.counts;
        summary.conversions = converted_.conversions;
        summary.reviewables = converted_.reviewables;
        summary.messages = converted_.messages;
        summary.database_open = true;
        summary.derived = o_.derive;
        summary.cs_version = library_.cs_version;
        summary.cs_tables = library_.cs_timestamp;
        summary.output = shown_path(o_.output);
        summary.beside = beside_files(shown_path(o_.input));
        naaccr::os::write_text(stdout, summary_text(summary));
        std::fflush(stdout);
        report_finished(summary);
    }
    if (o_.phase_times) print_phase_times(stderr);
}

}  // namespace

int run_conversion(const RunOptions& options) { return ConversionRun(options).run(); }

std::string version_text() { return version_text(kRunnerVersion); }

}  // namespace tarvos

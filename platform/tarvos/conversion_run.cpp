#include "conversion_run.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <future>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "console_text.h"
#include "file_checks.h"
#include "file_names.h"
#include "inspection.h"
#include "morvelio.h"
#include "os_support.h"
#include "phase_times.h"
#include "placement.h"
#include "record_conversion.h"
#include "run_plan.h"
#include "run_report.h"
#include "summary.h"
#include "summary_data.h"
#include "summary_page.h"
#include "vexlin150.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

// A NUL-padded text of at most max characters in a fixed slot.
std::string slot_text(const char* slot, std::size_t max) {
    std::size_t n = 0;
    while (n < max && slot[n] != '\0') ++n;
    return std::string(slot, n);
}

struct LibraryInfo {
    std::string version, date;
    // The Collaborative Stage library's version text and timestamp (which
    // names its tables), as the information block holds them.
    std::string cs_version, cs_timestamp;
};

LibraryInfo conversion_library_info() {
    std::vector<char> block(VEXLIN150_INFO_SIZE + 1, 0);
    vexlin150_Get_dll_info(block.data());
    LibraryInfo info;
    // Slots of the information block: version, build date, and the
    // Collaborative Stage library's version and timestamp.
    info.version = slot_text(block.data(), 16);
    info.date = slot_text(block.data() + 16, 16);
    info.cs_version = information_slot_text(block.data() + 112, 16);
    info.cs_timestamp = information_slot_text(block.data() + 128, 64);
    // The whole texts, when the Collaborative Stage library can be asked.
    if (std::string full = collaborative_stage_text("CStage_get_version"); !full.empty()) info.cs_version = full;
    if (std::string full = collaborative_stage_text("CStage_get_timestamp"); !full.empty()) info.cs_timestamp = full;
    return info;
}

std::string local_time_text(std::time_t t) {
    char text[32] = "";
    if (const std::tm* local = std::localtime(&t)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

// The summary page of a converted run, under its temporary name, from the
// results database under its own; what went wrong, or an empty text.
std::string write_page(const RunPlan& plan, const Inspection& inspection, const LibraryInfo& library,
                       ConversionOutcome& converted, ResultsData&& results, std::time_t started, double seconds) {
    PageContent page;
    page.input = shown_path(plan.input);
    page.output = shown_path(plan.output);
    page.record_type = inspection.record_type;
    page.line_ends = line_end_name(inspection.line_end);
    page.records = inspection.records;
    page.started = local_time_text(started);
    page.seconds = seconds;
    page.runner_version = kRunnerVersion;
    page.library_version = library.version + ", " + library.date;
    page.cs_version = library.cs_version;
    page.cs_tables = library.cs_timestamp;
    page.derived = plan.derive;
    page.stage_options = plan.stage_options;
    page.counts = converted.counts;
    page.results = std::move(results);
    page.notes = std::move(converted.notes);
    page.notes_total = converted.notes_total;
    return write_summary_page(plan.beside_part.summary_page, page);
}

// The results as the summary page shows them, read on two threads of their
// own from the moment the database is closed, the conversions and the
// messages side by side, while the run log is written and the output reaches
// the disk; read on the spot when no thread can start.
class PageResults {
public:
    void start(const std::string& database) {
        database_ = database;
        try {
            conversions_ = std::async(std::launch::async, read_conversion_results, database);
            messages_ = std::async(std::launch::async, read_message_results, database);
        } catch (const std::system_error&) {
        }
    }
    bool started() const { return !database_.empty(); }
    ResultsData take() {
        ResultsData conversions = conversions_.valid() ? conversions_.get() : read_conversion_results(database_);
        ResultsData messages = messages_.valid() ? messages_.get() : read_message_results(database_);
        return join_results(std::move(conversions), std::move(messages));
    }
    // Waits until the reading has ended, so that no file goes from under it.
    void wait() {
        if (conversions_.valid()) conversions_.wait();
        if (messages_.valid()) messages_.wait();
    }
    ~PageResults() { wait(); }

private:
    std::string database_;
    std::future<ResultsData> conversions_, messages_;
};

// The results beside the input, complete once the records are through, sent
// to the disk on a thread of their own while the summary page is made: the
// flushes of the placement then find them there. What failed is told, since a
// failure that one flush has seen is not seen again by the next.
class EarlyFlush {
public:
    void start(const RunPlan& plan) {
        std::vector<std::string> parts;
        for (const auto& [part, final_name] : plan.beside_pairs()) {
            std::error_code ec;
            if (part != plan.beside_part.summary_page && fs::exists(naaccr::os::path_of(part), ec)) parts.push_back(part);
        }
        const auto flush_all = [](std::vector<std::string> paths) {
            for (const std::string& path : paths)
                if (std::string why = flush_file(path); !why.empty())
                    return "cannot flush \"" + path + "\" to disk: " + why;
            return std::string();
        };
        try {
            done_ = std::async(std::launch::async, flush_all, std::move(parts));
        } catch (const std::system_error&) {
            // No thread: the placement flushes them all, as ever.
        }
    }
    // What failed, once every flush has ended; empty when none did.
    std::string wait() { return done_.valid() ? done_.get() : std::string(); }
    ~EarlyFlush() {
        if (done_.valid()) done_.wait();
    }

private:
    std::future<std::string> done_;
};

}  // namespace

// One way through a run: inspect the input, plan the run, convert the
// records, put the files in place, report.
int run_conversion(const RunOptions& o) {
    const auto start = std::chrono::steady_clock::now();
    const std::time_t started = std::time(nullptr);
    // An earlier run of these results that was stopped while putting its
    // files in place is completed first, so that the folder holds one whole set.
    if (const Recovery recovered = complete_interrupted_placement(placement_journal_of(o.input)); recovered.found) {
        if (!recovered.failure.empty())
            return refuse_run("an earlier run was stopped while putting its files in place beside \"" + o.input +
                          "\", and its placement cannot be completed: " + recovered.failure);
        std::string names;
        for (const std::string& name : recovered.placed) names += (names.empty() ? "" : ", ") + name;
        naaccr::os::write_text(stderr, "tarvos: an earlier run was stopped while putting its files in place beside \"" + o.input +
                                       "\"; its placement was completed" + (names.empty() ? "" : ": ") + names + ".\n");
    }
    // The Collaborative Stage library builds its tables while the input is
    // inspected, on the other core.
    struct Warming {
        std::thread thread{warm_collaborative_stage};
        ~Warming() { thread.join(); }
    } warming;
    // Inspect: the names, and every record, before anything is written.
    std::optional<PhaseClock> inspecting(std::in_place, Phase::inspection);
    if (auto refusal = check_paths(o.input, o.output)) return refuse_run(*refusal);
    const std::optional<InputIdentity> input_before = input_identity(o.input);
    if (!input_before) return refuse_run("the input file \"" + o.input + "\" cannot be looked at");
    const Inspection inspection = inspect_file(o.input);
    if (!inspection.refusal.empty()) return refuse_run(inspection.refusal);

    // Plan: where every file goes, under which temporary name.
    inspecting.reset();
    const PlanResult planned = plan_run(o, inspection, unforeseeable_run_id());
    if (!planned.refusal.empty()) return refuse_run(planned.refusal);
    const RunPlan& plan = planned.plan;

    // Convert the records.
    const LibraryInfo library = conversion_library_info();
    PageResults page_results;
    const auto start_page = [&] {
        if (plan.summary_page) page_results.start(plan.beside_part.database);
    };
    ConversionOutcome converted = convert_records(plan, *input_before, !o.quiet && stderr_is_terminal(), start_page);
    if (!converted.refusal.empty()) {
        page_results.wait();
        remove_temporary_files(plan);
        return refuse_run(converted.refusal);
    }

    // The counts are the rows the database holds, never the rows the run
    // tried to write: the page's reading counts them too.
    std::string failure = converted.failure;
    EarlyFlush early_flush;
    if (failure.empty() && plan.sync) early_flush.start(plan);
    ResultsData rows;
    if (failure.empty()) {
        const PhaseClock clock(Phase::results);
        rows = page_results.started() ? page_results.take() : count_results(plan.beside_part.database);
        if (!rows.error.empty())
            failure = "cannot read back the results database beside \"" + o.input + "\": " + rows.error;
        else if (rows.conversions != static_cast<std::uint64_t>(converted.conversions) ||
                 rows.reviewable_rows != static_cast<std::uint64_t>(converted.reviewables) ||
                 rows.messages != static_cast<std::uint64_t>(converted.messages))
            failure = "the results database beside \"" + o.input + "\" holds fewer rows than the conversion logged";
    }

    // The summary page, from the results as the run left them. It is part
    // of the set: a page that cannot be written abandons the run.
    if (failure.empty() && plan.summary_page) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const PhaseClock clock(Phase::page);
        failure = write_page(plan, inspection, library, converted, std::move(rows), started, seconds);
    }

    // Put the set in place, whole, or take back every temporary file.
    PlacementOutcome placed;
    if (failure.empty()) {
        const PhaseClock clock(Phase::placing);
        failure = early_flush.wait();
    }
    if (failure.empty()) {
        const PhaseClock clock(Phase::placing);
        placed = put_in_place(placement_set(plan), plan.sync);
        failure = placed.failure;
    }
    if (!failure.empty() && !placed.placed) {
        page_results.wait();  // no file goes from under the page's reading
        early_flush.wait();   // nor from under a flush
        remove_temporary_files(plan);
        std::error_code ec;
        const bool output_exists = fs::exists(naaccr::os::path_of(o.output), ec);
        naaccr::os::write_text(stderr, "tarvos: " + failure + ". The conversion was abandoned: no output was written" +
                                   (output_exists ? " (the existing output file is unchanged)" : "") +
                                   ", and the results beside the input are the earlier run's, if any.\n");
        report_abandoned(failure, converted.cancelled, output_exists);
        return converted.cancelled ? interrupted_exit_code() : kExitFailed;
    }
    if (!failure.empty()) naaccr::os::write_text(stderr, "tarvos: the files are in place, but " + failure + ".\n");

    // Report.
    if (!o.quiet) {
        Summary summary;
        summary.counts = converted.counts;
        summary.conversions = static_cast<int>(converted.conversions);
        summary.reviewables = static_cast<int>(converted.reviewables);
        summary.messages = static_cast<int>(converted.messages);
        summary.database_open = true;
        summary.derived = o.derive;
        summary.cs_version = library.cs_version;
        summary.cs_tables = library.cs_timestamp;
        summary.output = shown_path(o.output);
        summary.beside = beside_files(shown_path(o.input));
        naaccr::os::write_text(stdout, summary_text(summary));
        std::fflush(stdout);
        report_finished(summary);
    }
    if (o.phase_times) print_phase_times(stderr);
    return failure.empty() ? 0 : kExitFailed;
}

std::string version_text() {
    const LibraryInfo library = conversion_library_info();
    std::vector<char> block(MORVELIO_INFO_SIZE + 1, 0);
    hsGet_morvelio_dll_info(block.data());
    std::string text = std::string("tarvos ") + kRunnerVersion + "\n";
    text += "vexlin150 " + library.version + ", " + library.date + "\n";
    text += "morvelio " + std::string(block.data() + MORVELIO_INFO_VERSION) + ", " +
            std::string(block.data() + MORVELIO_INFO_DATE) + "\n";
    text += "Collaborative Stage " + library.cs_version + ", " + library.cs_timestamp + "\n";
    return text;
}

}  // namespace tarvos

// SPDX-License-Identifier: Apache-2.0
#include "record_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "file_cache.h"
#include "gathering_thread.h"
#include "held_files.h"
#include "leftovers.h"
#include "os_support.h"
#include "output_file.h"
#include "phase_times.h"
#include "placement.h"
#include "results_gathering.h"
#include "results_session.h"
#include "run_log.h"
#include "summary_page.h"

namespace tarvos {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The converter, timed call by call when the run reports its phases.
RecordConverter timed(RecordConverter convert, bool timing) {
    if (!timing) return convert;
    return [convert = std::move(convert)](int n, char* record, unsigned char& restage, unsigned char& review) {
        const PhaseClock clock(Phase::library);
        return convert(n, record, restage, review);
    };
}

// One conversion of a planned run, step by step: the private folders, the
// output, the results and the run log opened; the records streamed; the
// results closed; the run log written and the output finished.
class RecordConversion {
public:
    RecordConversion(const RunPlan& plan, InputSource& input, const InputIdentity& input_before,
                     const ConversionProgress& progress, const ResultsComplete& results_complete,
                     const ResultsComplete& rows_stored)
        : plan_(plan), input_(input), input_before_(input_before), progress_(progress),
          results_complete_(results_complete), rows_stored_(rows_stored), results_(plan),
          run_log_lines_(nullptr, plan.summary_page ? kNotesShown : 0) {}

    ConversionOutcome run() {
        if (!make_folders() || !open_output() || !open_run_log() || !open_results()) return std::move(outcome_);
        const StreamResult streamed = stream();
        // Told to the gathering thread with the rows, under its lock.
        records_through_ = streamed.end == StreamEnd::done;
        close_results();
        judge(streamed);
        finish();
        return std::move(outcome_);
    }

private:
    bool make_folders();
    bool open_output();
    bool open_results();
    bool open_run_log();
    StreamResult stream();
    void close_results();
    void judge(const StreamResult& streamed);
    void start_page_results();
    void tell_rows_stored();
    void finish();
    void finish_run_log();
    void fail(std::string why) {
        if (outcome_.failure.empty()) outcome_.failure = std::move(why);
    }

    const RunPlan& plan_;
    InputSource& input_;
    const InputIdentity& input_before_;
    const ConversionProgress& progress_;
    const ResultsComplete& results_complete_;
    const ResultsComplete& rows_stored_;
    ConversionOutcome outcome_;
    OutputFile output_;
    ResultsSession results_;
    std::vector<char> run_log_buffer_ = std::vector<char>(std::size_t{1} << 16);  // outlives run_log_
    FilePtr run_log_;
    RunLogWriter run_log_lines_;
    std::optional<ResultsGatherer> gathered_;
    std::optional<GatheringThread> gathering_;
    int gathering_error_ = 0;
    bool records_through_ = false;  // every record converted: no stop, no refusal of a record
};

// The new files wait in private folders until the whole set is put in place:
// beside the input for the results, beside the output for it. What killed
// runs left under temporary names there goes first.
bool RecordConversion::make_folders() {
    remove_leftovers(folder_of(plan_.beside.base));
    if (folder_of(plan_.output) != folder_of(plan_.beside.base)) remove_leftovers(folder_of(plan_.output));
    for (std::size_t i = 0; i < plan_.private_folders.size(); ++i) {
        if (create_private_folder(plan_.private_folders[i])) continue;
        const std::string why = naaccr::os::failure_reason(errno);
        remove_temporary_files(plan_);
        outcome_.refusal = i == 0 ? "cannot create the results database and reports in the input's folder \"" +
                                        folder_of(shown_path(plan_.input)) + "\": " + why +
                                        "; the results are written beside the input, so that folder must be writable"
                                  : "cannot create a file in the output's folder \"" + folder_of(plan_.output) +
                                        "\": " + why;
        return false;
    }
    return true;
}

bool RecordConversion::open_output() {
    // A plain input's size is about the output's: its room is set aside.
    const std::uint64_t expected = input_.compressed() ? 0 : input_.size();
    const std::string why = output_.create(folder_of(plan_.output), plan_.output_part, is_gzip_name(plan_.output),
                                           expected, plan_.sync, naaccr::os::gentle_on_memory(input_.size()));
    if (why.empty()) return true;
    outcome_.refusal = "cannot create a file in the output's folder \"" + folder_of(plan_.output) + "\": " + why;
    return false;
}

// Without its results database a conversion would lose every logged change
// and review, so it does not start. The rows are gathered as they are stored,
// from the first, beside the conversion.
bool RecordConversion::open_results() {
    // The messages' counts by key that outgrow memory go to a file without a
    // name among the results waiting in their private folder.
    gathered_.emplace(plan_.summary_page, plan_.private_folders.front());
    gathering_.emplace(*gathered_, run_log_lines_, [this] { tell_rows_stored(); });
    if (results_.open()) {
        // The database and the run log grow with the output: they start on
        // their way to the disk with it.
        std::vector<std::string> growing{plan_.beside_part.database};
        if (run_log_) growing.push_back(plan_.beside_part.run_log);
        output_.write_back_beside(std::move(growing));
        return true;
    }
    outcome_.refusal = "cannot create the results database beside \"" + plan_.input + "\": " + results_.failure();
    return false;
}

// The run log lists every record a registrar may want to look at: a text
// file, with the system's line ends like the reports beside it, written as
// the records convert. Its heading goes first.
bool RecordConversion::open_run_log() {
    if (plan_.run_log) run_log_.reset(create_new_file(plan_.beside_part.run_log));
    if (plan_.run_log && !run_log_) {
        outcome_.refusal = "cannot create the run log \"" + plan_.beside.run_log + "\": " + std::strerror(errno);
        return false;
    }
    // A line for many records: written 64 kB at a time rather than 4 kB.
    if (run_log_) std::setvbuf(run_log_.get(), run_log_buffer_.data(), _IOFBF, run_log_buffer_.size());
    run_log_lines_ = RunLogWriter(run_log_.get(), plan_.summary_page ? kNotesShown : 0);
    run_log_lines_.heading(plan_.input);
    return true;
}

// Every record of the input, checked, converted and written block by block;
// the reader and the writer are gone once the records are through, so that
// their blocks are not held while the results are read back.
StreamResult RecordConversion::stream() {
    const PhaseClock clock(Phase::conversion);
    BlockWriter writer(output_.sink());
    // A record's reasons are the rows logged for it while it converted: its
    // line is written by the gathering, after them.
    const NoteSink note = [this](const RecordNote& n) { gathering_->note(n); };
    const ProgressTick tick = [this](const StreamCounts& c) {
        if (progress_) progress_(c, input_.bytes_read(), input_.size());
        return !interrupt_requested();
    };
    return stream_records(input_.lines(), writer, plan_.record_length, timed(results_.converter(), plan_.phase_times),
                          tick, note, record_check(plan_.record_type));
}

void RecordConversion::close_results() {
    results_.counters(outcome_.conversions, outcome_.reviewables, outcome_.messages);
    {
        const PhaseClock clock(Phase::reports);
        results_.close();
    }
    gathering_error_ = gathering_->finish();
    gathering_.reset();
    // Results gathered in part are of no use: the page reads them back.
    outcome_.gathered = gathering_error_ ? ResultsHalves{} : gathered_->whole();
    outcome_.results = gathered_->take();
    gathered_.reset();
}

// What the records' end says of the run: records that cannot be converted
// refuse the file, as does a count other than the dialog stated; a read or
// write error or an interrupt abandons it.
void RecordConversion::judge(const StreamResult& streamed) {
    outcome_.counts = streamed.counts;
    switch (streamed.end) {
        case StreamEnd::bad_record: outcome_.refusal = problems_refusal(plan_.input, streamed); break;
        case StreamEnd::read_error:
            fail("cannot read \"" + plan_.input + "\": " + streamed.error + ": " + input_.read_error());
            break;
        case StreamEnd::write_error:
            fail("cannot write the output beside \"" + plan_.output + "\": " +
                 std::strerror(output_.write_error() ? output_.write_error() : EIO));
            break;
        case StreamEnd::stopped: fail("interrupted"); break;
        case StreamEnd::done: break;
    }
    if (outcome_.refusal.empty() && outcome_.failure.empty())
        outcome_.refusal = stated_count_refusal(plan_, streamed.counts.read);
}

// The results and the run log are complete: the reading back of the halves
// not gathered whole, which alone holds the messages' counts from now, to
// let them go once it has used them, and their flush may start.
void RecordConversion::start_page_results() {
    ResultsHalves gathered = outcome_.gathered;
    outcome_.gathered.message_counts.reset();
    results_complete_(std::move(gathered));
}

// On the gathering thread, which has taken every row: the halves not gathered
// may be read back while the library writes its reports, unless the records
// stopped short (a stopped or refused run has no page to wait for). A
// reading that cannot start now starts once they are written.
void RecordConversion::tell_rows_stored() {
    if (!rows_stored_ || !records_through_) return;
    try {
        rows_stored_(gathered_->whole());
    } catch (...) {
    }
}

// The record of what the conversion changed is as much the run's work as the
// output: every row stored, every report written, the run log and the output
// whole on the disk, or nothing is put in place.
void RecordConversion::finish() {
    const bool whole = outcome_.refusal.empty() && outcome_.failure.empty();
    if (whole)
        if (const std::string why = results_.failure(); !why.empty())
            fail("cannot write the results beside \"" + plan_.input + "\": " + why);
    if (outcome_.refusal.empty() && outcome_.failure.empty()) {
        finish_run_log();
        if (outcome_.failure.empty() && results_complete_) start_page_results();
        const PhaseClock clock(Phase::output);
        fail(output_.finish(plan_.output));
    }
    if (outcome_.failure.empty() && outcome_.refusal.empty() && interrupt_requested()) fail("interrupted");
    if (outcome_.failure.empty() && outcome_.refusal.empty())
        if (auto changed = check_input_unchanged(plan_.input, input_before_)) fail(*changed);
    outcome_.cancelled = interrupt_requested();
    // Counts by key that no page reading took go now, and with them their
    // file among the waiting results: Windows removes no folder that holds
    // an open file.
    outcome_.gathered.message_counts.reset();
}

// The run log whole on its way to the disk; its first lines kept for the
// summary page.
void RecordConversion::finish_run_log() {
    int error = gathering_error_ ? gathering_error_ : run_log_lines_.error();
    RunLogLines lines = run_log_lines_.take();
    outcome_.notes = std::move(lines.first);
    outcome_.notes_total = lines.total;
    std::FILE* log = run_log_.get();
    if (log && !error && (std::fflush(log) != 0 || std::ferror(log))) error = errno ? errno : EIO;
    if (run_log_ && std::fclose(run_log_.release()) != 0 && !error) error = errno ? errno : EIO;
    if (error) fail("cannot write the run log \"" + plan_.beside.run_log + "\": " + std::strerror(error));
}

}  // namespace

ConversionOutcome convert_records(const RunPlan& plan, InputSource& input, const InputIdentity& input_before,
                                  const ConversionProgress& progress, const ResultsComplete& results_complete,
                                  const ResultsComplete& rows_stored) {
    return RecordConversion(plan, input, input_before, progress, results_complete, rows_stored).run();
}

}  // namespace tarvos

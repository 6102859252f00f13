#include "record_conversion.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "file_checks.h"
#include "file_names.h"
#include "gzip_output.h"
#include "held_files.h"
#include "input_bytes.h"
#include "inspection.h"
#include "leftovers.h"
#include "phase_times.h"
#include "placement.h"
#include "os_support.h"
#include "progress.h"
#include "run_log.h"
#include "run_report.h"
#include "summary_page.h"
#include "vexlin150.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string stream_error(const StreamResult& r, const RunPlan& plan, int write_errno) {
    switch (r.end) {
        case StreamEnd::bad_record: return "\"" + plan.input + "\" " + r.error;
        case StreamEnd::read_error: return "cannot read \"" + plan.input + "\": " + r.error;
        case StreamEnd::write_error:
            return "cannot write the output beside \"" + plan.output + "\": " + std::strerror(write_errno);
        case StreamEnd::stopped: return "interrupted";
        case StreamEnd::done: break;
    }
    return {};
}

RecordConverter converter_of(const RunPlan& plan) {
    const int stage_options = plan.stage_options;
    if (plan.derive)
        return [stage_options](int n, char* record, unsigned char& restage, unsigned char& review) {
            return vexlin150_Convert_buffer_and_stage(n, record, 0, stage_options, &restage, &review);
        };
    return [](int n, char* record, unsigned char& restage, unsigned char& review) {
        return vexlin150_Convert_buffer_to_150(n, record, 0, &restage, &review);
    };
}

// The first failed write of the results of the conversion closed last, in
// the system's words, naming the files by their final names; empty when
// every write succeeded. The library names them as it was given them.
std::string results_failure(const RunPlan& plan, const LibraryPath& given) {
    std::string reason(1024, '\0');
    if (vexlin150_Get_results_failure(reason.data(), static_cast<int>(reason.size())) == 0) return {};
    reason = naaccr::os::utf8_from_interface(reason.substr(0, reason.find('\0')));
    if (reason.empty()) return "the results could not all be written";
    const std::string waiting = naaccr::os::utf8_from_interface(beside_files(given.name).base);
    const std::string final_base = beside_files(plan.input).base;
    for (std::size_t at = reason.find(waiting); at != std::string::npos; at = reason.find(waiting, at)) {
        reason.replace(at, waiting.size(), final_base);
        at += final_base.size();
    }
    return reason;
}

// The run log's lines, from the notes and the results database under their
// temporary names, after its heading; the first lines are kept for the
// summary page. The first error that stopped the writing, or 0.
int write_notes(const RunPlan& plan, NoteFile& notes, std::FILE* run_log, ConversionOutcome& outcome) {
    if (!notes.finish()) return notes.error();
    RunLogLines lines;
    const int error = write_run_log(notes, plan.beside_part.database, run_log, plan.summary_page ? kNotesShown : 0, lines);
    outcome.notes = std::move(lines.first);
    outcome.notes_total = lines.total;
    return error;
}

// The converter, timed call by call when the run reports its phases.
RecordConverter timed(RecordConverter convert, bool timing) {
    if (!timing) return convert;
    return [convert = std::move(convert)](int n, char* record, unsigned char& restage, unsigned char& review) {
        const PhaseClock clock(Phase::library);
        return convert(n, record, restage, review);
    };
}

}  // namespace

ConversionOutcome convert_records(const RunPlan& plan, const InputIdentity& input_before, bool show_bar,
                                  const std::function<void()>& results_complete) {
    ConversionOutcome outcome;
    // What killed runs left under temporary names beside the input and the
    // output goes first.
    remove_leftovers(folder_of(plan.beside.base));
    if (folder_of(plan.output) != folder_of(plan.beside.base)) remove_leftovers(folder_of(plan.output));

    // The new files wait in private folders until the whole set is put in
    // place: beside the input for the results, beside the output for it.
    for (std::size_t i = 0; i < plan.private_folders.size(); ++i) {
        if (create_private_folder(plan.private_folders[i])) continue;
        const int error = errno;
        remove_temporary_files(plan);
        if (i == 0)
            outcome.refusal = "cannot create the results database and reports in the input's folder \"" +
                              folder_of(shown_path(plan.input)) + "\": " + naaccr::os::failure_reason(error) +
                              "; the results are written beside the input, so that folder must be writable";
        else
            outcome.refusal =
                "cannot create a file in the output's folder \"" + folder_of(plan.output) + "\": " + std::strerror(error);
        return outcome;
    }
    // The output has no name while it is written, where the system allows:
    // a run killed now leaves nothing of it behind.
    const PendingOutput pending = create_pending_output(folder_of(plan.output), plan.output_part);
    FilePtr out(pending.file);
    if (!out) {
        outcome.refusal = "cannot create a file in the output's folder \"" + folder_of(plan.output) +
                          "\": " + std::strerror(errno);
        return outcome;
    }
    std::setvbuf(out.get(), nullptr, _IONBF, 0);
    // A gzip input is unpacked as it is read, as the inspection read it.
    auto in = std::make_unique<naaccr::InputBytes>();
    if (!in->open(plan.input)) {
        outcome.refusal = "cannot read \"" + plan.input + "\": " + naaccr::os::failure_reason(errno);
        return outcome;
    }

    // Without its results database a conversion would lose every logged
    // change and review, so it does not start.
    const LibraryPath library_path = library_path_of(plan.private_folders.front(), file_name_of(plan.results_path));
    const auto in_results_folder = [&library_path](auto call) {
        const CurrentFolder here(library_path.current_folder);
        call();
    };
    int opened = 0;
    in_results_folder([&] { opened = vexlin150_Initialize_file_conversion(library_path.name.c_str()); });
    if (opened != 1) {
        const std::string why = results_failure(plan, library_path);
        in_results_folder(vexlin150_Close_file_conversion);
        outcome.refusal = "cannot create the results database beside \"" + plan.input + "\": " + why;
        return outcome;
    }

    std::FILE* out_file = out.get();
    int write_errno = 0;
    // The reader and the writer of the records, gone once the records are
    // through: their blocks are not held while the results are read back.
    std::optional<naaccr::LineReader> reader(std::in_place, in->source(), kLineKeepLimit);
    // When the output is to reach the disk, each block is sent on its way as
    // soon as it is written, while the next ones convert.
    const bool sync = plan.sync;
    std::uint64_t written_bytes = 0;
    const ByteSink to_file = [out_file, sync, &written_bytes, &write_errno](std::string_view block) {
        if (std::fwrite(block.data(), 1, block.size(), out_file) != block.size()) {
            write_errno = errno ? errno : EIO;
            return false;
        }
        if (sync) start_writeback(out_file, written_bytes, block.size());
        written_bytes += block.size();
        return true;
    };
    // An output named .gz is compressed on the writing thread, block by
    // block, while the next blocks convert.
    std::optional<GzipOutput> gzip;
    if (is_gzip_name(plan.output)) gzip.emplace(to_file);
    // A plain output is as long as the records (with line ends of at most
    // two bytes): its room on the disk is set aside before the first block.
    const std::uint64_t room = gzip ? 0 : plan.records * (plan.record_length + 2);
    reserve_room(out_file, room);
    if (gzip && !gzip->ready()) {
        outcome.refusal = "cannot compress the output \"" + plan.output + "\": zlib cannot start (out of memory)";
        in_results_folder(vexlin150_Close_file_conversion);
        return outcome;
    }
    const ByteSink to_gzip = [&gzip, &write_errno](std::string_view block) {
        if (gzip->write(block)) return true;
        if (!write_errno) write_errno = errno ? errno : EIO;
        return false;
    };
    std::optional<BlockWriter> writer(std::in_place, gzip ? to_gzip : to_file);

    // The run log lists every record a registrar may want to look at: a text
    // file, with the system's line ends like the reports beside it. Its
    // heading goes first; the records are noted as they convert, and their
    // lines written once the results hold every reason.
    FilePtr run_log;
    if (plan.run_log) run_log.reset(create_new_file(plan.beside_part.run_log));
    std::FILE* log_file = run_log.get();
    if (plan.run_log && !log_file) {
        outcome.refusal = "cannot create the run log \"" + plan.beside.run_log + "\": " + std::strerror(errno);
        in_results_folder(vexlin150_Close_file_conversion);
        return outcome;
    }
    int log_error = 0;  // the first failed write of the run log
    if (log_file) {
        std::string heading =
            "Records of \"" + plan.input + "\" to look at: line (also the record number), Patient ID, what happened.\n";
#if defined(_WIN32)
        heading.insert(heading.size() - 1, "\r");
#endif
        if (std::fputs(heading.c_str(), log_file) < 0) log_error = errno ? errno : EIO;
    }
    std::optional<NoteFile> notes;
    if (plan.run_log || plan.summary_page) {
        notes.emplace(plan.beside_part.run_log + ".notes");
        if (!notes->is_open()) {
            outcome.refusal = "cannot create the run log \"" + plan.beside.run_log + "\": " + std::strerror(errno);
            in_results_folder(vexlin150_Close_file_conversion);
            return outcome;
        }
    }
    NoteSink note;
    if (notes && notes->is_open()) note = [&notes](const RecordNote& n) { notes->add(n); };

    report_started(plan.input, plan.records);  // the dialog's form: a progress window on Windows
    std::optional<ProgressBar> bar;
    if (show_bar) bar.emplace(stderr, plan.records);
    const ProgressTick tick = [&bar](const StreamCounts& c) {
        if (bar) bar->update(c.read, c.bytes_read);
        report_progress(c.read);
        return !interrupt_requested();
    };
    const auto converting = std::chrono::steady_clock::now();
    const StreamResult streamed =
        stream_records(*reader, *writer, plan.record_length, timed(converter_of(plan), plan.phase_times), tick, note);
    writer.reset();
    reader.reset();
    add_phase_time(Phase::conversion, std::chrono::duration<double>(std::chrono::steady_clock::now() - converting).count());
    if (bar) bar->finish();
    outcome.counts = streamed.counts;
    vexlin150_Get_result_counters(&outcome.conversions, &outcome.reviewables, &outcome.messages);
    {
        const PhaseClock clock(Phase::reports);
        in_results_folder(vexlin150_Close_file_conversion);
    }
    const std::string read_error = streamed.end == StreamEnd::read_error ? in->error() : std::string();
    in.reset();

    std::string& failure = outcome.failure;
    failure = stream_error(streamed, plan, write_errno);
    if (!read_error.empty()) failure += ": " + read_error;
    // A compressed output ends with what zlib still holds and the gzip
    // trailer, written and checked like every other block.
    if (failure.empty() && gzip && !gzip->finish()) {
        const int error = write_errno ? write_errno : errno;
        failure = "cannot write the output beside \"" + plan.output + "\": " + std::strerror(error);
    }
    // The record of what the conversion changed is as much the run's work
    // as the output: every row stored, every report written, or nothing is
    // put in place.
    if (const std::string why = results_failure(plan, library_path); failure.empty() && !why.empty())
        failure = "cannot write the results beside \"" + plan.input + "\": " + why;
    if (failure.empty() && results_complete) results_complete();
    if (failure.empty() && notes && !log_error) {
        const PhaseClock clock(Phase::run_log);
        log_error = write_notes(plan, *notes, log_file, outcome);
    }
    notes.reset();
    if (log_file && !log_error && (std::fflush(log_file) != 0 || std::ferror(log_file))) log_error = errno ? errno : EIO;
    if (log_error && failure.empty())
        failure = "cannot write the run log \"" + plan.beside.run_log + "\": " + std::strerror(log_error);
    if (run_log && std::fclose(run_log.release()) != 0 && failure.empty())
        failure = "cannot write the run log \"" + plan.beside.run_log + "\": " + std::strerror(errno);
    if (room > written_bytes) release_room_past(out_file, written_bytes);
    if (failure.empty() && plan.sync && !flush_to_disk(out_file))
        failure = "cannot write the output beside \"" + plan.output + "\": " + std::strerror(errno);
    if (failure.empty() && !name_pending_output(pending, plan.output_part))
        failure = "cannot name the output beside \"" + plan.output + "\": " + std::strerror(errno);
    if (std::fclose(out.release()) != 0 && failure.empty())
        failure = "cannot write the output beside \"" + plan.output + "\": " + std::strerror(errno);
    if (failure.empty() && interrupt_requested()) failure = "interrupted";
    if (failure.empty())
        if (auto changed = check_input_unchanged(plan.input, input_before)) failure = *changed;
    outcome.cancelled = interrupt_requested();
    return outcome;
}

}  // namespace tarvos

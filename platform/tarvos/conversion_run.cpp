#include "conversion_run.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "file_checks.h"
#include "morvelio.h"
#include "inspection.h"
#include "leftovers.h"
#include "os_support.h"
#include "progress.h"
#include "record_stream.h"
#include "run_report.h"
#include "summary.h"
#include "vexlin150.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

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

int refuse(const std::string& message) {
    std::fprintf(stderr, "tarvos: %s. Nothing was written.\n", message.c_str());
    report_refused(message);  // the dialog's form: a message box on Windows
    return kExitFailed;
}

// A path as the summary shows it: absolute, so that it can be found again.
std::string shown_path(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(fs::path(path), ec);
    return ec ? path : p.lexically_normal().string();
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string name_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The files of one run that are written under temporary names and put in
// place only when the whole file converted.
struct RunFiles {
    std::string output, output_part;
    BesideFiles beside, beside_part;
    std::string results_path;  // handed to the library; its beside files are beside_part

    std::vector<std::pair<const std::string*, const std::string*>> beside_pairs() const {
        return {{&beside_part.database, &beside.database},
                {&beside_part.messages, &beside.messages},
                {&beside_part.reviewables, &beside.reviewables},
                {&beside_part.conversions, &beside.conversions},
                {&beside_part.run_log, &beside.run_log}};
    }
    void remove_parts() const {
        std::error_code ec;
        fs::remove(fs::path(output_part), ec);
        for (const auto& [part, final_name] : beside_pairs()) fs::remove(fs::path(*part), ec);
    }
};

RunFiles plan_files(const RunOptions& o) {
    RunFiles f;
    const std::string pid = std::to_string(process_id());
    f.output = o.output;
    f.output_part = folder_of(o.output) + "." + name_of(o.output) + ".tarvos-" + pid + ".part";
    f.beside = beside_files(o.input);
    f.results_path = folder_of(f.beside.base) + ".tarvos-" + pid + "-" + name_of(f.beside.base) + ".part";
    f.beside_part = beside_files(f.results_path);
    return f;
}

// The values the dialog stated for the file (record type, line ends, record
// length, record count) against what the inspection found: they differ when
// the file changed after the dialog looked at it.
std::optional<std::string> check_stated_values(const RunOptions& o, const Inspection& found) {
    std::vector<std::string> differ;
    if (o.record_type != found.record_type)
        differ.push_back(std::string("record type ") + o.record_type + " (the file has " + found.record_type + ")");
    if (o.line_end_code != line_end_code(found.line_end))
        differ.push_back("line-end code " + std::to_string(o.line_end_code) + " (the file has " +
                         std::to_string(line_end_code(found.line_end)) + ")");
    if (o.record_length != static_cast<long>(found.record_length))
        differ.push_back("record length " + std::to_string(o.record_length) + " (the file has " +
                         std::to_string(found.record_length) + ")");
    if (o.record_count != found.records)
        differ.push_back("record count " + std::to_string(o.record_count) + " (the file has " +
                         std::to_string(found.records) + ")");
    if (differ.empty()) return std::nullopt;
    std::string text = "the file \"" + o.input + "\" is not as it was when it was chosen: ";
    for (std::size_t i = 0; i < differ.size(); ++i) text += (i ? ", " : "") + differ[i];
    return text + "; choose it again";
}

std::string stream_error(const StreamResult& r, const RunOptions& o, int write_errno) {
    switch (r.end) {
        case StreamEnd::bad_record: return "\"" + o.input + "\" " + r.error;
        case StreamEnd::read_error: return "cannot read \"" + o.input + "\": " + r.error;
        case StreamEnd::write_error:
            return "cannot write the output beside \"" + o.output + "\": " + std::strerror(write_errno);
        case StreamEnd::stopped: return "interrupted";
        case StreamEnd::done: break;
    }
    return {};
}

}  // namespace

int run_conversion(const RunOptions& o) {
    if (auto refusal = check_paths(o.input, o.output)) return refuse(*refusal);
    const std::optional<InputIdentity> input_before = input_identity(o.input);
    if (!input_before) return refuse("the input file \"" + o.input + "\" cannot be looked at");
    // Every record is looked at before anything is written.
    const Inspection inspection = inspect_file(o.input);
    if (!inspection.refusal.empty()) return refuse(inspection.refusal);
    if (o.form == Form::front_end)
        if (auto differs = check_stated_values(o, inspection)) return refuse(*differs);

    const RunFiles files = plan_files(o);
    // What killed runs left under temporary names beside the input and the
    // output goes first.
    remove_leftovers(folder_of(files.beside.base));
    if (folder_of(o.output) != folder_of(files.beside.base)) remove_leftovers(folder_of(o.output));
    // The output has no name while it is written, where the system allows:
    // a run killed now leaves nothing of it behind.
    const PendingOutput pending = create_pending_output(folder_of(o.output), files.output_part);
    FilePtr out(pending.file);
    if (!out) return refuse("cannot create a file in the output's folder \"" + folder_of(o.output) + "\": " + std::strerror(errno));
    std::setvbuf(out.get(), nullptr, _IONBF, 0);
    FilePtr in(std::fopen(o.input.c_str(), "rb"));
    if (!in) {
        const int err = errno;
        files.remove_parts();
        return refuse("cannot read \"" + o.input + "\": " + std::strerror(err));
    }
    std::setvbuf(in.get(), nullptr, _IONBF, 0);

    const LibraryInfo library = conversion_library_info();
    const bool database_open = vexlin150_Initialize_file_conversion(files.results_path.c_str()) == 1;
    // Without its results database a conversion would lose every logged
    // change and review, so it does not start.
    if (!database_open) {
        vexlin150_Close_file_conversion();
        out.reset();
        files.remove_parts();
        return refuse("cannot create the results database in the input's folder \"" + folder_of(shown_path(o.input)) +
                      "\"; the results are written beside the input, so that folder must be writable");
    }

    std::FILE* in_file = in.get();
    std::FILE* out_file = out.get();
    int write_errno = 0;
    naaccr::LineReader reader(
        [in_file](std::span<char> buffer) -> std::ptrdiff_t {
            const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in_file);
            return n == 0 && std::ferror(in_file) ? -1 : static_cast<std::ptrdiff_t>(n);
        },
        kLineKeepLimit);
    // When the output is to reach the disk, each block is sent on its way as
    // soon as it is written, while the next ones convert.
    const bool sync = o.sync;
    std::uint64_t written_bytes = 0;
    BlockWriter writer([out_file, sync, &written_bytes, &write_errno](std::string_view block) {
        if (std::fwrite(block.data(), 1, block.size(), out_file) != block.size()) {
            write_errno = errno;
            return false;
        }
        if (sync) start_writeback(out_file, written_bytes, block.size());
        written_bytes += block.size();
        return true;
    });
    const int stage_options = o.stage_options;
    RecordConverter convert;
    if (o.derive)
        convert = [stage_options](int n, char* record, unsigned char& restage, unsigned char& review) {
            return vexlin150_Convert_buffer_and_stage(n, record, 0, stage_options, &restage, &review);
        };
    else
        convert = [](int n, char* record, unsigned char& restage, unsigned char& review) {
            return vexlin150_Convert_buffer_to_150(n, record, 0, &restage, &review);
        };
    report_started(o.input, o.record_count);  // the dialog's form: a progress window on Windows
    std::optional<ProgressBar> bar;
    if (!o.quiet && stderr_is_terminal()) bar.emplace(stderr, inspection.records);
    const ProgressTick tick = [&bar](const StreamCounts& c) {
        if (bar) bar->update(c.read, c.bytes_read);
        report_progress(c.read);
        return !interrupt_requested();
    };

    // The run log lists every record a registrar may want to look at. It is
    // never written over the input (an input named like the log keeps its name).
    FilePtr run_log;
    if (!same_file(files.beside.run_log, o.input)) {
        run_log.reset(create_new_file(files.beside_part.run_log));
        if (run_log)
            std::fprintf(run_log.get(), "Records of \"%s\" to look at: line (also the record number), Patient ID, what happened.\n",
                         shown_path(o.input).c_str());
    }
    std::FILE* log_file = run_log.get();
    NoteSink note;
    if (log_file) note = [log_file](const RecordNote& n) { std::fputs(note_text(n).c_str(), log_file); };

    const StreamResult streamed = stream_records(reader, writer, inspection.record_length, convert, tick, note);
    if (run_log && std::fclose(run_log.release()) != 0) std::fprintf(stderr, "tarvos: the run log could not be written completely.\n");
    if (bar) bar->finish();
    Summary summary;
    summary.counts = streamed.counts;
    vexlin150_Get_result_counters(&summary.conversions, &summary.reviewables, &summary.messages);
    vexlin150_Close_file_conversion();
    in.reset();

    std::string failure = stream_error(streamed, o, write_errno);
    if (failure.empty() && o.sync && !flush_to_disk(out_file))
        failure = "cannot write the output beside \"" + o.output + "\": " + std::strerror(errno);
    if (failure.empty() && !name_pending_output(pending, files.output_part))
        failure = "cannot name the output beside \"" + o.output + "\": " + std::strerror(errno);
    if (std::fclose(out.release()) != 0 && failure.empty())
        failure = "cannot write the output beside \"" + o.output + "\": " + std::strerror(errno);
    if (failure.empty() && interrupt_requested()) failure = "interrupted";
    if (failure.empty())
        if (auto changed = check_input_unchanged(o.input, *input_before)) failure = *changed;
    if (failure.empty()) failure = replace_file(files.output_part, files.output);
    if (!failure.empty()) {
        files.remove_parts();
        std::fprintf(stderr, "tarvos: %s. The conversion was abandoned: no output was written%s.\n", failure.c_str(),
                     fs::exists(fs::path(o.output)) ? " and the existing output file is unchanged" : "");
        report_abandoned(failure, interrupt_requested(), fs::exists(fs::path(o.output)));
        return interrupt_requested() ? interrupted_exit_code() : kExitFailed;
    }

    // The output is in place: the results of this run replace those of
    // earlier runs, and none of an earlier run's are left beside it.
    int exit_code = 0;
    for (const auto& [part, final_name] : files.beside_pairs()) {
        std::error_code ec;
        // The input itself is never replaced or removed, whatever its name.
        if (same_file(*final_name, o.input)) continue;
        if (fs::exists(fs::path(*part), ec)) {
            if (const std::string why = replace_file(*part, *final_name); !why.empty()) {
                std::fprintf(stderr, "tarvos: cannot put \"%s\" in place: %s.\n", final_name->c_str(), why.c_str());
                fs::remove(fs::path(*part), ec);
                exit_code = kExitFailed;
            }
        } else {
            fs::remove(fs::path(*final_name), ec);
        }
    }
    if (!o.quiet) {
        summary.database_open = database_open;
        summary.derived = o.derive;
        summary.cs_version = library.cs_version;
        summary.cs_tables = library.cs_timestamp;
        summary.output = shown_path(o.output);
        summary.beside = beside_files(shown_path(o.input));
        std::fputs(summary_text(summary).c_str(), stdout);
        std::fflush(stdout);
        report_finished(summary);
    }
    return exit_code;
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

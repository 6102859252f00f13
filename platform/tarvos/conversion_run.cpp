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
#include "os_support.h"
#include "progress.h"
#include "record_stream.h"
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
                {&beside_part.conversions, &beside.conversions}};
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

// The file's values: from the front end's arguments, or from the
// file-information library.
struct FileValues {
    std::uint64_t record_count = 0;
};

std::optional<std::string> file_values(const RunOptions& o, FileValues& values) {
    if (o.form == Form::front_end) {
        if (o.record_length != static_cast<long>(kRecordLength))
            return check_file_values(o.input, kInputVersion, static_cast<std::size_t>(o.record_length));
        values.record_count = o.record_count;
        return check_first_record(o.input);
    }
    // A first record of the right version and length, in a file too small to
    // hold more records than the file-information library can count, leaves
    // nothing that its full scan could refuse before writing: records of other
    // lengths are looked at while converting. The count is then only an
    // estimate for the progress bar, exact when every line has the first one's
    // length. Otherwise the library's scan gives the reason in its words.
    if (const std::optional<FirstRecord> first = first_record_fit(o.input)) {
        const std::uint64_t line_size = first->length + first->end_length;
        const bool uniform = first->file_size % line_size == 0;
        if (first->file_size <= UINT32_MAX || (uniform && first->file_size / line_size <= UINT32_MAX)) {
            values.record_count = uniform ? first->file_size / line_size : 0;
            return std::nullopt;
        }
    }
    std::vector<char> info(MORVELIO_FILE_INFO_SIZE, 0);
    if (o.input.size() >= MORVELIO_FI_PATH_SIZE) return "the input file name is too long";
    std::memcpy(info.data(), o.input.data(), o.input.size());
    const int result = hsGet_naaccr_file_info(info.data());
    // Records of other lengths are no refusal here: short ones are padded,
    // and long ones are looked at record by record while converting.
    if (result > 0 && result != MORVELIO_LENGTH_DIFFERS) {
        std::string text = slot_text(&info[MORVELIO_FI_ERROR_TEXT], MORVELIO_FI_ERROR_TEXT_SIZE);
        if (!text.empty() && text.back() == '.') text.pop_back();
        return text;
    }
    std::uint32_t length = 0, count = 0;
    std::memcpy(&length, &info[MORVELIO_FI_RECORD_LENGTH], sizeof length);
    std::memcpy(&count, &info[MORVELIO_FI_RECORD_COUNT], sizeof count);
    values.record_count = count;
    const std::string version = slot_text(&info[MORVELIO_FI_VERSION], 4);
    return check_file_values(o.input, version, length);
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
    FileValues values;
    if (auto refusal = file_values(o, values)) return refuse(*refusal);

    const RunFiles files = plan_files(o);
    FilePtr out(create_new_file(files.output_part));
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
        kRecordLength);
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
    std::optional<ProgressBar> bar;
    if (!o.quiet && stderr_is_terminal()) bar.emplace(stderr, values.record_count);
    const ProgressTick tick = [&bar](const StreamCounts& c) {
        if (bar) bar->update(c.read, c.bytes_read);
        return !interrupt_requested();
    };

    const StreamResult streamed = stream_records(reader, writer, kRecordLength, convert, tick);
    if (bar) bar->finish();
    Summary summary;
    summary.counts = streamed.counts;
    vexlin150_Get_result_counters(&summary.conversions, &summary.reviewables, &summary.messages);
    vexlin150_Close_file_conversion();
    in.reset();

    std::string failure = stream_error(streamed, o, write_errno);
    if (failure.empty() && o.sync && !flush_to_disk(out_file))
        failure = "cannot write the output beside \"" + o.output + "\": " + std::strerror(errno);
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
        return interrupt_requested() ? interrupted_exit_code() : kExitFailed;
    }

    // The output is in place: the results of this run replace those of
    // earlier runs, and none of an earlier run's are left beside it.
    int exit_code = 0;
    for (const auto& [part, final_name] : files.beside_pairs()) {
        std::error_code ec;
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

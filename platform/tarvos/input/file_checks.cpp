// SPDX-License-Identifier: Apache-2.0
#include "file_checks.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "beside_files.h"
#include "file_names.h"
#include "held_files.h"
#include "os_support.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

std::string in_quotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

BesideFiles beside_files(std::string_view input_path) {
    BesideFiles files;
    files.base = vexlin::base_path_of(input_path);
    files.database = files.base + ".db";
    files.messages = files.base + ".mes";
    files.reviewables = files.base + ".rev";
    files.conversions = files.base + ".cnv";
    files.run_log = files.base + ".log";
    files.summary_page = files.base + ".html";
    return files;
}

std::string shown_path(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(naaccr::os::path_of(path), ec);
    return ec ? path : naaccr::os::text_of(p.lexically_normal());
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string in_folder(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + "/" + name;
}

std::string file_name_of(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> check_paths(const std::string& input, const std::string& output) {
    std::error_code ec;
    const fs::file_status in_status = fs::status(naaccr::os::path_of(input), ec);
    if (!fs::exists(in_status)) return "the input file " + in_quotes(input) + " does not exist";
    if (fs::is_directory(in_status)) return "the input " + in_quotes(input) + " is a folder, not a file";
    // Reading a pipe, socket or device would wait for a writer, or never end.
    if (!fs::is_regular_file(in_status)) {
        const char* kind = fs::is_fifo(in_status)      ? "a FIFO (named pipe)"
                           : fs::is_socket(in_status)  ? "a socket"
                           : fs::is_block_file(in_status) || fs::is_character_file(in_status) ? "a device"
                                                                                               : "not a plain file";
        return "the input " + in_quotes(input) + " is " + kind + ", not a file; only a file can be converted";
    }
    if (FilePtr probe(naaccr::os::open_file(input, "rb")); !probe)
        return "the input file " + in_quotes(input) + " cannot be read: " + naaccr::os::failure_reason(errno);

    if (fs::is_directory(naaccr::os::path_of(output), ec)) return "the output " + in_quotes(output) + " is a folder, not a file";
    if (same_file(input, output))
        return "the output file " + in_quotes(output) + " is the input file; choose another output name";
    const BesideFiles beside = beside_files(input);
    const std::pair<const std::string*, const char*> written[] = {{&beside.database, "results database"},
                                                                  {&beside.messages, "messages report"},
                                                                  {&beside.reviewables, "reviewables report"},
                                                                  {&beside.conversions, "conversions report"},
                                                                  {&beside.run_log, "run log"},
                                                                  {&beside.summary_page, "summary page"}};
    for (const auto& [name, what] : written)
        if (same_file(*name, output))
            return "the output file " + in_quotes(output) + " is the " + what + " " + in_quotes(*name) +
                   " that the conversion writes beside the input; choose another output name";
    return std::nullopt;
}

std::optional<InputIdentity> input_identity(const std::string& input) {
    std::error_code ec;
    const fs::path path = naaccr::os::path_of(input);
    InputIdentity identity;
    identity.size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    const fs::file_time_type changed = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    identity.changed = static_cast<std::int64_t>(changed.time_since_epoch().count());
    return identity;
}

std::optional<std::string> check_input_unchanged(const std::string& input, const InputIdentity& before) {
    std::error_code ec;
    if (!fs::exists(naaccr::os::path_of(input), ec))
        return "the input file " + in_quotes(input) + " was removed during the conversion";
    const std::optional<InputIdentity> now = input_identity(input);
    if (!now) return "the input file " + in_quotes(input) + " can no longer be looked at";
    if (now->size != before.size)
        return "the input file " + in_quotes(input) + " changed during the conversion: it was " +
               std::to_string(before.size) + " bytes long and is now " + std::to_string(now->size);
    if (now->changed != before.changed)
        return "the input file " + in_quotes(input) + " was written to during the conversion";
    return std::nullopt;
}

}  // namespace tarvos

#include "file_checks.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "beside_files.h"
#include "file_layout.h"
#include "line_reader.h"
#include "os_support.h"

namespace fs = std::filesystem;

namespace tarvos {
namespace {

std::string in_quotes(std::string_view name) { return "\"" + std::string(name) + "\""; }

// Text from the file as a message shows it: bytes other than printable ASCII
// as \xHH, so that junk cannot garble or steer the terminal.
std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\') {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        }
    }
    return shown;
}

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
    return files;
}

std::optional<std::string> check_paths(const std::string& input, const std::string& output) {
    std::error_code ec;
    const fs::file_status in_status = fs::status(fs::path(input), ec);
    if (!fs::exists(in_status)) return "the input file " + in_quotes(input) + " does not exist";
    if (fs::is_directory(in_status)) return "the input " + in_quotes(input) + " is a folder, not a file";
    if (FilePtr probe(std::fopen(input.c_str(), "rb")); !probe)
        return "the input file " + in_quotes(input) + " cannot be read: " + std::strerror(errno);

    if (fs::is_directory(fs::path(output), ec)) return "the output " + in_quotes(output) + " is a folder, not a file";
    if (same_file(input, output))
        return "the output file " + in_quotes(output) + " is the input file; choose another output name";
    const BesideFiles beside = beside_files(input);
    const std::pair<const std::string*, const char*> written[] = {{&beside.database, "results database"},
                                                                  {&beside.messages, "messages report"},
                                                                  {&beside.reviewables, "reviewables report"},
                                                                  {&beside.conversions, "conversions report"}};
    for (const auto& [name, what] : written)
        if (same_file(*name, output))
            return "the output file " + in_quotes(output) + " is the " + what + " " + in_quotes(*name) +
                   " that the conversion writes beside the input; choose another output name";
    return std::nullopt;
}

std::optional<std::string> check_file_values(const std::string& input, std::string_view version,
                                             std::size_t record_length) {
    if (version != kInputVersion)
        return "the file " + in_quotes(input) + " appears to be NAACCR version \"" + printable(version) +
               "\", but only version \"" + std::string(kInputVersion) + "\" is converted";
    if (record_length != kRecordLength)
        return "the file " + in_quotes(input) + " has records of " + std::to_string(record_length) +
               " characters, but NAACCR 14.0 abstracts have " + std::to_string(kRecordLength);
    return std::nullopt;
}

namespace {

// Reads the first line of the input into line, through reader.
struct FirstLine {
    FilePtr file;
    int open_errno;
    naaccr::LineReader reader;
    naaccr::Line line;
    bool found = false;

    explicit FirstLine(const std::string& input)
        : file(std::fopen(input.c_str(), "rb")),
          open_errno(errno),
          reader(
              [f = file.get()](std::span<char> buffer) -> std::ptrdiff_t {
                  const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
                  return n == 0 && std::ferror(f) ? -1 : static_cast<std::ptrdiff_t>(n);
              },
              kRecordLength, 64 * 1024) {
        if (file) found = reader.next(line);
    }
};

std::string_view version_of(const naaccr::Line& line) {
    constexpr std::size_t version_end = naaccr::kVersionOffset + naaccr::kVersionWidth;
    return line.text.size() >= version_end ? line.text.substr(naaccr::kVersionOffset, naaccr::kVersionWidth)
                                           : std::string_view();
}

}  // namespace

std::optional<FirstRecord> first_record_fit(const std::string& input) {
    FirstLine first(input);
    if (!first.found || version_of(first.line) != kInputVersion || first.line.length != kRecordLength)
        return std::nullopt;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(fs::path(input), ec);
    if (ec) return std::nullopt;
    return FirstRecord{first.line.length, first.line.end.size(), static_cast<std::uint64_t>(size)};
}

std::optional<std::string> check_first_record(const std::string& input) {
    FirstLine first(input);
    if (!first.file) return "the input file " + in_quotes(input) + " cannot be read: " + std::strerror(first.open_errno);
    const naaccr::LineReader& reader = first.reader;
    const naaccr::Line& line = first.line;
    if (!first.found) {
        if (reader.read_failed()) return "the input file " + in_quotes(input) + " cannot be read";
        return "the input file " + in_quotes(input) + " is empty";
    }
    const std::string_view version = version_of(line);
    if (version.empty())
        return "the first record of " + in_quotes(input) + " is too short to hold the NAACCR version";
    return check_file_values(input, version, static_cast<std::size_t>(line.length));
}

std::optional<InputIdentity> input_identity(const std::string& input) {
    std::error_code ec;
    const fs::path path(input);
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
    if (!fs::exists(fs::path(input), ec))
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

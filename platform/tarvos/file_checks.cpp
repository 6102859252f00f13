#include "file_checks.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "file_layout.h"
#include "line_reader.h"
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
    // The extension is what follows the last dot of the file name itself; a
    // dot in a folder name is no extension.
    const std::size_t name_start = input_path.find_last_of("/\\");
    const std::size_t dot = input_path.rfind('.');
    const bool has_extension = dot != std::string_view::npos && (name_start == std::string_view::npos || dot > name_start);
    BesideFiles files;
    files.base = std::string(has_extension ? input_path.substr(0, dot) : input_path);
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
        return "the file " + in_quotes(input) + " appears to be NAACCR version \"" + std::string(version) +
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

}  // namespace tarvos

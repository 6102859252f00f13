// SPDX-License-Identifier: Apache-2.0
#include "info_blocks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quillmar {

namespace {

std::uint32_t read_u32(std::span<const char> block, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, block.data() + offset, sizeof value);  // little-endian, as written
    return value;
}

}  // namespace

std::string slot_text(std::span<const char> block, std::size_t offset, std::size_t width) {
    const std::span<const char> slot = block.subspan(offset, width);
    const auto end = std::find(slot.begin(), slot.end(), '\0');
    return std::string(slot.begin(), end);
}

int line_end_code(char first, char second) {
    int code = 0;
    if (first == '\r' || second == '\r') code += 2;
    if (first == '\n' || second == '\n') code += 1;
    return code;
}

FileInfoResult read_file_info(FileInfoRecord record, int status) {
    FileInfoResult result;
    result.status = status;
    if (result.failed()) {
        result.error_text = slot_text(record, MORVELIO_FI_ERROR_TEXT, MORVELIO_FI_ERROR_TEXT_SIZE);
        if (result.error_text.empty())
            result.error_text = "The file information library could not read the file (error " +
                                std::to_string(status) + ").";
        return result;
    }
    result.info.record_type = slot_text(record, MORVELIO_FI_RECORD_TYPE, 1);
    result.info.version = slot_text(record, MORVELIO_FI_VERSION, 4);
    result.info.line_end_code = line_end_code(record[MORVELIO_FI_LINE_END_1], record[MORVELIO_FI_LINE_END_2]);
    result.info.record_length = read_u32(record, MORVELIO_FI_RECORD_LENGTH);
    result.info.record_count = read_u32(record, MORVELIO_FI_RECORD_COUNT);
    return result;
}

FileInfoResult describe_with(const FileInfoCall& call, std::string_view path) {
    std::vector<char> record(MORVELIO_FILE_INFO_SIZE, '\0');
    const std::size_t length = std::min(path.size(), std::size_t{MORVELIO_FI_PATH_SIZE - 1});
    std::copy_n(path.begin(), length, record.begin() + MORVELIO_FI_PATH);
    const int status = call(record.data());
    return read_file_info(FileInfoRecord(record.data(), record.size()), status);
}

LibraryVersions read_versions(ConversionInfoBlock conversion, FileLibraryInfoBlock file_info) {
    return LibraryVersions{
        .conversion_version = slot_text(conversion, 0, 16),
        .conversion_date = slot_text(conversion, 16, 16),
        .stage_version = slot_text(conversion, 112, 16),
        .stage_timestamp = slot_text(conversion, 128, 64),
        .file_info_version = slot_text(file_info, MORVELIO_INFO_VERSION, 16),
        .file_info_date = slot_text(file_info, MORVELIO_INFO_DATE, 16),
        .file_info_maker = slot_text(file_info, MORVELIO_INFO_MAKER, 64),
    };
}

std::string window_title(const LibraryVersions& versions) {
    return "QUILLMAR150 (" + std::string(program_version) + ") using vexlin150.dll (" + versions.conversion_version +
           ")";
}

namespace {

// A library text as the About box shows it: the information block keeps the
// last byte of a slot for the NUL, so a text that fills the rest may have been
// cut there and is followed by "...".
std::string shown_slot_text(const std::string& text, std::size_t slot_width) {
    return text.size() + 1 >= slot_width ? text + "..." : text;
}

}  // namespace

std::string about_text(const LibraryVersions& v) {
    std::string text = "Halden Suite Quillmar150\n";
    text += "Version " + std::string(program_version) + ", " + std::string(program_date) + ", using:\n";
    text += "    vexlin150.dll " + v.conversion_version + ", " + v.conversion_date + "\n";
    text += "    morvelio.dll " + v.file_info_version + ", " + v.file_info_date + "\n";
    text += "A program of the Halden Suite registry tools\n";
    text += v.file_info_maker + "\n\n";
    text += "Also using:\n";
    text += "    cstage0205.dll " + shown_slot_text(v.stage_version, 16) + ", " +
            shown_slot_text(v.stage_timestamp, 64) + "\n";
    text += "Collaborative Stage 02.05, staged from the published tables of the\n";
    text += "Collaborative Stage Data Collection System\n";
    text += "https://cancerstaging.org/cstage/";
    return text;
}

}  // namespace quillmar

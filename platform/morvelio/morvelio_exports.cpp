// The exported C interface of the file-information library. No exception
// crosses it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "file_scan.h"
#include "morvelio.h"

namespace {

constexpr const char* kVersion = "1.2.0";
constexpr const char* kDate = "Mar 16 2015";
constexpr const char* kMakerAndContact = "Halden Suite Registry Software\nregistry-support@halden-suite.example";

// Copies at most size - 1 characters and pads the slot with NULs.
void put_text(char* slot, std::size_t size, std::string_view text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memset(slot, 0, size);
    std::memcpy(slot, text.data(), n);
}

void put_u32(char* slot, std::uint32_t value) { std::memcpy(slot, &value, sizeof value); }

void fill_record(char* info, const morvelio::ScanResult& result) {
    const morvelio::FileFacts& facts = result.facts;
    info[MORVELIO_FI_RECORD_TYPE] = facts.record_type;
    std::memcpy(info + MORVELIO_FI_VERSION, facts.version, sizeof facts.version);
    info[MORVELIO_FI_LINE_END_1] = facts.line_end[0];
    info[MORVELIO_FI_LINE_END_2] = facts.line_end[1];
    put_u32(info + MORVELIO_FI_RECORD_LENGTH, facts.record_length);
    put_u32(info + MORVELIO_FI_RECORD_COUNT, facts.record_count);
    put_text(info + MORVELIO_FI_ERROR_TEXT, MORVELIO_FI_ERROR_TEXT_SIZE, result.message);
}

}  // namespace

extern "C" {

MORVELIO_API int MORVELIO_CALL hsGet_naaccr_file_info(char* file_info) {
    if (!file_info) return MORVELIO_CANNOT_OPEN;
    try {
        const char* path_slot = file_info + MORVELIO_FI_PATH;
        const std::size_t path_length = static_cast<std::size_t>(
            std::find(path_slot, path_slot + MORVELIO_FI_PATH_SIZE, '\0') - path_slot);
        morvelio::ScanResult result;
        if (path_length == MORVELIO_FI_PATH_SIZE) {
            result.error = MORVELIO_CANNOT_OPEN;
            result.message = "The file name is too long.";
        } else if (path_length == 0) {
            result.error = MORVELIO_CANNOT_OPEN;
            result.message = "No file name was given.";
        } else {
            result = morvelio::scan_file(std::string(path_slot, path_length));
        }
        fill_record(file_info, result);
        return result.error;
    } catch (...) {
        put_text(file_info + MORVELIO_FI_ERROR_TEXT, MORVELIO_FI_ERROR_TEXT_SIZE, "Out of memory.");
        return MORVELIO_READ_ERROR;
    }
}

MORVELIO_API int MORVELIO_CALL hsGet_morvelio_dll_info(char* info) {
    if (!info) return 0;
    put_text(info + MORVELIO_INFO_VERSION, 16, kVersion);
    put_text(info + MORVELIO_INFO_DATE, 16, kDate);
    put_text(info + MORVELIO_INFO_MAKER, 64, kMakerAndContact);
    return 0;
}

}

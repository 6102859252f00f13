// SPDX-License-Identifier: Apache-2.0
// The exported C interface of the file-information library. No exception
// crosses it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "file_names.h"
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

// The path in the record's slot, as the caller's interface gives it.
std::string_view path_in(const char* file_info) {
    const char* slot = file_info + MORVELIO_FI_PATH;
    return {slot, static_cast<std::size_t>(std::find(slot, slot + MORVELIO_FI_PATH_SIZE, '\0') - slot)};
}

// Describes the file named in the record; names are UTF-8 inside, and the
// caller's interface gives and takes them through from_caller and to_caller.
template <typename FromCaller, typename ToCaller>
int describe(char* file_info, FromCaller from_caller, ToCaller to_caller, const morvelio::ScanProgress& progress) {
    if (!file_info) return MORVELIO_CANNOT_OPEN;
    try {
        const std::string_view path = path_in(file_info);
        morvelio::ScanResult result;
        if (path.size() == MORVELIO_FI_PATH_SIZE) {
            result.error = MORVELIO_CANNOT_OPEN;
            result.message = "The file name is too long.";
        } else if (path.empty()) {
            result.error = MORVELIO_CANNOT_OPEN;
            result.message = "No file name was given.";
        } else {
            result = morvelio::scan_file(from_caller(path), progress);
        }
        result.message = to_caller(result.message);
        fill_record(file_info, result);
        return result.error;
    } catch (...) {
        put_text(file_info + MORVELIO_FI_ERROR_TEXT, MORVELIO_FI_ERROR_TEXT_SIZE, "Out of memory.");
        return MORVELIO_READ_ERROR;
    }
}

std::string as_is(std::string_view text) { return std::string(text); }

}  // namespace

extern "C" {

MORVELIO_API int MORVELIO_CALL hsGet_naaccr_file_info(char* file_info) {
    return describe(file_info, naaccr::os::utf8_from_interface, naaccr::os::interface_text, {});
}

MORVELIO_API int MORVELIO_CALL hsGet_naaccr_file_info_utf8(char* file_info, morvelio_progress progress,
                                                           void* context) {
    morvelio::ScanProgress told;
    if (progress)
        told = [progress, context](std::uint64_t read, std::uint64_t size) { return progress(context, read, size) == 0; };
    return describe(file_info, as_is, as_is, told);
}

MORVELIO_API int MORVELIO_CALL hsGet_morvelio_dll_info(char* info) {
    if (!info) return 0;
    put_text(info + MORVELIO_INFO_VERSION, 16, kVersion);
    put_text(info + MORVELIO_INFO_DATE, 16, kDate);
    put_text(info + MORVELIO_INFO_MAKER, 64, kMakerAndContact);
    return 0;
}

}

// SPDX-License-Identifier: Apache-2.0
// Fuzzes the record exports: any 22824 bytes as a record, any stage options,
// through a record conversion, then reads every result back.
#include <cstdint>
#include <cstring>
#include <vector>

#include "vexlin150.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int stage_options = 0;
    if (size >= 4) {
        std::memcpy(&stage_options, data, 4);
        data += 4;
        size -= 4;
    }
    // The record buffer is exactly one record long, so any write past it is caught.
    std::vector<char> record(VEXLIN150_RECORD_LENGTH, ' ');
    // Short inputs are repeated so that every item sees fuzzed bytes.
    for (std::size_t i = 0; size > 0 && i < record.size(); ++i) record[i] = static_cast<char>(data[i % size]);

    vexlin150_Initialize_record_conversion();
    unsigned char restage = 0, review = 0;
    vexlin150_Convert_buffer_and_stage(1, record.data(), 0, stage_options, &restage, &review);
    if (restage > 1 || review > 1) __builtin_trap();
    for (char c : record)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) __builtin_trap();
    vexlin150_Convert_buffer_to_150(2, record.data(), 0, &restage, &review);

    int conversions = 0, reviewables = 0, messages = 0;
    vexlin150_Get_result_counters(&conversions, &reviewables, &messages);
    std::vector<char> text(2000);
    for (int table = 1; table <= 3; ++table) {
        const int rows = vexlin150_Ready_messages(table, 1 + (stage_options & 3) % 3, ',', static_cast<int>(text.size()));
        for (int i = 0; i < rows; ++i) vexlin150_Get_next_message(text.data());
    }
    std::vector<char> listing(64);
    vexlin150_Get_conversion_results(listing.data(), static_cast<int>(listing.size()));
    vexlin150_Close_record_conversion();
    return 0;
}

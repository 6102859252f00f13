// SPDX-License-Identifier: Apache-2.0
// Fuzzes the result exports: any table, format, separator and buffer length,
// read back into buffers of exactly the length the caller announced.
#include <cstdint>
#include <cstring>
#include <vector>

#include "vexlin150.h"

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    int next_int() {
        int v = 0;
        const std::size_t n = size < 4 ? size : 4;
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
};

// Records that log conversions, reviewables and messages.
void convert_sample_records() {
    std::vector<char> record(VEXLIN150_RECORD_LENGTH, ' ');
    auto put = [&](std::size_t offset, const char* text) { std::memcpy(record.data() + offset, text, std::strlen(text)); };
    put(16, "140");
    put(41, "\"';DROP");
    put(435, "XYG");
    put(529, "2014");
    put(539, "C695");
    put(549, "9820");
    put(553, "3");
    put(554, "2");
    put(730, "123456789");
    unsigned char restage = 0, review = 0;
    vexlin150_Convert_buffer_to_150(1, record.data(), 0, &restage, &review);
    put(539, "C999");
    put(549, "9590");
    put(554, "6");
    vexlin150_Convert_buffer_to_150(2, record.data(), 0, &restage, &review);
    put(539, "C420");
    vexlin150_Convert_buffer_to_150(3, record.data(), 0, &restage, &review);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    vexlin150_Initialize_record_conversion();
    convert_sample_records();
    for (int round = 0; round < 4 && in.size > 0; ++round) {
        const int table = in.next_int() % 6;
        const int format = in.next_int() % 6;
        const int separator = in.next_int();
        int length = in.next_int() % 4100;
        const int rows = vexlin150_Ready_messages(table, format, separator, length);
        if (length < 1) length = 0;
        std::vector<char> buffer(static_cast<std::size_t>(length));
        for (int i = 0; i <= rows && length > 0; ++i) vexlin150_Get_next_message(buffer.data());
        const int listing_length = in.next_int() % 700;
        std::vector<char> listing(listing_length > 0 ? static_cast<std::size_t>(listing_length) : 0);
        vexlin150_Get_conversion_results(listing.empty() ? nullptr : listing.data(), listing_length);
        if (in.next_int() % 5 == 0) vexlin150_Clear_results();
    }
    vexlin150_Close_record_conversion();
    return 0;
}

// SPDX-License-Identifier: Apache-2.0
// Fuzzes the Collaborative Stage library's record and card entry points (the
// plain functions under the exports, linked statically). The
// first byte picks how the rest is used: as a whole record (repeated when
// short), or laid over the 42 staging inputs of a prostate case, so that the
// bytes reach the decision tables of a real schema. Checks that the outputs
// stay printable, the message stays terminated inside its area, and the move
// back writes only the derived items.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cstage0205.h"
#include "entry_points.h"
#include "naaccr_columns.h"

namespace {

std::string prostate_record() {
    std::string r(cstage::kRecordLength, ' ');
    const char* values[] = {"C619", "8140", "2013", "020550", "3", "2", "067", "0", "020", "200", "1", "000",
                            "1",    "00",   "12",   "00",     "1", "010", "002", "003"};
    const auto items = cstage::input_items();
    for (std::size_t i = 0; i < std::size(values); ++i) r.replace(items[i].offset, std::strlen(values[i]), values[i]);
    return r;
}

bool derived_column(std::size_t i) {
    return (i >= 1102 && i < 1128) || (i >= 1154 && i < 1156) || (i >= 1172 && i < 1178);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool whole_record = data[0] & 1;
    ++data, --size;
    std::vector<char> record(cstage::kRecordLength, ' ');
    if (whole_record) {
        for (std::size_t i = 0; size > 0 && i < record.size(); ++i) record[i] = static_cast<char>(data[i % size]);
    } else {
        const std::string base = prostate_record();
        std::memcpy(record.data(), base.data(), base.size());
        std::size_t at = 0;
        for (const cstage::NaaccrItem& item : cstage::input_items())
            for (std::size_t k = 0; k < item.width && at < size; ++k) record[item.offset + k] = static_cast<char>(data[at++]);
    }
    std::vector<char> card(CSTAGE_DATACARD_SIZE, 'x');
    if (cstage::move_naaccr_to_datacard(card.data(), record.data()) != 0) __builtin_trap();
    const int result = cstage::calculate(card.data());
    if (result != 0 && result != 1) __builtin_trap();
    if (std::memchr(card.data() + CSTAGE_DC_MESSAGE, 0, CSTAGE_DC_MESSAGE_SIZE) == nullptr) __builtin_trap();
    for (std::size_t i = CSTAGE_DC_AJCC6_T; i < CSTAGE_DC_SS2000 + 1; ++i)
        if (static_cast<unsigned char>(card[i]) < 0x20 || static_cast<unsigned char>(card[i]) > 0x7E) __builtin_trap();
    std::uint32_t word = 0;
    std::memcpy(&word, card.data() + CSTAGE_DC_ERROR_WORD, sizeof word);
    if ((result == 0) != ((word & CSTAGE_ERR_PROBLEM) == 0)) __builtin_trap();
    std::vector<char> after(record);
    if (cstage::move_datacard_to_naaccr(card.data(), after.data()) != 0) __builtin_trap();
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] != record[i] && !derived_column(i)) __builtin_trap();
    return 0;
}

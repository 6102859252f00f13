// SPDX-License-Identifier: Apache-2.0
#include "datacard.h"

#include <algorithm>
#include <cstring>

#include "cstage0205.h"
#include "naaccr_columns.h"

namespace cstage {

void put_text(char* card, std::size_t offset, std::size_t width, std::string_view text) {
    // Storage items are a few characters wide: a loop costs less than calls.
    for (std::size_t i = 0; i < width; ++i) card[offset + i] = i < text.size() ? text[i] : ' ';
}

std::uint32_t error_word(const char* card) {
    std::uint32_t word = 0;
    std::memcpy(&word, card + CSTAGE_DC_ERROR_WORD, sizeof word);
    return word;
}

void set_error_word(char* card, std::uint32_t word) { std::memcpy(card + CSTAGE_DC_ERROR_WORD, &word, sizeof word); }

void set_message(char* card, std::string_view text) {
    char* area = card + CSTAGE_DC_MESSAGE;
    const std::size_t n = std::min<std::size_t>(text.size(), CSTAGE_DC_MESSAGE_SIZE - 1);
    std::memset(area, 0, CSTAGE_DC_MESSAGE_SIZE);
    if (n > 0) std::memcpy(area, text.data(), n);
}

void move_record_to_card(char* card, const char* record) {
    std::memset(card, ' ', CSTAGE_DC_INPUT_SIZE);
    for (const ItemRun& run : input_runs()) std::memcpy(card + run.card, record + run.offset, run.width);
}

void move_card_to_record(const char* card, char* record) {
    for (const NaaccrItem& item : output_items()) std::memcpy(record + item.offset, card + item.card, item.width);
}

}  // namespace cstage

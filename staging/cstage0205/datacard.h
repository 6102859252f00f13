// SPDX-License-Identifier: Apache-2.0
// Reading and writing the data card: fixed-width texts, the error word, the
// message text, and the moves between a NAACCR record and the card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cstage {

// Writes text at the card offset: cut to width, padded with blanks.
void put_text(char* card, std::size_t offset, std::size_t width, std::string_view text);

std::uint32_t error_word(const char* card);
void set_error_word(char* card, std::uint32_t word);

// Writes the message text, cut to fit the area with its terminating NUL.
void set_message(char* card, std::string_view text);

// Clears the card's own area and copies the 42 inputs from the record.
void move_record_to_card(char* card, const char* record);
// Copies the 16 derived items and CS Version Derived into the record.
void move_card_to_record(const char* card, char* record);

}  // namespace cstage

// The stand-in's use of the data card: where CStage_move_naaccr_to_datacard
// puts the record's staging inputs (the first 302 bytes are the library's own
// business), and reading and writing fixed-width texts in the card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cstage0205.h"

namespace cstage_standin {

struct CardItem {
    std::size_t offset;
    std::size_t width;
};

// Staging inputs copied from the record, back to back as they come.
inline constexpr CardItem kInSite{0, 4};
inline constexpr CardItem kInHistology{4, 4};
inline constexpr CardItem kInBehavior{8, 1};
inline constexpr CardItem kInYear{9, 4};
inline constexpr CardItem kInExtension{13, 3};
inline constexpr CardItem kInExtensionEval{16, 1};
inline constexpr CardItem kInNodes{17, 3};
inline constexpr CardItem kInNodesEval{20, 1};
inline constexpr CardItem kInMets{21, 2};
inline constexpr CardItem kInMetsEval{23, 1};
inline constexpr std::size_t kInSsfOffset = 24;  // SSF 1 to 25, three characters each
inline constexpr CardItem kInVersionInput{99, 6};
constexpr CardItem in_ssf(int n) { return {kInSsfOffset + 3 * static_cast<std::size_t>(n - 1), 3}; }
static_assert(kInVersionInput.offset == in_ssf(25).offset + 3);
static_assert(kInVersionInput.offset + kInVersionInput.width <= CSTAGE_DC_INPUT_SIZE);

// Fills the input area (cleared first) from a NAACCR record of 22824 characters.
void move_record_to_card(char* card, const char* record);

inline std::string_view card_text(const char* card, CardItem item) {
    return std::string_view(card + item.offset, item.width);
}

// Writes text into an item of the card: cut to its width, padded with blanks.
void put_card_text(char* card, CardItem item, std::string_view text);

std::uint32_t card_error_word(const char* card);
void set_card_error_word(char* card, std::uint32_t word);
// Writes the message text, cut to fit the area with its terminating NUL.
void set_card_message(char* card, std::string_view text);

}  // namespace cstage_standin

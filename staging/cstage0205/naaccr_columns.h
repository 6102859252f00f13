// SPDX-License-Identifier: Apache-2.0
// The NAACCR 14.0 items that the Collaborative Stage library reads and writes:
// where each lies in the record, and where the library keeps it in the data
// card. This library's own table: it knows nothing of the conversion's.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace cstage {

struct NaaccrItem {
    std::string_view key;   // the engine's key
    int item;               // NAACCR item number
    std::string_view name;  // NAACCR item name
    std::size_t offset;     // 0-based column in the record
    std::size_t width;
    std::size_t card;       // offset in the data card
};

// The 42 inputs, back to back in the card from offset 0.
std::span<const NaaccrItem> input_items();
// The 16 storage outputs at the binding's card offsets, then CS Version Derived.
std::span<const NaaccrItem> output_items();

const NaaccrItem* input_item(std::string_view key);

// The inputs as runs that lie back to back both in the record and in the
// card (the CS items, the Site-Specific Factors): copied a run at a time.
struct ItemRun {
    std::size_t offset, width, card;
};
std::span<const ItemRun> input_runs();

inline constexpr std::size_t kRecordLength = 22824;

}  // namespace cstage

// SPDX-License-Identifier: Apache-2.0
#include "text_counts.h"

#include <functional>
#include <limits>

namespace tarvos {

std::uint64_t TextCounts::key_of(std::string_view text) {
    const std::uint64_t key = std::hash<std::string_view>()(text);
    return key != 0 ? key : 1;
}

TextCounts::TextCounts() : keys_(kSlots), counts_(kSlots) {}

bool TextCounts::add(std::uint64_t key, std::uint64_t n) {
    // Open addressing from the key's low bits, one slot on at a time.
    std::size_t slot = key & (kSlots - 1);
    while (keys_[slot] != 0 && keys_[slot] != key) slot = (slot + 1) & (kSlots - 1);
    if (keys_[slot] == 0) {
        if (texts_ == kMostTexts) return false;
        keys_[slot] = key;
        ++texts_;
    }
    if (n > std::numeric_limits<std::uint32_t>::max() - counts_[slot]) return false;
    counts_[slot] += static_cast<std::uint32_t>(n);
    rows_ += n;
    return true;
}

}  // namespace tarvos

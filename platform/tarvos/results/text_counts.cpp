// SPDX-License-Identifier: Apache-2.0
#include "text_counts.h"

#include <functional>

namespace tarvos {

std::uint64_t TextCounts::key_of(std::string_view text) {
    const std::uint64_t key = std::hash<std::string_view>()(text);
    return key != 0 ? key : 1;
}

TextCounts::TextCounts() : keys_(kSlots), counts_(kSlots) {}

// Open addressing from the key's home slot (its high bits scaled to the
// table), one slot on at a time.
std::size_t TextCounts::slot_of(std::uint64_t key) const {
    std::size_t slot = static_cast<std::size_t>(((key >> 32) * kSlots) >> 32);
    while (keys_[slot] != 0 && keys_[slot] != key) slot = slot + 1 == kSlots ? 0 : slot + 1;
    return slot;
}

std::uint64_t TextCounts::count_at(std::size_t slot) const {
    return counts_[slot] == kMany ? many_.at(keys_[slot]) : counts_[slot];
}

bool TextCounts::add(std::uint64_t key, std::uint64_t n) {
    const std::size_t slot = slot_of(key);
    if (keys_[slot] == 0) {
        if (texts_ == kMostTexts) return false;
        keys_[slot] = key;
        ++texts_;
    }
    if (counts_[slot] == kMany) {
        many_[key] += n;
    } else if (counts_[slot] + n >= kMany) {
        many_[key] = counts_[slot] + n;
        counts_[slot] = kMany;
    } else {
        counts_[slot] = static_cast<std::uint16_t>(counts_[slot] + n);
    }
    rows_ += n;
    return true;
}

}  // namespace tarvos

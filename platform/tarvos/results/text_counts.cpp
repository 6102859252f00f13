// SPDX-License-Identifier: Apache-2.0
#include "text_counts.h"

#include <functional>

namespace tarvos {

TextCounts::TextCounts() : slots_(kSlots) {}

// Open addressing from the key's home slot (its high bits scaled to the
// table), one slot on at a time.
std::size_t TextCounts::home_of(std::uint64_t key) const {
    return static_cast<std::size_t>(((key >> 32) * kSlots) >> 32);
}

std::size_t TextCounts::slot_of(std::uint64_t key) const {
    std::size_t slot = home_of(key);
    while (slots_[slot].key != 0 && slots_[slot].key != key) slot = slot + 1 == kSlots ? 0 : slot + 1;
    return slot;
}

std::uint64_t TextCounts::count_at(std::size_t slot) const {
    // Copied out of the packed slot: a reference to its key would be
    // misaligned.
    const std::uint64_t key = slots_[slot].key;
    const std::uint16_t count = slots_[slot].count;
    return count == kMany ? many_.at(key) : count;
}

bool TextCounts::add(std::uint64_t key, std::uint64_t n) {
    Slot& s = slots_[slot_of(key)];
    if (s.key == 0) {
        if (texts_ == kMostTexts) return false;
        s.key = key;
        ++texts_;
    }
    if (s.count == kMany) {
        many_[key] += n;
    } else if (s.count + n >= kMany) {
        many_[key] = s.count + n;
        s.count = kMany;
    } else {
        s.count = static_cast<std::uint16_t>(s.count + n);
    }
    rows_ += n;
    return true;
}

bool TextCounts::add_soon(std::uint64_t key) {
#if defined(__GNUC__)
    __builtin_prefetch(&slots_[home_of(key)], 1);
#endif
    bool counted = true;
    if (waiting_count_ == kWaiting)
        counted = add(waiting_[next_]);  // the oldest
    else
        ++waiting_count_;
    waiting_[next_] = key;
    next_ = (next_ + 1) % kWaiting;
    return counted;
}

bool TextCounts::settle() {
    if (waiting_count_ == 0) return true;  // settled already: nothing is written
    bool counted = true;
    for (std::size_t i = kWaiting - waiting_count_; i < kWaiting; ++i)
        counted = add(waiting_[(next_ + i) % kWaiting]) && counted;
    waiting_count_ = 0;
    return counted;
}

}  // namespace tarvos

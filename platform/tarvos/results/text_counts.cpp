// SPDX-License-Identifier: Apache-2.0
#include "text_counts.h"

#include <algorithm>
#include <functional>

namespace tarvos {

TextCounts::TextCounts(std::string spill_folder, std::size_t slots)
    : most_texts_(std::max<std::size_t>(slots / 10 * 9, 1)), slots_(std::max<std::size_t>(slots, 2)) {
    if (!spill_folder.empty()) spill_ = std::make_unique<KeySpill>(std::move(spill_folder));
}

// Open addressing from the key's home slot, one slot on at a time. The home
// is the key mixed again, its high bits scaled to the table: the keys of one
// range counted from the file share their own high bits, and would crowd
// into one part of the table.
std::size_t TextCounts::home_of(std::uint64_t key) const {
    const std::uint64_t mixed = key * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::size_t>(((mixed >> 32) * slots_.size()) >> 32);
}

std::size_t TextCounts::slot_of(std::uint64_t key) const {
    std::size_t slot = home_of(key);
    while (slots_[slot].key != 0 && slots_[slot].key != key) slot = slot + 1 == slots_.size() ? 0 : slot + 1;
    return slot;
}

std::uint64_t TextCounts::count_at(std::size_t slot) const {
    // Copied out of the packed slot: a reference to its key would be
    // misaligned.
    const std::uint64_t key = slots_[slot].key;
    const std::uint16_t count = slots_[slot].count;
    return count == kMany ? many_.at(key) : count;
}

bool TextCounts::count_in_table(std::uint64_t key, std::uint64_t n) {
    Slot& s = slots_[slot_of(key)];
    if (s.key == 0) {
        if (texts_ == most_texts_) return false;
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
    return true;
}

// Once a text found the table full, every later row goes to the file: the
// table's own texts too, which a look into a full table would cost as much
// as counting them there. They meet again when the file is counted.
bool TextCounts::add(std::uint64_t key, std::uint64_t n) {
    const bool spilling = spill_ && !spill_->empty();
    if (spilling || !count_in_table(key, n)) {
        if (!spill_) return false;
        for (std::uint64_t i = 0; i < n; ++i)
            if (!spill_->put(key)) return false;
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

void TextCounts::clear_table() {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    many_.clear();
    texts_ = 0;
}

void TextCounts::each_in_table(const std::function<void(std::uint64_t, std::uint64_t)>& f) const {
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (const std::uint64_t key = slots_[i].key; key != 0) f(key, count_at(i));
}

bool TextCounts::each(const std::function<void(std::uint64_t, std::uint64_t)>& f) {
    if (!spill_ || spill_->empty()) {
        each_in_table(f);
        return true;
    }
    // A reading that failed part way lost its ranges: none after it counts.
    unreadable_ = unreadable_ || !each_spilled(f);
    return !unreadable_;
}

// The table's counts join the rows' keys in the file, once; then each range
// of keys, a bucket of the file at first, is counted from the file in the
// emptied table, and given. A range of more texts than the table holds is
// halved, and the ranges that fit are kept for the next time.
bool TextCounts::each_spilled(const std::function<void(std::uint64_t, std::uint64_t)>& f) {
    if (!table_in_spill_) {
        bool written = true;
        each_in_table([&](std::uint64_t key, std::uint64_t n) { written = written && spill_->put_counted(key, n); });
        if (!written) return false;
        table_in_spill_ = true;
        // The first ranges are the file's buckets: each read once.
        for (std::size_t b = 0; b < KeySpill::kBuckets; ++b)
            ranges_.push_back({KeySpill::first_of(b), KeySpill::last_of(b)});
    }
    std::vector<Range> to_count;
    to_count.swap(ranges_);
    std::size_t texts = 0;
    while (!to_count.empty()) {
        const Range r = to_count.back();
        to_count.pop_back();
        clear_table();
        bool full = false;
        const bool read = spill_->each_in(r.low, r.high, [&](std::uint64_t key, std::uint64_t n) {
            full = !count_in_table(key, n);
            return !full;
        });
        if (!read || (full && r.low == r.high)) return false;
        if (full) {
            const std::uint64_t middle = r.low + (r.high - r.low) / 2;
            to_count.push_back({r.low, middle});
            to_count.push_back({middle + 1, r.high});
            continue;
        }
        ranges_.push_back(r);
        each_in_table(f);
        texts += texts_;
    }
    texts_ = texts;
    return true;
}

}  // namespace tarvos

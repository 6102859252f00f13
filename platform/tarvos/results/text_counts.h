// SPDX-License-Identifier: Apache-2.0
// The messages of a run counted by a 64-bit key of their text, for a run of
// more texts than the message tally keeps whole: 10 bytes a text, rather
// than the text and its first records. The page then reads back only the
// texts it could show, and checks each key against their texts there.
// Past the texts the table holds, every later row's key goes to a file
// (key_spill), and the keys are counted again from there a range at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "key_spill.h"

namespace tarvos {

// A 64-bit hash of a text: std::hash where it is 64 bits wide; elsewhere
// (a 32-bit build) FNV-1a, since 32 bits would make two of a few hundred
// thousand texts share a key.
inline std::uint64_t text_hash(std::string_view text) {
    if constexpr (sizeof(std::size_t) >= sizeof(std::uint64_t)) {
        return std::hash<std::string_view>()(text);
    } else {
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
        return hash;
    }
}

class TextCounts {
public:
    // The key of a text: its text_hash, never 0, which marks a free slot.
    static std::uint64_t key_of(std::string_view text) { return key_of_hash(text_hash(text)); }
    static std::uint64_t key_of_hash(std::uint64_t hash) { return hash != 0 ? hash : 1; }

    // 2.5 MB: 262,144 slots of 10 bytes, for 235,926 texts.
    static constexpr std::size_t kSlots = (std::size_t{5} << 19) / 10;

    // spill_folder: where the keys past the table's nine tenths go; with
    // none, the counts are full there. slots: the table's size.
    explicit TextCounts(std::string spill_folder = {}, std::size_t slots = kSlots);
    // Counts n more rows of the text of key; false once neither the table
    // nor the file can take it, when the counts are of no further use.
    bool add(std::uint64_t key, std::uint64_t n = 1);
    // Counts a row of the text of key a few rows later: its slot is fetched
    // from memory meanwhile, rather than waited for. False as add() is.
    // settle() counts the rows still waiting, before the counts are read.
    bool add_soon(std::uint64_t key);
    bool settle();
    std::uint64_t rows() const { return rows_; }
    // The texts counted: all of them once each() has gone through every key.
    std::size_t texts() const { return texts_; }
    // Every key with its count, in no order; a range of keys at a time once
    // the keys went to the file, the table then counting each range in turn.
    // False when the file could not be read back.
    bool each(const std::function<void(std::uint64_t, std::uint64_t)>& f);

private:
    // A text's key and count side by side, 10 bytes: a count costs one
    // look into memory, not one for the key and one for the count.
#pragma pack(push, 1)
    struct Slot {
        std::uint64_t key = 0;
        std::uint16_t count = 0;
    };
#pragma pack(pop)
    struct Range {
        std::uint64_t low, high;
    };
    std::size_t home_of(std::uint64_t key) const;
    std::size_t slot_of(std::uint64_t key) const;
    std::uint64_t count_at(std::size_t slot) const;
    bool count_in_table(std::uint64_t key, std::uint64_t n);
    void clear_table();
    void each_in_table(const std::function<void(std::uint64_t, std::uint64_t)>& f) const;
    bool each_spilled(const std::function<void(std::uint64_t, std::uint64_t)>& f);

    // A run of more texts than fill nine tenths of the table sends every
    // later row to the file.
    std::size_t most_texts_;
    // A count that reached kMany is in many_ instead.
    static constexpr std::uint16_t kMany = 0xFFFF;
    std::vector<Slot> slots_;
    std::unordered_map<std::uint64_t, std::uint64_t> many_;
    std::uint64_t rows_ = 0;
    std::size_t texts_ = 0;
    std::unique_ptr<KeySpill> spill_;
    bool table_in_spill_ = false;  // the table's counts went to the file: it counts ranges now
    bool unreadable_ = false;      // the file failed to be counted once: every later each() fails too
    std::vector<Range> ranges_;    // the ranges of keys that fit the table, once found
    // The keys of rows to count, the oldest kWaiting rows back from next_.
    static constexpr std::size_t kWaiting = 8;
    std::uint64_t waiting_[kWaiting] = {};
    std::size_t waiting_count_ = 0, next_ = 0;
};

}  // namespace tarvos

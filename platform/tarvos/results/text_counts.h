// SPDX-License-Identifier: Apache-2.0
// The messages of a run counted by a 64-bit key of their text, for a run of
// more texts than the message tally keeps whole: 10 bytes a text, rather
// than the text and its first records. The page then reads back only the
// texts it could show, and checks each key against their texts there.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

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

    TextCounts();
    // Counts n more rows of the text of key; false once the table is full,
    // when the counts are of no further use.
    bool add(std::uint64_t key, std::uint64_t n = 1);
    // Counts a row of the text of key a few rows later: its slot is fetched
    // from memory meanwhile, rather than waited for. False once the table is
    // full. settle() counts the rows still waiting, before the counts are read.
    bool add_soon(std::uint64_t key);
    bool settle();
    std::uint64_t rows() const { return rows_; }
    std::size_t texts() const { return texts_; }
    // Every key with its count, in no order.
    template <typename F>
    void each(F f) const {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (const std::uint64_t key = slots_[i].key; key != 0) f(key, count_at(i));
    }

private:
    // A text's key and count side by side, 10 bytes: a count costs one
    // look into memory, not one for the key and one for the count.
#pragma pack(push, 1)
    struct Slot {
        std::uint64_t key = 0;
        std::uint16_t count = 0;
    };
#pragma pack(pop)
    std::size_t home_of(std::uint64_t key) const;
    std::size_t slot_of(std::uint64_t key) const;
    std::uint64_t count_at(std::size_t slot) const;

    // 2.5 MB (235,929 texts): a run of more texts than fill nine tenths of
    // it has them grouped by SQLite.
    static constexpr std::size_t kSlots = (std::size_t{5} << 19) / 10;
    static constexpr std::size_t kMostTexts = kSlots / 10 * 9;
    // A count that reached kMany is in many_ instead.
    static constexpr std::uint16_t kMany = 0xFFFF;
    std::vector<Slot> slots_;
    std::unordered_map<std::uint64_t, std::uint64_t> many_;
    std::uint64_t rows_ = 0;
    std::size_t texts_ = 0;
    // The keys of rows to count, the oldest kWaiting rows back from next_.
    static constexpr std::size_t kWaiting = 8;
    std::uint64_t waiting_[kWaiting] = {};
    std::size_t waiting_count_ = 0, next_ = 0;
};

}  // namespace tarvos

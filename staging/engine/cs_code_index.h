// SPDX-License-Identifier: Apache-2.0
// Short codes packed into one 64-bit number, and an open-addressing table
// from a packed code to a span of numbers: the row index of a table and the
// single codes of a validation column are looked up without hashing text or
// comparing it byte by byte.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace csengine {

// Packs a code of at most 7 characters (its length in the high byte): two
// codes pack alike exactly when they are equal. False for a longer code.
inline bool pack_code(std::string_view code, std::uint64_t& packed) {
    if (code.size() > 7) return false;
    std::uint64_t v = code.size();
    for (const char c : code) v = (v << 8) | static_cast<unsigned char>(c);
    packed = v;
    return true;
}

struct Span {
    std::uint32_t first = 0, count = 0;
};

class CodeIndex {
public:
    // Builds the table from (code, span) entries with distinct codes. Codes too
    // long to pack are kept aside and compared as text.
    void build(const std::vector<std::pair<std::string_view, Span>>& entries);

    const Span* find(std::string_view code) const {
        std::uint64_t key;
        if (!pack_code(code, key)) return find_long(code);
        if (keys_.empty()) return nullptr;
        for (std::uint64_t slot = hash(key) & mask_;; slot = (slot + 1) & mask_) {
            if (keys_[slot] == key) return &spans_[slot];
            if (keys_[slot] == kEmpty) return nullptr;
        }
    }

    // The number of codes.
    std::size_t size() const { return entries_; }

    std::size_t memory_bytes() const {
        return keys_.capacity() * sizeof(std::uint64_t) + spans_.capacity() * sizeof(Span) +
               long_codes_.capacity() * sizeof(long_codes_[0]);
    }

private:
    // No packed code has all bits set: its high byte holds a length below 8.
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    static std::uint64_t hash(std::uint64_t key) { return (key * 0x9E3779B97F4A7C15ULL) >> 20; }
    const Span* find_long(std::string_view code) const;

    std::vector<std::uint64_t> keys_;
    std::vector<Span> spans_;
    std::uint64_t mask_ = 0;
    std::vector<std::pair<std::string_view, Span>> long_codes_;
    std::size_t entries_ = 0;
};

}  // namespace csengine

// SPDX-License-Identifier: Apache-2.0
// Reading and writing fixed-width items of a NAACCR record held in a caller's
// buffer. Items are texts compared character for character: nothing is trimmed.
#pragma once

#include <algorithm>
#include <span>
#include <string_view>

#include "field_map.h"

namespace vexlin {

using RecordSpan = std::span<char, kRecordLength>;
using ConstRecordSpan = std::span<const char, kRecordLength>;

// The item's characters as they stand in the record.
inline std::string_view get_field(ConstRecordSpan record, Field f) {
    return std::string_view(record.data() + f.offset, f.width);
}

// Writes text into the item: cut to the item's width, padded with blanks.
inline void put_field(RecordSpan record, Field f, std::string_view text) {
    const std::size_t n = std::min(text.size(), f.width);
    std::copy_n(text.data(), n, record.data() + f.offset);
    std::fill_n(record.data() + f.offset + n, f.width - n, ' ');
}

inline void blank_field(RecordSpan record, Field f) { put_field(record, f, {}); }

// A fixed-width item copied out of a record, kept unchanged while the record
// is rewritten. N is the item's width.
template <std::size_t N>
struct FieldText {
    char chars[N + 1] = {};
    FieldText() = default;
    FieldText(ConstRecordSpan record, Field f) { assign(get_field(record, f)); }
    void assign(std::string_view text) {
        const std::size_t n = std::min(text.size(), N);
        std::copy_n(text.data(), n, chars);
        std::fill(chars + n, chars + N + 1, '\0');
    }
    std::string_view view() const { return std::string_view(chars, N); }
    const char* c_str() const { return chars; }
    bool operator==(std::string_view other) const { return view() == other; }
};

}  // namespace vexlin

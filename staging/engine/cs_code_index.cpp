// SPDX-License-Identifier: Apache-2.0
#include "cs_code_index.h"

#include "cs_ranges.h"

namespace csengine {

void CodeIndex::build(const std::vector<std::pair<std::string_view, Span>>& entries) {
    std::size_t capacity = 4;
    while (capacity < entries.size() * 2) capacity *= 2;
    keys_.assign(capacity, kEmpty);
    spans_.assign(capacity, Span{});
    mask_ = capacity - 1;
    long_codes_.clear();
    entries_ = entries.size();
    for (const auto& [code, span] : entries) {
        std::uint64_t key;
        if (!pack_code(code, key)) {
            long_codes_.emplace_back(code, span);
            continue;
        }
        std::uint64_t slot = hash(key) & mask_;
        while (keys_[slot] != kEmpty && keys_[slot] != key) slot = (slot + 1) & mask_;
        keys_[slot] = key;
        spans_[slot] = span;
    }
}

const Span* CodeIndex::find_long(std::string_view code) const {
    for (const auto& [c, span] : long_codes_)
        if (same_text(c, code)) return &span;
    return nullptr;
}

}  // namespace csengine

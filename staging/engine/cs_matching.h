// SPDX-License-Identifier: Apache-2.0
// Finding rows of a decision table: the first row whose every INPUT cell
// holds the context's value, through the table's row index.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include "cs_tables.h"

namespace csengine {

inline constexpr std::uint32_t kNoRow = 0xFFFFFFFF;

// Whether a cell takes every value, or one of its ranges passes the test.
template <typename RangeTest>
bool any_range_of(const Table& t, const Cell& cell, RangeTest&& test) {
    if (cell.any) return true;
    for (std::uint32_t i = 0; i < cell.count; ++i)
        if (test(t.ranges[cell.first + i])) return true;
    return false;
}

// value(key) gives the context's value of a key (blank when it has none).
template <typename Value>
bool cell_matches(const Table& t, const Cell& cell, std::string_view v, Value&& value) {
    return any_range_of(t, cell, [&](const Range& r) { return contains(r, v, value); });
}

// The same for a value parsed once already (number is parse_number(v)), for
// a value checked against many cells.
template <typename Value>
bool cell_matches(const Table& t, const Cell& cell, std::string_view v, const Number& number, Value&& value) {
    return any_range_of(t, cell, [&](const Range& r) {
        return r.kind == Range::Kind::Numeric ? within_number(r, number) : contains(r, v, value);
    });
}

template <typename Value>
bool row_matches(const Table& t, std::uint32_t row, Value&& value) {
    for (std::size_t c = 0; c < t.inputs.size(); ++c)
        if (!cell_matches(t, t.cell(row, c), value(t.inputs[c]), value)) return false;
    return true;
}

// The same for a row whose cell in one column is known to hold the value.
template <typename Value>
bool row_matches_besides(const Table& t, std::uint32_t row, std::size_t known, Value&& value) {
    for (std::size_t c = 0; c < t.inputs.size(); ++c)
        if (c != known && !cell_matches(t, t.cell(row, c), value(t.inputs[c]), value)) return false;
    return true;
}

// The first matching row of a filtered table: the rows whose bit is set in
// the set of every column's value, in order. Where a column's value is a code
// of the column, a row outside the column's other rows (wildcards, ranges)
// holds it as a single code: only the cells of the other columns are checked.
template <typename Value>
std::uint32_t first_filtered_match(const Table& t, Value&& value) {
    const RowFilter& f = t.filter;
    const std::size_t columns = t.inputs.size();
    const std::uint64_t* sets[kFilteredColumns];
    const std::uint64_t* others[kFilteredColumns];  // null where the value is no code of the column
    for (std::size_t c = 0; c < columns; ++c) {
        const Span* hit = f.by_value[c].find(value(t.inputs[c]));
        sets[c] = f.bits.data() + (hit ? hit->first : f.other[c]);
        others[c] = hit ? f.bits.data() + f.other[c] : nullptr;
    }
    for (std::uint32_t w = 0; w < f.words; ++w) {
        std::uint64_t candidates = sets[0][w];
        for (std::size_t c = 1; c < columns && candidates; ++c) candidates &= sets[c][w];
        for (; candidates; candidates &= candidates - 1) {
            const std::uint64_t bit = candidates & (~candidates + 1);
            const std::uint32_t row = w * 64 + static_cast<std::uint32_t>(std::countr_zero(candidates));
            bool matches = true;
            for (std::size_t c = 0; c < columns && matches; ++c)
                if (!others[c] || (others[c][w] & bit) != 0)
                    matches = cell_matches(t, t.cell(row, c), value(t.inputs[c]), value);
            if (matches) return row;
        }
    }
    return kNoRow;
}

// The first matching row, or kNoRow. Candidates are the rows indexed under the
// value of the index column merged, in row order, with the rows that are
// always candidates. An indexed row's cell of the index column holds the
// value as one of its single codes: only its other cells are looked at.
template <typename Value>
std::uint32_t first_match(const Table& t, Value&& value) {
    if (t.rows == 0) return kNoRow;
    if (t.inputs.empty()) return 0;
    if (t.filter.words != 0) return first_filtered_match(t, value);
    const RowIndex& index = t.index;
    const Span* hit = index.by_value.find(value(t.inputs[index.column]));
    const std::uint32_t* a = hit ? index.rows.data() + hit->first : nullptr;
    const std::uint32_t* const a_end = hit ? a + hit->count : nullptr;
    auto b = index.always.begin();
    while (a != a_end || b != index.always.end()) {
        if (b == index.always.end() || (a != a_end && *a < *b)) {
            const std::uint32_t row = *a++;
            if (row_matches_besides(t, row, index.column, value)) return row;
        } else {
            const std::uint32_t row = *b++;
            if (row_matches(t, row, value)) return row;
        }
    }
    return kNoRow;
}

}  // namespace csengine

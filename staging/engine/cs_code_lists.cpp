// SPDX-License-Identifier: Apache-2.0
#include "cs_code_lists.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace csengine {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::uint64_t power_of_ten(std::size_t n) {
    std::uint64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// n written with leading zeros to width characters.
std::string padded(std::uint64_t n, std::size_t width) {
    std::string text = std::to_string(n);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

// A text range lo-hi of equal lengths: every code that shares their prefix and
// counts through their trailing digits (C000-C009, 8000-8005). When the
// bounds differ before their trailing digits only the bounds are listed.
void add_text_range(std::string_view lo, std::string_view hi, std::size_t width, std::vector<std::string>& codes) {
    if (lo.size() > width || lo.size() != hi.size()) return;
    std::size_t digits = 0;
    while (digits < lo.size() && is_digit(lo[lo.size() - 1 - digits]) && is_digit(hi[hi.size() - 1 - digits]))
        ++digits;
    const std::string_view prefix = lo.substr(0, lo.size() - digits);
    if (digits == 0 || digits > 9 || prefix != hi.substr(0, hi.size() - digits)) {
        codes.emplace_back(lo);
        codes.emplace_back(hi);
        return;
    }
    std::uint64_t first = 0, last = 0;
    for (std::size_t i = prefix.size(); i < lo.size(); ++i) {
        first = first * 10 + static_cast<std::uint64_t>(lo[i] - '0');
        last = last * 10 + static_cast<std::uint64_t>(hi[i] - '0');
    }
    for (std::uint64_t n = first; n <= last; ++n) codes.push_back(std::string(prefix) + padded(n, digits));
}

// A numeric range: its whole numbers that fit width digits, with leading zeros.
void add_numeric_range(const Range& r, std::size_t width, std::vector<std::string>& codes) {
    if (width == 0 || width > 9) return;
    const double first = std::max(0.0, std::ceil(r.lo_number));
    const double last = std::min(static_cast<double>(power_of_ten(width) - 1), std::floor(r.hi_number));
    if (first > last) return;
    for (auto n = static_cast<std::uint64_t>(first); n <= static_cast<std::uint64_t>(last); ++n)
        codes.push_back(padded(n, width));
}

bool reaches_error(const Table& t, std::uint32_t row) {
    const Endpoint* endpoints = t.row_endpoints(row);
    for (std::size_t i = 0; i < t.endpoints.size(); ++i)
        if (endpoints[i].kind == Endpoint::Kind::Error) return true;
    return false;
}

void add_cell_codes(const Table& t, const Cell& cell, std::size_t width, std::vector<std::string>& codes) {
    for (std::uint32_t i = 0; i < cell.count; ++i) {
        const Range& r = t.ranges[cell.first + i];
        switch (r.kind) {
        case Range::Kind::Single:
            if (r.lo.size() <= width) codes.emplace_back(r.lo);
            break;
        case Range::Kind::Text:
            add_text_range(r.lo, r.hi, width, codes);
            break;
        case Range::Kind::Numeric:
            add_numeric_range(r, width, codes);
            break;
        case Range::Kind::Template:
            break;
        }
    }
}

void sort_unique(std::vector<std::string>& codes) {
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

// The code one after code in its trailing digits (C009 after C008, 010 after
// 009); empty when it has no trailing digit or they are all nines.
std::string next_code(std::string_view code) {
    std::string next(code);
    std::size_t i = next.size();
    while (i > 0 && is_digit(next[i - 1])) {
        if (next[i - 1] != '9') {
            ++next[i - 1];
            return next;
        }
        next[i - 1] = '0';
        --i;
    }
    return {};
}

}  // namespace

std::vector<std::string> cell_code_list(const Table& table, const Cell& cell, std::size_t width) {
    std::vector<std::string> codes;
    add_cell_codes(table, cell, width, codes);
    sort_unique(codes);
    return codes;
}

std::string compact_codes(const std::vector<std::string>& codes) {
    std::string text;
    for (std::size_t i = 0; i < codes.size();) {
        std::size_t last = i;
        while (last + 1 < codes.size() && !codes[last].empty() && is_digit(codes[last].back()) &&
               codes[last + 1] == next_code(codes[last]))
            ++last;
        if (!text.empty()) text += ", ";
        text += codes[i];
        if (last > i) text += (last == i + 1 ? ", " : "-") + codes[last];
        i = last + 1;
    }
    return text;
}

std::vector<std::string> input_code_list(const Tables& tables, const SchemaInput& input, std::size_t width,
                                         CodeRows rows) {
    std::vector<std::string> codes, refused;
    if (input.table == kNoTable) return codes;
    const Table& t = tables.table(input.table);
    for (std::uint32_t row = 0; row < t.rows; ++row) {
        if (rows == CodeRows::all || !reaches_error(t, row)) {
            add_cell_codes(t, t.cell(row, input.table_column), width, codes);
            continue;
        }
        // A code of an error row is refused unless an earlier row took it.
        std::vector<std::string> cell_codes;
        add_cell_codes(t, t.cell(row, input.table_column), width, cell_codes);
        sort_unique(codes);
        for (std::string& code : cell_codes)
            if (!std::binary_search(codes.begin(), codes.end(), code)) refused.push_back(std::move(code));
    }
    sort_unique(codes);
    sort_unique(refused);
    std::vector<std::string> kept;
    std::set_difference(codes.begin(), codes.end(), refused.begin(), refused.end(), std::back_inserter(kept));
    return kept;
}

std::vector<std::string> input_code_list(const Tables& tables, const Schema& schema, KeyId key, std::size_t width,
                                         CodeRows rows) {
    for (const SchemaInput& input : schema.inputs)
        if (input.key == key) return input_code_list(tables, input, width, rows);
    return {};
}

}  // namespace csengine

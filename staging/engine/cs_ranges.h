// SPDX-License-Identifier: Apache-2.0
// One INPUT cell of a decision table, prepared once: the cell's text split
// into single values and ranges, numeric bounds converted, templates resolved
// to key numbers. Matching a value parses nothing but the value itself.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace csengine {

using KeyId = std::uint16_t;
inline constexpr KeyId kNoKey = 0xFFFF;

struct Range {
    enum class Kind : std::uint8_t {
        Single,   // lo == hi, the value must equal it
        Text,     // same-length text range: lo <= value <= hi
        Numeric,  // lo != hi, both numbers: the value must be a number between them
        Template  // a bound is a {{key}}: resolved from the context when matching
    };
    Kind kind = Kind::Single;
    bool decimals = false;  // Numeric: a bound has a '.', so the value may have one
    KeyId lo_key = kNoKey, hi_key = kNoKey;  // Template: the keys of {{key}} bounds
    // Template: a bound that is no {{key}}, parsed once (kLoNumber,
    // kLoDot, ... set as parse_number finds it), its value in lo_number or
    // hi_number.
    std::uint8_t fixed_bounds = 0;
    static constexpr std::uint8_t kLoNumber = 1, kLoDot = 2, kHiNumber = 4, kHiDot = 8;
    std::string_view lo, hi;
    double lo_number = 0, hi_number = 0;
};

// A parsed number: digits with an optional leading '-' and at most one '.'
// followed by a digit.
struct Number {
    bool ok = false;
    bool has_dot = false;
    double value = 0;
};
Number parse_number(std::string_view text);

// Drops leading and trailing blanks (only blanks: any other byte is part of
// the value, so an unprintable byte makes a code invalid).
inline std::string_view trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

// Resolves {{key}} to the key's number; kNoKey when text is no template.
template <typename Intern>
KeyId template_key(std::string_view text, Intern&& intern) {
    if (text.size() > 4 && text.substr(0, 2) == "{{" && text.substr(text.size() - 2) == "}}")
        return intern(text.substr(2, text.size() - 4));
    return kNoKey;
}

// Splits a cell (not "*") into its ranges, appending them to out.
template <typename Intern>
void parse_cell(std::string_view cell, Intern&& intern, std::vector<Range>& out);

// Whether the value lies in a Template range whose bounds are resolved to
// lo and hi (the bounds that are no {{key}} come parsed with the range).
bool in_range(const Range& r, std::string_view lo, std::string_view hi, std::string_view value);

// Comparisons of short codes, inline: a call to memcmp costs more than the
// comparison of three or four characters.
inline bool same_text(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}
// lo <= value <= hi, all of one length, as text.
inline bool within_text(std::string_view lo, std::string_view hi, std::string_view value) {
    if (value.size() != lo.size()) return false;
    std::size_t i = 0;
    while (i < value.size() && value[i] == lo[i]) ++i;
    if (i < value.size() && static_cast<unsigned char>(value[i]) < static_cast<unsigned char>(lo[i])) return false;
    i = 0;
    while (i < value.size() && value[i] == hi[i]) ++i;
    return i == value.size() || static_cast<unsigned char>(value[i]) < static_cast<unsigned char>(hi[i]);
}

// Whether a parsed value lies in a Numeric range: a value with a '.' only
// where a bound has one.
inline bool within_number(const Range& r, const Number& n) {
    return n.ok && (!n.has_dot || r.decimals) && r.lo_number <= n.value && n.value <= r.hi_number;
}

// Whether the value lies in a prepared range. lookup(key) gives a template's value.
template <typename Lookup>
bool contains(const Range& r, std::string_view value, Lookup&& lookup) {
    switch (r.kind) {
    case Range::Kind::Single:
        return same_text(value, r.lo);
    case Range::Kind::Text:
        return within_text(r.lo, r.hi, value);
    case Range::Kind::Numeric:
        return within_number(r, parse_number(value));
    case Range::Kind::Template:
        return in_range(r, r.lo_key == kNoKey ? r.lo : lookup(r.lo_key), r.hi_key == kNoKey ? r.hi : lookup(r.hi_key),
                        value);
    }
    return false;
}

// --- template definitions ---------------------------------------------------

template <typename Intern>
void parse_cell(std::string_view cell, Intern&& intern, std::vector<Range>& out) {
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = cell.find(',', start);
        const std::string_view part = cell.substr(start, comma == std::string_view::npos ? cell.npos : comma - start);
        Range r;
        const std::size_t dash = part.find('-');
        const bool one_dash = dash != std::string_view::npos && part.find('-', dash + 1) == std::string_view::npos;
        const std::string_view lo = one_dash ? trim(part.substr(0, dash)) : std::string_view();
        const std::string_view hi = one_dash ? trim(part.substr(dash + 1)) : std::string_view();
        const KeyId lo_key = one_dash ? template_key(lo, intern) : kNoKey;
        const KeyId hi_key = one_dash ? template_key(hi, intern) : kNoKey;
        const Number lo_n = parse_number(lo), hi_n = parse_number(hi);
        if (one_dash && (lo_key != kNoKey || hi_key != kNoKey)) {
            r.kind = Range::Kind::Template;
            r.lo = lo, r.hi = hi, r.lo_key = lo_key, r.hi_key = hi_key;
            if (lo_key == kNoKey && lo_n.ok)
                r.lo_number = lo_n.value, r.fixed_bounds |= Range::kLoNumber | (lo_n.has_dot ? Range::kLoDot : 0);
            if (hi_key == kNoKey && hi_n.ok)
                r.hi_number = hi_n.value, r.fixed_bounds |= Range::kHiNumber | (hi_n.has_dot ? Range::kHiDot : 0);
        } else if (one_dash && (lo.size() == hi.size() || (lo_n.ok && hi_n.ok))) {
            r.lo = lo, r.hi = hi;
            if (lo != hi && lo_n.ok && hi_n.ok) {
                r.kind = Range::Kind::Numeric;
                r.decimals = lo_n.has_dot || hi_n.has_dot;
                r.lo_number = lo_n.value, r.hi_number = hi_n.value;
            } else {
                r.kind = lo == hi ? Range::Kind::Single : Range::Kind::Text;
            }
        } else {
            r.lo = r.hi = trim(part);
        }
        out.push_back(r);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

}  // namespace csengine

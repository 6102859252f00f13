// SPDX-License-Identifier: Apache-2.0
#include "cs_ranges.h"

#include <cstdlib>
#include <string>

namespace csengine {

Number parse_number(std::string_view text) {
    Number n;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    std::size_t digits = 0;
    double whole = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) whole = whole * 10 + (text[i] - '0');
    double fraction = 0, scale = 1;
    if (i < text.size() && text[i] == '.') {
        n.has_dot = true;
        std::size_t decimals = 0;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
            scale /= 10;
            fraction += (text[i] - '0') * scale;
        }
        if (decimals == 0) return Number{};
        digits += decimals;
    }
    if (digits == 0 || i != text.size()) return Number{};
    n.ok = true;
    n.value = (text[0] == '-' ? -1 : 1) * (whole + fraction);
    return n;
}

bool in_range(const Range& r, std::string_view lo, std::string_view hi, std::string_view value) {
    const auto fixed = [&r](std::uint8_t number, std::uint8_t dot, double n) {
        return Number{(r.fixed_bounds & number) != 0, (r.fixed_bounds & dot) != 0, n};
    };
    const Number lo_n = r.lo_key == kNoKey ? fixed(Range::kLoNumber, Range::kLoDot, r.lo_number) : parse_number(lo);
    const Number hi_n = r.hi_key == kNoKey ? fixed(Range::kHiNumber, Range::kHiDot, r.hi_number) : parse_number(hi);
    if (lo != hi && lo_n.ok && hi_n.ok) {
        const Number v = parse_number(value);
        if (!v.ok || (v.has_dot && !lo_n.has_dot && !hi_n.has_dot)) return false;
        return lo_n.value <= v.value && v.value <= hi_n.value;
    }
    return value.size() == lo.size() && lo <= value && value <= hi;
}

}  // namespace csengine

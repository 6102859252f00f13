// SPDX-License-Identifier: Apache-2.0
// Retired country codes of 14.0 and the five country items that carry them.
#pragma once

#include <array>
#include <string_view>

#include "field_map.h"

namespace vexlin {

struct CountryItem {
    std::string_view conversion_type;  // also the item's name in the log
    Field item;
};

// In the order the conversion treats them (not column order).
inline constexpr std::array<CountryItem, 5> kCountryItems{{
    {"Addr at Dx--Country", field::kAddrAtDxCountry},
    {"Birthplace--Country", field::kBirthplaceCountry},
    {"Addr Current--Country", field::kAddrCurrentCountry},
    {"Followup Contact--Country", field::kFollowupContactCountry},
    {"Place of Death--Country", field::kPlaceOfDeathCountry},
}};

struct CountryCodeChange {
    std::string_view retired;  // 14.0 code
    std::string_view current;  // 15.0 code
};

inline constexpr std::array<CountryCodeChange, 5> kCountryCodeChanges{{
    {"BND", "BRN"},
    {"XCZ", "CSK"},
    {"SWK", "SVK"},
    {"VLT", "VUT"},
    {"XYG", "YUG"},
}};

}  // namespace vexlin

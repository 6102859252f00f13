// SPDX-License-Identifier: Apache-2.0
#include "cs_bridge.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace vexlin {

int text_to_int(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483647LL) value = 2147483647LL;  // saturate rather than overflow
    }
    return static_cast<int>(negative ? -value : value);
}

namespace {

constexpr std::size_t kSchemaNameMaxLength = 39;

struct Range {
    int low;
    int high;
};

// Histologies for which a junction case (C160 with SSF25 "010") is staged with
// the discriminator "982".
constexpr std::array<Range, 8> kJunctionOverrideHistologies{{
    {8000, 8152}, {8154, 8231}, {8243, 8245}, {8247, 8248}, {8250, 8934},
    {8940, 9136}, {9141, 9582}, {9700, 9701},
}};

bool junction_override_applies(int site, int ssf25, int histology) {
    if (site != 160 || ssf25 != 10) return false;
    for (const Range& r : kJunctionOverrideHistologies)
        if (histology >= r.low && histology <= r.high) return true;
    return false;
}

}  // namespace

void CsBridge::select_schema(std::string_view year, std::string_view site, std::string_view histology,
                             std::string_view ssf25) {
    site_text_.assign(site.substr(0, 4));
    site_number_ = text_to_int(std::string_view(site_text_).substr(site_text_.empty() ? 0 : 1));
    histology_text_.assign(histology.substr(0, 4));
    histology_number_ = text_to_int(histology_text_);
    ssf25_text_.assign(ssf25.substr(0, 3));
    ssf25_number_ = text_to_int(ssf25_text_);
    year_text_.assign(year.substr(0, 4));
    year_number_ = text_to_int(year_text_);

    if (junction_override_applies(site_number_, ssf25_number_, histology_number_)) {
        ssf25_number_ = 982;
        ssf25_text_ = "982";
    }

    schema_number_ = cs_.get_schema_number
                         ? cs_.get_schema_number(site_text_.c_str(), histology_text_.c_str(), ssf25_text_.c_str())
                         : -1;
    if (cs_.get_number_of_schemas) cs_.get_number_of_schemas();
    schema_name_ = kSchemaNotDetermined;
    if (has_valid_schema() && cs_.get_schema_name) {
        // The name fits a text of 40 with its terminator; a NULL or empty
        // name leaves "Not Determined".
        const char* name = cs_.get_schema_name(schema_number_);
        std::size_t n = 0;
        while (name && n < kSchemaNameMaxLength && name[n] != '\0') ++n;
        if (n > 0) schema_name_.assign(name, n);
    }
}

}  // namespace vexlin

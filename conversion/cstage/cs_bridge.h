// SPDX-License-Identifier: Apache-2.0
// Per-conversion Collaborative Stage bridge: selects the staging schema of each
// record through the bound Collaborative Stage library.
#pragma once

#include <string>
#include <string_view>

#include "cs_entry_points.h"

namespace vexlin {

inline constexpr int kFirstSchema = 1;
inline constexpr int kLastSchema = 153;
inline constexpr const char* kSchemaNotDetermined = "Not Determined";

class CsBridge {
public:
    explicit CsBridge(const CsEntryPoints& cs = cs_entry_points()) : cs_(cs) {}

    // Selects the schema for the record's diagnosis year (4 characters), primary
    // site (4), histology (4) and CS Site-Specific Factor 25 (3).
    void select_schema(std::string_view year, std::string_view site, std::string_view histology,
                       std::string_view ssf25);

    int schema_number() const { return schema_number_; }
    int schema_index() const { return schema_number_ - 1; }
    bool has_valid_schema() const { return schema_number_ >= kFirstSchema && schema_number_ <= kLastSchema; }
    const std::string& schema_name() const { return schema_name_; }

    // The selection inputs as last passed (SSF25 after the junction override).
    const std::string& site_text() const { return site_text_; }
    const std::string& histology_text() const { return histology_text_; }
    const std::string& ssf25_text() const { return ssf25_text_; }
    const std::string& year_text() const { return year_text_; }
    int site_number() const { return site_number_; }
    int histology_number() const { return histology_number_; }
    int ssf25_number() const { return ssf25_number_; }
    int year_number() const { return year_number_; }

private:
    const CsEntryPoints& cs_;
    std::string schema_name_ = kSchemaNotDetermined;
    std::string site_text_ = "    ";
    std::string histology_text_ = "    ";
    std::string ssf25_text_ = "   ";
    std::string year_text_ = "    ";
    int schema_number_ = -1;
    int site_number_ = -1;
    int histology_number_ = -1;
    int ssf25_number_ = -1;
    int year_number_ = -1;
};

// Integer value of a text as the C library's atoi reads it: leading blanks
// skipped, optional sign, the digits that follow; 0 when there is no digit.
int text_to_int(std::string_view text);

}  // namespace vexlin

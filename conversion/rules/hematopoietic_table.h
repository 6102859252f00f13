// SPDX-License-Identifier: Apache-2.0
// The rule rows of the hematopoietic rules: one row per 14.0 histology code,
// naming the shape of its sub-rules, its grade class, the sites its shape
// tests, its new histology and whatever it does beyond its shape.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "field_map.h"
#include "grade_classes.h"
#include "site_lists.h"

namespace vexlin {

// The family of sub-rules a row runs (see hematopoietic_shapes.h).
enum class Shape : std::uint8_t {
    R,  // review at the listed sites
    Q,  // review outside the listed sites
    B,  // marrow placement
    C,  // blood-site leukemia
    D,  // recoded to a leukemia
    E,  // leukemia at adnexa sites
    F,  // recoded to 9811, with adnexa sites
    G,  // recoded to 9732
    H,  // recoded to 9762
    I,  // heavy-chain placement
};

// Every sub-rule of every shape; none means that no sub-rule runs.
enum class SubRule : std::uint8_t {
    none,
    R1, R2, R3, R4,
    Q1, Q2, Q3,
    B1, B2, B3, B4,
    C1, C2, C3, C4, C5,
    D1, D2, D3, D4, D5, D6,
    E1, E2, E3, E4, E5,
    F1, F2, F3, F4, F5, F6, F7, F8,
    G1, G2, G3, G4, G5, G6,
    H1, H2, H3, H4,
    I1, I2, I3,
    count
};

// What a row does beyond its shape: one more item written by one sub-rule,
// or a marrow placement that moves the Primary Site only.
struct RowDifference {
    SubRule at = SubRule::none;  // the sub-rule that also writes `item`
    Field item{};
    std::string_view value;      // blank padded to the item's width
    bool placement_site_only = false;
};

struct HematopoieticRule {
    std::string_view histology;  // the 14.0 code, four characters
    Shape shape;
    GradeClass grade_class;
    // The lists the shape tests, in its order; for shape B the placement site.
    SiteSet sites;
    std::string_view new_histology;  // empty: the histology stays
    RowDifference difference{};
};

// All rows, in the order the rule families are listed.
std::span<const HematopoieticRule> hematopoietic_rule_table();

// The row for an exact four-character histology code, or null.
const HematopoieticRule* find_hematopoietic_rule(std::string_view histology);

}  // namespace vexlin

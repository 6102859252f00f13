// SPDX-License-Identifier: Apache-2.0
// The shapes of the hematopoietic rules: which sub-rule of a row runs for an
// entry grade and site, and what each sub-rule writes, logs and flags.
#pragma once

#include <cstdint>
#include <string_view>

#include "hematopoietic_table.h"
#include "item_bundles.h"

namespace vexlin {

// How a sub-rule moves the Primary Site.
enum class SiteMove : std::uint8_t {
    none,
    to_marrow,     // Primary Site "C421"
    placement,     // marrow placement: the row's placement site and surgery not applicable
};

struct SubRuleAction {
    SubRule id;
    bool grade;                  // Grade becomes the row's target grade
    SiteMove site;
    ItemBundle items;            // Collaborative Stage inputs written
    bool surgery_not_applicable; // the two RX Summ items get their not-applicable codes
    bool log_conversion;         // also logged whenever the row has a new histology
    bool log_review;             // and sets the review flag
    bool restage;                // sets the restage flag
};

// The sub-rule of the row's shape that applies to the entry grade class
// (convertible or kept) and entry site; SubRule::none when none applies.
SubRule select_sub_rule(const HematopoieticRule& rule, bool convertible, std::string_view site);

const SubRuleAction& sub_rule_action(SubRule sub_rule);

}  // namespace vexlin

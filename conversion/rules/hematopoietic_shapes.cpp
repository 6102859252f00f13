// SPDX-License-Identifier: Apache-2.0
#include "hematopoietic_shapes.h"

#include <array>
#include <cstddef>

namespace vexlin {
namespace {

using S = SubRule;

bool has_new_histology(const HematopoieticRule& rule) { return !rule.new_histology.empty(); }

// conv / kept pick between the sub-rule for a convertible and a kept grade.
S pick(bool convertible, S conv, S kept) { return convertible ? conv : kept; }

S shape_r(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.contains(site)) return pick(convertible, S::R1, S::R2);
    return pick(convertible, S::R3, has_new_histology(rule) ? S::R4 : S::none);
}

S shape_q(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.contains(site)) return pick(convertible, S::Q1, S::none);
    return pick(convertible, S::Q2, S::Q3);
}

S shape_b(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (site == rule.sites.first_site()) return pick(convertible, S::B1, has_new_histology(rule) ? S::B4 : S::none);
    return pick(convertible, S::B2, S::B3);
}

S shape_c(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (site == "C423") return pick(convertible, S::C1, S::C2);
    if (rule.sites.contains(site)) return pick(convertible, S::C3, S::C4);
    return pick(convertible, S::C5, S::none);
}

// Shapes D to G test their lists in order: first "C421", then the others.
S shape_d(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.in(0, site)) return pick(convertible, S::D1, S::D2);
    if (rule.sites.in(1, site)) return pick(convertible, S::D3, S::D4);
    return pick(convertible, S::D5, S::D6);
}

S shape_e(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.in(0, site)) return pick(convertible, S::E1, S::none);
    if (rule.sites.in(1, site)) return pick(convertible, S::E2, S::E3);
    return pick(convertible, S::E4, S::E5);
}

S shape_f(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.in(0, site)) return pick(convertible, S::F1, S::F2);
    if (rule.sites.in(1, site)) return pick(convertible, S::F3, S::F4);
    if (rule.sites.in(2, site)) return pick(convertible, S::F5, S::F6);
    return pick(convertible, S::F7, S::F8);
}

S shape_g(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.in(0, site)) return pick(convertible, S::G1, S::G2);
    if (rule.sites.in(1, site)) return pick(convertible, S::G3, S::G4);
    return pick(convertible, S::G5, S::G6);
}

S shape_h(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.contains(site)) return pick(convertible, S::H1, S::H2);
    return pick(convertible, S::H3, S::H4);
}

S shape_i(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    if (rule.sites.contains(site)) return pick(convertible, S::I1, S::I2);
    return pick(convertible, S::I3, S::none);
}

using ShapeFunction = S (*)(const HematopoieticRule&, bool, std::string_view);

// Indexed by Shape.
constexpr std::array<ShapeFunction, 10> kShapes{shape_r, shape_q, shape_b, shape_c, shape_d,
                                                shape_e, shape_f, shape_g, shape_h, shape_i};

constexpr ItemBundle kNoItems{};
constexpr ItemBundle kShort{bundle::kCsShortSet};
constexpr ItemBundle kFull{bundle::kCsFullSet};
constexpr ItemBundle kAdnexa{bundle::kCsAdnexaSet};
constexpr ItemBundle kMyeloma{bundle::kCsMyelomaSet};
constexpr ItemBundle kMyelomaAdnexa{bundle::kCsMyelomaAdnexaSet};

constexpr bool Y = true;
constexpr bool n = false;
using enum SiteMove;

// Indexed by SubRule. Columns: grade, site, items, surgery n/a, log
// conversion, log review (and review flag), restage flag.
constexpr std::array<SubRuleAction, static_cast<std::size_t>(SubRule::count)> kActions{{
    {S::none, n, none, kNoItems, n, n, n, n},
    {S::R1, Y, none, kNoItems, n, Y, Y, n},
    {S::R2, n, none, kNoItems, n, n, Y, n},
    {S::R3, Y, none, kNoItems, n, Y, n, n},
    {S::R4, n, none, kNoItems, n, Y, n, n},
    {S::Q1, Y, none, kNoItems, n, Y, n, n},
    {S::Q2, Y, none, kNoItems, n, Y, Y, n},
    {S::Q3, n, none, kNoItems, n, n, Y, n},
    {S::B1, Y, none, kNoItems, n, Y, n, n},
    {S::B2, Y, placement, kNoItems, n, Y, n, n},
    {S::B3, n, placement, kNoItems, n, Y, n, n},
    {S::B4, n, none, kNoItems, n, Y, n, n},
    {S::C1, Y, to_marrow, kShort, n, Y, n, Y},
    {S::C2, n, to_marrow, kShort, n, Y, n, Y},
    {S::C3, Y, to_marrow, kNoItems, n, Y, n, n},
    {S::C4, n, to_marrow, kNoItems, n, Y, n, n},
    {S::C5, Y, none, kNoItems, n, Y, n, n},
    {S::D1, Y, none, kShort, n, Y, n, Y},
    {S::D2, n, none, kShort, n, Y, n, Y},
    {S::D3, Y, to_marrow, kShort, n, Y, n, Y},
    {S::D4, n, to_marrow, kShort, n, Y, n, Y},
    {S::D5, Y, none, kNoItems, n, Y, n, n},
    {S::D6, n, none, kNoItems, n, Y, n, n},
    {S::E1, Y, none, kNoItems, n, Y, n, n},
    {S::E2, Y, to_marrow, kFull, Y, Y, n, Y},
    {S::E3, n, to_marrow, kFull, Y, Y, n, Y},
    {S::E4, Y, placement, kNoItems, n, Y, n, n},
    {S::E5, n, placement, kNoItems, n, Y, n, n},
    {S::F1, Y, none, kNoItems, n, Y, n, n},
    {S::F2, n, to_marrow, kNoItems, n, Y, n, n},
    {S::F3, Y, to_marrow, kNoItems, n, Y, n, n},
    {S::F4, n, to_marrow, kNoItems, n, Y, n, n},
    {S::F5, Y, to_marrow, kAdnexa, n, Y, n, Y},
    {S::F6, n, to_marrow, kAdnexa, n, Y, n, Y},
    {S::F7, Y, to_marrow, kNoItems, n, Y, n, n},
    {S::F8, n, to_marrow, kNoItems, n, Y, n, n},
    {S::G1, Y, none, kMyeloma, n, Y, n, Y},
    {S::G2, n, none, kMyeloma, n, Y, n, Y},
    {S::G3, Y, to_marrow, kMyelomaAdnexa, n, Y, n, Y},
    {S::G4, n, to_marrow, kMyelomaAdnexa, n, Y, n, Y},
    {S::G5, Y, to_marrow, kMyeloma, n, Y, n, Y},
    {S::G6, n, to_marrow, kMyeloma, n, Y, n, Y},
    {S::H1, Y, to_marrow, kNoItems, n, Y, n, n},
    {S::H2, n, to_marrow, kNoItems, n, Y, n, n},
    {S::H3, Y, none, kNoItems, n, Y, n, n},
    {S::H4, n, none, kNoItems, n, Y, n, n},
    {S::I1, Y, to_marrow, kNoItems, n, Y, n, n},
    {S::I2, n, to_marrow, kNoItems, n, Y, n, n},
    {S::I3, Y, none, kNoItems, n, Y, n, n},
}};

constexpr bool actions_in_order() {
    for (std::size_t i = 0; i < kActions.size(); ++i) {
        if (static_cast<std::size_t>(kActions[i].id) != i) return false;
    }
    return true;
}
static_assert(actions_in_order(), "sub-rule actions are listed in SubRule order");

}  // namespace

SubRule select_sub_rule(const HematopoieticRule& rule, bool convertible, std::string_view site) {
    return kShapes[static_cast<std::size_t>(rule.shape)](rule, convertible, site);
}

const SubRuleAction& sub_rule_action(SubRule sub_rule) { return kActions[static_cast<std::size_t>(sub_rule)]; }

}  // namespace vexlin

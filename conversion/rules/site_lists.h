// SPDX-License-Identifier: Apache-2.0
// Named lists of ICD-O-3 topography codes that the hematopoietic rules test
// the Primary Site against. A site is in a list only when all four of its
// characters equal one of the codes.
#pragma once

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace vexlin {

struct SiteList {
    std::string_view name;
    std::span<const std::string_view> codes;

    constexpr bool contains(std::string_view site) const {
        return std::find(codes.begin(), codes.end(), site) != codes.end();
    }
};

namespace site_codes {
inline constexpr std::array<std::string_view, 3> kBlood{"C420", "C423", "C424"};
inline constexpr std::array<std::string_view, 13> kBone{"C400", "C401", "C402", "C403", "C408", "C409", "C410",
                                                        "C411", "C412", "C413", "C414", "C418", "C419"};
inline constexpr std::array<std::string_view, 4> kMediastinal{"C379", "C381", "C382", "C383"};
inline constexpr std::array<std::string_view, 4> kAdnexa{"C441", "C690", "C695", "C696"};
inline constexpr std::array<std::string_view, 1> kMarrow{"C421"};
inline constexpr std::array<std::string_view, 1> kPeripheralBlood{"C420"};
inline constexpr std::array<std::string_view, 1> kSpleen{"C422"};
}  // namespace site_codes

inline constexpr SiteList kBloodSites{"blood sites", site_codes::kBlood};
inline constexpr SiteList kBoneSites{"bone sites", site_codes::kBone};
inline constexpr SiteList kMediastinalSites{"mediastinal sites", site_codes::kMediastinal};
inline constexpr SiteList kAdnexaSites{"adnexa sites", site_codes::kAdnexa};
inline constexpr SiteList kMarrowSite{"C421", site_codes::kMarrow};
inline constexpr SiteList kPeripheralBloodSite{"C420", site_codes::kPeripheralBlood};
inline constexpr SiteList kSpleenSite{"C422", site_codes::kSpleen};

// The site lists one rule row names, in the order its shape tests them.
struct SiteSet {
    std::array<const SiteList*, 3> lists{};

    // True when the site is in any of the lists.
    constexpr bool contains(std::string_view site) const {
        return std::any_of(lists.begin(), lists.end(), [&](const SiteList* l) { return l && l->contains(site); });
    }
    // True when the site is in the n-th list.
    constexpr bool in(std::size_t n, std::string_view site) const { return lists[n] && lists[n]->contains(site); }
    // The first code of the first list: the placement site of a marrow placement.
    constexpr std::string_view first_site() const { return lists[0]->codes[0]; }
};

}  // namespace vexlin

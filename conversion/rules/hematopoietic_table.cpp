// SPDX-License-Identifier: Apache-2.0
#include "hematopoietic_table.h"

#include <array>
#include <cstddef>

namespace vexlin {
namespace {

using enum Shape;
using enum GradeClass;

// The site column of a row: the lists its shape tests, in that order.
constexpr SiteSet kAtBlood{{&kBloodSites}};
constexpr SiteSet kAtBloodOrMarrow{{&kBloodSites, &kMarrowSite}};
constexpr SiteSet kAtBloodOrSpleen{{&kBloodSites, &kSpleenSite}};
constexpr SiteSet kAtBoneOrBlood{{&kBoneSites, &kBloodSites}};
constexpr SiteSet kAtMediastinum{{&kMediastinalSites}};
constexpr SiteSet kAtSpleen{{&kSpleenSite}};
constexpr SiteSet kAtBone{{&kBoneSites}};
constexpr SiteSet kMarrowThenBlood{{&kMarrowSite, &kBloodSites}};
constexpr SiteSet kMarrowThenAdnexa{{&kMarrowSite, &kAdnexaSites}};
constexpr SiteSet kMarrowBloodAdnexa{{&kMarrowSite, &kBloodSites, &kAdnexaSites}};
// Placement sites of shape B.
constexpr SiteSet kPlaceInMarrow{{&kMarrowSite}};
constexpr SiteSet kPlaceInBlood{{&kPeripheralBloodSite}};

constexpr std::string_view kKeep{};  // no new histology

// Per-row differences.
constexpr RowDifference kMovesSiteOnly{.at = SubRule::none, .item = {}, .value = {}, .placement_site_only = true};
constexpr RowDifference kR3BlanksLymphNodes{SubRule::R3, field::kCsLymphNodes, "", false};
constexpr RowDifference kF3BlanksLymphNodes{SubRule::F3, field::kCsLymphNodes, "", false};
constexpr RowDifference kH2BlanksTumorSizeEval{SubRule::H2, field::kCsTumorSizeExtEval, "", false};

constexpr std::array<HematopoieticRule, 151> kRules{{
    // Shape R, review at the listed sites.
    {"9590", R, G9a, kAtBlood, kKeep},
    {"9650", R, G9a, kAtBlood, kKeep},
    {"9651", R, G9a, kAtBlood, kKeep},
    {"9652", R, G9a, kAtBlood, kKeep},
    {"9653", R, G9a, kAtBlood, kKeep},
    {"9655", R, G9a, kAtBlood, kKeep},
    {"9663", R, G9a, kAtBlood, kKeep},
    {"9727", R, G9a, kAtBlood, kKeep},
    {"9735", R, G9a, kAtBlood, kKeep},
    {"9971", R, G9a, kAtBlood, kKeep},
    {"9654", R, G9a, kAtBlood, "9653"},
    {"9661", R, G9a, kAtBlood, "9650"},
    {"9662", R, G9a, kAtBlood, "9650"},
    {"9664", R, G9a, kAtBlood, "9663"},
    {"9665", R, G9a, kAtBlood, "9663"},
    {"9667", R, G9a, kAtBlood, "9663"},
    {"9930", R, G9a, kAtBloodOrMarrow, kKeep},
    {"9740", R, G9b, kAtBlood, kKeep},
    {"9751", R, G9b, kAtBlood, kKeep},
    {"9755", R, G9b, kAtBlood, kKeep},
    {"9756", R, G9b, kAtBlood, kKeep},
    {"9757", R, G9b, kAtBlood, kKeep},
    {"9758", R, G9b, kAtBlood, kKeep},
    {"9759", R, G9b, kAtBlood, kKeep},
    {"9750", R, G9b, kAtBlood, "9751"},
    {"9752", R, G9b, kAtBlood, "9751"},
    {"9753", R, G9b, kAtBlood, "9751"},
    {"9754", R, G9b, kAtBlood, "9751"},
    {"9591", R, G6, kAtBlood, kKeep},
    {"9596", R, G6, kAtBlood, kKeep},
    {"9597", R, G6, kAtBlood, kKeep},
    {"9659", R, G6, kAtBlood, kKeep},
    {"9671", R, G6, kAtBlood, kKeep},
    {"9673", R, G6, kAtBlood, kKeep},
    {"9678", R, G6, kAtBlood, kKeep},
    {"9680", R, G6, kAtBlood, kKeep},
    {"9687", R, G6, kAtBlood, kKeep, kR3BlanksLymphNodes},
    {"9688", R, G6, kAtBlood, kKeep},
    {"9690", R, G6, kAtBlood, kKeep},
    {"9691", R, G6, kAtBlood, kKeep},
    {"9695", R, G6, kAtBlood, kKeep},
    {"9698", R, G6, kAtBlood, kKeep},
    {"9712", R, G6, kAtBlood, kKeep},
    {"9737", R, G6, kAtBlood, kKeep},
    {"9738", R, G6, kAtBlood, kKeep},
    {"9675", R, G6, kAtBlood, "9690"},
    {"9684", R, G6, kAtBlood, "9680"},
    {"9699", R, G6, kAtBloodOrSpleen, kKeep},
    {"9734", R, G6, kAtBoneOrBlood, kKeep},
    {"9700", R, G5, kAtBlood, kKeep},
    {"9701", R, G5, kAtBlood, kKeep},
    {"9702", R, G5, kAtBlood, kKeep},
    {"9705", R, G5, kAtBlood, kKeep},
    {"9708", R, G5, kAtBlood, kKeep},
    {"9709", R, G5, kAtBlood, kKeep},
    {"9717", R, G5, kAtBlood, kKeep},
    {"9718", R, G5, kAtBlood, kKeep},
    {"9724", R, G5, kAtBlood, kKeep},
    {"9725", R, G5, kAtBlood, kKeep},
    {"9726", R, G5, kAtBlood, kKeep},
    {"9714", R, G5x, kAtBlood, kKeep},
    {"9719", R, G8, kAtBlood, kKeep},

    // Shape Q, review outside the listed sites.
    {"9679", Q, G6, kAtMediastinum, kKeep},
    {"9689", Q, G6, kAtSpleen, kKeep},
    {"9716", Q, G5, kAtSpleen, kKeep},
    {"9731", Q, G6, kAtBone, kKeep},

    // Shape B, marrow placement.
    {"9800", B, G9a, kPlaceInMarrow, kKeep},
    {"9840", B, G9a, kPlaceInMarrow, kKeep},
    {"9860", B, G9a, kPlaceInMarrow, kKeep},
    {"9861", B, G9a, kPlaceInMarrow, kKeep},
    {"9863", B, G9a, kPlaceInMarrow, kKeep},
    {"9865", B, G9a, kPlaceInMarrow, kKeep},
    {"9866", B, G9a, kPlaceInMarrow, kKeep},
    {"9867", B, G9a, kPlaceInMarrow, kKeep},
    {"9869", B, G9a, kPlaceInMarrow, kKeep},
    {"9870", B, G9a, kPlaceInMarrow, kKeep},
    {"9871", B, G9a, kPlaceInMarrow, kKeep},
    {"9872", B, G9a, kPlaceInMarrow, kKeep},
    {"9873", B, G9a, kPlaceInMarrow, kKeep},
    {"9874", B, G9a, kPlaceInMarrow, kKeep},
    {"9891", B, G9a, kPlaceInMarrow, kKeep},
    {"9895", B, G9a, kPlaceInMarrow, kKeep},
    {"9896", B, G9a, kPlaceInMarrow, kKeep},
    {"9897", B, G9a, kPlaceInMarrow, kKeep},
    {"9898", B, G9a, kPlaceInMarrow, kKeep},
    {"9910", B, G9a, kPlaceInMarrow, kKeep},
    {"9911", B, G9a, kPlaceInMarrow, kKeep},
    {"9920", B, G9a, kPlaceInMarrow, kKeep},
    {"9931", B, G9a, kPlaceInMarrow, kKeep},
    {"9965", B, G9a, kPlaceInMarrow, kKeep},
    {"9966", B, G9a, kPlaceInMarrow, kKeep},
    {"9967", B, G9a, kPlaceInMarrow, kKeep},
    {"9987", B, G9a, kPlaceInMarrow, "9920"},
    {"9741", B, G9b, kPlaceInMarrow, kKeep},
    {"9742", B, G9b, kPlaceInMarrow, kKeep},
    {"9801", B, G9b, kPlaceInMarrow, kKeep},
    {"9806", B, G9b, kPlaceInMarrow, kKeep},
    {"9807", B, G9b, kPlaceInMarrow, kKeep},
    {"9808", B, G9b, kPlaceInMarrow, kKeep},
    {"9809", B, G9b, kPlaceInMarrow, kKeep},
    {"9875", B, G9b, kPlaceInMarrow, kKeep},
    {"9876", B, G9b, kPlaceInMarrow, kKeep},
    {"9945", B, G9b, kPlaceInMarrow, kKeep},
    {"9946", B, G9b, kPlaceInMarrow, kKeep},
    {"9950", B, G9b, kPlaceInMarrow, kKeep},
    {"9961", B, G9b, kPlaceInMarrow, kKeep},
    {"9962", B, G9b, kPlaceInMarrow, kKeep},
    {"9963", B, G9b, kPlaceInMarrow, kKeep},
    {"9964", B, G9b, kPlaceInMarrow, kKeep},
    {"9975", B, G9b, kPlaceInMarrow, kKeep},
    {"9980", B, G9b, kPlaceInMarrow, kKeep},
    {"9982", B, G9b, kPlaceInMarrow, kKeep},
    {"9983", B, G9b, kPlaceInMarrow, kKeep},
    {"9985", B, G9b, kPlaceInMarrow, kKeep},
    {"9986", B, G9b, kPlaceInMarrow, kKeep},
    {"9989", B, G9b, kPlaceInMarrow, kKeep},
    {"9991", B, G9b, kPlaceInMarrow, kKeep},
    {"9992", B, G9b, kPlaceInMarrow, kKeep},
    {"9960", B, G9b, kPlaceInMarrow, "9975"},
    {"9984", B, G9b, kPlaceInMarrow, "9983"},
    {"9805", B, G9b, kPlaceInMarrow, "9809", kMovesSiteOnly},
    {"9732", B, G6, kPlaceInMarrow, kKeep},
    {"9940", B, G6, kPlaceInMarrow, kKeep},
    {"9761", B, G6, kPlaceInBlood, kKeep},
    {"9948", B, G8, kPlaceInMarrow, kKeep},

    // Shape C, blood-site leukemia.
    {"9811", C, G6, kAtBlood, kKeep},
    {"9812", C, G6, kAtBlood, kKeep},
    {"9813", C, G6, kAtBlood, kKeep},
    {"9814", C, G6, kAtBlood, kKeep},
    {"9815", C, G6, kAtBlood, kKeep},
    {"9816", C, G6, kAtBlood, kKeep},
    {"9817", C, G6, kAtBlood, kKeep},
    {"9818", C, G6, kAtBlood, kKeep},
    {"9823", C, G6, kAtBlood, kKeep},
    {"9827", C, G5, kAtBlood, kKeep},
    {"9837", C, G5, kAtBlood, kKeep},

    // Shape D, recoded to a leukemia.
    {"9670", D, G6, kMarrowThenBlood, "9823"},
    {"9728", D, G6, kMarrowThenBlood, "9811"},
    {"9729", D, G5, kMarrowThenBlood, "9837"},

    // Shape E, leukemia at adnexa sites.
    {"9820", E, G9a, kMarrowThenAdnexa, kKeep},
    {"9832", E, G9a, kMarrowThenAdnexa, kKeep},
    {"9831", E, G9x, kMarrowThenAdnexa, kKeep},
    {"9826", E, G6, kMarrowThenAdnexa, kKeep},
    {"9833", E, G6, kMarrowThenAdnexa, kKeep},
    {"9834", E, G5, kMarrowThenAdnexa, kKeep},

    // Shape F, recoded to 9811, with adnexa sites.
    {"9835", F, G6, kMarrowBloodAdnexa, "9811"},
    {"9836", F, G6, kMarrowBloodAdnexa, "9811", kF3BlanksLymphNodes},

    // Shape G, recoded to 9732.
    {"9733", G, G6, kMarrowThenAdnexa, "9732"},

    // Shape H, recoded to 9762.
    {"9760", H, G6, kAtBlood, "9762"},
    {"9764", H, G6, kAtBlood, "9762", kH2BlanksTumorSizeEval},

    // Shape I, heavy-chain placement.
    {"9762", I, G6, kAtBlood, kKeep},
}};

// Every code lies between these two; the index maps code - kLowest to a row.
constexpr int kLowestCode = 9590;
constexpr int kHighestCode = 9992;
constexpr std::uint8_t kNoRow = 0xFF;
static_assert(kRules.size() < kNoRow);

constexpr int code_value(std::string_view code) {
    if (code.size() != 4) return -1;
    int value = 0;
    for (const char c : code) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

using RowIndex = std::array<std::uint8_t, kHighestCode - kLowestCode + 1>;

// Builds the code-to-row index; an empty index when a code is malformed,
// out of range or listed twice, which the assertion below turns into a
// build failure.
constexpr RowIndex build_index() {
    RowIndex index{};
    for (auto& slot : index) slot = kNoRow;
    for (std::size_t row = 0; row < kRules.size(); ++row) {
        const int value = code_value(kRules[row].histology);
        if (value < kLowestCode || value > kHighestCode || index[value - kLowestCode] != kNoRow) return RowIndex{};
        index[value - kLowestCode] = static_cast<std::uint8_t>(row);
    }
    return index;
}

constexpr RowIndex kRowIndex = build_index();

constexpr bool index_is_complete() {
    std::size_t filled = 0;
    for (const auto slot : kRowIndex) filled += slot != kNoRow ? 1 : 0;
    return filled == kRules.size();
}
static_assert(index_is_complete(), "every rule row has a distinct four-digit code in range");

}  // namespace

std::span<const HematopoieticRule> hematopoietic_rule_table() { return kRules; }

const HematopoieticRule* find_hematopoietic_rule(std::string_view histology) {
    const int value = code_value(histology);
    if (value < kLowestCode || value > kHighestCode) return nullptr;
    const std::uint8_t row = kRowIndex[value - kLowestCode];
    return row == kNoRow ? nullptr : &kRules[row];
}

}  // namespace vexlin

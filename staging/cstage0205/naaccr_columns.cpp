// SPDX-License-Identifier: Apache-2.0
#include "naaccr_columns.h"

#include <array>

#include "cstage0205.h"

namespace cstage {
namespace {

// CS Site-Specific Factors 1 to 25 lie back to back from column 1003.
constexpr std::size_t ssf_offset(int n) { return 1002 + 3 * static_cast<std::size_t>(n - 1); }

struct InputColumn {
    std::string_view key;
    int item;
    std::string_view name;
    std::size_t offset, width;
};

constexpr InputColumn kInputColumns[] = {
    {"site", 400, "Primary Site", 539, 4},
    {"hist", 522, "Histologic Type ICD-O-3", 549, 4},
    {"year_dx", 390, "Date of Diagnosis", 529, 4},  // its year: the first four characters
    {"cs_input_version_original", 2935, "CS Version Input Original", 1166, 6},
    {"behavior", 523, "Behavior Code ICD-O-3", 553, 1},
    {"grade", 440, "Grade", 554, 1},
    {"age_dx", 230, "Age at Diagnosis", 192, 3},
    {"lvi", 1182, "Lymph-vascular Invasion", 983, 1},
    {"size", 2800, "CS Tumor Size", 984, 3},
    {"extension", 2810, "CS Extension", 987, 3},
    {"extension_eval", 2820, "CS Tumor Size/Ext Eval", 990, 1},
    {"nodes", 2830, "CS Lymph Nodes", 991, 3},
    {"nodes_eval", 2840, "CS Lymph Nodes Eval", 994, 1},
    {"nodes_pos", 820, "Regional Nodes Positive", 913, 2},
    {"nodes_exam", 830, "Regional Nodes Examined", 915, 2},
    {"mets", 2850, "CS Mets at DX", 995, 2},
    {"mets_eval", 2860, "CS Mets Eval", 997, 1},
    {"ssf1", 2880, "CS Site-Specific Factor 1", ssf_offset(1), 3},
    {"ssf2", 2890, "CS Site-Specific Factor 2", ssf_offset(2), 3},
    {"ssf3", 2900, "CS Site-Specific Factor 3", ssf_offset(3), 3},
    {"ssf4", 2910, "CS Site-Specific Factor 4", ssf_offset(4), 3},
    {"ssf5", 2920, "CS Site-Specific Factor 5", ssf_offset(5), 3},
    {"ssf6", 2930, "CS Site-Specific Factor 6", ssf_offset(6), 3},
    {"ssf7", 2861, "CS Site-Specific Factor 7", ssf_offset(7), 3},
    {"ssf8", 2862, "CS Site-Specific Factor 8", ssf_offset(8), 3},
    {"ssf9", 2863, "CS Site-Specific Factor 9", ssf_offset(9), 3},
    {"ssf10", 2864, "CS Site-Specific Factor 10", ssf_offset(10), 3},
    {"ssf11", 2865, "CS Site-Specific Factor 11", ssf_offset(11), 3},
    {"ssf12", 2866, "CS Site-Specific Factor 12", ssf_offset(12), 3},
    {"ssf13", 2867, "CS Site-Specific Factor 13", ssf_offset(13), 3},
    {"ssf14", 2868, "CS Site-Specific Factor 14", ssf_offset(14), 3},
    {"ssf15", 2869, "CS Site-Specific Factor 15", ssf_offset(15), 3},
    {"ssf16", 2870, "CS Site-Specific Factor 16", ssf_offset(16), 3},
    {"ssf17", 2871, "CS Site-Specific Factor 17", ssf_offset(17), 3},
    {"ssf18", 2872, "CS Site-Specific Factor 18", ssf_offset(18), 3},
    {"ssf19", 2873, "CS Site-Specific Factor 19", ssf_offset(19), 3},
    {"ssf20", 2874, "CS Site-Specific Factor 20", ssf_offset(20), 3},
    {"ssf21", 2875, "CS Site-Specific Factor 21", ssf_offset(21), 3},
    {"ssf22", 2876, "CS Site-Specific Factor 22", ssf_offset(22), 3},
    {"ssf23", 2877, "CS Site-Specific Factor 23", ssf_offset(23), 3},
    {"ssf24", 2878, "CS Site-Specific Factor 24", ssf_offset(24), 3},
    {"ssf25", 2879, "CS Site-Specific Factor 25", ssf_offset(25), 3},
};

// Inputs lie in the card back to back, in the order above.
constexpr auto kInputs = [] {
    std::array<NaaccrItem, std::size(kInputColumns)> items{};
    std::size_t card = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const InputColumn& c = kInputColumns[i];
        items[i] = NaaccrItem{c.key, c.item, c.name, c.offset, c.width, card};
        card += c.width;
    }
    return items;
}();
static_assert(kInputs.size() == 42);
static_assert(kInputs.back().card + kInputs.back().width <= CSTAGE_DC_CS_VERSION_DERIVED);

// Neighbouring inputs that are neighbours in the record too, joined.
constexpr std::size_t count_runs() {
    std::size_t runs = 1;
    for (std::size_t i = 1; i < kInputs.size(); ++i)
        runs += kInputs[i].offset != kInputs[i - 1].offset + kInputs[i - 1].width;
    return runs;
}
constexpr auto kInputRuns = [] {
    std::array<ItemRun, count_runs()> runs{};
    std::size_t n = 0;
    runs[0] = ItemRun{kInputs[0].offset, kInputs[0].width, kInputs[0].card};
    for (std::size_t i = 1; i < kInputs.size(); ++i) {
        if (kInputs[i].offset == runs[n].offset + runs[n].width)
            runs[n].width += kInputs[i].width;
        else
            runs[++n] = ItemRun{kInputs[i].offset, kInputs[i].width, kInputs[i].card};
    }
    return runs;
}();

constexpr NaaccrItem kOutputs[] = {
    {"stor_ajcc6_t", 2940, "Derived AJCC-6 T", 1102, 2, CSTAGE_DC_AJCC6_T},
    {"stor_ajcc6_tdescriptor", 2950, "Derived AJCC-6 T Descript", 1104, 1, CSTAGE_DC_AJCC6_T_DESCRIPT},
    {"stor_ajcc6_n", 2960, "Derived AJCC-6 N", 1105, 2, CSTAGE_DC_AJCC6_N},
    {"stor_ajcc6_ndescriptor", 2970, "Derived AJCC-6 N Descript", 1107, 1, CSTAGE_DC_AJCC6_N_DESCRIPT},
    {"stor_ajcc6_m", 2980, "Derived AJCC-6 M", 1108, 2, CSTAGE_DC_AJCC6_M},
    {"stor_ajcc6_mdescriptor", 2990, "Derived AJCC-6 M Descript", 1110, 1, CSTAGE_DC_AJCC6_M_DESCRIPT},
    {"stor_ajcc6_stage", 3000, "Derived AJCC-6 Stage Grp", 1111, 2, CSTAGE_DC_AJCC6_STAGE},
    {"stor_ajcc7_t", 3400, "Derived AJCC-7 T", 1113, 3, CSTAGE_DC_AJCC7_T},
    {"stor_ajcc7_tdescriptor", 3402, "Derived AJCC-7 T Descript", 1116, 1, CSTAGE_DC_AJCC7_T_DESCRIPT},
    {"stor_ajcc7_n", 3410, "Derived AJCC-7 N", 1117, 3, CSTAGE_DC_AJCC7_N},
    {"stor_ajcc7_ndescriptor", 3412, "Derived AJCC-7 N Descript", 1120, 1, CSTAGE_DC_AJCC7_N_DESCRIPT},
    {"stor_ajcc7_m", 3420, "Derived AJCC-7 M", 1121, 3, CSTAGE_DC_AJCC7_M},
    {"stor_ajcc7_mdescriptor", 3422, "Derived AJCC-7 M Descript", 1124, 1, CSTAGE_DC_AJCC7_M_DESCRIPT},
    {"stor_ajcc7_stage", 3430, "Derived AJCC-7 Stage Grp", 1125, 3, CSTAGE_DC_AJCC7_STAGE},
    {"stor_ss77", 3010, "Derived SS1977", 1154, 1, CSTAGE_DC_SS1977},
    {"stor_ss2000", 3020, "Derived SS2000", 1155, 1, CSTAGE_DC_SS2000},
    {"csver_derived", 2936, "CS Version Derived", 1172, 6, CSTAGE_DC_CS_VERSION_DERIVED},
};

}  // namespace

std::span<const NaaccrItem> input_items() { return kInputs; }
std::span<const NaaccrItem> output_items() { return kOutputs; }
std::span<const ItemRun> input_runs() { return kInputRuns; }

const NaaccrItem* input_item(std::string_view key) {
    for (const NaaccrItem& item : kInputs)
        if (item.key == key) return &item;
    return nullptr;
}

}  // namespace cstage

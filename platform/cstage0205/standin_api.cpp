#include "standin_api.h"

#include <cstring>
#include <string_view>

#include "cstage0205.h"
#include "field_map.h"
#include "standin_calculation.h"
#include "standin_datacard.h"
#include "standin_schemas.h"

namespace cstage_standin {
namespace {

// Where each derived item of the card goes in the NAACCR record.
struct OutputCopy {
    CardItem from;
    vexlin::Field to;
};
constexpr OutputCopy kOutputCopies[] = {
    {{CSTAGE_DC_AJCC6_T, 2}, vexlin::field::kDerivedAjcc6T},
    {{CSTAGE_DC_AJCC6_T_DESCRIPT, 1}, vexlin::field::kDerivedAjcc6TDescript},
    {{CSTAGE_DC_AJCC6_N, 2}, vexlin::field::kDerivedAjcc6N},
    {{CSTAGE_DC_AJCC6_N_DESCRIPT, 1}, vexlin::field::kDerivedAjcc6NDescript},
    {{CSTAGE_DC_AJCC6_M, 2}, vexlin::field::kDerivedAjcc6M},
    {{CSTAGE_DC_AJCC6_M_DESCRIPT, 1}, vexlin::field::kDerivedAjcc6MDescript},
    {{CSTAGE_DC_AJCC6_STAGE, 2}, vexlin::field::kDerivedAjcc6StageGrp},
    {{CSTAGE_DC_AJCC7_T, 3}, vexlin::field::kDerivedAjcc7T},
    {{CSTAGE_DC_AJCC7_T_DESCRIPT, 1}, vexlin::field::kDerivedAjcc7TDescript},
    {{CSTAGE_DC_AJCC7_N, 3}, vexlin::field::kDerivedAjcc7N},
    {{CSTAGE_DC_AJCC7_N_DESCRIPT, 1}, vexlin::field::kDerivedAjcc7NDescript},
    {{CSTAGE_DC_AJCC7_M, 3}, vexlin::field::kDerivedAjcc7M},
    {{CSTAGE_DC_AJCC7_M_DESCRIPT, 1}, vexlin::field::kDerivedAjcc7MDescript},
    {{CSTAGE_DC_AJCC7_STAGE, 3}, vexlin::field::kDerivedAjcc7StageGrp},
    {{CSTAGE_DC_SS1977, 1}, vexlin::field::kDerivedSs1977},
    {{CSTAGE_DC_SS2000, 1}, vexlin::field::kDerivedSs2000},
};

}  // namespace

int schema_number(const char* site, const char* hist, const char* ssf25) {
    if (!site) return CSTAGE_NO_SCHEMA_FOR_SITE;
    if (!hist) return CSTAGE_NO_SCHEMA_FOR_HISTOLOGY;
    // Texts longer than their codes are invalid; strnlen keeps us from reading
    // far into an unterminated text.
    return select_schema(std::string_view(site, strnlen(site, 8)), std::string_view(hist, strnlen(hist, 8)),
                         ssf25 ? std::string_view(ssf25, strnlen(ssf25, 8)) : std::string_view());
}

int number_of_schemas() { return kSchemaCount; }

const char* schema_name_text(int number) { return schema_name(number); }

int calculate(char* datacard) {
    if (!datacard) return 1;
    const DerivedStage stage = derive_stage(datacard);
    write_derived_stage(datacard, stage);
    return stage.error_word != 0 ? 1 : 0;
}

int move_naaccr_to_datacard(char* datacard, const char* record) {
    if (!datacard || !record) return 1;
    move_record_to_card(datacard, record);
    return 0;
}

int move_datacard_to_naaccr(const char* datacard, char* record) {
    if (!datacard || !record) return 1;
    for (const OutputCopy& c : kOutputCopies) std::memcpy(record + c.to.offset, datacard + c.from.offset, c.to.width);
    return 0;
}

}  // namespace cstage_standin

// SPDX-License-Identifier: Apache-2.0
// The Collaborative Stage library: the eight entry points of the contract over
// this project's engine and the tables it carries. Built a second time without
// CStage_move_datacard_to_naaccr, to check that the conversion library refuses
// to load against an incomplete library.
#include "cstage0205.h"

#include "entry_points.h"

extern "C" {

CSTAGE_API int CSTAGE_CALL CStage_get_schema_number(const char* site, const char* hist, const char* ssf25) {
    return cstage::schema_number(site, hist, ssf25);
}
CSTAGE_API int CSTAGE_CALL CStage_get_number_of_schemas(void) { return cstage::number_of_schemas(); }
CSTAGE_API const char* CSTAGE_CALL CStage_get_schema_name(int schema_number) {
    return cstage::schema_name(schema_number);
}
CSTAGE_API const char* CSTAGE_CALL CStage_get_timestamp(void) { return cstage::timestamp(); }
CSTAGE_API const char* CSTAGE_CALL CStage_get_version(void) { return cstage::version(); }
CSTAGE_API int CSTAGE_CALL CStage_calculate(char* datacard) { return cstage::calculate(datacard); }
CSTAGE_API int CSTAGE_CALL CStage_move_naaccr_to_datacard(char* datacard, const char* record) {
    return cstage::move_naaccr_to_datacard(datacard, record);
}
#if !defined(CSTAGE0205_WITHOUT_DATACARD_TO_NAACCR)
CSTAGE_API int CSTAGE_CALL CStage_move_datacard_to_naaccr(const char* datacard, char* record) {
    return cstage::move_datacard_to_naaccr(datacard, record);
}
#endif

}

// The stand-in Collaborative Stage library: the eight entry points of the
// contract over the stand-in's own tables (see README.md). Built a second
// time without CStage_move_datacard_to_naaccr, to check that the conversion
// library refuses to load against an incomplete library.
#include "cstage0205.h"

#include "standin_api.h"

extern "C" {

CSTAGE_API int CSTAGE_CALL CStage_get_schema_number(const char* site, const char* hist, const char* ssf25) {
    return cstage_standin::schema_number(site, hist, ssf25);
}
CSTAGE_API int CSTAGE_CALL CStage_get_number_of_schemas(void) { return cstage_standin::number_of_schemas(); }
CSTAGE_API const char* CSTAGE_CALL CStage_get_schema_name(int schema_number) {
    return cstage_standin::schema_name_text(schema_number);
}
CSTAGE_API const char* CSTAGE_CALL CStage_get_timestamp(void) { return cstage_standin::kTimestampText; }
CSTAGE_API const char* CSTAGE_CALL CStage_get_version(void) { return cstage_standin::kVersionText; }
CSTAGE_API int CSTAGE_CALL CStage_calculate(char* datacard) { return cstage_standin::calculate(datacard); }
CSTAGE_API int CSTAGE_CALL CStage_move_naaccr_to_datacard(char* datacard, const char* record) {
    return cstage_standin::move_naaccr_to_datacard(datacard, record);
}
#if !defined(CSTAGE0205_WITHOUT_DATACARD_TO_NAACCR)
CSTAGE_API int CSTAGE_CALL CStage_move_datacard_to_naaccr(const char* datacard, char* record) {
    return cstage_standin::move_datacard_to_naaccr(datacard, record);
}
#endif

}

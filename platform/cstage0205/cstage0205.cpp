// Stand-in for the Collaborative Stage library (placeholder until the schema
// and calculation tables are in).
#include "cstage0205.h"

#include <cstring>

extern "C" {

CSTAGE_API int CSTAGE_CALL CStage_get_schema_number(const char* site, const char*, const char*) {
    return (site && std::strcmp(site, "C619") == 0) ? 121 : CSTAGE_NO_SCHEMA_FOR_SITE;
}
CSTAGE_API int CSTAGE_CALL CStage_get_number_of_schemas(void) { return 153; }
CSTAGE_API const char* CSTAGE_CALL CStage_get_schema_name(int n) { return n == 121 ? "Prostate" : nullptr; }
CSTAGE_API const char* CSTAGE_CALL CStage_get_timestamp(void) { return "stand-in, not a Collaborative Stage library"; }
CSTAGE_API const char* CSTAGE_CALL CStage_get_version(void) { return "000000 stand-in"; }
CSTAGE_API int CSTAGE_CALL CStage_calculate(char* datacard) {
    if (!datacard) return 1;
    std::strcpy(datacard + CSTAGE_DC_MESSAGE, "stand-in: calculation not available");
    return 1;
}
CSTAGE_API int CSTAGE_CALL CStage_move_naaccr_to_datacard(char*, const char*) { return 0; }
CSTAGE_API int CSTAGE_CALL CStage_move_datacard_to_naaccr(const char*, char*) { return 0; }

}

#include "general_rules.h"

#include "hematopoietic_rules.h"
#include "results_store.h"

namespace vexlin {

bool convert_country_code(int, RecordSpan) { return false; }

int apply_general_rules(ResultsStore&, int, int, RecordSpan record, unsigned char& restage,
                        unsigned char& review) {
    restage = 0;
    review = 0;
    put_field(record, field::kRecordVersion, "150");
    return 0;
}

}  // namespace vexlin

#include "hematopoietic_rules.h"

#include "results_store.h"

namespace vexlin {

void apply_hematopoietic_rules(ResultsStore&, int, RecordSpan, unsigned char&, unsigned char&) {}

}  // namespace vexlin

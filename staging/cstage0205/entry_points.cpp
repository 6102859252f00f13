// SPDX-License-Identifier: Apache-2.0
#include "entry_points.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "card_calculation.h"
#include "cs_engine.h"
#include "cstage0205.h"
#include "datacard.h"
#include "library_texts.h"

namespace cstage {
namespace {

// A NUL-terminated argument, read no further than a code can be long: a text
// longer than that is no code.
std::string_view code_argument(const char* text) {
    return text ? std::string_view(text, strnlen(text, 8)) : std::string_view();
}

int selection_code(csengine::SelectionOutcome outcome) {
    switch (outcome) {
    case csengine::SelectionOutcome::InvalidSite: return CSTAGE_NO_SCHEMA_FOR_SITE;
    case csengine::SelectionOutcome::InvalidHistology:
    case csengine::SelectionOutcome::NoSchemaForPair: return CSTAGE_NO_SCHEMA_FOR_HISTOLOGY;
    case csengine::SelectionOutcome::Ssf25SelectsNone: return CSTAGE_NO_SCHEMA_FOR_SSF25;
    case csengine::SelectionOutcome::Ssf25SelectsSeveral: return CSTAGE_SCHEMA_AMBIGUOUS;
    case csengine::SelectionOutcome::Selected: break;
    }
    return CSTAGE_SCHEMA_AMBIGUOUS;
}

}  // namespace

// Nothing is thrown across the C boundary: a failure (only memory running
// out) becomes the entry point's failure result.
int schema_number(const char* site, const char* hist, const char* ssf25) try {
    const csengine::SchemaSelection s =
        csengine::embedded_engine().select_schema(code_argument(site), code_argument(hist), code_argument(ssf25));
    return s.schema ? s.schema->number : selection_code(s.outcome);
} catch (...) {
    return CSTAGE_SCHEMA_AMBIGUOUS;
}

int number_of_schemas() try {
    // Asked when the conversion library is loaded and at every schema
    // selection: the tables are built on the first real use, not here.
    return csengine::embedded_schema_count();
} catch (...) {
    return 0;
}

const char* schema_name(int number) try {
    // The names are views into the embedded text, so they need a terminator
    // of their own: kept once per schema.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const csengine::Schema& s : csengine::embedded_tables().schemas()) n.emplace_back(s.name);
        return n;
    }();
    if (number < 1 || number > static_cast<int>(names.size())) return nullptr;
    return names[static_cast<std::size_t>(number - 1)].c_str();
} catch (...) {
    return nullptr;
}

const char* timestamp() { return kTimestampText; }
const char* version() { return kVersionText; }

int calculate(char* datacard) try {
    if (!datacard) return 1;
    return calculate_card(csengine::embedded_engine(), datacard);
} catch (...) {
    return 1;
}

int move_naaccr_to_datacard(char* datacard, const char* record) {
    if (!datacard || !record) return 1;
    move_record_to_card(datacard, record);
    return 0;
}

int move_datacard_to_naaccr(const char* datacard, char* record) {
    if (!datacard || !record) return 1;
    move_card_to_record(datacard, record);
    return 0;
}

}  // namespace cstage

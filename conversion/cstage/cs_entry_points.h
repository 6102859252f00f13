// SPDX-License-Identifier: Apache-2.0
// The eight bound entry points of the Collaborative Stage library, held
// process-wide. They are bound once, when the conversion library is loaded.
#pragma once

#include "cstage0205.h"

namespace vexlin {

struct CsEntryPoints {
    decltype(&CStage_get_schema_number) get_schema_number = nullptr;
    decltype(&CStage_get_number_of_schemas) get_number_of_schemas = nullptr;
    decltype(&CStage_get_schema_name) get_schema_name = nullptr;
    decltype(&CStage_get_timestamp) get_timestamp = nullptr;
    decltype(&CStage_get_version) get_version = nullptr;
    decltype(&CStage_calculate) calculate = nullptr;
    decltype(&CStage_move_naaccr_to_datacard) move_naaccr_to_datacard = nullptr;
    decltype(&CStage_move_datacard_to_naaccr) move_datacard_to_naaccr = nullptr;

    bool complete() const {
        return get_schema_number && get_number_of_schemas && get_schema_name && get_timestamp &&
               get_version && calculate && move_naaccr_to_datacard && move_datacard_to_naaccr;
    }
};

// The entry points in force. Empty until binding succeeded.
const CsEntryPoints& cs_entry_points();
// Installs a complete set of entry points (the loader; tests install doubles).
void set_cs_entry_points(const CsEntryPoints& entry_points);

// A text returned by the Collaborative Stage library, or the fallback when the
// library returned NULL.
inline const char* cs_text_or(const char* text, const char* fallback) { return text ? text : fallback; }

}  // namespace vexlin
